#pragma once
#include <fcntl.h>

#include <cerrno>

#include "service/host/FileSystem.h"

namespace tarnel {

// Replaces the program's file system while it lives, fails one kind of call with
// a chosen errno and passes the rest to the real one.
class FailingFileSystem : public FileSystem {
public:
    enum class Call { None, OpenForReading, Create, Read, Write, Fsync, Rename };

    FailingFileSystem(Call failing, int nErrno) : m_Failing(failing), m_Errno(nErrno) {
        m_Previous = FileSystem::Replace(this);
    }
    ~FailingFileSystem() override { FileSystem::Replace(m_Previous); }
    FailingFileSystem(const FailingFileSystem&) = delete;
    FailingFileSystem& operator=(const FailingFileSystem&) = delete;

    int Open(const std::string& strPath, int nFlags, mode_t nMode) override {
        if (Fails((nFlags & O_CREAT) != 0 ? Call::Create : Call::OpenForReading)) return -1;
        const int fd = FileSystem::Open(strPath, nFlags, nMode);
        if (fd >= 0) ++m_OpenDescriptors;
        return fd;
    }
    ssize_t Read(int nFd, void* pData, size_t nSize) override {
        return Fails(Call::Read) ? -1 : FileSystem::Read(nFd, pData, nSize);
    }
    ssize_t Write(int nFd, const void* pData, size_t nSize) override {
        return Fails(Call::Write) ? -1 : FileSystem::Write(nFd, pData, nSize);
    }
    int Fsync(int nFd) override { return Fails(Call::Fsync) ? -1 : FileSystem::Fsync(nFd); }
    int Close(int nFd) override {
        --m_OpenDescriptors;
        return FileSystem::Close(nFd);
    }
    int Rename(const std::string& strFrom, const std::string& strTo) override {
        return Fails(Call::Rename) ? -1 : FileSystem::Rename(strFrom, strTo);
    }

    // Descriptors opened through this file system and not closed again.
    int OpenDescriptors() const { return m_OpenDescriptors; }

private:
    bool Fails(Call call) const {
        if (call != m_Failing) return false;
        errno = m_Errno;
        return true;
    }

    Call m_Failing;
    int m_Errno;
    FileSystem* m_Previous;
    int m_OpenDescriptors = 0;
};

}  // namespace tarnel
