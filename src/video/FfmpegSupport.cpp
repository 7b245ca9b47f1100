// Encoder set-up for pasting-friendly streams, and small FFmpeg helpers.
#include "video/FfmpegSupport.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace trov::ffmpeg {

void InitLogging() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Encoders such as x264 log a page of statistics per stream at the default level.
        if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_ERROR);
    });
}

bool ParseStateText(const std::string& text, AVDictionary** dict, std::string& reason) {
    std::string cleaned;
    cleaned.reserve(text.size());
    for (char c : text) {
        if (c == '\0') break;  // a C-string terminator saved with the state
        cleaned += c;
    }
    // Leading and trailing blanks of each pair would become part of the option names.
    std::string normalised;
    size_t start = 0;
    while (start <= cleaned.size()) {
        size_t end = cleaned.find_first_of(";\r\n", start);
        if (end == std::string::npos) end = cleaned.size();
        std::string pair = cleaned.substr(start, end - start);
        size_t a = pair.find_first_not_of(" \t");
        size_t b = pair.find_last_not_of(" \t");
        if (a != std::string::npos) {
            pair = pair.substr(a, b - a + 1);
            size_t eq = pair.find('=');
            if (eq == std::string::npos || eq == 0) {
                reason = "The codec options \"" + pair + "\" are not of the form name=value.";
                return false;
            }
            std::string key = pair.substr(0, eq);
            std::string value = pair.substr(eq + 1);
            while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
            size_t v = value.find_first_not_of(" \t");
            value = v == std::string::npos ? std::string() : value.substr(v);
            av_dict_set(dict, key.c_str(), value.c_str(), 0);
        }
        if (end == cleaned.size()) break;
        start = end + 1;
    }
    return true;
}

