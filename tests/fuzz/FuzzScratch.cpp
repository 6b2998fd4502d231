#include "tests/fuzz/FuzzScratch.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarnel {

namespace {

// Made on first use, removed with its contents when the program ends.
struct TempFolder {
    TempFolder() {
        if (mkdtemp(path.data()) == nullptr) std::abort();
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string path = "/tmp/tarnel-fuzz-XXXXXX";
};

}  // namespace

const std::string& FuzzScratch::Folder() {
    static const TempFolder folder;
    return folder.path;
}

std::string FuzzScratch::InputFile(const std::uint8_t* data, std::size_t size) {
    const std::string path = Folder() + "/input";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

std::string_view TakeLine(std::string_view& text) {
    const auto nEnd = text.find('\n');
    const auto line = text.substr(0, nEnd);
    text.remove_prefix(nEnd == std::string_view::npos ? text.size() : nEnd + 1);
    return line;
}

}  // namespace tarnel

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TARNEL_HOME", tarnel::FuzzScratch::Folder().c_str(), 1);
    return 0;
}
