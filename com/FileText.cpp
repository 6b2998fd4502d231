#include "com/FileText.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarnel {

bool ReadFileText(const std::string& path, std::string& text) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return !in.bad();
}

}  // namespace tarnel
