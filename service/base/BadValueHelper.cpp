#include "service/base/BadValueHelper.h"

#include <cmath>
#include <limits>

namespace tarnel {

float BadValueHelper::BadValue() const { return std::numeric_limits<float>::quiet_NaN(); }

std::int32_t BadValueHelper::IsBadValue(float rVal) const { return std::isfinite(rVal) ? 0 : 1; }

}  // namespace tarnel
