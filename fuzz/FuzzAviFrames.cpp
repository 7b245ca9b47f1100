// Fuzz harness: the AVI frame reader over FFmpeg, reading the clip from memory: frame count, the
// first frames in order, a jump to the last frame and back to the start (as a list refresh and a
// creation read a clip).
extern "C" {
#include <libavutil/log.h>
}

#include "FuzzSupport.h"
#include "video/AVIFrameReader.h"

using namespace trov;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    // Damaged clips make the demuxer and the decoders complain on every call.
    av_log_set_level(AV_LOG_QUIET);
    CAVIFrameReader reader;
    const std::string name = "fuzz.avi";
    if (!reader.OpenMemory(data, size, name)) return 0;
    int count = reader.GetFrameCount(name);
    if (count > 0) {
        for (int frame : {0, 1, 2, count - 1, count / 2, 0}) {
            auto picture = reader.ReadVideoFrame(name, frame);
            (void)picture;
        }
    }
    reader.Close();
    return 0;
}
