#include "service/host/SystemdJournal.h"

#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <cstdlib>

namespace tarnel {

bool SystemdJournal::UnderSystemd() {
    const char* szId = std::getenv("INVOCATION_ID");
    return szId != nullptr && *szId != '\0';
}

void SystemdJournal::Send(const std::vector<std::string>& fields) {
    std::vector<iovec> parts;
    parts.reserve(fields.size());
    for (const auto& field : fields) {
        parts.push_back({const_cast<char*>(field.data()), field.size()});
    }
    sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
}

}  // namespace tarnel
