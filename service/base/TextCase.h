#pragma once
#include <string>

namespace tarnel {

// Names compared without regard to ASCII capitals: ProgIDs, node names,
// item and stream names, INI sections and keys, unit texts.
bool SameText(const std::string& strA, const std::string& strB);

// The text with its ASCII capitals made small; other bytes as they are.
std::string LowerCase(std::string strText);

}  // namespace tarnel
