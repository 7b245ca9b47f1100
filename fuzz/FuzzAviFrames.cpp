// Fuzz harness: the AVI frame reader over FFmpeg, reading the clip from memory: frame count, the
// first frames in order, a jump to the last frame and back to the start (as a list refresh and a
// creation read a clip).
extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "FuzzSupport.h"
#include "infra/ByteOrder.h"
#include "video/AVIFrameReader.h"

using namespace trov;

namespace {

constexpr int64_t kDecodePixels = int64_t(4) << 20;

// The largest frame any "strf" chunk of the file declares (a bitmap header's width and height),
// 0 when none does. Every such chunk counts, wherever it sits: a damaged file may still be read
// by the demuxer with a header this search would not place.
int64_t DeclaredFramePixels(const uint8_t* data, size_t size) {
    int64_t largest = 0;
    for (size_t i = 0; i + 20 <= size; ++i) {
        if (std::memcmp(data + i, "strf", 4) != 0) continue;
        if (ReadLe32(data + i + 4) < 12) continue;  // too short for a size
        const int64_t width = std::llabs(int64_t(int32_t(ReadLe32(data + i + 12))));
        const int64_t height = std::llabs(int64_t(int32_t(ReadLe32(data + i + 16))));
        largest = std::max(largest, width * height);
    }
    return largest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    // Damaged clips make the demuxer and the decoders complain on every call.
    av_log_set_level(AV_LOG_QUIET);
    // A few hundred bytes can declare a frame of 12 megapixels; opening such a clip sets up its
    // decoder (the demuxer probes a frame), which zeroes buffers of that size: over a second under
    // the sanitizers, and it starves the search. Those clips are left out (the unit tests read
    // large frames); the same file declaring a small frame takes the same paths.
    if (DeclaredFramePixels(data, size) > kDecodePixels) return 0;
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
