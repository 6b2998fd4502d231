#pragma once
#include <string>

namespace tarnel {

// Names that the automation layer compares without regard to capitals: ProgIDs,
// node names, item names.
std::string LowerCase(const std::string& strText);
bool SameText(const std::string& strA, const std::string& strB);

}  // namespace tarnel
