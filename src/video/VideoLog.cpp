// Log and fatal-exception hand-over of the video layer.
#include "video/VideoLog.h"

#include <cstdio>

namespace trov {

void VideoLog(const std::string& text) { (void)text; }

void ReportVideoFatalException(const std::string& section) {
    std::fprintf(stderr, "Fatal Exception occured!\n\nSection: %s\n", section.c_str());
}

}  // namespace trov
