#pragma once
#include <fcntl.h>

#include <cerrno>
#include <set>
#include <string>

#include "service/base/FileSystem.h"

namespace tarnel {

// Replaces the program's file system while it lives, fails one kind of call with
// a chosen errno and passes the rest to the real one. With a path part given,
// only calls on files whose path holds it fail. ShortWrite writes half of the
// data for real and reports that much, as a filling disk does.
class FailingFileSystem : public FileSystem {
public:
    enum class Call { None, OpenForReading, Create, Read, Write, ShortWrite, Fsync, Rename };

    FailingFileSystem(Call failing, int nErrno, std::string strPathPart = "")
        : m_Failing(failing), m_Errno(nErrno), m_strPathPart(std::move(strPathPart)) {
        m_Previous = FileSystem::Replace(this);
    }
    ~FailingFileSystem() override { FileSystem::Replace(m_Previous); }
    FailingFileSystem(const FailingFileSystem&) = delete;
    FailingFileSystem& operator=(const FailingFileSystem&) = delete;

    int Open(const std::string& strPath, int nFlags, mode_t nMode) override {
        const bool bTarget = Targets(strPath);
        if (bTarget && Fails((nFlags & O_CREAT) != 0 ? Call::Create : Call::OpenForReading)) {
            return -1;
        }
        const int fd = FileSystem::Open(strPath, nFlags, nMode);
        if (fd >= 0) ++m_OpenDescriptors;
        if (fd >= 0 && bTarget) m_TargetDescriptors.insert(fd);
        return fd;
    }
    ssize_t Read(int nFd, void* pData, size_t nSize) override {
        return Fails(nFd, Call::Read) ? -1 : FileSystem::Read(nFd, pData, nSize);
    }
    ssize_t Write(int nFd, const void* pData, size_t nSize) override {
        if (Fails(nFd, Call::Write)) return -1;
        if (m_Failing == Call::ShortWrite && m_TargetDescriptors.count(nFd) != 0) {
            // The disk is full after the first half: the next write fails.
            if (!m_FullDescriptors.insert(nFd).second || nSize < 2) {
                Fails(Call::ShortWrite);
                return -1;
            }
            return FileSystem::Write(nFd, pData, nSize / 2);
        }
        return FileSystem::Write(nFd, pData, nSize);
    }
    int Fsync(int nFd) override { return Fails(nFd, Call::Fsync) ? -1 : FileSystem::Fsync(nFd); }
    int Close(int nFd) override {
        --m_OpenDescriptors;
        m_TargetDescriptors.erase(nFd);
        m_FullDescriptors.erase(nFd);
        return FileSystem::Close(nFd);
    }
    int Rename(const std::string& strFrom, const std::string& strTo) override {
        return Targets(strTo) && Fails(Call::Rename) ? -1 : FileSystem::Rename(strFrom, strTo);
    }

    // Descriptors opened through this file system and not closed again.
    int OpenDescriptors() const { return m_OpenDescriptors; }

private:
    bool Targets(const std::string& strPath) const {
        return strPath.find(m_strPathPart) != std::string::npos;
    }
    bool Fails(int nFd, Call call) const {
        return m_TargetDescriptors.count(nFd) != 0 && Fails(call);
    }
    bool Fails(Call call) const {
        if (call != m_Failing) return false;
        errno = m_Errno;
        return true;
    }

    Call m_Failing;
    int m_Errno;
    std::string m_strPathPart;
    std::set<int> m_TargetDescriptors;
    std::set<int> m_FullDescriptors;
    FileSystem* m_Previous;
    int m_OpenDescriptors = 0;
};

}  // namespace tarnel
