#include "service/config/IniReadWriter.h"

#include <cerrno>

#include "service/config/IniFile.h"
#include "service/base/TextFile.h"
#include "service/base/ProgramModule.h"
#include "service/base/WriteReport.h"

namespace tarnel {

namespace {

// The Windows profile functions fill a 128-character buffer, null included.
constexpr size_t kMaxValueLength = 127;

// A line break would split the entry and plant text of the caller's choosing as
// further lines; a key with '=' or a leading ';' or '[' could never be read back.
bool CanBeWritten(const std::string& Section, const std::string& Key, const std::string& Value) {
    const auto hasLineBreak = [](const std::string& s) {
        return s.find_first_of("\r\n") != std::string::npos;
    };
    const auto keyStart = Key.find_first_not_of(" \t");
    return !hasLineBreak(Section) && !hasLineBreak(Key) && !hasLineBreak(Value) &&
           keyStart != std::string::npos && Key[keyStart] != ';' && Key[keyStart] != '[' &&
           Key.find('=') == std::string::npos;
}

}  // namespace

std::string IniReadWriter::GetProfile(const std::string& Section, const std::string& Key,
                                      const std::string& Default,
                                      const std::string& FileName) const {
    std::string text;
    const auto value = TextFile::Read(FileName, text) == TextFile::ReadResult::Read
                           ? IniFile(text).Value(Section, Key)
                           : std::nullopt;
    return value.value_or(Default).substr(0, kMaxValueLength);
}

void IniReadWriter::WriteProfile(const std::string& Section, const std::string& Key,
                                 const std::string& Value, const std::string& FileName) const {
    if (!CanBeWritten(Section, Key, Value)) return;
    std::string text;
    // A file that exists but cannot be read must not be replaced by one holding
    // this key alone.
    if (TextFile::Read(FileName, text) == TextFile::ReadResult::Failed) {
        WriteReport::Failed(FileName, errno, LogMessage);
        return;
    }
    IniFile file(text);
    file.SetValue(Section, Key, Value);
    if (TextFile::Replace(FileName, file.Text())) {
        WriteReport::Written(FileName, LogMessage);
    } else {
        WriteReport::Failed(FileName, errno, LogMessage);
    }
}

}  // namespace tarnel
