#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tarnel {

// A fresh folder for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/tarnel-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr) m_Path = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_Path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    std::string File(const std::string& strName) const { return (m_Path / strName).string(); }

    static void Write(const std::string& strPath, const std::string& strText) {
        std::ofstream(strPath, std::ios::binary) << strText;
    }
    static std::string Read(const std::string& strPath) {
        std::ifstream in(strPath, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path m_Path;
};

}  // namespace tarnel
