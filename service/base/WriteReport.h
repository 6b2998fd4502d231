#pragma once
#include <string>

namespace tarnel {

// Tells that a file cannot be written once, not at every failed write, and
// once more when it is written again. Which files are failing is kept for the
// whole process, by path, so that every writer of a file shares one account.
class WriteReport {
public:
    using Tell = void (*)(const std::string& strMessage);

    // After a failed write: "Cannot write <path>: <reason>", when the file was
    // written at its last try (or never tried).
    static void Failed(const std::string& strPath, int nErrno, Tell tell);
    // After a write that succeeded: "<path> is written again", when it had failed.
    static void Written(const std::string& strPath, Tell tell);

    // Where the log itself cannot be written, or nothing logs (the command line).
    static void ToStandardError(const std::string& strMessage);
};

}  // namespace tarnel
