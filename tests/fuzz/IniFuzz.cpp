// An INI file: a section and a key name on the first two lines, the file's
// text after them. A value set must read back, and a second value leaves the
// first one alone.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "service/config/IniFile.h"
#include "tests/fuzz/FuzzScratch.h"

namespace {

bool PlainName(std::string_view name) {
    if (name.empty()) return false;
    for (const unsigned char c : name) {
        if (std::isalnum(c) == 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string section(tarnel::TakeLine(text));
    const std::string key(tarnel::TakeLine(text));
    tarnel::IniFile ini{std::string(text)};
    (void)ini.Value(section, key);
    if (!PlainName(section) || !PlainName(key)) return 0;
    ini.SetValue(section, key, "first");
    ini.SetValue(section, key + "2", "second");
    const tarnel::IniFile again(ini.Text());
    if (again.Value(section, key) != "first" || again.Value(section, key + "2") != "second") {
        std::abort();
    }
    return 0;
}
