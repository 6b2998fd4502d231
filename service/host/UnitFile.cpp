#include "service/host/UnitFile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "service/base/TextFile.h"
#include "service/base/WriteReport.h"

namespace tarnel {

namespace {

// A path on ExecStart= or Environment= in double quotes: quotes and backslashes
// escaped, and '%' doubled so that systemd does not expand it as a specifier.
std::string Quoted(const std::string& strText) {
    std::string out = "\"";
    for (char c : strText) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    return out + "\"";
}

}  // namespace

UnitFile::UnitFile(std::string strFolder, std::string strServiceName)
    : m_strFolder(std::move(strFolder)), m_strServiceName(std::move(strServiceName)) {}

std::string UnitFile::DefaultFolder() {
    const char* dir = std::getenv("TARNEL_UNIT_DIR");
    return dir != nullptr && *dir != '\0' ? dir : "/etc/systemd/system";
}

std::string UnitFile::Path() const { return m_strFolder + "/" + m_strServiceName + ".service"; }

std::string UnitFile::Text(const std::string& strDisplayName, const std::string& strExecutable,
                           const std::vector<std::string>& strEnvironment) {
    std::string text = "[Unit]\nDescription=" + strDisplayName +
                       "\nAfter=network-online.target\n\n"
                       "[Service]\nType=notify\nExecStart=" +
                       Quoted(strExecutable) + "\n";
    for (const auto& entry : strEnvironment) text += "Environment=" + Quoted(entry) + "\n";
    // The program ends two seconds after a stop request; leave it room.
    text += "TimeoutStopSec=30\n";
    // The event loop tells it runs once a second; only a loop that has hung
    // for a minute (not one busy loading a large plant) is restarted, and so
    // is a program that failed.
    text += "WatchdogSec=60\nRestart=on-failure\nRestartSec=5\n";
    text += "\n[Install]\nWantedBy=multi-user.target\n";
    return text;
}

bool UnitFile::Write(const std::string& strText) const {
    if (!TextFile::Replace(Path(), strText)) {
        WriteReport::Failed(Path(), errno, WriteReport::ToStandardError);
        return false;
    }
    WriteReport::Written(Path(), WriteReport::ToStandardError);
    return true;
}

bool UnitFile::Remove() const {
    std::error_code ec;
    return std::filesystem::remove(Path(), ec) && !ec;
}

}  // namespace tarnel
