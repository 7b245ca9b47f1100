// Forwards audio log entries and fatal reports to the infrastructure's log and report.
#include "audio/AudioLog.h"

#include "infra/FatalReport.h"
#include "infra/Log.h"

namespace trov {

void AudioLog(const std::string& text) {
    WriteLog(text);
}

void AudioReportFatal(const std::string& section) {
    ReportFatalException(section);
}

}  // namespace trov
