#include "component/ScriptSubstitution.h"

namespace tarnel {

HRESULT SubstituteScript(std::string_view script, const ScriptReplacements& replacements,
                         std::string& out) {
    constexpr std::size_t kLongestName = 31;
    out.clear();
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] != '%') {
            out += script[i];
            continue;
        }
        std::size_t close = script.find('%', i + 1);
        if (close == std::string_view::npos) return DISP_E_EXCEPTION;
        std::string name(script.substr(i + 1, close - i - 1));
        if (name.size() > kLongestName) return E_FAIL;
        if (name.empty()) {
            out += '%';
        } else {
            auto it = replacements.find(name);
            if (it == replacements.end()) return DISP_E_EXCEPTION;
            out += it->second;
        }
        i = close;
    }
    return S_OK;
}

std::string ModuleReplacement(const std::string& modulePath) {
    std::string out;
    for (char c : modulePath) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

}  // namespace tarnel
