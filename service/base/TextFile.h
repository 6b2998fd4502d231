#pragma once
#include <string>

namespace tarnel {

// Whole-file access for small configuration files, through FileSystem so that
// failures can be injected in tests.
class TextFile {
public:
    enum class ReadResult { Read, Missing, Failed };

    // Reads the whole file into strContents (emptied unless the result is Read).
    // Anything but a regular file (a folder, a FIFO, a device) is Failed.
    static ReadResult Read(const std::string& strPath, std::string& strContents);

    // Replaces the file with strContents atomically: the text goes to a temporary
    // file beside it, which is flushed to disk and then renamed over the original.
    // A crash at any point leaves either the old file or the new one, never a
    // truncated one. Returns false with errno set, and leaves the original
    // untouched, on failure.
    static bool Replace(const std::string& strPath, const std::string& strContents);
};

}  // namespace tarnel
