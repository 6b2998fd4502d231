#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "com/ComRuntime.h"
#include "com/ITypeInfo.h"
#include "com/RegistryStore.h"
#include "component/PellonarModule.h"
#include "component/Resources.h"
#include "service/base/FileSystem.h"
#include "tests/com/TempRegistry.h"
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
    EXPECT_EQ(lib.UnregisterServer(), REGDB_E_READREGDB);  // nothing was unregistered
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

// Kills the process right after its k-th call that changes a file.
class KillingFileSystem : public FileSystem {
public:
    explicit KillingFileSystem(int k = 0) : m_K(k), m_Previous(FileSystem::Replace(this)) {}
    ~KillingFileSystem() override { FileSystem::Replace(m_Previous); }
    KillingFileSystem(const KillingFileSystem&) = delete;
    KillingFileSystem& operator=(const KillingFileSystem&) = delete;

    int Open(const std::string& path, int flags, mode_t mode) override {
        return After(FileSystem::Open(path, flags, mode));
    }
    ssize_t Write(int fd, const void* data, size_t size) override {
        return After(FileSystem::Write(fd, data, size));
    }
    int Fsync(int fd) override { return After(FileSystem::Fsync(fd)); }
    int Close(int fd) override { return After(FileSystem::Close(fd)); }
    int Rename(const std::string& from, const std::string& to) override {
        return After(FileSystem::Rename(from, to));
    }
    int Unlink(const std::string& path) override { return After(FileSystem::Unlink(path)); }

    int Calls() const { return m_Calls; }

private:
    template <typename T>
    T After(T result) {
        if (++m_Calls == m_K) ::raise(SIGKILL);
        return result;
    }

    int m_K;
    FileSystem* m_Previous;
    int m_Calls = 0;
};

int Temporaries(const std::filesystem::path& dir) {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        n += entry.path().filename().string().find(".tmp.") != std::string::npos;
    }
    return n;
}

// The module's own registration, run here for the module file so that this
// process's file system is the one it writes through: killed after each of its
// file calls in turn, registering and unregistering alternately.
TEST_F(RegistrationTest, AKilledRegistrationLeavesTheRegistryAsBeforeOrAsAfter) {
    PellonarModule::ProcessAttach(PELLONAR_PATH);
    auto run = [](bool reg) {
        return reg ? PellonarModule::Current().RegisterServer()
                   : PellonarModule::Current().UnregisterServer();
    };
    RegistryStore::Process().Update([](RegistryKey& root) {
        root.CreatePath("HKEY_CLASSES_ROOT\\Foreign")->SetValue("", {REG_SZ, "kept"});
        return S_OK;
    });
    std::string states[2];  // unregistered, registered
    int calls[2] = {};
    for (bool reg : {true, false}) {
        KillingFileSystem counting;
        ASSERT_EQ(run(reg), S_OK);
        calls[reg] = counting.Calls();
        states[reg] = Slurp(m_Temp.Path());
    }
    {
        PellonarLibrary lib;  // the module itself writes the same
        ASSERT_EQ(lib.RegisterServer(), S_OK);
        EXPECT_EQ(Slurp(m_Temp.Path()), states[1]);
        ASSERT_EQ(lib.UnregisterServer(), S_OK);
    }
    for (int i = 0; i < 2 * std::max(calls[0], calls[1]); ++i) {
        const bool reg = i % 2 == 0;
        const int k = i / 2 + 1;
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            KillingFileSystem killing(k);
            run(reg);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_EQ(WIFSIGNALED(status), k <= calls[reg]) << k;
        const std::string now = Slurp(m_Temp.Path());
        EXPECT_TRUE(now == states[!reg] || now == states[reg]) << "killed after call " << k;
        ASSERT_EQ(run(reg), S_OK);  // the next writer
        EXPECT_EQ(Slurp(m_Temp.Path()), states[reg]) << k;
        EXPECT_EQ(Temporaries(m_Temp.Dir()), 0) << k;
    }
    PellonarModule::ProcessDetach();
}

}  // namespace
}  // namespace tarnel
