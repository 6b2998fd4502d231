#pragma once
#include <chrono>
#include <optional>
#include <string>

namespace tarnel {

// A file another process writes, such as its log: the text so far, and waits
// for a line, woken by inotify when the file grows rather than by looking
// again and again.
class WatchedFile {
public:
    // Creates the file when missing; the watch starts here, so a line written
    // from now on is never missed.
    explicit WatchedFile(std::string strPath);
    ~WatchedFile();
    WatchedFile(const WatchedFile&) = delete;
    WatchedFile& operator=(const WatchedFile&) = delete;

    const std::string& Path() const { return m_Path; }
    std::string Text() const;
    // The next whole line containing the text, searched from after the line
    // the previous wait found. Nothing when the limit passes first, or when
    // nWakeFd (a child's pidfd) turns readable and the file, read once more,
    // still lacks it.
    std::optional<std::string> WaitForLine(const std::string& strText,
                                           std::chrono::milliseconds limit, int nWakeFd = -1);

private:
    std::optional<std::string> FindLine(const std::string& strText);

    std::string m_Path;
    int m_Inotify = -1;
    std::size_t m_Offset = 0;
};

}  // namespace tarnel
