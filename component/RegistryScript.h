#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "com/RegistryKey.h"
#include "component/ScriptLexer.h"
#include "component/ScriptSubstitution.h"

namespace tarnel {

// Runs a registry script against the registry tree (whose top-level keys are
// the root keys by their long names) in register or unregister mode.
//
// Register mode: ForceRemove and Delete first delete the key with its subtree
// (never "CLSID" or "TYPELIB"); Delete then skips the rest of the item; other
// keys are opened or created and given their default value; "val" sets a
// named value. A root block that fails is run again in unregister mode, so it
// leaves nothing behind, and the failure is returned.
//
// Unregister mode: a key that does not exist is skipped with its block;
// otherwise its block goes first, then the key is deleted if it has no
// subkeys left and no NoRemove mark holds (a mark holds from its key to the
// end of the block); "val" deletes the named value.
//
// A type letter is checked only where its value is set; items that set
// nothing (Delete, unregister mode) skip their assignment unread.
//
// Keys nest at most as deep as in the registry file (RegistryFile::kMaxDepth,
// the root key counted); a deeper key is a syntax error. Open blocks are kept
// on a stack of their own, so no nesting runs the parser out of stack.
class RegistryScript {
public:
    RegistryScript(std::string_view script, RegistryKey& root);

    HRESULT Run(const ScriptReplacements& replacements, bool bRegister);

private:
    enum class Mark { None, ForceRemove, NoRemove, Delete };
    struct Assignment {
        bool present = false;
        ScriptLexer::Token type;
        ScriptLexer::Token value;
    };

    // A block being read. A null key runs it for its syntax only: the key is
    // missing (unregister) or being skipped.
    struct OpenBlock {
        RegistryKey* key;
        RegistryKey* parent;  // holds key under name; null for a root block
        std::string name;
        bool noRemove = false;  // a NoRemove mark holds for the rest of the block
    };
    using Blocks = std::vector<OpenBlock>;

    HRESULT RootBlocks(bool bRegister);
    HRESULT Block(RegistryKey* key, bool bRegister);
    static void Close(Blocks& open, bool bRegister);
    static void RemoveIfEmpty(RegistryKey* parent, const std::string& name, RegistryKey* key,
                              bool noRemove);
    HRESULT Item(const ScriptLexer::Token& first, Blocks& open, bool bRegister);
    HRESULT ValueItem(RegistryKey* parent, bool bRegister);
    HRESULT KeyItem(Mark mark, const ScriptLexer::Token& name, Blocks& open, bool bRegister);
    // Register mode: opens or creates the key and sets its default value.
    static HRESULT SetKey(RegistryKey& parent, const std::string& name, const Assignment& a,
                          RegistryKey*& key);
    HRESULT ReadAssignment(Assignment& a);
    HRESULT NextToken(ScriptLexer::Token& token);
    static HRESULT Convert(const ScriptLexer::Token& type, const ScriptLexer::Token& value,
                           RegistryValue& out);

    std::string_view m_Script;
    std::string m_Text;
    ScriptLexer m_Lexer{""};
    RegistryKey& m_Root;
};

}  // namespace tarnel
