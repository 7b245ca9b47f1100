// Internal to the video layer: where its log lines and caught exceptions go.
#pragma once

#include <string>

namespace trov {

// One entry of the program's log (written only when logging is on).
void VideoLog(const std::string& text);
// Hands a caught exception to the fatal-exception report under the operation's name.
void ReportVideoFatalException(const std::string& section);

}  // namespace trov
