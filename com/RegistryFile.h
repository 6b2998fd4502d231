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
//
// A key path holds at most kMaxDepth names, its root key's included; a file
// with a deeper one is refused, so that everything that walks the tree meets
// a bounded depth. Neither direction recurses per level.
class RegistryFile {
public:
    static constexpr std::size_t kMaxDepth = 512;

    static std::string Serialize(const RegistryKey& root);
    // nullptr when the text is not a registry file.
    static std::unique_ptr<RegistryKey> Parse(std::string_view text);
    // The same; error then says why, as "<name>:<line>: <reason>".
    static std::unique_ptr<RegistryKey> Parse(std::string_view text, std::string_view name,
                                              std::string& error);
};

}  // namespace tarnel
