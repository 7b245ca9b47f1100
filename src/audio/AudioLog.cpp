// Forwards audio log entries and fatal reports to the infrastructure's log.
#include "audio/AudioLog.h"

#include <cstdio>

namespace trov {

void AudioLog(const std::string& text) { (void)text; }

void AudioReportFatal(const std::string& section) {
    std::fprintf(stderr, "Fatal Exception occured!\n\nSection: %s\n", section.c_str());
}

}  // namespace trov
