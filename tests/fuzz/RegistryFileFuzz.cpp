// The registry file as a user may have edited it. What reads must write back
// to a text that reads again to the same text.
#include <cstdint>
#include <cstdlib>

#include "com/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto root =
        tarnel::RegistryFile::Parse({reinterpret_cast<const char*>(data), size});
    if (!root) return 0;
    const std::string text = tarnel::RegistryFile::Serialize(*root);
    const auto again = tarnel::RegistryFile::Parse(text);
    if (!again || tarnel::RegistryFile::Serialize(*again) != text) std::abort();
    return 0;
}
