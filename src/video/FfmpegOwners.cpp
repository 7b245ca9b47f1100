// FFmpeg's error text for the video and audio layers.
#include "video/FfmpegOwners.h"

namespace trov::ffmpeg {

std::string ErrorText(int err) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(err, buffer, sizeof(buffer)) < 0) return "error " + std::to_string(err);
    return buffer;
}

}  // namespace trov::ffmpeg
