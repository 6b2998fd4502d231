#include "service/host/ProgramModule.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarnel {

std::string ProgramFolder() {
    if (const char* home = std::getenv("TARNEL_HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

void LogMessage(const std::string&) {}

bool FileExists(const std::string& strPath) {
    std::error_code ec;
    if (std::filesystem::is_directory(strPath, ec)) return false;
    std::ifstream in(strPath);
    return in.good();
}

}  // namespace tarnel
