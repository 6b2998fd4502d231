#include <gtest/gtest.h>

#include "com/Bstr.h"
#include "com/ResourceSection.h"
#include "com/TypeLibFunctions.h"
#include "tests/support/Documentation.h"
#include "tests/support/TempRegistry.h"
#include "tests/component/PellonarLibrary.h"

namespace tarnel {
namespace {

using Docs = std::pair<std::string, std::string>;

class PellonarModuleTest : public ::testing::Test {
protected:
    TempRegistry m_Temp;
    PellonarLibrary m_Lib;
};

TEST_F(PellonarModuleTest, RefusesAnUnknownClass) {
    void* p = &m_Lib;
    EXPECT_EQ(m_Lib.GetClassObject(IID_IGas, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(m_Lib.GetClassObject(CLSID_Gas, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(m_Lib.GetClassObject(CLSID_Gas, IID_IGas, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
}

TEST_F(PellonarModuleTest, CachesTheClassFactory) {
    ComPtr<IClassFactory> first = m_Lib.Factory(), second = m_Lib.Factory();
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(m_Lib.GetClassObject(CLSID_Gas, IID_IUnknown, unknown.PutVoid()), S_OK);
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(static_cast<IUnknown*>(first.Get()), unknown.Get());
}

TEST_F(PellonarModuleTest, RefusesAggregationForAnyInterfaceButIUnknown) {
    ComPtr<IGas> outer = m_Lib.NewGas();  // any object will do as the outer one
    void* p = &m_Lib;
    EXPECT_EQ(m_Lib.Factory()->CreateInstance(outer.Get(), IID_IGas, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(m_Lib.Factory()->CreateInstance(nullptr, IID_IGas, nullptr), E_POINTER);
}

TEST_F(PellonarModuleTest, StaysLoadedWhileObjectsFactoriesOrLocksLive) {
    EXPECT_EQ(m_Lib.CanUnloadNow(), S_OK);
    {
        ComPtr<IGas> gas = m_Lib.NewGas();
        EXPECT_EQ(m_Lib.CanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(m_Lib.CanUnloadNow(), S_OK);
    {
        ComPtr<IClassFactory> factory = m_Lib.Factory();
        EXPECT_EQ(m_Lib.CanUnloadNow(), S_FALSE);
        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    }
    EXPECT_EQ(m_Lib.CanUnloadNow(), S_FALSE);
    ASSERT_EQ(m_Lib.Factory()->LockServer(FALSE), S_OK);
    EXPECT_EQ(m_Lib.CanUnloadNow(), S_OK);
}

TEST_F(PellonarModuleTest, DestroysAnObjectThatLacksTheInterface) {
    void* p = &m_Lib;
    EXPECT_EQ(m_Lib.Factory()->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(m_Lib.CanUnloadNow(), S_OK);
}

TEST_F(PellonarModuleTest, AnswersWithOneInterfacePointer) {
    ComPtr<IGas> gas = m_Lib.NewGas();
    void* unknown = nullptr;
    void* dispatch = nullptr;
    void* other = &unknown;
    ASSERT_EQ(gas->QueryInterface(IID_IUnknown, &unknown), S_OK);
    ASSERT_EQ(gas->QueryInterface(IID_IDispatch, &dispatch), S_OK);
    EXPECT_EQ(unknown, static_cast<void*>(gas.Get()));
    EXPECT_EQ(dispatch, static_cast<void*>(gas.Get()));
    EXPECT_EQ(gas->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(gas->QueryInterface(IID_IGas, nullptr), E_POINTER);
    EXPECT_EQ(gas->AddRef(), 4u);
    EXPECT_EQ(gas->Release(), 3u);
    gas->Release();
    gas->Release();
}

TEST_F(PellonarModuleTest, CreatesGasWithItsInitialValuesAndSolves) {
    ComPtr<IGas> gas = m_Lib.NewGas();
    short n = 0;
    double v = 0;
    gas->get_MaxIterations(&n);
    EXPECT_EQ(n, 20);
    gas->get_Tcrit_degC(&v);
    EXPECT_DOUBLE_EQ(v, -274.15);
    gas->get_Z(&v);
    EXPECT_EQ(v, -1.0);
    gas->put_T_K(300);
    gas->put_P_barA(10);
    gas->put_Tcrit_K(369.83);
    gas->put_Pcrit_barA(42.48);
    gas->put_AcentricFactor(0.152);
    gas->put_MinAccuracy(0.00001);
    ASSERT_EQ(gas->get_Z(&v), S_OK);
    EXPECT_NEAR(v, 0.814626, 5e-7);
    EXPECT_EQ(gas->get_Z(nullptr), E_POINTER);
}

// An outer object that either passes IGas requests on to the inner object or
// refuses them, counting its own references.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        if (riid == IID_IGas && delegate && inner) return inner->QueryInterface(riid, ppv);
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }

    ULONG refs = 1;
    bool delegate = true;
    IUnknown* inner = nullptr;
};

TEST_F(PellonarModuleTest, AggregatesUnderAnOuterObject) {
    Outer outer;
    ASSERT_EQ(m_Lib.Factory()->CreateInstance(&outer, IID_IUnknown,
                                              reinterpret_cast<void**>(&outer.inner)),
              S_OK);
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(m_Lib.CanUnloadNow(), S_FALSE);

    IGas* gas = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IGas, reinterpret_cast<void**>(&gas)), S_OK);
    EXPECT_EQ(outer.refs, 2u);  // the inner object's interface counts on the outer object
    void* unknown = nullptr;
    ASSERT_EQ(gas->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, &outer);
    void* again = nullptr;
    ASSERT_EQ(gas->QueryInterface(IID_IGas, &again), S_OK);  // through the outer object
    EXPECT_EQ(again, gas);
    outer.delegate = false;
    void* dispatch = nullptr;
    ASSERT_EQ(gas->QueryInterface(IID_IDispatch, &dispatch),
              S_OK);  // refused outside, answered inside
    EXPECT_EQ(dispatch, gas);
    EXPECT_EQ(outer.refs, 5u);
    void* self = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, &self), S_OK);
    EXPECT_EQ(self, outer.inner);
    EXPECT_EQ(outer.inner->Release(), 1u);

    double t = 0;
    gas->put_T_degC(25);
    gas->get_T_K(&t);
    EXPECT_DOUBLE_EQ(t, 298.15);
    for (int i = 0; i < 4; ++i) gas->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(m_Lib.CanUnloadNow(), S_OK);
}

std::string ScriptFromTable() {
    const std::pair<int, const char*> lines[] = {
        {0, "HKCR"},
        {0, "{"},
        {1, "Pellonar.Gas.1 = s 'Gas Class'"},
        {1, "{"},
        {2, "CLSID = s '{36C1CFCE-CB93-11D5-9D92-0000E81259B9}'"},
        {1, "}"},
        {1, "Pellonar.Gas = s 'Gas Class'"},
        {1, "{"},
        {2, "CLSID = s '{36C1CFCE-CB93-11D5-9D92-0000E81259B9}'"},
        {2, "CurVer = s 'Pellonar.Gas.1'"},
        {1, "}"},
        {1, "NoRemove CLSID"},
        {1, "{"},
        {2, "ForceRemove {36C1CFCE-CB93-11D5-9D92-0000E81259B9} = s 'Gas Class'"},
        {2, "{"},
        {3, "ProgID = s 'Pellonar.Gas.1'"},
        {3, "VersionIndependentProgID = s 'Pellonar.Gas'"},
        {3, "ForceRemove 'Programmable'"},
        {3, "InprocServer32 = s '%MODULE%'"},
        {3, "{"},
        {4, "val ThreadingModel = s 'Apartment'"},
        {3, "}"},
        {3, "'TypeLib' = s '{36C1CFC1-CB93-11D5-9D92-0000E81259B9}'"},
        {2, "}"},
        {1, "}"},
        {0, "}"}};
    std::string script;
    for (const auto& [depth, text] : lines) script += std::string(depth, '\t') + text + "\r\n";
    return script;
}

TEST_F(PellonarModuleTest, CarriesItsResourcesByteForByte) {
    std::string data;
    ASSERT_EQ(LoadModuleResource(PELLONAR_PATH, "REGISTRY", 101, data), S_OK);
    EXPECT_EQ(data, ScriptFromTable());
    ASSERT_EQ(LoadModuleResource(PELLONAR_PATH, "STRING", 100, data), S_OK);
    EXPECT_EQ(data, "Pellonar");
    ASSERT_EQ(LoadModuleResource(PELLONAR_PATH, "VERSION", 1, data), S_OK);
    for (const char* entry :
         {"FileVersion=1, 0, 0, 1\n", "ProductVersion=1, 0, 0, 1\n",
          "FileDescription=Pellonar Module\n", "InternalName=Pellonar\n",
          "OriginalFilename=Pellonar.DLL\n", "CompanyName=\n", "OLESelfRegister=\n"}) {
        EXPECT_NE(data.find(entry), std::string::npos) << entry;
    }
    EXPECT_EQ(LoadModuleResource(PELLONAR_PATH, "REGISTRY", 102, data),
              HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadModuleResource(PELLONAR_PATH, "ICON", 1, data),
              HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(LoadModuleResource("/proc/self/exe", "REGISTRY", 101, data),
              HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(LoadModuleResource(m_Temp.Path() + ".none", "REGISTRY", 101, data),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(PellonarModuleTest, EmbedsTheTypeLibraryOfTheIdentityTable) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLib(PELLONAR_PATH, lib.Put()), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, LIBID_PELLONARLib);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0u);
    EXPECT_EQ(attr->syskind, SYS_WIN32);
    lib->ReleaseTLibAttr(attr);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_Gas, coclass.Put()), S_OK);
    EXPECT_EQ(test::Documentation(coclass.Get(), -1), Docs("Gas", "Gas Class"));
}

}  // namespace
}  // namespace tarnel
