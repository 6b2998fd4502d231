#pragma once
#include <cstdint>
#include <string>

namespace tarnel {

// The three constants of one gas that the equation of state needs, in the
// component's units.
struct CriticalConstants {
    double Tcrit_K = 0;
    double Pcrit_barA = 0;
    double AcentricFactor = 0;

    // The critical pressure and temperature as a stream takes them: pressure in
    // its pressure unit (0 bar, 1 kPa, 2 psi; always absolute), temperature in
    // kelvin, or in degrees Rankine for a Fahrenheit stream (unit code 2).
    double PcritIn(std::int32_t pressureUnit) const;
    double TcritIn(std::int32_t temperatureUnit) const;

    // These constants as the component takes them. The component refuses a
    // negative acentric factor (a stream ignores one and keeps 0), which the
    // quantum gases hydrogen and helium have: 0 is used instead, and warning
    // says so for the gas called name; otherwise warning is left empty.
    CriticalConstants ForComponent(const std::string& name, std::string& warning) const;
};

}  // namespace tarnel
