#include <gtest/gtest.h>

#include <fstream>

#include "com/Bstr.h"
#include "com/ComPtr.h"
#include "com/RegistryStore.h"
#include "com/TypeLibFunctions.h"
#include "tests/support/Documentation.h"
#include "tests/support/TempRegistry.h"

namespace tarnel {
namespace {

using Docs = std::pair<std::string, std::string>;

constexpr GUID kLibId = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
constexpr GUID kIid = {
    0x11111112, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// A small dual interface covering every argument type the layer calls.
class IProbe : public IDispatch {
public:
    virtual HRESULT get_Count(short* pVal) = 0;
    virtual HRESULT put_Count(short v) = 0;
    virtual HRESULT get_Level(double* pVal) = 0;
    virtual HRESULT put_Level(double v) = 0;
    virtual HRESULT get_Big(std::int32_t* pVal) = 0;
    virtual HRESULT put_Ratio(float v) = 0;
    virtual HRESULT get_Flag(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT get_Broken(double* pVal) = 0;

protected:
    ~IProbe() = default;
};

constexpr char kProbeLibrary[] =
    "# test library\n"
    "library ProbeLib {11111111-2222-3333-4444-555555555555} 1.2 0 win32 \"Probe Library\"\n"
    "importlib stdole2.tlb\n"
    "interface IProbe {11111112-2222-3333-4444-555555555555} IDispatch dual oleautomation "
    "\"IProbe\"\n"
    "\tpropget 1 Count I2 \"property Count\"\n"
    "\tpropput 1 Count I2 \"property Count\"\n"
    "\tpropget 2 Level R8 \"property Level\"\n"
    "\tpropput 2 Level R8 \"property Level\"\n"
    "\tpropget 3 Big I4 \"property Big\"\n"
    "\tpropput 4 Ratio R4 \"property Ratio\"\n"
    "\tpropget 5 Flag BOOL \"property Flag\"\n"
    "\tpropget 6 Broken R8 \"property Broken\"\n"
    "coclass Probe {11111113-2222-3333-4444-555555555555} \"Probe Class\"\n"
    "\tdefault IProbe\n";

class Probe final : public IProbe {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT get_Count(short* p) override { return *p = count, S_OK; }
    HRESULT put_Count(short v) override { return count = v, S_OK; }
    HRESULT get_Level(double* p) override { return *p = level, S_OK; }
    HRESULT put_Level(double v) override { return level = v, S_OK; }
    HRESULT get_Big(std::int32_t* p) override { return *p = 123456789, S_OK; }
    HRESULT put_Ratio(float v) override { return ratio = v, S_OK; }
    HRESULT get_Flag(VARIANT_BOOL* p) override { return *p = VARIANT_TRUE, S_OK; }
    HRESULT get_Broken(double*) override { return E_FAIL; }

    short count = 3;
    double level = 0.5;
    float ratio = 0;
};

class TypeLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_File = (m_Temp.Dir() / "probe.tlb").string();
        std::ofstream(m_File) << kProbeLibrary;
        ASSERT_EQ(LoadTypeLib(m_File, m_Lib.Put()), S_OK);
        ASSERT_EQ(m_Lib->GetTypeInfoOfGuid(kIid, m_Info.Put()), S_OK);
    }

    HRESULT Call(MEMBERID id, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                 std::vector<DISPID> named = {}) {
        DISPPARAMS params{args.data(), named.data(), static_cast<UINT>(args.size()),
                          static_cast<UINT>(named.size())};
        m_ArgErr = 99;
        return m_Info->Invoke(static_cast<IProbe*>(&m_Probe), id, flags, &params, result, nullptr,
                              &m_ArgErr);
    }

    HRESULT Put(MEMBERID id, VARIANT v) {
        return Call(id, DISPATCH_PROPERTYPUT, {v}, nullptr, {DISPID_PROPERTYPUT});
    }

    static VARIANT Value(VARTYPE vt, double d) {
        VARIANT v{};
        v.vt = VT_R8;
        v.dblVal = d;
        VariantChangeType(&v, &v, 0, vt);
        return v;
    }

    TempRegistry m_Temp;
    std::string m_File;
    ComPtr<ITypeLib> m_Lib;
    ComPtr<ITypeInfo> m_Info;
    Probe m_Probe;
    UINT m_ArgErr = 0;
};

TEST_F(TypeLibTest, DescribesTheLibrary) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(m_Lib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, kLibId);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 2);
    EXPECT_EQ(attr->syskind, SYS_WIN32);
    m_Lib->ReleaseTLibAttr(attr);
    EXPECT_EQ(m_Lib->GetTypeInfoCount(), 2u);

