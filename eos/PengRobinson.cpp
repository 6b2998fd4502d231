#include "eos/PengRobinson.h"

#include <cmath>

namespace tarnel {

namespace {

constexpr double kR = 8.3145;
constexpr double kTwoR = 16.629;
// Both formed left to right in double arithmetic, as the published figures were.
constexpr double kA = 0.45724 * kR * kR;  // 31.60941740271
constexpr double kB = 0.0778 * kR;        // 0.6468681000000001
constexpr double kSixth = 0.16666666666666666;

double Horner(double v, double c0, double c1, double c2) { return ((v + c2) * v + c1) * v + c0; }

}  // namespace

double PengRobinson::Evaluate() {
    // Order of the comparisons is fixed; NaN passes here and is caught by the
    // solver's own guard (critical values, T) or yields a NaN Z (P, omega).
    if (Pc <= 0 || Tc <= 0 || P <= 0 || T <= 0 || Omega < 0) return -1.0;
    return SolvePengRobinson();
}

double PengRobinson::SolvePengRobinson() {
    if (!(Tc > 0) || !(Pc > 0)) return -1.0;
    const double Tr = T / Tc;
    if (!(Tr >= 0)) return -1.0;

    const double kappa = 0.37464 + Omega * (1.54226 - 0.26992 * Omega);
    const double s = 1 + kappa * (1 - std::sqrt(Tr));
    const double a = kA * Tc * Tc / Pc * (s * s);
    const double b = kB * Tc / Pc;
    const double RT = kR * T;
    const double bP = b * P;

    double c3 = P;
    double c2 = bP - RT;
    double c1 = a - b * (kTwoR * T + 3 * bP);
    double c0 = b * (b * (RT + bP) - a);

    double x = 0, y = 0, z = 0;
    switch (SolveCubic(c0, c1, c2, c3, x, y, z)) {
        case 1:
            Vv = x;
            Vl = 0;
            break;
        case 3:
            Vv = y > z ? y : z;
            Vl = y < z ? y : z;
            break;
        default:
            break;
    }
    return T > 0 ? Vv * P / (kR * T) : -1.0;
}

int PengRobinson::SolveCubic(double& c0, double& c1, double& c2, double& c3, double& x, double& y,
                             double& z) {
    if (c3 == 0) return 0;
    // The solution works on values, not on the references, which may alias
    // one another and would make every coefficient a store and a reload.
    const double n0 = c0 / c3, n1 = c1 / c3, n2 = c2 / c3;
    c0 = n0;
    c1 = n1;
    c2 = n2;
    c3 = 1;

    const double A = 2 * n2;
    const double B = n1;
    const double D = A * A - 12 * B;
    if (D <= 0) {
        x = Newton(-0.25 * n0, A, B, n0, n1, n2);
        return 1;
    }

    const double root = std::sqrt(D);
    const double xL = (-A - root) * kSixth;  // local maximum
    const double xR = (root - A) * kSixth;   // local minimum
    const double h = Horner(xL, n0, n1, n2);
    const double g = Horner(xR, n0, n1, n2);
    double found = 0;
    if (h == 0) {
        found = xL;
    } else if (g == 0) {
        found = xR;
    } else if (g * h > 0) {
        x = Newton(h >= 0 ? xL - 1 : xR + 1, A, B, n0, n1, n2);
        return 1;
    } else {
        found = Newton(xL + (xR - xL) * h / (h - g), A, B, n0, n1, n2);
    }
    double low = 0, high = 0;
    DeflateCubic(n0, n1, 1, found, low, high);
    x = found;
    y = low;
    z = high;
    return 3;
}

// Undamped Newton. The residual tested is that of the point before the step, so
// the returned point is one step beyond the one that passed; running out of
// steps is not an error. The limits are read once, not on every step.
double PengRobinson::Newton(double x, double A, double B, double c0, double c1, double c2) {
    const std::int32_t maxIterations = MaxIterations;
    const double tolerance = Tolerance;
    std::int32_t i = 0;
    double m = 0;
    do {
        m = Horner(x, c0, c1, c2);
        x = x - m / ((3 * x + A) * x + B);
        ++i;
    } while (i < maxIterations && std::fabs(m) > tolerance);
    NumIterations = i;
    return x;
}

void PengRobinson::DeflateCubic(double c0, double c1, double c3, double x, double& y, double& z) {
    const double q = -c0 / x;
    const double p1 = (q - c1) / x;
    const double disc = p1 * p1 - 4 * c3 * q;
    if (disc < 0) {
        y = z = 0;
        return;
    }
    const double root = std::sqrt(disc);
    y = (-p1 - root) / (2 * c3);
    z = (root - p1) / (2 * c3);
}

}  // namespace tarnel
