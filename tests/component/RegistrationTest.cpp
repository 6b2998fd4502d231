#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "com/ComRuntime.h"
#include "com/ITypeInfo.h"
#include "com/RegistryStore.h"
#include "component/Resources.h"
#include "tests/support/TempRegistry.h"
#include "tests/component/PellonarLibrary.h"

namespace tarnel {
namespace {

const std::string kClassKey = "HKEY_CLASSES_ROOT\\CLSID\\{36C1CFCE-CB93-11D5-9D92-0000E81259B9}";
const std::string kLibKey = "HKEY_CLASSES_ROOT\\TypeLib\\{36C1CFC1-CB93-11D5-9D92-0000E81259B9}";

std::string Query(const std::string& path, const std::string& name = "") {
    std::string value;
    HRESULT hr = RegistryStore::Process().QueryString(path, name, value);
    return SUCCEEDED(hr) ? value : "<missing>";
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    bool found = false;
    RegistryStore::Process().Read(
        [&](const RegistryKey& root) { found = root.Find(path) != nullptr; });
    return found;
}

class RegistrationTest : public ::testing::Test {
protected:
    TempRegistry m_Temp;
};

TEST_F(RegistrationTest, RegistersClassProgIdsAndTypeLibrary) {
    std::string path = PellonarLibrary::CopyTo(m_Temp.Dir() / "bin");
    PellonarLibrary lib(path);
    ASSERT_EQ(lib.RegisterServer(), S_OK);
    EXPECT_EQ(Query(kClassKey), "Gas Class");
    EXPECT_EQ(Query(kClassKey + "\\InprocServer32"), path);
    EXPECT_EQ(Query(kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Query("HKEY_CLASSES_ROOT\\Pellonar.Gas\\CurVer"), "Pellonar.Gas.1");
    EXPECT_EQ(Query(kLibKey + "\\1.0"), "Pellonar 1.0 Type Library");
    EXPECT_EQ(Query(kLibKey + "\\1.0\\0\\win32"), path);
    EXPECT_EQ(Query(kLibKey + "\\1.0\\HELPDIR"), (m_Temp.Dir() / "bin").string() + "/");
    EXPECT_EQ(Query("HKEY_CLASSES_ROOT\\Interface\\{36C1CFCD-CB93-11D5-9D92-0000E81259B9}"),
              "IGas");
}

TEST_F(RegistrationTest, RegisteringTwiceRestoresTheSameKeys) {
    PellonarLibrary lib;
    ASSERT_EQ(lib.RegisterServer(), S_OK);
    std::string once = Slurp(m_Temp.Path());
    RegistryStore::Process().Update([](RegistryKey& root) {
        root.CreatePath(kClassKey + "\\Added by hand\\Below");
        return S_OK;
    });
    ASSERT_EQ(lib.RegisterServer(), S_OK);
    EXPECT_EQ(Slurp(m_Temp.Path()), once);
}

TEST_F(RegistrationTest, WritesAPathWithAnApostropheUnchanged) {
    std::string path = PellonarLibrary::CopyTo(m_Temp.Dir() / "it's here", "lib'Pellonar.so");
    PellonarLibrary lib(path);
    ASSERT_EQ(lib.RegisterServer(), S_OK);
    EXPECT_EQ(Query(kClassKey + "\\InprocServer32"), path);
}

TEST_F(RegistrationTest, UnregisterLeavesClsidAndSucceedsWhenNothingIsRegistered) {
    PellonarLibrary lib;
    EXPECT_EQ(lib.UnregisterServer(), S_OK);
    ASSERT_EQ(lib.RegisterServer(), S_OK);
    RegistryStore::Process().Update([](RegistryKey& root) {
        root.CreatePath("HKEY_CLASSES_ROOT\\Pellonar.Gas\\Foreign");
        return S_OK;
    });
    ASSERT_EQ(lib.UnregisterServer(), S_OK);
    EXPECT_TRUE(Exists("HKEY_CLASSES_ROOT\\CLSID"));
    EXPECT_FALSE(Exists(kClassKey));
    EXPECT_FALSE(Exists("HKEY_CLASSES_ROOT\\Pellonar.Gas.1"));
    EXPECT_FALSE(Exists(kLibKey));
    EXPECT_FALSE(Exists("HKEY_CLASSES_ROOT\\Interface\\{36C1CFCD-CB93-11D5-9D92-0000E81259B9}"));
    EXPECT_TRUE(Exists("HKEY_CLASSES_ROOT\\Pellonar.Gas\\Foreign"));  // not ours, so kept
    EXPECT_FALSE(Exists("HKEY_CLASSES_ROOT\\Pellonar.Gas\\CLSID"));
    EXPECT_EQ(lib.UnregisterServer(), S_OK);
}

TEST_F(RegistrationTest, ReportsARegistryThatCannotBeWritten) {
    std::filesystem::create_directories(m_Temp.Path());  // a folder where the file should be
    PellonarLibrary lib;
    EXPECT_EQ(lib.RegisterServer(), REGDB_E_READREGDB);
    EXPECT_EQ(lib.UnregisterServer(), S_OK);
}

TEST_F(RegistrationTest, CreatesByClsidAndProgIdAndUnloadsWhenUnused) {
    std::string path = PellonarLibrary::CopyTo(m_Temp.Dir() / "bin");
    {
        PellonarLibrary lib(path);
        ASSERT_EQ(lib.RegisterServer(), S_OK);
    }
    ASSERT_FALSE(PellonarLibrary::Loaded(path));
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID("Pellonar.Gas", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Gas);
    ASSERT_EQ(CLSIDFromProgID("Pellonar.Gas.1", &clsid), S_OK);
    {
        ComPtr<IGas> gas;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IGas, gas.PutVoid()),
                  S_OK);
        double t = 0;
        ASSERT_EQ(gas->get_T_K(&t), S_OK);
        EXPECT_EQ(t, 288.15);
        CoFreeUnusedLibraries();
        EXPECT_TRUE(PellonarLibrary::Loaded(path));  // an object still lives
    }
    CoFreeUnusedLibraries();
    EXPECT_FALSE(PellonarLibrary::Loaded(path));
}

// A copy of the module whose embedded type library cannot be found: the
// library beside it with the extension ".tlb" stands in, and without one the
// registration fails with the load's code.
std::string CopyWithoutTypeLibrary(const std::filesystem::path& dir) {
    std::string path = PellonarLibrary::CopyTo(dir);
    std::string bytes = Slurp(path);
    const std::string entry("\x07\x00TYPELIB", 9);
    std::size_t at = bytes.find(entry);  // the section comes before any debug information
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) bytes[at + 8] = 'X';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

TEST_F(RegistrationTest, FallsBackToATypeLibraryFileBesideTheModule) {
    std::filesystem::path dir = m_Temp.Dir() / "bin";
    std::string path = CopyWithoutTypeLibrary(dir);
    {
        PellonarLibrary lib(path);
        EXPECT_EQ(lib.RegisterServer(), TYPE_E_CANTLOADLIBRARY);
        EXPECT_FALSE(Exists(kLibKey));
    }
    std::string tlb = (dir / "libPellonar.tlb").string();
    std::ofstream(tlb) << kPellonarTypeLibrary;
    PellonarLibrary lib(path);
    ASSERT_EQ(lib.RegisterServer(), S_OK);
    EXPECT_EQ(Query(kLibKey + "\\1.0\\0\\win32"), tlb);
    EXPECT_EQ(Query(kClassKey + "\\InprocServer32"), path);
    ASSERT_EQ(lib.UnregisterServer(), S_OK);
    EXPECT_FALSE(Exists(kLibKey));
}

// The module unloads at process exit, after the static destructors have run:
// a process that ends with the module loaded and its type information in use
// must end cleanly.
TEST_F(RegistrationTest, AProcessEndsCleanlyWithTheModuleLoaded) {
    {
        PellonarLibrary lib;
        ASSERT_EQ(lib.RegisterServer(), S_OK);
    }
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ComPtr<IGas> gas;
        UINT count = 0;
        ComPtr<ITypeInfo> info;
        bool ok = SUCCEEDED(CoCreateInstance(CLSID_Gas, nullptr, CLSCTX_INPROC_SERVER, IID_IGas,
                                             gas.PutVoid())) &&
                  SUCCEEDED(gas->GetTypeInfo(0, 0, info.Put())) &&
                  SUCCEEDED(gas->GetTypeInfoCount(&count));
        info.Reset();
        gas.Reset();
        std::exit(ok ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace tarnel
