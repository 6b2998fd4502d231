#include <gtest/gtest.h>

#include "com/Bstr.h"
#include "com/ITypeInfo.h"
#include "tests/support/Documentation.h"
#include "tests/support/TempRegistry.h"
#include "tests/component/PellonarLibrary.h"

namespace tarnel {
namespace {

using Docs = std::pair<std::string, std::string>;

struct Property {
    const char* name;
    DISPID id;
    HRESULT (IGas::*getR8)(double*);
    HRESULT (IGas::*putR8)(double);
    HRESULT (IGas::*getI2)(short*);
    HRESULT (IGas::*putI2)(short);
    double sample;
};

void PrintTo(const Property& p, std::ostream* os) { *os << p.name; }

// Every property of IGas with its DISPID and accessors.
const Property kProperties[] = {
    {"MaxIterations", 1, nullptr, nullptr, &IGas::get_MaxIterations, &IGas::put_MaxIterations, 7},
    {"MinAccuracy", 2, &IGas::get_MinAccuracy, &IGas::put_MinAccuracy, nullptr, nullptr, 1e-9},
    {"NumIterations", 3, nullptr, nullptr, &IGas::get_NumIterations, nullptr, 0},
    {"T_degC", 4, &IGas::get_T_degC, &IGas::put_T_degC, nullptr, nullptr, 26.85},
    {"P_barA", 5, &IGas::get_P_barA, &IGas::put_P_barA, nullptr, nullptr, 10},
    {"AcentricFactor", 6, &IGas::get_AcentricFactor, &IGas::put_AcentricFactor, nullptr, nullptr,
     0.152},
    {"Z", 7, &IGas::get_Z, nullptr, nullptr, nullptr, 0},
    {"Pcrit_barA", 8, &IGas::get_Pcrit_barA, &IGas::put_Pcrit_barA, nullptr, nullptr, 42.48},
    {"Tcrit_degC", 9, &IGas::get_Tcrit_degC, &IGas::put_Tcrit_degC, nullptr, nullptr, 96.68},
    {"Tcrit_K", 10, &IGas::get_Tcrit_K, &IGas::put_Tcrit_K, nullptr, nullptr, 369.83},
    {"LiquidVolume", 11, &IGas::get_LiquidVolume, nullptr, nullptr, nullptr, 0},
    {"VapourVolume", 12, &IGas::get_VapourVolume, nullptr, nullptr, nullptr, 0},
    {"T_K", 13, &IGas::get_T_K, &IGas::put_T_K, nullptr, nullptr, 300},
};

class DispatchTest : public ::testing::TestWithParam<Property> {
protected:
    void SetUp() override {
        ASSERT_EQ(m_Lib.RegisterServer(), S_OK);
        m_Gas = m_Lib.NewGas();
        // The propane point, so that the outputs carry real values.
        m_Gas->put_T_K(300);
        m_Gas->put_P_barA(10);
        m_Gas->put_Tcrit_K(369.83);
        m_Gas->put_Pcrit_barA(42.48);
        m_Gas->put_AcentricFactor(0.152);
        m_Gas->put_MinAccuracy(0.00001);
        double z = 0;
        m_Gas->get_Z(&z);
    }

    DISPID IdOf(const char* name) {
        std::u16string wide = Utf16FromUtf8(name);
        LPOLESTR names[] = {wide.data()};
        DISPID id = 0;
        EXPECT_EQ(m_Gas->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << name;
        return id;
    }

    HRESULT Get(DISPID id, VARIANT& result) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VariantInit(&result);
        return m_Gas->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                             nullptr);
    }

    HRESULT Put(DISPID id, VARIANT value) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        UINT argErr = 0;
        return m_Gas->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                             &argErr);
    }

    static VARIANT R8(double d) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_R8;
        v.dblVal = d;
        return v;
    }

    TempRegistry m_Temp;
    PellonarLibrary m_Lib;
    ComPtr<IGas> m_Gas;
};

