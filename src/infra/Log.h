// The process-wide log file "TROV.log": off unless the program is started with "-DEBUG".
#pragma once

#include <string>

namespace trov {

inline constexpr const char* kLogFileName = "TROV.log";
inline constexpr const char* kProgramVersionText = "Trovamatic 3.7";

// Switches logging on or off. Thread-safe.
void EnableLog(bool enabled);
bool IsLogEnabled();

// Directory of "TROV.log" (the program directory when never set). Takes effect at the next
// opening of the file; an open file is closed so the next entry goes to the new place.
void SetLogDirectory(const std::string& directory);
// Full path of the log file as it is (or will be) opened.
std::string GetLogPath();

// Appends one entry "<%H:%M:%S> " + text + "\r\n" (local time) when enabled, and flushes it;
// does nothing when disabled. The file is opened lazily for appending (created when missing);
// when it cannot be opened the entry is dropped and the next call tries again.
// Callable from any thread; entries are whole and ordered.
void WriteLog(const std::string& text);

// Closes the log file (the next entry opens it again). Called at program exit.
void CloseLog();

// The three entries of a "-DEBUG" start: turns logging on and writes "---",
// "TROV Logging enabled!" and "Version: Trovamatic 3.7".
void StartDebugLog();

}  // namespace trov
