#include "service/base/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace tarnel {

namespace {

FileSystem g_RealFileSystem;
std::atomic<FileSystem*> g_CurrentFileSystem{&g_RealFileSystem};

}  // namespace

int FileSystem::Open(const std::string& strPath, int nFlags, mode_t nMode) {
    int fd;
    do {
        fd = ::open(strPath.c_str(), nFlags | O_CLOEXEC, nMode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t FileSystem::Read(int nFd, void* pData, size_t nSize) {
    ssize_t n;
    do {
        n = ::read(nFd, pData, nSize);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t FileSystem::Write(int nFd, const void* pData, size_t nSize) {
    ssize_t n;
    do {
        n = ::write(nFd, pData, nSize);
    } while (n < 0 && errno == EINTR);
    return n;
}

int FileSystem::Fsync(int nFd) { return ::fsync(nFd); }

// Not retried on EINTR: the descriptor is released either way on Linux.
int FileSystem::Close(int nFd) { return ::close(nFd); }

int FileSystem::Rename(const std::string& strFrom, const std::string& strTo) {
    return std::rename(strFrom.c_str(), strTo.c_str());
}

int FileSystem::Unlink(const std::string& strPath) { return ::unlink(strPath.c_str()); }

off_t FileSystem::Lseek(int nFd, off_t nOffset, int nWhence) {
    return ::lseek(nFd, nOffset, nWhence);
}

int FileSystem::Ftruncate(int nFd, off_t nLength) {
    int n;
    do {
        n = ::ftruncate(nFd, nLength);
    } while (n < 0 && errno == EINTR);
    return n;
}

FileSystem& FileSystem::Current() { return *g_CurrentFileSystem.load(); }

FileSystem* FileSystem::Replace(FileSystem* pFileSystem) {
    return g_CurrentFileSystem.exchange(pFileSystem != nullptr ? pFileSystem : &g_RealFileSystem);
}

}  // namespace tarnel
