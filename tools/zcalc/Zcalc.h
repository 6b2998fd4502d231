#pragma once
#include <iosfwd>

namespace tarnel {

// The calculator's three ways of working. Each returns the process exit status:
// 0 when every row was computed, 1 when any row or the header was malformed.

// Evaluates every CSV row with one Gas object, in order, as the component does.
int ZcalcGas(std::istream& in, std::ostream& out, std::ostream& err);

// Evaluates every CSV row as a fresh stream with one CalculateZ.
int ZcalcStream(std::istream& in, std::ostream& out, std::ostream& err);

struct StatePointInput {
    double T_K = 0;
    double P_barA = 0;
    double Tcrit_K = 0;
    double Pcrit_barA = 0;
    double AcentricFactor = 0;
};

// One state point, printed with labels and units.
int ZcalcStatePoint(const StatePointInput& input, std::ostream& out);

}  // namespace tarnel
