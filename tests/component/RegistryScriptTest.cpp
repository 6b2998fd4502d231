#include <gtest/gtest.h>

#include "com/RegistryFile.h"
#include "component/RegistryScript.h"
#include "component/Resources.h"
#include "tests/com/TempRegistry.h"

namespace tarnel {
namespace {

constexpr char kHeader[] = "; Tarnel registry\n";

struct ScriptCase {
    const char* name;
    std::string script;
    bool bRegister;
    std::string before;  // registry file text without its header
    HRESULT hr;
    std::string after;
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

std::unique_ptr<RegistryKey> Tree(const std::string& text) { return RegistryFile::Parse(text); }

HRESULT RunScript(const std::string& script, bool bRegister, RegistryKey& root,
                  const std::string& module = "/opt/it's/libPellonar.so") {
    ScriptReplacements map{{"Module", ModuleReplacement(module)}};
    return RegistryScript(script, root).Run(map, bRegister);
}

class Scripts : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(Scripts, HaveTheirRegistryEffect) {
    const ScriptCase& c = GetParam();
    auto root = Tree(c.before);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(RunScript(c.script, c.bRegister, *root), c.hr);
    EXPECT_EQ(RegistryFile::Serialize(*root), kHeader + c.after);
}

const std::string kCR = "HKEY_CLASSES_ROOT\n";
const std::string kLongText(4095, 'x');

INSTANTIATE_TEST_SUITE_P(
    Register, Scripts,
    ::testing::Values(
        ScriptCase{"KeyWithDefaultValue", "HKCR { A = s 'x' }", true, "", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A\n\t@ = sz \"x\"\n"},
        ScriptCase{"NestedBlockAndNamedValue",
                   "HKCU\r\n{\r\n\tA\r\n\t{\r\n\t\tval N = s v\r\n\t\tB\r\n\t}\r\n}\r\n", true, "",
                   S_OK,
                   "HKEY_CURRENT_USER\nHKEY_CURRENT_USER\\A\n\t\"N\" = sz "
                   "\"v\"\nHKEY_CURRENT_USER\\A\\B\n"},
        ScriptCase{"RootNamesIgnoreCase", "hkey_local_machine { A } hkcc { B }", true, "", S_OK,
                   "HKEY_CURRENT_CONFIG\nHKEY_CURRENT_CONFIG\\B\nHKEY_LOCAL_MACHINE\nHKEY_LOCAL_"
                   "MACHINE\\A\n"},
        ScriptCase{"EveryShortRoot", "HKU { A } HKPD { B } HKDD { C }", true, "", S_OK,
                   "HKEY_DYN_DATA\nHKEY_DYN_DATA\\C\nHKEY_PERFORMANCE_DATA\nHKEY_PERFORMANCE_"
                   "DATA\\B\nHKEY_USERS\nHKEY_USERS\\A\n"},
        ScriptCase{"ModulePathAndPercent", "HKCR { A = s '%MODULE%' B = s '100%%' }", true, "",
                   S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A\n\t@ = sz "
                         "\"/opt/it's/libPellonar.so\"\nHKEY_CLASSES_ROOT\\B\n\t@ = sz \"100%\"\n"},
        ScriptCase{"QuotedNamesKeepSpacesAndQuotes", "HKCR { 'A B' = s 'it''s' 'val' }", true, "",
                   S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A B\n\t@ = sz \"it's\"\nHKEY_CLASSES_ROOT\\val\n"},
        ScriptCase{"SymbolsOnlyWhenSetOff", "HKCR { A=B = s {x} }", true, "", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A=B\n\t@ = sz \"{x}\"\n"},
        ScriptCase{"DwordAndBinary", "HKCR { A = d '4294967295' { val B = b '0aFF' val C = d 7 } }",
                   true, "", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A\n\t@ = dword 4294967295\n\t\"B\" = binary "
                         "0aff\n\t\"C\" = dword 7\n"},
        ScriptCase{"ForceRemoveReplacesTheSubtree", "HKCR { ForceRemove A { New } }", true,
                   "HKEY_CLASSES_ROOT\\A\\Old\\Deeper\n", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A\nHKEY_CLASSES_ROOT\\A\\New\n"},
        ScriptCase{"ClsidIsNeverForceRemoved", "HKCR { ForceRemove clsid { Mine } }", true,
                   "HKEY_CLASSES_ROOT\\CLSID\\Other\n", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\CLSID\nHKEY_CLASSES_ROOT\\CLSID\\Mine\nHKEY_CLASSES_"
                         "ROOT\\CLSID\\Other\n"},
        ScriptCase{
            "QuotedClsidAndTypeLibAreNeverDeleted",
            "HKCR { ForceRemove 'clsid' { Mine } Delete 'TYPELIB' }", true,
            "HKEY_CLASSES_ROOT\\CLSID\\Other\nHKEY_CLASSES_ROOT\\TypeLib\\X\n", S_OK,
            kCR +
                "HKEY_CLASSES_ROOT\\CLSID\nHKEY_CLASSES_ROOT\\CLSID\\Mine\nHKEY_CLASSES_"
                "ROOT\\CLSID\\Other\nHKEY_CLASSES_ROOT\\TypeLib\nHKEY_CLASSES_ROOT\\TypeLib\\X\n"},
        ScriptCase{"DeleteRemovesAndSkipsTheRest", "HKCR { Delete A = s 'x' { New } B }", true,
                   "HKEY_CLASSES_ROOT\\A\\Old\n", S_OK, kCR + "HKEY_CLASSES_ROOT\\B\n"},
        ScriptCase{"DeleteSkipsItsAssignmentUnread", "HKCR { Delete A = q 'x' B }", true,
                   "HKEY_CLASSES_ROOT\\A\\Old\n", S_OK, kCR + "HKEY_CLASSES_ROOT\\B\n"},
        ScriptCase{"TypeLibIsNeverDeleted", "HKCR { DELETE TypeLib }", true,
                   "HKEY_CLASSES_ROOT\\TYPELIB\\X\n", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\TYPELIB\nHKEY_CLASSES_ROOT\\TYPELIB\\X\n"},
        ScriptCase{"LongestQuotedToken", "HKCR { A = s '" + kLongText + "' }", true, "", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A\n\t@ = sz \"" + kLongText + "\"\n"},
        ScriptCase{"EmptyScript", " \r\n\t", true, "", S_OK, ""}));

INSTANTIATE_TEST_SUITE_P(
    Unregister, Scripts,
    ::testing::Values(
        ScriptCase{"DepthFirst", "HKCR { A = s 'x' { B C { D } } }", false,
                   "HKEY_CLASSES_ROOT\\A\\B\nHKEY_CLASSES_ROOT\\A\\C\\D\n", S_OK, kCR},
        ScriptCase{"ForeignSubkeysKeepTheirParent", "HKCR { A { B } }", false,
                   "HKEY_CLASSES_ROOT\\A\\B\nHKEY_CLASSES_ROOT\\A\\Foreign\n", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A\nHKEY_CLASSES_ROOT\\A\\Foreign\n"},
        ScriptCase{"NoRemoveHoldsToTheEndOfItsBlock", "HKCR { A NoRemove CLSID X }", false,
                   "HKEY_CLASSES_ROOT\\A\nHKEY_CLASSES_ROOT\\CLSID\nHKEY_CLASSES_ROOT\\X\n", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\CLSID\nHKEY_CLASSES_ROOT\\X\n"},
        ScriptCase{"NoRemoveStaysInsideItsBlock", "HKCR { P { NoRemove Q } R }", false,
                   "HKEY_CLASSES_ROOT\\P\\Q\nHKEY_CLASSES_ROOT\\R\n", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\P\nHKEY_CLASSES_ROOT\\P\\Q\n"},
        ScriptCase{"MissingKeySkipsItsBlock", "HKCR { Missing { B } A }", false,
                   "HKEY_CLASSES_ROOT\\A\nHKEY_CLASSES_ROOT\\B\n", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\B\n"},
        ScriptCase{"ValDeletesTheNamedValue", "HKCR { NoRemove A { val N = s '' } }", false,
                   "HKEY_CLASSES_ROOT\\A\n\t\"M\" = sz \"m\"\n\t\"N\" = sz \"n\"\n", S_OK,
                   kCR + "HKEY_CLASSES_ROOT\\A\n\t\"M\" = sz \"m\"\n"},
        ScriptCase{"MarksActAsPlainKeys", "HKCR { ForceRemove A Delete B = s 'x' }", false,
                   "HKEY_CLASSES_ROOT\\A\nHKEY_CLASSES_ROOT\\B\n", S_OK, kCR},
        ScriptCase{"AssignmentsAreSkippedUnread", "HKCR { A = q 'x' }", false,
                   "HKEY_CLASSES_ROOT\\A\n", S_OK, kCR},
        ScriptCase{"MissingRoot", "HKLM { A }", false, "", S_OK, ""}));

INSTANTIATE_TEST_SUITE_P(
    Errors, Scripts,
    ::testing::Values(
        ScriptCase{"UnknownRoot", "HKXX { A }", true, "", DISP_E_EXCEPTION, ""},
        ScriptCase{"RootWithoutBrace", "HKCR A", true, "", DISP_E_EXCEPTION, ""},
        ScriptCase{"UnexpectedEnd", "HKCR { A { B", true, "", DISP_E_EXCEPTION, kCR},
        ScriptCase{"MissingClosingQuote", "HKCR { 'A }", true, "", DISP_E_EXCEPTION, kCR},
        ScriptCase{"QuotedTokenTooLong", "HKCR { A = s '" + kLongText + "x' }", true, "",
                   DISP_E_EXCEPTION, kCR},
        ScriptCase{"BackslashInKeyName", "HKCR { 'A\\B' }", true, "", DISP_E_EXCEPTION, kCR},
        ScriptCase{"KeyNameTooLong", "HKCR { " + std::string(256, 'k') + " }", true, "",
                   DISP_E_EXCEPTION, kCR},
        ScriptCase{"BraceAsKeyName", "HKCR { { } }", true, "", DISP_E_EXCEPTION, kCR},
        ScriptCase{"UnknownType", "HKCR { A = x 'y' }", true, "", DISP_E_EXCEPTION, kCR},
        ScriptCase{"ForceRemoveDeletesBeforeTheAssignmentFails", "HKCR { ForceRemove A = q 'x' }",
                   true, "HKEY_CLASSES_ROOT\\A\\Old\n", DISP_E_EXCEPTION, kCR},
        ScriptCase{"OddBinary", "HKCR { A = b '123' }", true, "", E_FAIL, kCR},
        ScriptCase{"BadHexDigit", "HKCR { A { val V = b '0g' } }", true, "", E_FAIL, kCR},
        ScriptCase{"DwordNotANumber", "HKCR { A = d 'ten' }", true, "", DISP_E_TYPEMISMATCH, kCR},
        ScriptCase{"DwordTooLarge", "HKCR { A = d '4294967296' }", true, "", DISP_E_OVERFLOW, kCR},
        ScriptCase{"ValWithoutEquals", "HKCR { A { val N s 'x' } }", true, "", DISP_E_EXCEPTION,
                   kCR},
        ScriptCase{"ReplacementNameOf32", "HKCR { A = s '%ABCDEFGHIJKLMNOPQRSTUVWXYZ012345%' }",
                   true, "", E_FAIL, ""},
        ScriptCase{"UnknownReplacementOf31", "HKCR { A = s '%ABCDEFGHIJKLMNOPQRSTUVWXYZ01234%' }",
                   true, "", DISP_E_EXCEPTION, ""},
        ScriptCase{"UnterminatedPercent", "HKCR { A = s '%MODULE' }", true, "", DISP_E_EXCEPTION,
                   ""},
        ScriptCase{"FailedBlockIsRolledBack",
                   "HKCU { K } HKCR { A = s 'x' { B = s '1' C { D = b '123' } } }", true,
                   "HKEY_CLASSES_ROOT\\Keep\n", E_FAIL,
                   kCR + "HKEY_CLASSES_ROOT\\Keep\nHKEY_CURRENT_USER\nHKEY_CURRENT_USER\\K\n"},
        ScriptCase{"RollbackSparesNoRemoveKeys", "HKCR { NoRemove CLSID { Mine = q 'x' } }", true,
                   "HKEY_CLASSES_ROOT\\CLSID\n", DISP_E_EXCEPTION,
                   kCR + "HKEY_CLASSES_ROOT\\CLSID\n"},
        ScriptCase{"UnregisterStopsAtAnError", "HKCR { A 'B\\C' C }", false,
                   "HKEY_CLASSES_ROOT\\A\nHKEY_CLASSES_ROOT\\C\n", DISP_E_EXCEPTION,
                   kCR + "HKEY_CLASSES_ROOT\\C\n"}));

// HKCR and depth - 1 keys "k", each in the block of the one before.
std::string NestedScript(std::size_t depth) {
    std::string script = "HKCR {";
    for (std::size_t i = 1; i < depth; ++i) script += " k {";
    for (std::size_t i = 0; i < depth; ++i) script += " }";
    return script;
}

TEST(ScriptDepth, KeysNestAsDeepAsTheRegistryFileHolds) {
    for (const auto& [depth, hr] : {std::pair<std::size_t, HRESULT>{512, S_OK},
                                    {513, DISP_E_EXCEPTION},
                                    {200000, DISP_E_EXCEPTION}}) {
        RegistryKey root;
        EXPECT_EQ(RunScript(NestedScript(depth), true, root), hr) << depth;
        EXPECT_EQ(root.Find(NestedPath(512)) != nullptr, hr == S_OK) << depth;
        EXPECT_EQ(RunScript(NestedScript(depth), false, root), hr) << depth;
        EXPECT_EQ(RegistryFile::Serialize(root), kHeader + kCR) << depth;  // nothing left
    }
}

// The component's own script against a registry that already has other classes.
class GasScript : public ::testing::Test {
protected:
    const std::string kModule = "/opt/it's here/libPellonar.so";
    const std::string kClassKey =
        "HKEY_CLASSES_ROOT\\CLSID\\{36C1CFCE-CB93-11D5-9D92-0000E81259B9}";
    const std::string kRegistered =
        "HKEY_CLASSES_ROOT\n"
        "HKEY_CLASSES_ROOT\\CLSID\n" +
        kClassKey + "\n\t@ = sz \"Gas Class\"\n" + kClassKey +
        "\\InprocServer32\n\t@ = sz \"/opt/it's here/libPellonar.so\"\n"
        "\t\"ThreadingModel\" = sz \"Apartment\"\n" +
        kClassKey + "\\ProgID\n\t@ = sz \"Pellonar.Gas.1\"\n" + kClassKey + "\\Programmable\n" +
        kClassKey + "\\TypeLib\n\t@ = sz \"{36C1CFC1-CB93-11D5-9D92-0000E81259B9}\"\n" + kClassKey +
        "\\VersionIndependentProgID\n\t@ = sz \"Pellonar.Gas\"\n"
        "HKEY_CLASSES_ROOT\\CLSID\\{OTHER}\n"
        "HKEY_CLASSES_ROOT\\Pellonar.Gas\n\t@ = sz \"Gas Class\"\n"
        "HKEY_CLASSES_ROOT\\Pellonar.Gas\\CLSID\n\t@ = sz "
        "\"{36C1CFCE-CB93-11D5-9D92-0000E81259B9}\"\n"
        "HKEY_CLASSES_ROOT\\Pellonar.Gas\\CurVer\n\t@ = sz \"Pellonar.Gas.1\"\n"
        "HKEY_CLASSES_ROOT\\Pellonar.Gas.1\n\t@ = sz \"Gas Class\"\n"
        "HKEY_CLASSES_ROOT\\Pellonar.Gas.1\\CLSID\n\t@ = sz "
        "\"{36C1CFCE-CB93-11D5-9D92-0000E81259B9}\"\n";

    HRESULT Run(bool bRegister) {
        return RunScript(std::string(kGasRegistryScript), bRegister, *m_Root, kModule);
    }
    std::string State() const {
        return RegistryFile::Serialize(*m_Root).substr(sizeof kHeader - 1);
    }

    std::unique_ptr<RegistryKey> m_Root = Tree("HKEY_CLASSES_ROOT\\CLSID\\{OTHER}\n");
};

TEST_F(GasScript, RegistersTheClassTwiceWithTheSameEffect) {
    ASSERT_EQ(Run(true), S_OK);
    EXPECT_EQ(State(), kRegistered);
    ASSERT_EQ(Run(true), S_OK);
    EXPECT_EQ(State(), kRegistered);
}

TEST_F(GasScript, ForceRemoveClearsAHandAddedSubkey) {
    ASSERT_EQ(Run(true), S_OK);
    m_Root->CreatePath(kClassKey + "\\Added\\By hand");
    m_Root->CreatePath(kClassKey + "\\Programmable\\Inside");
    ASSERT_EQ(Run(true), S_OK);
    EXPECT_EQ(State(), kRegistered);
}

TEST_F(GasScript, UnregisterLeavesClsidAndOtherClasses) {
    ASSERT_EQ(Run(true), S_OK);
    ASSERT_EQ(Run(false), S_OK);
    EXPECT_EQ(State(),
              "HKEY_CLASSES_ROOT\nHKEY_CLASSES_ROOT\\CLSID\nHKEY_CLASSES_ROOT\\CLSID\\{OTHER}\n");
    ASSERT_EQ(Run(false), S_OK);  // nothing left to remove
}

TEST_F(GasScript, UnregisterAloneKeepsAnEmptyClsid) {
    m_Root = Tree("HKEY_CLASSES_ROOT\\CLSID\n");
    ASSERT_EQ(Run(true), S_OK);
    ASSERT_EQ(Run(false), S_OK);
    EXPECT_EQ(State(), "HKEY_CLASSES_ROOT\nHKEY_CLASSES_ROOT\\CLSID\n");
}

}  // namespace
}  // namespace tarnel
