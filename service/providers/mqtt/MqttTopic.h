#pragma once
#include <string_view>

#include "com/HResult.h"

namespace tarnel {

// Whether a topic can be subscribed as one item: S_OK, or the per-item error
// AddItems reports for it. An item is one topic, so wildcards are refused.
HRESULT CheckTopic(std::string_view strTopic);

}  // namespace tarnel
