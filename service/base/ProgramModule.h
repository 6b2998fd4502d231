#pragma once
#include <functional>
#include <optional>
#include <string>

namespace tarnel {

// The program's own folder: TARNEL_HOME when set, else the executable's folder.
// Configuration, ServerAlias.ini, the log and the simulation files live there.
std::string ProgramFolder();

// The first folder that systemd names in one of its directory variables
// (several are separated by colons); nothing when it names none.
std::optional<std::string> SystemdDirectory(const char* strVariable);

// Where a service that systemd runs finds its files: the folder of
// CONFIGURATION_DIRECTORY (configuration, stream file, ServerAlias.ini, the
// simulation's scenario), STATE_DIRECTORY (what the service writes besides its
// log) and LOGS_DIRECTORY (the log). Without the variable, the program folder.
std::string ConfigurationFolder();
std::string StateFolder();
std::string LogFolder();

// Appends one time-stamped line to TarnelService.log in LogFolder().
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
