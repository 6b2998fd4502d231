#pragma once
#include "service/host/IJournal.h"

namespace tarnel {

// While it lives, every log entry also goes to the journal as a JournalEntry.
class JournalTap {
public:
    explicit JournalTap(IJournal& journal);
    ~JournalTap();
    JournalTap(const JournalTap&) = delete;
    JournalTap& operator=(const JournalTap&) = delete;
};

}  // namespace tarnel
