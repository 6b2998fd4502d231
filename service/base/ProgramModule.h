#pragma once
#include <functional>
#include <string>

namespace tarnel {

// The program's own folder: TARNEL_HOME when set, else the executable's folder.
// Configuration, ServerAlias.ini, the log and the simulation files live there.
std::string ProgramFolder();

// Appends one time-stamped line to TarnelService.log in the program's folder.
// A CR or LF inside the message is written as \r or \n, so an entry is always
// one line. An entry is written whole or not at all; one that cannot be
// written is lost, and the caller never learns of it: the failing log is told
// once on standard error, and once more when it is written again.
void LogMessage(const std::string& strMessage);

// Also hands every entry, as given, to listener (none: only the file). Set
// while the program has one thread.
void LogListener(std::function<void(const std::string& strMessage)> listener);

// True when the file at strPath can be opened for reading; false for a folder.
bool FileExists(const std::string& strPath);

}  // namespace tarnel