namespace {

uint32_t EffectiveQuality(uint32_t quality) {
    return quality > kMaxQuality ? kDefaultQuality : quality;
}

// 2 at the best quality, 31 at the worst; quadratic so that the upper half of the scale, where
// people choose, spreads over the useful quantisers (7500 -> 4, 5000 -> 9).
int QuantiserFor(uint32_t quality) {
    double rest = double(kMaxQuality - EffectiveQuality(quality)) / kMaxQuality;
    return std::clamp(int(std::lround(2.0 + 29.0 * rest * rest)), 2, 31);
}

// 10 at the best quality, 45 at the worst, linear.
double CrfFor(uint32_t quality) {
    return 45.0 - 35.0 * double(EffectiveQuality(quality)) / kMaxQuality;
}

bool Supports(const AVCodec* codec, AVPixelFormat format) {
    if (!codec->pix_fmts) return true;
    for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
        if (*p == format) return true;
    return false;
}

AVPixelFormat ChoosePixelFormat(const AVCodec* codec, const VideoEncoderInfo& info) {
    if (info.lossless) {
        // Formats that hold our 8-bit BGR pixels without loss, cheapest conversion first.
        for (AVPixelFormat f : {AV_PIX_FMT_BGR24, AV_PIX_FMT_RGB24, AV_PIX_FMT_BGR0, AV_PIX_FMT_BGRA,
                                AV_PIX_FMT_RGB0, AV_PIX_FMT_GBRP})
            if (Supports(codec, f)) return f;
    }
    if (info.encoderName == "mjpeg" && Supports(codec, AV_PIX_FMT_YUVJ420P)) return AV_PIX_FMT_YUVJ420P;
    if (Supports(codec, AV_PIX_FMT_YUV420P)) return AV_PIX_FMT_YUV420P;
    return codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
}

// Takes a private "*-params" text out of the user's options so ours can be appended to it.
std::string TakeEntry(AVDictionary** dict, const char* key) {
    std::string value;
    if (const AVDictionaryEntry* e = av_dict_get(*dict, key, nullptr, 0)) {
        value = e->value;
        av_dict_set(dict, key, nullptr, 0);
    }
    return value;
}

std::string Join(const std::string& user, const std::string& ours) {
    return user.empty() ? ours : user + ":" + ours;
}

// Ut Video's code for each pixel layout its encoder takes.
uint32_t UtVideoTag(AVPixelFormat format) {
    switch (format) {
        case AV_PIX_FMT_GBRAP:
            return MakeFourCC('U', 'L', 'R', 'A');
        case AV_PIX_FMT_YUV420P:
            return MakeFourCC('U', 'L', 'Y', '0');
        case AV_PIX_FMT_YUV422P:
            return MakeFourCC('U', 'L', 'Y', '2');
        case AV_PIX_FMT_YUV444P:
            return MakeFourCC('U', 'L', 'Y', '4');
        default:
            return MakeFourCC('U', 'L', 'R', 'G');
    }
}

// The encoder, size and rate checks before anything is allocated.
const VideoEncoderInfo* CheckEncoderRequest(const CompressionOptions& options, int width, int height,
                                            AVRational frameDuration, std::string& reason) {
    const VideoEncoderInfo* info = FindVideoEncoder(options.fccHandler);
    if (!info) {
        reason = "There is no video encoder for the codec \"" + FourCCToString(options.fccHandler) +
                 "\" on this machine.";
        return nullptr;
    }
    if (width < 1 || height < 1 || width > 16384 || height > 16384) {
        reason = "The picture size " + std::to_string(width) + " x " + std::to_string(height) +
                 " cannot be compressed.";
        return nullptr;
    }
    if (frameDuration.num <= 0 || frameDuration.den <= 0) {
        reason = "The frame rate is not valid.";
        return nullptr;
    }
    return info;
}

// Size, time base and pixel format of the context; false for a size the encoder cannot take.
bool SetPictureFormat(AVCodecContext* ctx, const AVCodec* codec, const VideoEncoderInfo& info, int width,
                      int height, AVRational frameDuration, const std::string& muxer, VideoEncoder& encoder,
                      std::string& reason) {
    ctx->width = width;
    ctx->height = height;
    // Some encoders (MPEG-4) refuse time bases with terms above 16 bits; the container keeps the
    // exact rate, only the encoder's rate control sees the approximation.
    int num = frameDuration.num, den = frameDuration.den;
    av_reduce(&num, &den, frameDuration.num, frameDuration.den, 65535);
    ctx->time_base = AVRational{num, den};
    ctx->framerate = AVRational{den, num};
    encoder.pixelFormat = ChoosePixelFormat(codec, info);
    ctx->pix_fmt = encoder.pixelFormat;
    if (info.encoderName == "libx264" && ((width | height) & 1)) {
        reason = "H.264 needs an even width and height; " + std::to_string(width) + " x " +
                 std::to_string(height) + " is not.";
        return false;
    }
    if (encoder.pixelFormat == AV_PIX_FMT_YUVJ420P) ctx->color_range = AVCOL_RANGE_JPEG;
    ctx->sample_aspect_ratio = AVRational{1, 1};
    ctx->thread_count = 0;
    if (muxer != "avi") ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return true;
}

// The user's stored encoder options; x264-params and x265-params are handed back to be joined with ours.
bool ApplyUserOptions(AVCodecContext* ctx, const CompressionOptions& options, const VideoEncoderInfo& info,
                      std::string& x264Params, std::string& x265Params, std::string& reason) {
    AVDictionary* dict = nullptr;
    if (!ParseStateText(options.GetStateText(), &dict, reason)) {
        av_dict_free(&dict);
        return false;
    }
    x264Params = TakeEntry(&dict, "x264-params");
    x265Params = TakeEntry(&dict, "x265-params");
    if (dict && av_opt_set_dict2(ctx, &dict, AV_OPT_SEARCH_CHILDREN) < 0) {
        av_dict_free(&dict);
        reason = "The codec options could not be applied.";
        return false;
    }
    if (dict) {
        std::string unknown;
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)))
            unknown += std::string(unknown.empty() ? "" : ", ") + e->key;
        av_dict_free(&dict);
        reason = "The encoder " + info.encoderName + " does not know the option(s) " + unknown + ".";
        return false;
    }
    return true;
}

