#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "com/RegistryKey.h"

namespace tarnel {

// The registry's text form, one line per key and per value, keys in sorted
// order so that two files diff cleanly:
//
//   HKEY_CLASSES_ROOT\Pellonar.Gas
//   	@ = sz "Gas Class"
//   	"Count" = dword 7
//   	"Blob" = binary 01ab
//
// Key lines carry the full path; bytes below 0x20, 0x7F and '%' in key names
// (and ';', which starts a comment) are written as %XX. Value names and texts are in double quotes
// with \\, \" and \xNN escapes.
class RegistryFile {
public:
    static std::string Serialize(const RegistryKey& root);
    // nullptr when the text is not a registry file.
    static std::unique_ptr<RegistryKey> Parse(std::string_view text);
};

}  // namespace tarnel
