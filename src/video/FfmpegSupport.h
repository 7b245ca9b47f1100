// Internal to the video layer: FFmpeg headers, the owning wrappers (FfmpegOwners.h), and the
// encoder set-up shared by the writer and the codec test. Never include this outside src/video.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

#include "imaging/Picture.h"
#include "video/FfmpegOwners.h"
#include "video/VideoCodecs.h"
#include "video/VideoTypes.h"

namespace trov::ffmpeg {

// Quietens FFmpeg's informational chatter once per process (errors still reach stderr).
void InitLogging();

// Everything needed to run one video encoder for our bottom-up BGR frames.
struct VideoEncoder {
    const VideoEncoderInfo* info = nullptr;
    CodecContextPtr context;  // null for the raw DIB pass-through
    bool dibPassThrough = false;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    uint32_t codecTag = 0;  // the code written into the container (0 = the muxer's default)
};

// Opens an encoder for width x height frames at the frame duration scale/rate (in seconds) with the
// given options, following the rules pasting needs: no B-frames, closed GOPs of exactly
// options.dwKeyFrameEvery frames (scene-cut key frames off), headers in-band at every key frame.
// globalHeader: the container wants codec headers out of band (Matroska, MP4); the in-band headers
// stay where the encoder can keep them.
// muxer: the container's muxer name ("avi" allows the DIB pass-through).
// False with a reason when the encoder is missing or refuses the settings.
bool OpenVideoEncoder(const CompressionOptions& options, int width, int height, AVRational frameDuration,
                      const std::string& muxer, VideoEncoder& encoder, std::string& reason);

// Applies the key=value pairs of a codec state text; pairs FFmpeg does not know are reported.
bool ParseStateText(const std::string& text, AVDictionary** dict, std::string& reason);

}  // namespace trov::ffmpeg
