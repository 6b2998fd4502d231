#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "com/RegistryFile.h"
#include "com/RegistryStore.h"
#include "tests/support/TempRegistry.h"

namespace tarnel {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

RegistryValue Sz(const std::string& s) { return {REG_SZ, s}; }

class RegistryStoreTest : public ::testing::Test {
protected:
    TempRegistry m_Temp;
};

TEST_F(RegistryStoreTest, KeepsEveryKindOfNameAndValueAcrossProcesses) {
    RegistryStore writer(m_Temp.Path());
    const std::string odd = "quote\" back\\slash\ttab\r\nline \xC2\xB0 %; end";
    ASSERT_EQ(writer.Update([&](RegistryKey& root) {
        RegistryKey* k = root.CreatePath("HKEY_CLASSES_ROOT\\Odd %name; with spaces\\Leaf");
        k->SetValue("", Sz(odd));
        k->SetValue("Named \"one\"", Sz(""));
        k->SetValue("Count", {REG_DWORD, std::string("\x2A\x00\x00\x80", 4)});
        k->SetValue("Blob", {REG_BINARY, std::string("\x00\xFF\x10", 3)});
        root.CreatePath(";starts like a comment\\\tTabbed");
        return S_OK;
    }),
              S_OK);

    RegistryStore reader(m_Temp.Path());
    std::string again;
    ASSERT_EQ(reader.Read([&](const RegistryKey& root) { again = RegistryFile::Serialize(root); }),
              S_OK);
    EXPECT_EQ(again, Slurp(m_Temp.Path()));
    std::string value;
    ASSERT_EQ(reader.QueryString("hkey_classes_root\\ODD %NAME; WITH SPACES\\leaf", "", value),
              S_OK);
    EXPECT_EQ(value, odd);
    reader.Read([](const RegistryKey& root) {
        const RegistryKey* k = root.Find("HKEY_CLASSES_ROOT\\Odd %name; with spaces\\Leaf");
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(*k->Value("count"),
                  (RegistryValue{REG_DWORD, std::string("\x2A\x00\x00\x80", 4)}));
        EXPECT_EQ(*k->Value("Blob"), (RegistryValue{REG_BINARY, std::string("\x00\xFF\x10", 3)}));
        EXPECT_EQ(k->Value("Named \"one\"")->data, "");
        EXPECT_NE(root.Find(";starts like a comment\\\tTabbed"), nullptr);
        // Names keep the case they were created with.
        EXPECT_EQ(root.Find("HKEY_CLASSES_ROOT")->AllSubkeys().begin()->first,
                  "Odd %name; with spaces");
    });
}

TEST_F(RegistryStoreTest, AMissingFileIsAnEmptyRegistry) {
    RegistryStore store(m_Temp.Path());
    std::string value;
    EXPECT_EQ(store.QueryString("HKEY_CLASSES_ROOT\\CLSID", "", value),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(m_Temp.Path()));
}

TEST_F(RegistryStoreTest, ACorruptFileIsReportedAndNeverOverwritten) {
    const std::string corrupt = "HKEY_CLASSES_ROOT\\A\n\t\"unterminated = sz \"x\"\n";
    std::ofstream(m_Temp.Path()) << corrupt;
    RegistryStore store(m_Temp.Path());
    bool called = false;
    EXPECT_EQ(store.Read([&](const RegistryKey&) { called = true; }), REGDB_E_READREGDB);
    EXPECT_EQ(store.Update([&](RegistryKey&) {
        called = true;
        return S_OK;
    }),
              REGDB_E_READREGDB);
    EXPECT_FALSE(called);
    EXPECT_EQ(Slurp(m_Temp.Path()), corrupt);
}

TEST_F(RegistryStoreTest, MalformedFilesAreRefused) {
    for (const char* text :
         {"\t@ = sz \"value before any key\"\n", "K\n\t@ = dword 4294967296\n",
          "K\n\t@ = binary abc\n", "K\n\t@ = text \"x\"\n", "K\\\\L\n",
          "K\n\t@ = sz \"x\" trailing\n", "K%zz\n", "K\n\t\"a\\x4\" = sz \"\"\n"}) {
        EXPECT_EQ(RegistryFile::Parse(text), nullptr) << text;
    }
}

TEST_F(RegistryStoreTest, RefusesKeysNestedDeeperThanTheLimit) {
    for (const auto& [depth, accepted] :
         {std::pair<std::size_t, bool>{512, true}, {513, false}, {200000, false}}) {
        const std::string text = NestedRegistryText(depth);
        std::ofstream(m_Temp.Path(), std::ios::trunc) << text;
        RegistryStore store(m_Temp.Path());
        bool changed = false;
        HRESULT hr = store.Update([&](RegistryKey&) {
            changed = true;
            return S_OK;
        });
        EXPECT_EQ(changed, accepted) << depth;
        if (accepted) {
            EXPECT_EQ(hr, S_OK);
            RegistryStore(m_Temp.Path()).Read([&](const RegistryKey& root) {
                EXPECT_NE(root.Find(NestedPath(depth)), nullptr);
            });
            continue;
        }
        EXPECT_EQ(hr, REGDB_E_READREGDB) << depth;
        EXPECT_EQ(store.Error(), m_Temp.Path() + ":2: a key nested deeper than 512 levels");
        EXPECT_EQ(Slurp(m_Temp.Path()), text);
    }
}

TEST_F(RegistryStoreTest, SeesAChangeMadeThroughAnotherStore) {
    RegistryStore a(m_Temp.Path()), b(m_Temp.Path());
    std::string value;
    a.QueryString("HKEY_CLASSES_ROOT\\K", "", value);
    b.Update([](RegistryKey& root) {
        root.CreatePath("HKEY_CLASSES_ROOT\\K")->SetValue("", Sz("new"));
        return S_OK;
    });
    ASSERT_EQ(a.QueryString("HKEY_CLASSES_ROOT\\K", "", value), S_OK);
    EXPECT_EQ(value, "new");
}

TEST_F(RegistryStoreTest, FollowsTheEnvironmentVariable) {
    EXPECT_EQ(RegistryStore::Location(), m_Temp.Path());
    RegistryStore::Process().Update([](RegistryKey& root) {
        root.CreatePath("HKEY_CURRENT_USER\\Here");
        return S_OK;
    });
    EXPECT_NE(Slurp(m_Temp.Path()).find("HKEY_CURRENT_USER\\Here"), std::string::npos);
}

// A service that systemd runs has no TARNEL_REGISTRY; its state directory
// holds the registry, whatever its HOME.
TEST_F(RegistryStoreTest, StateDirectoryComesAfterTheVariable) {
    setenv("STATE_DIRECTORY", "/var/lib/tarnel:/var/lib/other", 1);
    EXPECT_EQ(RegistryStore::Location(), m_Temp.Path());
    unsetenv("TARNEL_REGISTRY");
    EXPECT_EQ(RegistryStore::Location(), "/var/lib/tarnel/registry");
    unsetenv("STATE_DIRECTORY");
}

TEST_F(RegistryStoreTest, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 3, kKeys = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            RegistryStore store(m_Temp.Path());
            for (int k = 0; k < kKeys; ++k) {
                HRESULT hr = store.Update([&](RegistryKey& root) {
                    root.CreatePath("HKEY_CLASSES_ROOT\\W" + std::to_string(w) + "_" +
                                    std::to_string(k));
                    return S_OK;
                });
                if (FAILED(hr)) ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryStore store(m_Temp.Path());
    store.Read([&](const RegistryKey& root) {
        EXPECT_EQ(root.Find("HKEY_CLASSES_ROOT")->AllSubkeys().size(),
                  static_cast<std::size_t>(kWriters * kKeys));
    });
    for (const auto& entry : std::filesystem::directory_iterator(m_Temp.Dir())) {
        EXPECT_EQ(entry.path().string().find(".tmp."), std::string::npos) << entry.path();
    }
}

TEST(RegistryKeyTest, RefusesInvalidNames) {
    RegistryKey root;
    EXPECT_EQ(root.CreateSubkey(""), nullptr);
    EXPECT_EQ(root.CreateSubkey("a\\b"), nullptr);
    EXPECT_EQ(root.CreateSubkey(std::string(256, 'k')), nullptr);
    EXPECT_NE(root.CreateSubkey(std::string(255, 'k')), nullptr);
    EXPECT_EQ(root.CreatePath("a\\\\b"), nullptr);
}

TEST(RegistryKeyTest, FindsAndReleasesAPathOfAnyDepth) {
    auto root = std::make_unique<RegistryKey>();
    const std::string path = NestedPath(200000);
    ASSERT_NE(root->CreatePath(path), nullptr);
    EXPECT_NE(root->Find(path), nullptr);
    EXPECT_TRUE(root->Find("HKEY_CLASSES_ROOT")->DeleteSubkey("k"));  // a deep subtree deleted
    ASSERT_NE(root->CreatePath(path), nullptr);
    root.reset();  // and a deep tree released
}

}  // namespace
}  // namespace tarnel
