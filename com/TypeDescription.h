#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "com/Guid.h"
#include "com/ITypeLib.h"

namespace tarnel {

// A type library in its text form, one declaration per line ('#' starts a
// comment line; texts in double quotes):
//
//   library NAME {LIBID} MAJOR.MINOR LCID SYSKIND "help"
//   importlib FILE
//   interface NAME {IID} IDispatch|IUnknown [dual] [oleautomation] "help"
//     propget|propput DISPID NAME I2|I4|R4|R8|BOOL "help"
//   coclass NAME {CLSID} "help"
//     default INTERFACE
//
// Members belong to the interface above them and take its v-table slots in
// order after those of the base interface. A getter's parameter is "pVal"
// (out, retval); a setter's is unnamed (in).
struct TypeDescription {
    struct Member {
        MEMBERID memid = 0;
        INVOKEKIND kind = INVOKE_PROPERTYGET;  // or INVOKE_PROPERTYPUT
        std::string name;
        VARTYPE type = 0;
        std::string help;
        UINT slot = 0;  // v-table slot of the accessor
    };
    struct Type {
        TYPEKIND kind = TKIND_INTERFACE;  // or TKIND_COCLASS
        std::string name;
        GUID guid{};
        std::string help;
        bool dual = false;
        bool oleAutomation = false;
        bool fromIDispatch = false;
        std::vector<Member> members;   // interfaces
        std::string defaultInterface;  // coclasses
    };

    std::string name;
    GUID libid{};
    WORD major = 0;
    WORD minor = 0;
    LCID lcid = 0;
    SYSKIND syskind = SYS_WIN32;
    std::string help;
    std::vector<std::string> imports;
    std::vector<Type> types;

    // nullptr when the text is not a valid description.
    static std::unique_ptr<TypeDescription> Parse(std::string_view text);
};

}  // namespace tarnel
