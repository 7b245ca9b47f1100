// Log and fatal-exception hand-over of the video layer.
#include "video/VideoLog.h"

#include "infra/FatalReport.h"
#include "infra/Log.h"

namespace trov {

void VideoLog(const std::string& text) {
    WriteLog(text);
}

void ReportVideoFatalException(const std::string& section) {
    ReportFatalException(section);
}

}  // namespace trov
