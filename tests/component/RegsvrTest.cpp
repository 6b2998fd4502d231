#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "com/RegistryStore.h"
#include "tests/com/TempRegistry.h"

namespace tarnel {
namespace {

struct Result {
    int status;
    std::string output;
};

// Runs regsvr with the given arguments, its output captured; the child dies
// with the test.
Result RunRegsvr(std::vector<std::string> args) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {-1, "pipe"};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::close(pipeFds[0]);
        std::vector<char*> argv{const_cast<char*>(REGSVR_PATH)};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(REGSVR_PATH, argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    Result r{-1, {}};
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) r.output.append(buf, n);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool ClassRegistered() {
    std::string value;
    return SUCCEEDED(RegistryStore::Process().QueryString(
        "HKEY_CLASSES_ROOT\\CLSID\\{36C1CFCE-CB93-11D5-9D92-0000E81259B9}\\InprocServer32", "",
        value));
}

TEST(RegsvrTest, RegistersAndUnregistersAModule) {
    TempRegistry temp;
    Result r = RunRegsvr({PELLONAR_PATH});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(
        r.output.find("DllRegisterServer in " PELLONAR_PATH " succeeded (HRESULT 0x00000000)"),
        std::string::npos)
        << r.output;
    EXPECT_TRUE(ClassRegistered());
    r = RunRegsvr({"-u", PELLONAR_PATH});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("DllUnregisterServer"), std::string::npos) << r.output;
    EXPECT_FALSE(ClassRegistered());
}

TEST(RegsvrTest, FailsWithTheHresult) {
    TempRegistry temp;
    struct Case {
        std::vector<std::string> args;
        const char* hresult;
    };
    std::filesystem::create_directories(temp.Path());  // the registry cannot be read
    for (const Case& c :
         {Case{{(temp.Dir() / "missing.so").string()}, "0x8007007E"},
          Case{{NO_EXPORTS_PATH}, "0x8007007F"}, Case{{PELLONAR_PATH}, "0x80040150"}}) {
        Result r = RunRegsvr(c.args);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find("failed (HRESULT " + std::string(c.hresult) + ")"),
                  std::string::npos)
            << r.output;
    }
    EXPECT_EQ(RunRegsvr({}).status, 1);
    EXPECT_EQ(RunRegsvr({"-x", PELLONAR_PATH}).status, 1);
}

TEST(RegsvrTest, PrintsWhyTheRegistryCannotBeWritten) {
    TempRegistry temp;
    std::ofstream(temp.Dir() / "file") << "no folder";
    const std::string registry = (temp.Dir() / "file" / "registry").string();
    ::setenv("TARNEL_REGISTRY", registry.c_str(), 1);
    Result r = RunRegsvr({PELLONAR_PATH});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("failed (HRESULT 0x80040151): Cannot write " + registry + "\n"),
              std::string::npos)
        << r.output;
}

TEST(RegsvrTest, NamesTheLineOfADeeplyNestedRegistryAndChangesNothing) {
    TempRegistry temp;
    const std::string text = NestedRegistryText(200000);
    std::ofstream(temp.Path()) << text;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{PELLONAR_PATH}, {"-u", PELLONAR_PATH}}) {
        Result r = RunRegsvr(args);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find("failed (HRESULT 0x80040150): " + temp.Path() +
                                ":2: a key nested deeper than 512 levels"),
                  std::string::npos)
            << r.output;
    }
    std::ifstream in(temp.Path());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
}

}  // namespace
}  // namespace tarnel
