#include "service/host/AppendFile.h"

#include <fcntl.h>

#include <cerrno>

#include "service/base/FileSystem.h"

namespace tarnel {

AppendFile::AppendFile(std::string strPath, std::string strHeader, bool bKeepOpen,
                       WriteReport::Tell tell)
    : m_strPath(std::move(strPath)),
      m_strHeader(std::move(strHeader)),
      m_bKeepOpen(bKeepOpen),
      m_Tell(tell) {}

AppendFile::~AppendFile() { Close(); }

bool AppendFile::Append(const std::string& strEntry) {
    FileSystem& fs = FileSystem::Current();
    if (m_nFd < 0) {
        m_nFd = fs.Open(m_strPath, O_WRONLY | O_CREAT | O_APPEND, 0666);
        m_bHeader = m_nFd >= 0 && !m_strHeader.empty() && fs.Lseek(m_nFd, 0, SEEK_END) == 0;
    }
    const int nError = m_nFd < 0 ? errno : WriteWhole(strEntry);
    // After a failure the file is tried afresh: it may be back, or replaced.
    if (!m_bKeepOpen || nError != 0) Close();
    if (nError != 0) {
        WriteReport::Failed(m_strPath, nError, m_Tell);
        return false;
    }
    WriteReport::Written(m_strPath, m_Tell);
    return true;
}

int AppendFile::WriteWhole(const std::string& strEntry) {
    FileSystem& fs = FileSystem::Current();
    std::string withHeader;
    if (m_bHeader) withHeader = m_strHeader + strEntry;
    const std::string& text = m_bHeader ? withHeader : strEntry;
    const ssize_t n = fs.Write(m_nFd, text.data(), text.size());
    if (n == static_cast<ssize_t>(text.size())) {
        m_bHeader = false;
        return 0;
    }
    if (n < 0) return errno;
    // A write to a file falls short only when the disk (or the quota) is full.
    // The descriptor's offset is the end of the part just written.
    const off_t end = fs.Lseek(m_nFd, 0, SEEK_CUR);
    if (end >= n) fs.Ftruncate(m_nFd, end - n);
    return ENOSPC;
}

void AppendFile::Close() {
    if (m_nFd >= 0) FileSystem::Current().Close(m_nFd);
    m_nFd = -1;
}

}  // namespace tarnel
