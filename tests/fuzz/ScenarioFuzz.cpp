// A simulation scenario file, read and checked as the simulation server does.
#include <cstdint>

#include "service/opc/SimulationScenario.h"
#include "tests/fuzz/FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto scenario =
        tarnel::SimulationScenario::Load(tarnel::FuzzScratch::InputFile(data, size));
    (void)scenario.Script("P1");
    return 0;
}
