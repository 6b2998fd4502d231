#include <gtest/gtest.h>

#include <cstddef>

#include "com/Guid.h"
#include "eos/IGas.h"

namespace tarnel {
namespace {

TEST(GuidTest, HasTheWindowsLayout) {
    EXPECT_EQ(sizeof(GUID), 16u);
    EXPECT_EQ(offsetof(GUID, Data2), 4u);
    EXPECT_EQ(offsetof(GUID, Data3), 6u);
    EXPECT_EQ(offsetof(GUID, Data4), 8u);
}

TEST(GuidTest, RoundTripsThroughTheRegistryForm) {
    EXPECT_EQ(StringFromGUID(IID_IGas), "{36C1CFCD-CB93-11D5-9D92-0000E81259B9}");
    EXPECT_EQ(GUIDFromString("{36c1cfcd-cb93-11d5-9d92-0000e81259b9}"), IID_IGas);
    EXPECT_EQ(StringFromGUID(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
}

TEST(GuidTest, RefusesMalformedText) {
    for (const char* bad :
         {"", "36C1CFCD-CB93-11D5-9D92-0000E81259B9", "{36C1CFCD-CB93-11D5-9D92-0000E81259B9",
          "{36C1CFCD-CB93-11D5-9D92-0000E81259BZ}", "{36C1CFCDXCB93-11D5-9D92-0000E81259B9}",
          "{36C1CFCD-CB93-11D5-9D92-0000E81259B9}x"}) {
        EXPECT_FALSE(GUIDFromString(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace tarnel
