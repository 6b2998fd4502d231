#include "tests/support/WatchedFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace tarnel {
namespace {

using Clock = std::chrono::steady_clock;

bool Readable(int fd) {
    pollfd pfd{fd, POLLIN, 0};
    return fd >= 0 && poll(&pfd, 1, 0) == 1;
}

void Drain(int fd) {
    char buffer[4096];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
}

}  // namespace

WatchedFile::WatchedFile(std::string strPath) : m_Path(std::move(strPath)) {
    const int fd = open(m_Path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) close(fd);
    m_Inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_Inotify >= 0) inotify_add_watch(m_Inotify, m_Path.c_str(), IN_MODIFY);
}

WatchedFile::~WatchedFile() {
    if (m_Inotify >= 0) close(m_Inotify);
}

std::string WatchedFile::Text() const {
    std::ifstream in(m_Path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::string> WatchedFile::FindLine(const std::string& strText) {
    std::ifstream in(m_Path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(m_Offset));
    for (std::string line; std::getline(in, line);) {
        // A line still being written is looked at again once it is whole.
        if (in.eof()) break;
        m_Offset += line.size() + 1;
        if (line.find(strText) != std::string::npos) return line;
    }
    return std::nullopt;
}

std::optional<std::string> WatchedFile::WaitForLine(const std::string& strText,
                                                    std::chrono::milliseconds limit, int nWakeFd) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        // Woken before reading: the read then sees all the writer wrote.
        const bool bWoken = Readable(nWakeFd);
        if (auto line = FindLine(strText)) return line;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (bWoken || left.count() <= 0 || m_Inotify < 0) return std::nullopt;
        pollfd pfds[2] = {{m_Inotify, POLLIN, 0}, {nWakeFd, POLLIN, 0}};
        if (poll(pfds, nWakeFd >= 0 ? 2 : 1, static_cast<int>(left.count())) < 0 &&
            errno != EINTR) {
            return std::nullopt;
        }
        Drain(m_Inotify);
    }
}

}  // namespace tarnel
