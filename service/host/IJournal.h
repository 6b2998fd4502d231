#pragma once
#include <string>
#include <vector>

namespace tarnel {

// Where log entries go besides the log file: the system journal, or a test's
// record of what would have gone there.
class IJournal {
public:
    virtual ~IJournal() = default;
    // One entry, its fields "NAME=value" each.
    virtual void Send(const std::vector<std::string>& fields) = 0;
};

}  // namespace tarnel
