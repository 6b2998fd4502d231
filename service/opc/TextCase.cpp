#include "service/opc/TextCase.h"

#include <algorithm>
#include <cctype>

namespace tarnel {

namespace {

char Lower(unsigned char c) { return static_cast<char>(std::tolower(c)); }

}  // namespace

std::string LowerCase(const std::string& strText) {
    std::string strLower(strText.size(), '\0');
    std::transform(strText.begin(), strText.end(), strLower.begin(), Lower);
    return strLower;
}

bool SameText(const std::string& strA, const std::string& strB) {
    return std::equal(strA.begin(), strA.end(), strB.begin(), strB.end(),
                      [](unsigned char a, unsigned char b) { return Lower(a) == Lower(b); });
}

}  // namespace tarnel
