// The audio layer's way into the log file and the fatal-exception report.
#pragma once

#include <string>

namespace trov {

// One log entry (written only when logging is on).
void AudioLog(const std::string& text);
// Hands a caught exception of the named operation to the fatal-exception report.
void AudioReportFatal(const std::string& section);

}  // namespace trov
