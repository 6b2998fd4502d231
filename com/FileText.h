#pragma once
#include <string>

namespace tarnel {

// Reads the whole regular file at path into text; false when it is no regular
// file or cannot be read.
bool ReadFileText(const std::string& path, std::string& text);

}  // namespace tarnel
