#include "service/config/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include "service/base/FileSystem.h"

namespace tarnel {

namespace {

bool WriteAll(FileSystem& fs, int fd, const std::string& strContents) {
    size_t done = 0;
    while (done < strContents.size()) {
        const ssize_t n = fs.Write(fd, strContents.data() + done, strContents.size() - done);
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writing through a symbolic link must replace the file it points at, not the link.
std::string RealTarget(const std::string& strPath) {
    std::error_code ec;
    const auto target = std::filesystem::canonical(strPath, ec);
    return ec ? strPath : target.string();
}

// A name unique among the writers of this process and of other processes.
std::string TemporaryName(const std::string& strTarget) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path target(strTarget);
    std::string name = ".";
    name.append(target.filename().string()).append(".").append(std::to_string(::getpid()));
    name.append(".").append(std::to_string(counter++)).append(".tmp");
    return (target.parent_path() / name).string();
}

// The replacement keeps the permissions of the file it replaces.
mode_t ModeFor(const std::string& strTarget) {
    struct stat info {};
    return ::stat(strTarget.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0666;
}

}  // namespace

TextFile::ReadResult TextFile::Read(const std::string& strPath, std::string& strContents) {
    strContents.clear();
    FileSystem& fs = FileSystem::Current();
    const int fd = fs.Open(strPath, O_RDONLY, 0);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    char buffer[65536];
    ssize_t n;
    while ((n = fs.Read(fd, buffer, sizeof buffer)) > 0) {
        strContents.append(buffer, static_cast<size_t>(n));
    }
    fs.Close(fd);
    if (n == 0) return ReadResult::Read;
    strContents.clear();
    return ReadResult::Failed;
}

bool TextFile::Replace(const std::string& strPath, const std::string& strContents) {
    FileSystem& fs = FileSystem::Current();
    const std::string target = RealTarget(strPath);
    const std::string temporary = TemporaryName(target);
    const int fd = fs.Open(temporary, O_WRONLY | O_CREAT | O_EXCL, ModeFor(target));
    if (fd < 0) return false;
    const bool bWritten = WriteAll(fs, fd, strContents) && fs.Fsync(fd) == 0;
    const int nWriteError = errno;
    const bool bClosed = fs.Close(fd) == 0;
    if (!bWritten) errno = nWriteError;
    if (bWritten && bClosed && fs.Rename(temporary, target) == 0) return true;
    const int nError = errno;
    fs.Unlink(temporary);
    errno = nError;
    return false;
}

}  // namespace tarnel
