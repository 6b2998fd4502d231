#pragma once
#include <cstddef>

namespace tarnel {

// The charting library of the monitoring page, Debian's libjs-dygraphs,
// built into the program so that the page needs nothing from the machine
// that serves it.
extern const unsigned char kDygraphsScript[];
extern const std::size_t kDygraphsScriptSize;
extern const unsigned char kDygraphsStyle[];
extern const std::size_t kDygraphsStyleSize;

}  // namespace tarnel
