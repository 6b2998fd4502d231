#include "service/host/JournalTap.h"

#include "service/base/ProgramModule.h"
#include "service/host/JournalEntry.h"

namespace tarnel {

JournalTap::JournalTap(IJournal& journal) {
    LogListener([&journal](const std::string& strMessage) {
        journal.Send(JournalEntry::FromLogLine(strMessage).Fields());
    });
}

JournalTap::~JournalTap() { LogListener(nullptr); }

}  // namespace tarnel
