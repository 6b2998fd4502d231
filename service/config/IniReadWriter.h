#pragma once
#include <string>

namespace tarnel {

// Stateless access to one value of an INI file; every call names its file.
// Reading never fails: a missing file, section or key gives Default. Values
// come back with at most 127 characters.
class IniReadWriter {
public:
    std::string GetProfile(const std::string& Section, const std::string& Key,
                           const std::string& Default, const std::string& FileName) const;

    // Stores Value, creating the file, the section or the key as needed. The file
    // is replaced atomically and keeps every other line; a failed write leaves
    // the file as it was and is logged, once until the file is written again.
    void WriteProfile(const std::string& Section, const std::string& Key, const std::string& Value,
                      const std::string& FileName) const;
};

}  // namespace tarnel
