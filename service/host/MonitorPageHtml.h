#pragma once

namespace tarnel {

// The monitoring page: every stream in one table that follows /api/streams
// every second, and the chosen stream's trend drawn with dygraphs.
extern const char* const kMonitorPageHtml;

}  // namespace tarnel
