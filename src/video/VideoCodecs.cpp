// The table of offered video encoders and the codec-choice helpers.
#include "video/VideoCodecs.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "video/ContainerCodecs.h"
#include "video/FfmpegSupport.h"

namespace trov {

std::string FourCCToString(uint32_t fourCC) {
    if (fourCC == 0) return "";
    std::string text;
    for (int i = 0; i < 4; ++i) {
        char c = char((fourCC >> (8 * i)) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

uint32_t FourCCFromString(const std::string& text) {
    if (text.size() > 4) return 0;
    std::string padded = text;
    while (padded.size() < 4) padded += ' ';
    return MakeFourCC(padded[0], padded[1], padded[2], padded[3]);
}

namespace {

struct Candidate {
    const char* fourCC;
    const char* encoder;
    const char* description;
    bool lossless;
    QualityMapping quality;
    std::vector<const char*> aliases;
};

// Offer order of the choice list: the everyday lossy codecs first, then the lossless ones.
const std::vector<Candidate>& Candidates() {
    static const std::vector<Candidate> list = {
        {"H264",
         "libx264",
         "H.264 / AVC (x264)",
         false,
         QualityMapping::Crf,
         {"h264", "X264", "x264", "AVC1", "avc1"}},
        {"MJPG", "mjpeg", "Motion JPEG", false, QualityMapping::Quantiser, {"mjpg"}},
        {"FMP4",
         "mpeg4",
         "MPEG-4 Part 2 (Xvid/DivX compatible)",
         false,
         QualityMapping::Quantiser,
         {"XVID", "xvid", "DIVX", "divx", "DX50", "dx50", "fmp4", "MP4V", "mp4v"}},
        {"MP43",
         "msmpeg4",
         "MPEG-4 Part 2 Microsoft variant version 3",
         false,
         QualityMapping::Quantiser,
         {"mp43", "DIV3", "div3"}},
        {"MP42",
         "msmpeg4v2",
         "MPEG-4 Part 2 Microsoft variant version 2",
         false,
         QualityMapping::Quantiser,
         {"mp42"}},
        {"FFV1", "ffv1", "FFV1 (lossless)", true, QualityMapping::None, {"ffv1"}},
        {"HFYU", "huffyuv", "HuffYUV (lossless)", true, QualityMapping::None, {"hfyu"}},
        {"FFVH", "ffvhuff", "HuffYUV FFmpeg variant (lossless)", true, QualityMapping::None, {"ffvh"}},
        {"ULRG", "utvideo", "Ut Video (lossless)", true, QualityMapping::None, {"ulrg", "ULRA"}},
        {"MPNG", "png", "PNG frames (lossless)", true, QualityMapping::None, {"mpng"}},
        {"DIB ", "rawvideo", "Uncompressed", true, QualityMapping::None, {"RGB ", "RAW ", "dib "}},
    };
    return list;
}

std::mutex g_chooserMutex;
VideoCodecChooser g_chooser;

}  // namespace

const std::vector<VideoEncoderInfo>& AvailableVideoEncoders() {
    static const std::vector<VideoEncoderInfo> encoders = [] {
        ffmpeg::InitLogging();
        std::vector<VideoEncoderInfo> found;
        for (const Candidate& c : Candidates()) {
            if (!avcodec_find_encoder_by_name(c.encoder)) continue;
            VideoEncoderInfo info;
            info.fourCC = FourCCFromString(c.fourCC);
            info.fourCCText = c.fourCC;
            info.encoderName = c.encoder;
            info.description = c.description;
            info.lossless = c.lossless;
            info.quality = c.quality;
            for (const char* a : c.aliases) info.aliases.push_back(FourCCFromString(a));
            found.push_back(std::move(info));
        }
        return found;
    }();
    return encoders;
}

const VideoEncoderInfo* FindVideoEncoder(uint32_t fourCC) {
    const std::vector<VideoEncoderInfo>& encoders = AvailableVideoEncoders();
    if (fourCC == 0) fourCC = FourCCFromString("DIB ");
    for (const VideoEncoderInfo& e : encoders) {
        if (e.fourCC == fourCC) return &e;
        if (std::find(e.aliases.begin(), e.aliases.end(), fourCC) != e.aliases.end()) return &e;
    }
    return nullptr;
}

std::string GetVideoCodecName(const CompressionOptions* options) {
    if (!options) return "Not set!";
    if (options->fccHandler == 0) return "";
    const VideoEncoderInfo* info = FindVideoEncoder(options->fccHandler);
    return info ? info->description : "Uncompressed";
}

bool MakeCompressionOptions(const std::string& codec, uint32_t quality, const std::string& extraOptions,
                            CompressionOptions& options) {
    const VideoEncoderInfo* found = nullptr;
    for (const VideoEncoderInfo& e : AvailableVideoEncoders()) {
        std::string fcc = e.fourCCText;
        while (!fcc.empty() && fcc.back() == ' ') fcc.pop_back();
        auto same = [](const std::string& a, const std::string& b) {
            return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                       return std::tolower(static_cast<unsigned char>(x)) ==
                              std::tolower(static_cast<unsigned char>(y));
                   });
        };
        if (same(codec, fcc) || same(codec, e.fourCCText) || same(codec, e.encoderName)) {
            found = &e;
            break;
        }
    }
    if (!found) {
        // An alias such as "XVID".
        if (codec.size() <= 4) found = FindVideoEncoder(FourCCFromString(codec));
        if (!found) return false;
    }
    options = CompressionOptions();
    options.fccHandler = codec.size() <= 4 && FindVideoEncoder(FourCCFromString(codec)) == found
                             ? FourCCFromString(codec)
                             : found->fourCC;
    options.dwQuality = quality;
    options.SetStateText(extraOptions);
    return true;
}

std::string ContainerForPath(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "avi";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "mkv") return "matroska";
    if (ext == "mp4") return "mp4";
    if (ext == "mov") return "mov";
    return "avi";
}

bool CanCompress(const CompressionOptions& options, const BitmapInfoHeader& header,
                 const std::string& outputPath, std::string* reason) {
    auto fail = [&](const std::string& why) {
        if (reason) *reason = why;
        return false;
    };
    if (header.biBitCount != 24 || header.biCompression != 0)
        return fail("Only 24-bit uncompressed pictures can be compressed.");
    const VideoEncoderInfo* info = FindVideoEncoder(options.fccHandler);
    if (!info)
        return fail("There is no video encoder for the codec \"" + FourCCToString(options.fccHandler) +
                    "\" on this machine.");
    std::string muxer = ContainerForPath(outputPath);
    const AVOutputFormat* format = av_guess_format(muxer.c_str(), nullptr, nullptr);
    const AVCodec* codec = avcodec_find_encoder_by_name(info->encoderName.c_str());
    if (!format || !codec) return fail("The container or the encoder is missing.");
    if (!ContainerHoldsVideo(muxer, info->fourCC))
        return fail(CheckOutputCombination(outputPath, info->fourCC, 0) + ".");
    CompressionOptions probe = options;
    if (probe.dwKeyFrameEvery == 0) probe.dwKeyFrameEvery = 25;
    ffmpeg::VideoEncoder encoder;
    std::string why;
    int width = header.biWidth;
    int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (!ffmpeg::OpenVideoEncoder(probe, width, height, AVRational{1, 25}, muxer, encoder, why))
        return fail(why);
    return true;
}

void SetVideoCodecChooser(VideoCodecChooser chooser) {
    std::lock_guard<std::mutex> lock(g_chooserMutex);
    g_chooser = std::move(chooser);
}

VideoCodecChooser GetVideoCodecChooser() {
    std::lock_guard<std::mutex> lock(g_chooserMutex);
    return g_chooser;
}

}  // namespace trov
