#pragma once
#include <string>

#include "service/base/WriteReport.h"

namespace tarnel {

// Appends whole entries to one file. Each entry goes in one write on an
// O_APPEND descriptor, so that another process appending to the same file
// never lands inside it; an entry cut short (a full disk) is truncated away
// again, so that the next entry never continues a partial one. Nothing that
// was in the file before is ever changed. Failures are told through
// WriteReport, once until the file is written again.
class AppendFile {
public:
    // strHeader, when not empty, goes first into a new or empty file.
    // bKeepOpen keeps the descriptor between entries (for frequent writers);
    // otherwise every entry opens the file afresh, re-creating a deleted one.
    AppendFile(std::string strPath, std::string strHeader, bool bKeepOpen, WriteReport::Tell tell);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // True when the entry is in the file.
    bool Append(const std::string& strEntry);

private:
    // 0, or the errno of the failure; the file then holds nothing of the entry.
    int WriteWhole(const std::string& strEntry);
    void Close();

    std::string m_strPath;
    std::string m_strHeader;
    bool m_bKeepOpen;
    WriteReport::Tell m_Tell;
    int m_nFd = -1;
    // The file was empty when opened: the header goes with the first entry.
    bool m_bHeader = false;
};

}  // namespace tarnel
