#include "service/base/StopRequest.h"

#include <atomic>

namespace tarnel {

namespace {

std::atomic<bool> g_bStopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set in a signal handler");

}  // namespace

void StopRequest::Raise() noexcept { g_bStopRequested.store(true); }

bool StopRequest::Raised() noexcept { return g_bStopRequested.load(std::memory_order_relaxed); }

void StopRequest::Clear() noexcept { g_bStopRequested.store(false); }

}  // namespace tarnel
