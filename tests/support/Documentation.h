#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "com/Bstr.h"

namespace tarnel::test {

// The name and help string of a type library (index -1) or of one of its
// members, as GetDocumentation gives them; empty texts when the call fails.
template <typename TypeInfoOrLib, typename Id>
std::pair<std::string, std::string> Documentation(TypeInfoOrLib* source, Id id) {
    BSTR name = nullptr, doc = nullptr;
    EXPECT_EQ(source->GetDocumentation(id, &name, &doc, nullptr, nullptr), S_OK);
    std::pair<std::string, std::string> texts{Utf8FromUtf16(name), Utf8FromUtf16(doc)};
    SysFreeString(name);
    SysFreeString(doc);
    return texts;
}

}  // namespace tarnel::test