// The rules that make separately written parts paste into one clean stream; they are set after
// the user's options so that those cannot break them.
bool ApplyPasteRules(AVCodecContext* ctx, const CompressionOptions& options, const VideoEncoderInfo& info,
                     const std::string& x264Params, const std::string& x265Params, std::string& reason) {
    int gop = int(std::max<uint32_t>(1, std::min<uint32_t>(options.dwKeyFrameEvery, 100000)));
    ctx->gop_size = gop;
    ctx->keyint_min = gop;
    ctx->max_b_frames = 0;
    ctx->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    if (options.dwBytesPerSecond != 0) {
        ctx->bit_rate = int64_t(options.dwBytesPerSecond) * 8;
    } else if (info.quality == QualityMapping::Quantiser) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * QuantiserFor(options.dwQuality);
    } else if (info.quality == QualityMapping::Crf) {
        av_opt_set_double(ctx->priv_data, "crf", CrfFor(options.dwQuality), 0);
    }
    if (info.encoderName == "libx264") {
        av_opt_set(ctx->priv_data, "x264-params",
                   Join(x264Params, "scenecut=0:open-gop=0:bframes=0:repeat-headers=1").c_str(), 0);
    } else if (!x264Params.empty()) {
        reason = "The encoder " + info.encoderName + " does not know the option(s) x264-params.";
        return false;
    }
    if (info.encoderName == "libx265") {
        std::string ours =
            "bframes=0:scenecut=0:open-gop=0:repeat-headers=1:log-level=error:keyint=" + std::to_string(gop) +
            ":min-keyint=" + std::to_string(gop);
        av_opt_set(ctx->priv_data, "x265-params", Join(x265Params, ours).c_str(), 0);
    } else if (!x265Params.empty()) {
        reason = "The encoder " + info.encoderName + " does not know the option(s) x265-params.";
        return false;
    }
    // The MPEG video family inserts key frames at scene changes unless told not to. (x264 reads the
    // same option name the other way round, so only these get it.)
    if (info.encoderName == "mpeg4" || info.encoderName == "msmpeg4" || info.encoderName == "msmpeg4v2" ||
        info.encoderName == "mjpeg")
        av_opt_set_int(ctx->priv_data, "sc_threshold", 1000000000, 0);
    return true;
}

}  // namespace

bool OpenVideoEncoder(const CompressionOptions& options, int width, int height, AVRational frameDuration,
                      const std::string& muxer, VideoEncoder& encoder, std::string& reason) {
    InitLogging();
    encoder = VideoEncoder();
    const VideoEncoderInfo* info = CheckEncoderRequest(options, width, height, frameDuration, reason);
    if (!info) return false;
    encoder.info = info;
    if (info->encoderName == "rawvideo" && muxer == "avi") {
        // The DIB rows go into the file as they are (bottom-up, padded); no encoder needed.
        encoder.dibPassThrough = true;
        encoder.pixelFormat = AV_PIX_FMT_BGR24;
        return true;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(info->encoderName.c_str());
    if (!codec) {
        reason = "The video encoder \"" + info->encoderName + "\" is missing.";
        return false;
    }
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        reason = "Out of memory.";
        return false;
    }
    std::string x264Params, x265Params;
    if (!SetPictureFormat(ctx.get(), codec, *info, width, height, frameDuration, muxer, encoder, reason) ||
        !ApplyUserOptions(ctx.get(), options, *info, x264Params, x265Params, reason) ||
        !ApplyPasteRules(ctx.get(), options, *info, x264Params, x265Params, reason))
        return false;
    int err = avcodec_open2(ctx.get(), codec, nullptr);
    if (err < 0) {
        reason = "The encoder " + info->encoderName + " refuses " + std::to_string(width) + " x " +
                 std::to_string(height) + " pictures with these settings (" + ErrorText(err) + ").";
        return false;
    }
    // The container's default code is not always right: Ut Video's names the pixel layout, and
    // Matroska and QuickTime would otherwise take the first one of the codec (4-plane RGBA), which
    // decoders then read from our 3-plane frames. MPEG-4 streams may carry the code a Windows
    // decoder expects ("XVID", "DIVX").
    if (info->encoderName == "utvideo")
        encoder.codecTag = UtVideoTag(ctx->pix_fmt);
    else if (muxer == "avi")
        encoder.codecTag = info->encoderName == "mpeg4" ? options.fccHandler : info->fourCC;
    encoder.context = std::move(ctx);
    return true;
}

}  // namespace trov::ffmpeg
