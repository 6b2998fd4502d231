#pragma once
#include <cstdint>

#include "eos/NewtonLimits.h"

namespace tarnel {

// The Peng-Robinson solver on the state of one gas. Internal molar volumes are
// in J/(mol*bar) = 10 cm3/mol. Plain arithmetic: no allocation, no platform.
class PengRobinson {
public:
    double T = 288.15;   // K
    double P = 1.01325;  // bar absolute
    double Tc = -1.0;    // K, -1 = not set
    double Pc = -1.0;    // bar absolute, -1 = not set
    double Omega = 0.0;  // acentric factor
    std::int32_t MaxIterations = 20;
    double Tolerance = kNewtonTolerance;  // absolute bound on the residual of the normalised cubic
    std::int32_t NumIterations = 0;
    double Vv = 0.0;  // vapour volume of the last good evaluation
    double Vl = 0.0;  // liquid volume of the last good evaluation

    // The whole evaluation behind a read of Z: input check, then the solution.
    // Returns Z, or -1.0 for refused inputs (volumes and step count then keep
    // their values).
    double Evaluate();

    // Builds the coefficients, solves the cubic, selects the roots and returns Z.
    double SolvePengRobinson();

    // Solves c3*V^3 + c2*V^2 + c1*V + c0 = 0; the coefficients are normalised in
    // place. Returns the number of roots delivered in x, y, z: 0, 1 or 3.
    int SolveCubic(double& c0, double& c1, double& c2, double& c3, double& x, double& y, double& z);

    // With x a root of the normalised cubic, writes the two roots of the
    // remaining quadratic to y <= z (both 0 when they are complex).
    static void DeflateCubic(double c0, double c1, double c3, double x, double& y, double& z);

private:
    double Newton(double x, double A, double B, double c0, double c1, double c2);
};

}  // namespace tarnel
