#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace tarnel {

// Runs a test with TARNEL_HOME pointing at a fresh folder, so the log, the
// alias file and the simulation files of the test live there.
class ProgramHomeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TARNEL_HOME")) m_strOldHome = old;
        setenv("TARNEL_HOME", m_Home.Path().c_str(), 1);
    }
    void TearDown() override {
        if (m_strOldHome.empty()) {
            unsetenv("TARNEL_HOME");
        } else {
            setenv("TARNEL_HOME", m_strOldHome.c_str(), 1);
        }
    }

    void WriteFile(const std::string& strName, const std::string& strText) const {
        TempFolder::Write(m_Home.File(strName), strText);
    }
    std::string ReadFile(const std::string& strName) const {
        return TempFolder::Read(m_Home.File(strName));
    }
    std::vector<std::string> Lines(const std::string& strName) const {
        std::istringstream in(ReadFile(strName));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    // The log's lines without their time stamps ("dd-Mmm-yyyy hh:nn:ss  ").
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        for (const auto& line : Lines("TarnelService.log")) {
            messages.push_back(line.size() >= 22 ? line.substr(22) : line);
        }
        return messages;
    }

    TempFolder m_Home;

private:
    std::string m_strOldHome;
};

}  // namespace tarnel
