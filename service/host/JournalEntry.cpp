#include "service/host/JournalEntry.h"

#include <regex>

namespace tarnel {

namespace {

enum class Subject { None, Stream, Operation };

// The service's own log lines by their shape: the first rule that matches
// gives the priority, and whether the text before the first ": " names a
// stream or an OPC operation.
struct Rule {
    std::regex shape;
    int priority;
    Subject subject;
};

const std::vector<Rule>& Rules() {
    static const std::vector<Rule> rules = [] {
        const auto rule = [](const char* szShape, int nPriority, Subject subject) {
            return Rule{std::regex(szShape, std::regex::optimize), nPriority, subject};
        };
        return std::vector<Rule>{
            rule("^Service ends: ", JournalEntry::kErr, Subject::None),
            rule("^[^:]+: Error 0x[0-9A-F]+, ", JournalEntry::kErr, Subject::Operation),
            rule("^.+: Warning - .+ Not Specified$", JournalEntry::kWarning, Subject::Stream),
            rule("^.+: .+ Not Specified$", JournalEntry::kErr, Subject::Stream),
            rule("^.+: value .* cannot be taken as a float; ", JournalEntry::kWarning,
                 Subject::Stream),
            rule("^.+: Z did not converge ", JournalEntry::kWarning, Subject::Stream),
            rule("^.+: Z converges again ", JournalEntry::kInfo, Subject::Stream),
            rule("^Stopped: \\[", JournalEntry::kErr, Subject::None),
            rule("requested disconnection|not started|cannot|refused| lost|broken off|^[A-Za-z]+: "
                 "no scenario|^Simulation: scenario file ",
                 JournalEntry::kWarning, Subject::None)};
    }();
    return rules;
}

}  // namespace

JournalEntry JournalEntry::FromLogLine(const std::string& strLine) {
    JournalEntry entry;
    entry.Message = strLine;
    for (const auto& rule : Rules()) {
        if (!std::regex_search(strLine, rule.shape)) continue;
        entry.Priority = rule.priority;
        const std::string strSubject = strLine.substr(0, strLine.find(": "));
        if (rule.subject == Subject::Stream) entry.Stream = strSubject;
        if (rule.subject == Subject::Operation) entry.Operation = strSubject;
        break;
    }
    return entry;
}

std::vector<std::string> JournalEntry::Fields() const {
    std::vector<std::string> fields = {"MESSAGE=" + Message, "PRIORITY=" + std::to_string(Priority),
                                       "SYSLOG_IDENTIFIER=TarnelSvc"};
    if (!Stream.empty()) fields.push_back("TARNEL_STREAM=" + Stream);
    if (!Operation.empty()) fields.push_back("TARNEL_OPERATION=" + Operation);
    return fields;
}

}  // namespace tarnel
