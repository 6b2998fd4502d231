#pragma once
#include <gtest/gtest.h>

#include "service/automation/Variant.h"

namespace tarnel::test {

// A table value as the single the host reads from it; the conversion must succeed.
inline float Single(const Variant& value) {
    float rVal = 0.0f;
    EXPECT_EQ(value.ToSingle(rVal), S_OK);
    return rVal;
}

}  // namespace tarnel::test
