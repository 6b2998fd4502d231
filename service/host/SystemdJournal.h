#pragma once
#include "service/host/IJournal.h"

namespace tarnel {

// The system journal through libsystemd. A journal that cannot take an
// entry loses it; the log file still has it.
class SystemdJournal : public IJournal {
public:
    // Whether systemd runs this program as a service (it gave the process its
    // invocation id), so that its entries belong in the journal.
    static bool UnderSystemd();

    void Send(const std::vector<std::string>& fields) override;
};

}  // namespace tarnel
