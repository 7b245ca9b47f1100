// Internal to the audio layer: the FFmpeg headers the converter and the decoder use, with the
// owning wrappers shared with the video layer. Never include this outside src/audio.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "video/FfmpegOwners.h"
