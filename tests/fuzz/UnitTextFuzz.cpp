// A stream's engineering-unit texts, pressure on the first line and
// temperature on the second, as the stream file gives them.
#include <cstdint>
#include <string>

#include "service/streams/TarnelTag.h"
#include "tests/fuzz/FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tarnel::StreamServices services;
    tarnel::TarnelTag tag(services);
    tag.EuPressure(std::string(tarnel::TakeLine(text)));
    tag.EuTemperature(std::string(tarnel::TakeLine(text)));
    tag.Pcrit(46.0);
    tag.Tcrit(190.6);
    tag.CalculateZ();
    return 0;
}
