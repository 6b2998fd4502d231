#pragma once

namespace tarnel {

// The status page: one window's controls, laid out as the service window, kept
// up to date by the page itself. "%TOKEN%" is replaced by the action token, or
// by nothing for a read-only page.
extern const char* const kStatusPageHtml;

}  // namespace tarnel
