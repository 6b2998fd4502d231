#include <gtest/gtest.h>

#include <random>

#include "component/RegistryScript.h"
#include "component/Resources.h"

namespace tarnel {
namespace {

// Random scripts built from the language's own pieces, mutated real scripts
// and raw bytes: the interpreter must answer every one with a code.
std::string RandomScript(std::mt19937& rng) {
    static const std::vector<std::string> kPieces = {
        "HKCR",     "HKCU",  "hklm",    "HKEY_USERS", "{",       "}",           "=",
        "s",        "d",     "b",       "x",          "val",     "ForceRemove", "NoRemove",
        "Delete",   "CLSID", "TypeLib", "'quoted'",   "'it''s'", "'",           "''",
        "%MODULE%", "%%",    "%",       "%NOPE%",     "0a1b",    "123",         "4294967296",
        "Key",      "A\\B",  "\r\n",    "\t",         " ",       "{x}",         "a=b"};
    std::string out;
    std::uniform_int_distribution<int> kind(0, 9), length(0, 60), byte(0, 255);
    int n = length(rng);
    for (int i = 0; i < n; ++i) {
        if (kind(rng) == 0) {
            out += static_cast<char>(byte(rng));
        } else {
            out += kPieces[std::uniform_int_distribution<std::size_t>(0, kPieces.size() - 1)(rng)];
            out += ' ';
        }
    }
    return out;
}

std::string Mutated(std::mt19937& rng) {
    std::string s(kGasRegistryScript);
    std::uniform_int_distribution<int> count(1, 4), byte(0, 255);
    for (int i = count(rng); i > 0; --i) {
        std::size_t at = std::uniform_int_distribution<std::size_t>(0, s.size() - 1)(rng);
        switch (count(rng)) {
            case 1:
                s.erase(at, 1);
                break;
            case 2:
                s.insert(at, 1, static_cast<char>(byte(rng)));
                break;
            case 3:
                s.resize(at);
                break;
            default:
                s[at] = static_cast<char>(byte(rng));
                break;
        }
        if (s.empty()) break;
    }
    return s;
}

TEST(RegistryScriptFuzzTest, EveryScriptGetsAnAnswer) {
    std::mt19937 rng(20261207);
    ScriptReplacements map{{"Module", ModuleReplacement("/m/it's.so")}};
    for (int i = 0; i < 20000; ++i) {
        std::string script = i % 2 == 0 ? RandomScript(rng) : Mutated(rng);
        RegistryKey root;
        HRESULT first = RegistryScript(script, root).Run(map, true);
        HRESULT second = RegistryScript(script, root).Run(map, false);
        EXPECT_TRUE(first == S_OK || FAILED(first)) << script;
        EXPECT_TRUE(second == S_OK || FAILED(second)) << script;
    }
}

}  // namespace
}  // namespace tarnel
