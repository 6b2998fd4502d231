#pragma once
#include <sys/types.h>

#include <string>

namespace tarnel {

// The one seam between the program's file access and the operating system.
// Every file the service writes, and the registry, goes through the current
// instance (a loaded component has one of its own), so tests can replace it to
// produce failures a real disk will not produce on demand (full disk, no
// permission). The methods follow POSIX: -1 with errno set on failure.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual int Open(const std::string& strPath, int nFlags, mode_t nMode);
    virtual ssize_t Read(int nFd, void* pData, size_t nSize);
    virtual ssize_t Write(int nFd, const void* pData, size_t nSize);
    virtual int Fsync(int nFd);
    virtual int Close(int nFd);
    virtual int Rename(const std::string& strFrom, const std::string& strTo);
    virtual int Unlink(const std::string& strPath);
    virtual off_t Lseek(int nFd, off_t nOffset, int nWhence);
    virtual int Ftruncate(int nFd, off_t nLength);

    static FileSystem& Current();
    // Makes pFileSystem current (nullptr restores the real one); returns the previous one.
    static FileSystem* Replace(FileSystem* pFileSystem);
};

}  // namespace tarnel
