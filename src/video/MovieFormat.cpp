// Movie size and frame rate limits.
#include "video/MovieFormat.h"

#include <cmath>
#include <cstdio>

#include "imaging/Picture.h"

namespace trov {

std::string MovieFormatProblem(int width, int height, double fps) {
    char text[256];
    if (width < 1 || height < 1 || width > CPicture::kMaxSide || height > CPicture::kMaxSide) {
        std::snprintf(text, sizeof text, "unusable movie size %d x %d (each side must be 1 to %d)", width,
                      height, CPicture::kMaxSide);
        return text;
    }
    const long long bytes = static_cast<long long>(CPicture::StrideFor(width)) * height;
    if (bytes > CPicture::kMaxImageBytes) {
        std::snprintf(text, sizeof text,
                      "unusable movie size %d x %d (a frame would need %lld MB, at most %lld)", width, height,
                      bytes >> 20, static_cast<long long>(CPicture::kMaxImageBytes >> 20));
        return text;
    }
    if (!std::isfinite(fps) || !(fps > 0) || fps > kMaxFramesPerSecond) {
        std::snprintf(text, sizeof text,
                      "unusable frame rate %g (FramesPerSeconds must be above 0 and at most %g)", fps,
                      kMaxFramesPerSecond);
        return text;
    }
    return {};
}

}  // namespace trov
