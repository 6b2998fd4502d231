#pragma once
#include <cstdint>

namespace tarnel {

// Supplies the marker stored in place of an unusable reading and recognises
// unusable readings: the marker is a quiet NaN, and every NaN or infinity is bad.
class BadValueHelper {
public:
    float BadValue() const;
    std::int32_t IsBadValue(float rVal) const;
};

}  // namespace tarnel
