#pragma once
#include <benchmark/benchmark.h>

#include "eos/IGas.h"

namespace tarnel {

// One state of a gas and the step cap a caller asks for.
struct StatePoint {
    double T, P, Tc, Pc, omega;
    short maxIterations;
};

// One evaluation made exactly as a stream makes it: seven settings, Z and the
// two volumes, kept from the optimiser.
inline void EvaluateAsAStream(IGas* gas, const StatePoint& s) {
    double z = 0, vapour = 0, liquid = 0;
    gas->put_AcentricFactor(s.omega);
    gas->put_MaxIterations(s.maxIterations);
    gas->put_MinAccuracy(0.00001);
    gas->put_P_barA(s.P);
    gas->put_T_K(s.T);
    gas->put_Pcrit_barA(s.Pc);
    gas->put_Tcrit_K(s.Tc);
    gas->get_Z(&z);
    gas->get_VapourVolume(&vapour);
    gas->get_LiquidVolume(&liquid);
    benchmark::DoNotOptimize(z);
    benchmark::DoNotOptimize(vapour);
    benchmark::DoNotOptimize(liquid);
}

}  // namespace tarnel
