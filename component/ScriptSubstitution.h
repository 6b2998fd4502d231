#pragma once
#include <map>
#include <string>
#include <string_view>

#include "com/HResult.h"
#include "com/RegistryKey.h"

namespace tarnel {

// Names and values that a registry script refers to as %Name%.
using ScriptReplacements = std::map<std::string, std::string, RegistryNameLess>;

// Replaces every %Name% by its value (names compare without regard to case)
// and "%%" by "%". E_FAIL for a name of 32 or more characters,
// DISP_E_EXCEPTION for an unknown name or a "%" without its partner.
HRESULT SubstituteScript(std::string_view script, const ScriptReplacements& replacements,
                         std::string& out);

// The value of %Module%: the module path with every apostrophe doubled, so
// that it survives a quoted token.
std::string ModuleReplacement(const std::string& modulePath);

}  // namespace tarnel
