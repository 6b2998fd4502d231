#include "service/base/WriteReport.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace tarnel {

namespace {

std::mutex g_Mutex;
std::set<std::string> g_FailingFiles;

// True when the file's state changed. The lock is released before anything is
// told: telling the log may itself fail and come back here.
bool Change(const std::string& strPath, bool bFailing) {
    const std::lock_guard<std::mutex> lock(g_Mutex);
    return bFailing ? g_FailingFiles.insert(strPath).second : g_FailingFiles.erase(strPath) > 0;
}

}  // namespace

void WriteReport::Failed(const std::string& strPath, int nErrno, Tell tell) {
    if (Change(strPath, true)) tell("Cannot write " + strPath + ": " + std::strerror(nErrno));
}

void WriteReport::Written(const std::string& strPath, Tell tell) {
    if (Change(strPath, false)) tell(strPath + " is written again");
}

void WriteReport::ToStandardError(const std::string& strMessage) {
    std::fprintf(stderr, "TarnelSvc: %s\n", strMessage.c_str());
    std::fflush(stderr);
}

}  // namespace tarnel
