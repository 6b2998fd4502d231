#pragma once
#include <iosfwd>
#include <string>

#include "tools/zcalc/CriticalConstants.h"

namespace tarnel {

// The calculator's ways of working. Each returns the process exit status:
// 0 when every row was computed, 1 when any row or the header was malformed.

// Evaluates every CSV row with one Gas object, in order, as the component does.
int ZcalcGas(std::istream& in, std::ostream& out, std::ostream& err);

// Evaluates every CSV row as a fresh stream with one CalculateZ.
int ZcalcStream(std::istream& in, std::ostream& out, std::ostream& err);

struct StatePointInput {
    double T_K = 0;
    double P_barA = 0;
    CriticalConstants Constants;
};

// Takes the constants of the built-in gas called name into input and prints
// which they are; false, reported on err, when there is no such gas.
bool UseGas(const std::string& name, StatePointInput& input, std::ostream& out, std::ostream& err);

// One state point, printed with labels and units. Exit status 1 also when the
// component refused the inputs or its result had not settled in the steps the
// service allows.
int ZcalcStatePoint(const StatePointInput& input, std::ostream& out);

// The pseudo-critical constants of a mixture given as "name=fraction,...", and
// a line for the stream-definition file with the given unit texts.
int ZcalcMix(const std::string& composition, const std::string& pressureUnit,
             const std::string& temperatureUnit, std::ostream& out, std::ostream& err);

}  // namespace tarnel