    EXPECT_EQ(test::Documentation(m_Lib.Get(), -1), Docs("ProbeLib", "Probe Library"));
    EXPECT_EQ(test::Documentation(m_Info.Get(), 2), Docs("Level", "property Level"));

    ComPtr<ITypeInfo> coclass, itf;
    ASSERT_EQ(m_Lib->GetTypeInfo(1, coclass.Put()), S_OK);
    HREFTYPE ref = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, itf.Put()), S_OK);
    EXPECT_EQ(itf.Get(), m_Info.Get());
}

TEST_F(TypeLibTest, MapsNamesWithoutRegardToCase) {
    std::u16string level = u"lEvEl", pval = u"pVal", nothing = u"Nothing";
    LPOLESTR names[] = {level.data(), pval.data()};
    MEMBERID ids[2] = {};
    ASSERT_EQ(m_Info->GetIDsOfNames(names, 2, ids), S_OK);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], 0);
    names[0] = nothing.data();
    EXPECT_EQ(m_Info->GetIDsOfNames(names, 1, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
}

TEST_F(TypeLibTest, InvokesEveryArgumentTypeThroughTheVtable) {
    VARIANT r{};
    ASSERT_EQ(Call(1, DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_I2);
    EXPECT_EQ(r.iVal, 3);
    ASSERT_EQ(Put(1, Value(VT_R8, 7.5)), S_OK);  // rounds half to even
    EXPECT_EQ(m_Probe.count, 8);
    ASSERT_EQ(Put(2, Value(VT_I4, -4)), S_OK);
    ASSERT_EQ(Call(2, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_R8);
    EXPECT_EQ(r.dblVal, -4.0);
    ASSERT_EQ(Call(3, DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.lVal, 123456789);
    ASSERT_EQ(Put(4, Value(VT_R8, 0.25)), S_OK);
    EXPECT_EQ(m_Probe.ratio, 0.25f);
    ASSERT_EQ(Call(5, DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_EQ(r.boolVal, VARIANT_TRUE);
    // A put without the named DISPID_PROPERTYPUT is accepted as well.
    ASSERT_EQ(Call(2, DISPATCH_PROPERTYPUT, {Value(VT_R8, 9.0)}, nullptr), S_OK);
    EXPECT_EQ(m_Probe.level, 9.0);
}

TEST_F(TypeLibTest, ReportsDispatchErrors) {
    VARIANT r{};
    VARIANT text{};
    text.vt = VT_BSTR;
    text.bstrVal = BstrFromUtf8("abc");
    EXPECT_EQ(Call(42, DISPATCH_PROPERTYGET, {}, &r), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(3, DISPATCH_PROPERTYPUT, {Value(VT_I4, 1)}, nullptr, {DISPID_PROPERTYPUT}),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(2, DISPATCH_PROPERTYGET, {Value(VT_I4, 1)}, &r), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(2, DISPATCH_PROPERTYPUT, {}, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(2, DISPATCH_PROPERTYPUT, {Value(VT_I4, 1), Value(VT_I4, 2)}, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(2, DISPATCH_PROPERTYPUT, {Value(VT_I4, 1)}, nullptr, {5}), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(Put(2, text), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(m_ArgErr, 0u);
    EXPECT_EQ(Put(1, Value(VT_I4, 40000)), DISP_E_OVERFLOW);
    EXPECT_EQ(m_Probe.count, 3);
    EXPECT_EQ(m_Probe.level, 0.5);
    EXPECT_EQ(Call(6, DISPATCH_PROPERTYGET, {}, &r), DISP_E_EXCEPTION);
    VariantClear(&text);
}

TEST_F(TypeLibTest, RegistersLoadsAndUnregistersByLibid) {
    ComPtr<ITypeLib> loaded;
    EXPECT_EQ(LoadRegTypeLib(kLibId, 1, 0, 0, loaded.Put()), TYPE_E_LIBNOTREGISTERED);
    ASSERT_EQ(RegisterTypeLib(m_Lib.Get(), m_File, m_Temp.Dir().string() + "/"), S_OK);
    std::string value;
    auto& reg = RegistryStore::Process();
    ASSERT_EQ(
        reg.QueryString(
            "HKEY_CLASSES_ROOT\\TypeLib\\{11111111-2222-3333-4444-555555555555}\\1.2\\0\\win32", "",
            value),
        S_OK);
    EXPECT_EQ(value, m_File);
    ASSERT_EQ(reg.QueryString(
                  "HKEY_CLASSES_ROOT\\Interface\\{11111112-2222-3333-4444-555555555555}\\TypeLib",
                  "Version", value),
              S_OK);
    EXPECT_EQ(value, "1.2");

    // A request for 1.0 is served by the registered 1.2; 2.0 and 1.3 are not.
    ASSERT_EQ(LoadRegTypeLib(kLibId, 1, 0, 0x409, loaded.Put()), S_OK);
    EXPECT_EQ(LoadRegTypeLib(kLibId, 2, 0, 0, loaded.Put()), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(LoadRegTypeLib(kLibId, 1, 3, 0, loaded.Put()), TYPE_E_LIBNOTREGISTERED);

    ASSERT_EQ(UnRegisterTypeLib(kLibId, 1, 2, 0, SYS_WIN32), S_OK);
    EXPECT_EQ(LoadRegTypeLib(kLibId, 1, 0, 0, loaded.Put()), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 2, 0, SYS_WIN32), TYPE_E_REGISTRYACCESS);
    reg.Read([](const RegistryKey& root) {
        EXPECT_EQ(root.Find("HKEY_CLASSES_ROOT\\TypeLib\\{11111111-2222-3333-4444-555555555555}"),
                  nullptr);
        EXPECT_EQ(root.Find("HKEY_CLASSES_ROOT\\Interface\\{11111112-2222-3333-4444-555555555555}"),
                  nullptr);
    });
}

TEST(TypeLibLoadTest, RefusesFilesThatHoldNoLibrary) {
    TempRegistry temp;
    ComPtr<ITypeLib> lib;
    EXPECT_EQ(LoadTypeLib((temp.Dir() / "missing.tlb").string(), lib.Put()),
              TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(LoadTypeLib("/proc/self/exe", lib.Put()), TYPE_E_CANTLOADLIBRARY);  // no resource
    const std::string lib0 = "library L {11111111-2222-3333-4444-555555555555} 1.0 0 win32 \"h\"\n";
    for (const std::string& text :
         {std::string("interface I {11111112-2222-3333-4444-555555555555} IDispatch \"x\"\n"),
          lib0 + lib0, lib0 + "\tpropget 1 A I2 \"no interface\"\n",
          lib0 + "interface I {11111112-2222-3333-4444-555555555555} IFoo \"x\"\n",
          lib0 + "interface I {11111112-2222-3333-4444-555555555555} IDispatch \"x\"\n\tpropget 1 "
                 "A VARIANT \"h\"\n",
          lib0 + "interface I {11111112-2222-3333-4444-555555555555} IDispatch \"x\"\n\tpropget x "
                 "A I2 \"h\"\n",
          lib0 + "coclass C {bad} \"x\"\n", lib0 + "unknown line\n", lib0 + "importlib \"open\n",
          std::string("library L {11111111-2222-3333-4444-555555555555} 1 0 win32 \"h\"\n")}) {
        std::string path = (temp.Dir() / "bad.tlb").string();
        std::ofstream(path) << text;
        EXPECT_EQ(LoadTypeLib(path, lib.Put()), TYPE_E_CANTLOADLIBRARY) << text;
    }
}

}  // namespace
}  // namespace tarnel