TEST_P(DispatchTest, MatchesTheVtableByNameAndByDispid) {
    const Property& p = GetParam();
    EXPECT_EQ(IdOf(p.name), p.id);
    if (p.putR8 != nullptr) {
        ASSERT_EQ(Put(IdOf(p.name), R8(p.sample)), S_OK);
    } else if (p.putI2 != nullptr) {
        ASSERT_EQ(Put(p.id, R8(p.sample)), S_OK);
    }
    VARIANT byDispatch;
    ASSERT_EQ(Get(p.id, byDispatch), S_OK);
    if (p.getR8 != nullptr) {
        double direct = 0;
        ASSERT_EQ((m_Gas.Get()->*p.getR8)(&direct), S_OK);
        EXPECT_EQ(byDispatch.vt, VT_R8);
        EXPECT_EQ(byDispatch.dblVal, direct);
    } else {
        short direct = 0;
        ASSERT_EQ((m_Gas.Get()->*p.getI2)(&direct), S_OK);
        EXPECT_EQ(byDispatch.vt, VT_I2);
        EXPECT_EQ(byDispatch.iVal, direct);
    }
    if (p.id == 7) {
        EXPECT_NEAR(byDispatch.dblVal, 0.814626, 5e-7);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryProperty, DispatchTest, ::testing::ValuesIn(kProperties),
                         [](const auto& info) { return std::string(info.param.name); });

class DispatchErrorsTest : public DispatchTest {};

TEST_F(DispatchErrorsTest, ServesTypeInformation) {
    UINT count = 0;
    ASSERT_EQ(m_Gas->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(m_Gas->GetTypeInfo(0, 0, info.Put()), S_OK);
    EXPECT_EQ(test::Documentation(info.Get(), -1), Docs("IGas", "IGas Interface"));
    BSTR doc = nullptr;
    ASSERT_EQ(info->GetDocumentation(12, nullptr, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Utf8FromUtf16(doc), "property VapourVolume");
    SysFreeString(doc);
    EXPECT_EQ(m_Gas->GetTypeInfo(0, 0, nullptr), E_POINTER);
}

TEST_F(DispatchErrorsTest, FallsBackToTheTypeInfoForOtherSpellings) {
    EXPECT_EQ(IdOf("t_k"), 13);
    std::u16string wrong = u"Pressure";
    LPOLESTR names[] = {wrong.data()};
    DISPID id = 0;
    EXPECT_EQ(m_Gas->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(DispatchErrorsTest, ConvertsArgumentsAndRefusesWhatDoesNotFit) {
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = BstrFromUtf8("25");
    ASSERT_EQ(Put(4, text), S_OK);
    double t = 0;
    m_Gas->get_T_K(&t);
    EXPECT_DOUBLE_EQ(t, 298.15);
    VariantClear(&text);
    text.vt = VT_BSTR;
    text.bstrVal = BstrFromUtf8("warm");
    EXPECT_EQ(Put(4, text), DISP_E_TYPEMISMATCH);
    VariantClear(&text);
    EXPECT_EQ(Put(1, R8(40000)), DISP_E_OVERFLOW);
    EXPECT_EQ(Put(7, R8(1)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Put(99, R8(1)), DISP_E_MEMBERNOTFOUND);
    VARIANT r;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(m_Gas->Invoke(7, IID_IGas, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    VARIANT arg = R8(1);
    DISPPARAMS one{&arg, nullptr, 1, 0};
    EXPECT_EQ(m_Gas->Invoke(7, IID_NULL, 0, DISPATCH_PROPERTYGET, &one, &r, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    short n = 0;
    m_Gas->get_MaxIterations(&n);
    EXPECT_EQ(n, 20);
}

TEST(DispatchUnregisteredTest, ReportsTheLoadFailure) {
    TempRegistry temp;
    // A separate copy, so no type information is cached from earlier tests.
    PellonarLibrary lib(PellonarLibrary::CopyTo(temp.Dir()));
    ComPtr<IGas> gas = lib.NewGas();
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(gas->GetTypeInfo(0, 0, info.Put()), TYPE_E_LIBNOTREGISTERED);
    std::u16string z = u"Z";
    LPOLESTR names[] = {z.data()};
    DISPID id = 0;
    EXPECT_EQ(gas->GetIDsOfNames(IID_NULL, names, 1, 0, &id), TYPE_E_LIBNOTREGISTERED);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT r;
    EXPECT_EQ(gas->Invoke(7, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr),
              TYPE_E_LIBNOTREGISTERED);
    UINT count = 0;
    EXPECT_EQ(gas->GetTypeInfoCount(&count), S_OK);
    double v = 0;
    EXPECT_EQ(gas->get_T_K(&v), S_OK);  // the v-table needs no type information
}

}  // namespace
}  // namespace tarnel
