#include <gtest/gtest.h>

#include "com/ComRuntime.h"
#include "com/RegistryStore.h"
#include "tests/support/TempRegistry.h"

namespace tarnel {
namespace {

constexpr CLSID kClsid = {
    0x22222222, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

void RegisterServer(const std::string& path) {
    RegistryStore::Process().Update([&](RegistryKey& root) {
        root.CreatePath("HKEY_CLASSES_ROOT\\CLSID\\" + StringFromGUID(kClsid) + "\\InprocServer32")
            ->SetValue("", {REG_SZ, path});
        root.CreatePath("HKEY_CLASSES_ROOT\\Some.Class\\CLSID")
            ->SetValue("", {REG_SZ, StringFromGUID(kClsid)});
        root.CreatePath("HKEY_CLASSES_ROOT\\Bad.Class\\CLSID")
            ->SetValue("", {REG_SZ, "not a guid"});
        return S_OK;
    });
}

TEST(ComRuntimeTest, ReportsAnUnregisteredClass) {
    TempRegistry temp;
    void* p = &temp;
    EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
              E_POINTER);
}

TEST(ComRuntimeTest, ReportsModulesThatCannotServe) {
    TempRegistry temp;
    void* p = nullptr;
    RegisterServer((temp.Dir() / "missing.so").string());
    EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
              HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(CoCreateInstance(kClsid, nullptr, 0x4, IID_IUnknown, &p), REGDB_E_CLASSNOTREG);
    RegisterServer(NO_EXPORTS_PATH);  // a real library without the exports
    EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
              CO_E_ERRORINDLL);
}

TEST(ComRuntimeTest, ResolvesProgIds) {
    TempRegistry temp;
    RegisterServer("/nowhere.so");
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID("some.class", &clsid), S_OK);
    EXPECT_EQ(clsid, kClsid);
    EXPECT_EQ(CLSIDFromProgID("Bad.Class", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID("No.Such.Class", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID("", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID("Some.Class", nullptr), E_POINTER);
}

TEST(ComRuntimeTest, ExplainsCreationFailures) {
    TempRegistry temp;
    EXPECT_EQ(CreationFailureText(kClsid, "Some.Class", "libSome.so", REGDB_E_CLASSNOTREG),
              "class Some.Class {22222222-2222-3333-4444-555555555555} is not registered in " +
                  temp.Path() + "; register it with \"regsvr libSome.so\" (HRESULT 0x80040154)");
    EXPECT_EQ(
        CreationFailureText(kClsid, "Some.Class", "libSome.so",
                            HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)),
        "class Some.Class {22222222-2222-3333-4444-555555555555}: its registered module "
        "cannot be loaded; register it again with \"regsvr libSome.so\" (HRESULT 0x8007007E)");
    EXPECT_EQ(CreationFailureText(kClsid, "Some.Class", "libSome.so", E_OUTOFMEMORY),
              "class Some.Class {22222222-2222-3333-4444-555555555555} could not be created "
              "(HRESULT 0x8007000E)");
}

}  // namespace
}  // namespace tarnel
