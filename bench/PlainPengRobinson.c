#include "bench/PlainPengRobinson.h"

#include <math.h>

double PlainPengRobinsonZ(double T, double P, double Tc, double Pc, double omega, int maxIterations,
                          double tolerance, double* vapour, double* liquid, int* numIterations) {
    if (Pc <= 0 || Tc <= 0 || P <= 0 || T <= 0 || omega < 0) return -1.0;
    if (!(Tc > 0) || !(Pc > 0)) return -1.0;
    const double Tr = T / Tc;
    if (!(Tr >= 0)) return -1.0;

    const double kappa = 0.37464 + omega * (1.54226 - 0.26992 * omega);
    const double s = 1 + kappa * (1 - sqrt(Tr));
    const double a = 0.45724 * 8.3145 * 8.3145 * Tc * Tc / Pc * (s * s);
    const double b = 0.0778 * 8.3145 * Tc / Pc;
    const double RT = 8.3145 * T;
    const double bP = b * P;
    double c3 = P;
    double c2 = bP - RT;
    double c1 = a - b * (16.629 * T + 3 * bP);
    double c0 = b * (b * (RT + bP) - a);

    int roots = 0;
    double x = 0, y = 0, z = 0;
    if (c3 != 0) {
        c0 /= c3;
        c1 /= c3;
        c2 /= c3;
        c3 = 1;
        const double A = 2 * c2;
        const double B = c1;
        const double D = A * A - 12 * B;
        int newton = 1;
        roots = 3;
        if (D <= 0) {
            x = -0.25 * c0;
            roots = 1;
        } else {
            const double root = sqrt(D);
            const double xL = (-A - root) * 0.16666666666666666;
            const double xR = (root - A) * 0.16666666666666666;
            const double h = ((xL + c2) * xL + c1) * xL + c0;
            const double g = ((xR + c2) * xR + c1) * xR + c0;
            if (h == 0) {
                x = xL;
                newton = 0;
            } else if (g == 0) {
                x = xR;
                newton = 0;
            } else if (g * h > 0) {
                x = h >= 0 ? xL - 1 : xR + 1;
                roots = 1;
            } else {
                x = xL + (xR - xL) * h / (h - g);
            }
        }
        if (newton) {
            int i = 0;
            double m = 0;
            do {
                m = ((x + c2) * x + c1) * x + c0;
                x = x - m / ((3 * x + A) * x + B);
                ++i;
            } while (i < maxIterations && fabs(m) > tolerance);
            *numIterations = i;
        }
        if (roots == 3) {
            const double q = -c0 / x;
            const double p1 = (q - c1) / x;
            const double disc = p1 * p1 - 4 * c3 * q;
            if (disc < 0) {
                y = z = 0;
            } else {
                const double root = sqrt(disc);
                y = (-p1 - root) / (2 * c3);
                z = (root - p1) / (2 * c3);
            }
        }
    }
    if (roots == 1) {
        *vapour = x;
        *liquid = 0;
    } else if (roots == 3) {
        *vapour = y > z ? y : z;
        *liquid = y < z ? y : z;
    }
    return T > 0 ? *vapour * P / (8.3145 * T) : -1.0;
}
