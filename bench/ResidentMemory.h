#pragma once
#include <sys/types.h>

#include <fstream>
#include <string>

namespace tarnel {

// Resident memory (VmRSS) of a process, in MB; -1 when it cannot be read.
inline double ResidentMegabytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return -1;
}

}  // namespace tarnel
