#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "com/Bstr.h"
#include "com/Variant.h"

namespace tarnel {
namespace {

VARIANT Make(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}

VARIANT R8(double d) {
    VARIANT v = Make(VT_R8);
    v.dblVal = d;
    return v;
}

VARIANT Text(const char* s) {
    VARIANT v = Make(VT_BSTR);
    v.bstrVal = BstrFromUtf8(s);
    return v;
}

// Table rows keep texts as plain strings; the test makes the BSTR.
VARIANT TextRow(const char* s) {
    VARIANT v = Make(VT_BSTR);
    v.byref = const_cast<char*>(s);
    return v;
}

TEST(VariantTest, HasTheAutomationLayout) {
    EXPECT_EQ(sizeof(VARIANT), 24u);
    EXPECT_EQ(offsetof(VARIANT, dblVal), 8u);
}

struct ToI2Case {
    const char* name;
    VARIANT source;
    HRESULT hr;
    short value;
};

void PrintTo(const ToI2Case& c, std::ostream* os) { *os << c.name; }

class ToI2 : public ::testing::TestWithParam<ToI2Case> {};

TEST_P(ToI2, ConvertsAsAutomationDoes) {
    ToI2Case c = GetParam();
    VARIANT source =
        c.source.vt == VT_BSTR ? Text(static_cast<const char*>(c.source.byref)) : c.source;
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &source, 0, VT_I2), c.hr);
    if (c.hr == S_OK) {
        EXPECT_EQ(out.vt, VT_I2);
        EXPECT_EQ(out.iVal, c.value);
    }
    VariantClear(&source);
}

VARIANT I4(std::int32_t n) {
    VARIANT v = Make(VT_I4);
    v.lVal = n;
    return v;
}

VARIANT Bool(bool b) {
    VARIANT v = Make(VT_BOOL);
    v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToI2,
    ::testing::Values(ToI2Case{"I4", I4(25), S_OK, 25},
                      ToI2Case{"HalfRoundsToEvenDown", R8(2.5), S_OK, 2},
                      ToI2Case{"HalfRoundsToEvenUp", R8(3.5), S_OK, 4},
                      ToI2Case{"Negative", R8(-1.5), S_OK, -2},
                      ToI2Case{"Overflow", I4(40000), DISP_E_OVERFLOW, 0},
                      ToI2Case{"NaN", R8(std::nan("")), DISP_E_OVERFLOW, 0},
                      ToI2Case{"Text", TextRow(" 17"), S_OK, 17},
                      ToI2Case{"BadText", TextRow("17x"), DISP_E_TYPEMISMATCH, 0},
                      ToI2Case{"EmptyText", TextRow(""), DISP_E_TYPEMISMATCH, 0},
                      ToI2Case{"Empty", Make(VT_EMPTY), S_OK, 0},
                      ToI2Case{"Null", Make(VT_NULL), DISP_E_TYPEMISMATCH, 0},
                      ToI2Case{"True", Bool(true), S_OK, -1},
                      ToI2Case{"Unknown", Make(VT_UNKNOWN), DISP_E_TYPEMISMATCH, 0},
                      ToI2Case{"UnsupportedTag", Make(0x77), DISP_E_BADVARTYPE, 0}));

TEST(VariantTest, ReadsThroughReferences) {
    double d = 301.5;
    VARIANT ref = Make(VT_R8 | VT_BYREF);
    ref.byref = &d;
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_R8), S_OK);
    EXPECT_EQ(out.dblVal, 301.5);

    VARIANT inner = I4(7);
    VARIANT refVariant = Make(VT_VARIANT | VT_BYREF);
    refVariant.byref = &inner;
    ASSERT_EQ(VariantChangeType(&out, &refVariant, 0, VT_R8), S_OK);
    EXPECT_EQ(out.dblVal, 7.0);

    VARIANT nullRef = Make(VT_I4 | VT_BYREF);
    EXPECT_EQ(VariantChangeType(&out, &nullRef, 0, VT_R8), E_INVALIDARG);
}

TEST(VariantTest, ChangesInPlaceAndFreesTheOldString) {
    VARIANT v = Text("1e-3");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_R8), S_OK);
    EXPECT_EQ(v.vt, VT_R8);
    EXPECT_EQ(v.dblVal, 0.001);
}

TEST(VariantTest, LargeIntegersKeepEveryDigit) {
    VARIANT v = Make(VT_I8);
    v.llVal = std::numeric_limits<std::int64_t>::max();
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &v, 0, VT_I8), S_OK);
    EXPECT_EQ(out.llVal, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_I4), DISP_E_OVERFLOW);
}

TEST(BstrTest, KeepsLengthAndConvertsUtf8) {
    BSTR b = BstrFromUtf8(
        "T \xC2\xB0"
        "C \xF0\x9F\x98\x80");
    EXPECT_EQ(SysStringLen(b), 7u);  // the last character takes a surrogate pair
    EXPECT_EQ(Utf8FromUtf16({b, SysStringLen(b)}),
              "T \xC2\xB0"
              "C \xF0\x9F\x98\x80");
    SysFreeString(b);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

}  // namespace
}  // namespace tarnel
