#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* One read of the component's Z written out as plain C: the input check, the
   coefficients, the cubic with its Newton iteration and deflation, the root
   selection and Z, with the same operations in the same order, so that Z, the
   volumes (internal unit, 10 cm3/mol) and the step count agree to the bit.
   vapour, liquid and numIterations are the state the component keeps: left as
   they are where the component leaves its own. */
double PlainPengRobinsonZ(double T, double P, double Tc, double Pc, double omega, int maxIterations,
                          double tolerance, double* vapour, double* liquid, int* numIterations);

#ifdef __cplusplus
}
#endif
