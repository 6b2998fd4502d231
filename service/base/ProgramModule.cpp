#include "service/base/ProgramModule.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "service/base/AppendFile.h"

namespace tarnel {

namespace {

constexpr const char* kLogFileName = "TarnelService.log";

std::function<void(const std::string&)>& Listener() {
    static std::function<void(const std::string&)> listener;
    return listener;
}

// "dd-Mmm-yyyy hh:nn:ss  " in local time. The month names are spelled out here
// rather than taken from the locale, so the log reads the same on every machine.
std::string Timestamp() {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%02d-%s-%04d %02d:%02d:%02d  ", local.tm_mday,
                  kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return text;
}

// An entry is exactly one line: a line break inside a message (an OPC server's
// shutdown reason, say) would otherwise end the entry early and could forge others.
std::string OneLine(const std::string& strMessage) {
    std::string line;
    line.reserve(strMessage.size());
    for (const char c : strMessage) {
        if (c == '\r') {
            line += "\\r";
        } else if (c == '\n') {
            line += "\\n";
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace

std::optional<std::string> SystemdDirectory(const char* strVariable) {
    const char* value = std::getenv(strVariable);
    if (value == nullptr || *value == '\0' || *value == ':') return std::nullopt;
    std::string folder(value, std::strcspn(value, ":"));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string ConfigurationFolder() {
    return SystemdDirectory("CONFIGURATION_DIRECTORY").value_or(ProgramFolder());
}
std::string StateFolder() { return SystemdDirectory("STATE_DIRECTORY").value_or(ProgramFolder()); }
std::string LogFolder() { return SystemdDirectory("LOGS_DIRECTORY").value_or(ProgramFolder()); }

std::string ProgramFolder() {
    if (const char* home = std::getenv("TARNEL_HOME"); home != nullptr && *home != '\0') {
        std::string folder = home;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

void LogMessage(const std::string& strMessage) {
    // Opened afresh for every entry, so a deleted or moved log is re-created.
    AppendFile(LogFolder() + "/" + kLogFileName, "", false, WriteReport::ToStandardError)
        .Append(Timestamp() + OneLine(strMessage) + '\n');
    if (const auto& listener = Listener()) listener(strMessage);
}

void LogListener(std::function<void(const std::string& strMessage)> listener) {
    Listener() = std::move(listener);
}

bool FileExists(const std::string& strPath) {
    // O_NONBLOCK so that a FIFO cannot stall the caller.
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool isFile = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    ::close(fd);
    return isFile;
}

}  // namespace tarnel
