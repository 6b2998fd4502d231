#pragma once
#include <string>

namespace tarnel {

// Names that the automation layer compares without regard to capitals: ProgIDs
// and node names.
bool SameText(const std::string& strA, const std::string& strB);

}  // namespace tarnel
