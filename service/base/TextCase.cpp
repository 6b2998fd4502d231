#include "service/base/TextCase.h"

#include <algorithm>
#include <cctype>

namespace tarnel {

namespace {

char Lower(unsigned char c) { return static_cast<char>(std::tolower(c)); }

}  // namespace

bool SameText(const std::string& strA, const std::string& strB) {
    return std::equal(strA.begin(), strA.end(), strB.begin(), strB.end(),
                      [](unsigned char a, unsigned char b) { return Lower(a) == Lower(b); });
}

std::string LowerCase(std::string strText) {
    for (char& c : strText) c = Lower(static_cast<unsigned char>(c));
    return strText;
}

}  // namespace tarnel
