// CAVIStream: encoder set-up and frame writing, audio writing, decoding frames for reading.
#include "video/AVIStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "infra/ByteOrder.h"
#include "infra/UserPrompt.h"
#include "video/AVIContainer.h"
#include "video/AVIInternal.h"
#include "video/ContainerCodecs.h"
#include "video/FrameConversion.h"
#include "video/VideoLog.h"

namespace trov {

namespace {

constexpr const char* kCannotCompressQuestion =
    "TROV Warning:\r\n\r\nIt could be, that your selected video codec can not compress pictures with your "
    "current project settings. Do you want to re-select your video codec?";
constexpr const char* kCompressedStreamError =
    "Error: TROV can not create a compressed video stream with your current selected video codec. Maybe "
    "choose another codec or change some settings for your codec. And also check, if your selected video "
    "codec is able to compress pictures with your current set size. For example: Some video codecs can "
    "only compress pictures if width and height is dividable by 4 (for example 640 x 480).";

// swscale's fast BGR -> YUV path darkens every channel by about 2.5 levels; the accurate one stays
// within one level at under twice the cost (still small beside the encoder).
constexpr int kEncodeScaleFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP;

// Keeps a reference to the newest packet out of the encoder: the one repeats copy.
void KeepForRepeat(CAVIStream::Impl& s, const AVPacket* packet, int64_t pts) {
    if (!s.lastPacket) s.lastPacket.reset(av_packet_alloc());
    av_packet_unref(s.lastPacket.get());
    if (s.lastPacket && av_packet_ref(s.lastPacket.get(), packet) == 0) {
        s.drainedPts = pts;
    } else {
        // Out of memory: later repeats are refused and the frame is encoded again.
        s.lastPacket.reset();
        s.repeatPts = s.drainedPts = -1;
    }
}

// Points s.frame at an input frame the encoder no longer holds: every pixel of it is written next,
// so a held one is not copied (as av_frame_make_writable would) only to be overwritten. A few are
// enough for any encoder's frame threads; beyond them the first is made writable after all.
bool TakeInputFrame(CAVIStream::Impl& s, AVPixelFormat format) {
    constexpr size_t kMostFrames = 8;
    for (const ffmpeg::FramePtr& f : s.inputFrames)
        if (av_frame_is_writable(f.get())) {
            s.frame = f.get();
            return true;
        }
    if (s.inputFrames.size() >= kMostFrames) {
        s.frame = s.inputFrames.front().get();
        return av_frame_make_writable(s.frame) >= 0;
    }
    ffmpeg::FramePtr f(av_frame_alloc());
    if (!f) return false;
    f->format = format;
    f->width = s.width;
    f->height = s.height;
    if (av_frame_get_buffer(f.get(), 0) < 0) return false;
    s.frame = f.get();
    s.inputFrames.push_back(std::move(f));
    return true;
}

// Bytes of the header and palette in front of a packed bitmap's pixels.
size_t PixelOffset(const BitmapInfoHeader& h) {
    size_t offset = h.biSize + 4 * size_t(h.biClrUsed);
    if (h.biCompression == 3) offset += 12;
    return offset;
}

}  // namespace

std::vector<uint8_t> BitmapFormatBytes(int width, int height, int bits, uint32_t compression,
                                       const uint8_t* extra, int extraSize) {
    std::vector<uint8_t> f(40 + size_t(std::max(0, extraSize)), 0);
    WriteLe32(f, 0, 40);
    WriteLe32(f, 4, uint32_t(width));
    WriteLe32(f, 8, uint32_t(height));
    WriteLe16(f, 12, 1);
    WriteLe16(f, 14, uint16_t(bits));
    WriteLe32(f, 16, compression);
    // The image size is informative; a damaged stream header's absurd size must not overflow it.
    long double stride = (3.0L * std::max(0, width) + 3.0L) / 4.0L;
    long double image = 4.0L * std::floor(stride) * std::max(0, height) * std::max(0, bits) / 24.0L;
    WriteLe32(f, 20, uint32_t(std::min<long double>(image, 4294967295.0L)));
    if (extraSize > 0) std::memcpy(f.data() + 40, extra, size_t(extraSize));
    return f;
}

// ---------------------------------------------------------------------------------------------

CAVIStream::CAVIStream() : m_impl(std::make_unique<Impl>()) {}

CAVIStream::~CAVIStream() {
    Close();
}

bool CAVIStream::Fail(const std::string& reason) {
    m_lastError = reason;
    return false;
}

void CAVIStream::Close() {
    if (m_impl && m_impl->writer && m_impl->added) {
        auto& list = m_impl->writer->streams;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    m_impl = std::make_unique<Impl>();
    m_kind = kKindNone;
    m_info = AVIStreamInfo();
    m_format.clear();
    m_videoWritePosition = 0;
    m_audioWritePosition = 0;
    m_seekCount = 0;
}

bool CAVIStream::CreateNewStream(CAVIContainer& file, const AVIStreamInfo& info) {
    try {
        Close();
        if (!file.m_writer || file.m_writer->finished || file.m_writer->sealed)
            return Fail("CAVIStream::CreateNewStream: the file is not open for writing.");
        if (info.fccType != kStreamTypeVideo && info.fccType != kStreamTypeAudio)
            return Fail("CAVIStream::CreateNewStream: only video and audio streams can be made.");
        m_impl->writer = file.m_writer;
        m_info = info;
        m_kind = info.fccType == kStreamTypeVideo ? kKindVideo : kKindAudio;
        if (m_kind == kKindVideo) {
            if (info.dwScale == 0 || info.dwRate == 0) {
                Close();
                return Fail("CAVIStream::CreateNewStream: the frame rate is not valid.");
            }
            m_impl->unit = AVRational{int(std::min<uint32_t>(info.dwScale, INT32_MAX)),
                                      int(std::min<uint32_t>(info.dwRate, INT32_MAX))};
            m_impl->width = info.rcFrame.right - info.rcFrame.left;
            m_impl->height = info.rcFrame.bottom - info.rcFrame.top;
        }
        return true;
    } catch (...) {
        ReportVideoFatalException("CAVIStream::CreateNewStream");
        Close();
        return Fail("CAVIStream::CreateNewStream: unexpected failure.");
    }
}

// ---------------------------------------------------------------------------------------------
// Writing video

namespace {

// Asks the chooser until it gives a codec that can compress header's frames into this container, or
// the user keeps a choice that cannot ("Video Codec Warning!": Yes asks again). False, with the
// reason, when there is no chooser or the choice is cancelled.
bool AskForCodec(const BitmapInfoHeader& header, const std::string& muxer, const VideoCodecChooser& ask,
                 CompressionOptions& choice, std::string& failure) {
    if (!ask) {
        failure = "No video codec was chosen.";
        return false;
    }
    CompressionOptions previous;
    const std::string probe = muxer == "avi" ? "x.avi" : muxer == "matroska" ? "x.mkv" : "x." + muxer;
    for (;;) {
        choice = CompressionOptions();
        if (!ask(header, previous, choice)) {
            failure = "The codec choice was cancelled.";
            return false;
        }
        std::string why;
        if (!CanCompress(choice, header, probe, &why)) {
            VideoLog("CAVIStream::CreateCompressedStream: " + why);
            PromptAnswer answer = GetUserPrompt().Ask(kCannotCompressQuestion, "Video Codec Warning!",
                                                      PromptButtons::YesNoCancel, PromptAnswer::No);
            if (answer == PromptAnswer::Yes) {
                previous = choice;
                continue;
            }
        }
        return true;
    }
}

// The stream's parameters for the muxer: raw DIB rows, or what the opened encoder writes.
ffmpeg::ParametersPtr StreamParameters(const ffmpeg::VideoEncoder& encoder, int width, int height) {
    ffmpeg::ParametersPtr params(avcodec_parameters_alloc());
    if (encoder.dibPassThrough) {
        params->codec_type = AVMEDIA_TYPE_VIDEO;
        params->codec_id = AV_CODEC_ID_RAWVIDEO;
        params->format = AV_PIX_FMT_BGR24;
        params->width = width;
        params->height = height;
        params->bits_per_coded_sample = 24;
        params->codec_tag = 0;
    } else {
        avcodec_parameters_from_context(params.get(), encoder.context.get());
        params->codec_tag = encoder.codecTag;
    }
    params->sample_aspect_ratio = AVRational{1, 1};
    return params;
}

}  // namespace

bool CAVIStream::CreateCompressedStream(const BitmapInfoHeader& header, const CompressionOptions* options,
                                        const VideoCodecChooser& chooser) {
    m_lastError.clear();
    if (m_impl->encoderReady) return Fail("The stream already has a compressing stream.");
    if (m_kind != kKindVideo || !m_impl->writer || m_impl->writer->finished)
        return Fail("Only a video stream of a file being written can compress frames.");
    m_videoWritePosition = 0;
    const std::string muxer = m_impl->writer->muxer;
    int width = header.biWidth;
    int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;

    CompressionOptions record;
    if (options) {
        record = *options;
    } else {
        CompressionOptions choice;
        std::string failure;
        if (!AskForCodec(header, muxer, chooser ? chooser : GetVideoCodecChooser(), choice, failure))
            return Fail(failure);
        record.fccHandler = choice.fccHandler;
        record.dwQuality = choice.dwQuality;
        record.dwBytesPerSecond = choice.dwBytesPerSecond;
        record.state = choice.state;
    }
    // One key frame per second.
    double fps = GetFrameRate();
    record.dwKeyFrameEvery = uint32_t(std::max(1.0, std::min(std::floor(fps), 100000.0)));
    record.dwFlags = kKeyFrameFlag;

    if (!FindVideoEncoder(record.fccHandler)) {
        m_options = record;
        return Fail("There is no video encoder for the codec \"" + FourCCToString(record.fccHandler) +
                    "\" on this machine.");
    }
    std::string reason;
    ffmpeg::VideoEncoder encoder;
    bool opened = header.biBitCount == 24 && header.biCompression == 0 &&
                  ffmpeg::OpenVideoEncoder(record, width, height, m_impl->unit, muxer, encoder, reason);
    if (!opened) {
        if (reason.empty()) reason = "Only 24-bit uncompressed frames can be compressed.";
        VideoLog("CAVIStream::CreateCompressedStream: " + reason);
        GetUserPrompt().Message(kCompressedStreamError);
        m_options = record;
        return Fail(reason);
    }

    ffmpeg::ParametersPtr params = StreamParameters(encoder, width, height);
    m_impl->params = std::move(params);
    m_impl->encoder = std::move(encoder);
    m_impl->width = width;
    m_impl->height = height;
    m_impl->encoderReady = true;
    m_impl->encoderNeedsReopen = false;
    m_impl->encoderPts = 0;
    m_impl->intraOnly = m_impl->encoder.dibPassThrough;
    if (const AVCodecContext* ctx = m_impl->encoder.context.get()) {
        const AVCodecDescriptor* d = avcodec_descriptor_get(ctx->codec_id);
        // PNG frames stand alone too, though FFmpeg does not mark the codec so.
        m_impl->intraOnly = (d && (d->props & AV_CODEC_PROP_INTRA_ONLY)) || ctx->codec_id == AV_CODEC_ID_PNG;
    }
    m_impl->repeatPts = m_impl->drainedPts = -1;
    m_impl->pendingRepeats.clear();
    m_options = record;
    m_info.fccHandler = record.fccHandler;
    m_info.rcFrame = StreamRect{0, 0, width, height};
    m_format = BitmapFormatBytes(width, height, 24, m_impl->encoder.dibPassThrough ? 0 : record.fccHandler,
                                 m_impl->params->extradata, m_impl->params->extradata_size);
    return true;
}

bool CAVIStream::WritePacket(AVPacket* packet, int64_t units) {
    Impl& s = *m_impl;
    std::string error;
    if (!s.writer || s.writer->finished) return Fail("The file is closed.");
    if (!s.writer->EnsureHeader(error)) return Fail(error);
    if (!s.out) return Fail("The stream is not part of the file.");
    packet->stream_index = s.out->index;
    packet->dts = packet->pts = s.nextUnit;
    packet->duration = units;
    packet->pos = -1;
    av_packet_rescale_ts(packet, s.unit, s.out->time_base);
    int err = av_write_frame(s.writer->out, packet);
    av_packet_unref(packet);
    if (err < 0)
        return Fail("Writing to " + std::string(s.writer->out->url ? s.writer->out->url : "the file") +
                    " failed: " + ffmpeg::ErrorText(err));
    s.nextUnit += units;
    return true;
}

bool CAVIStream::DrainEncoder(bool flush) {
    Impl& s = *m_impl;
    AVCodecContext* ctx = s.encoder.context.get();
    if (!ctx) return true;
    if (!s.packet) s.packet.reset(av_packet_alloc());
    if (flush) {
        int err = avcodec_send_frame(ctx, nullptr);
        if (err < 0 && err != AVERROR_EOF)
            return Fail("The encoder could not be flushed: " + ffmpeg::ErrorText(err));
    }
    for (;;) {
        int err = avcodec_receive_packet(ctx, s.packet.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) break;
        if (err < 0) return Fail("The encoder failed: " + ffmpeg::ErrorText(err));
        const int64_t pts = s.packet->pts;
        if (s.intraOnly) KeepForRepeat(s, s.packet.get(), pts);
        if (!WritePacket(s.packet.get(), 1)) return false;
        // Repeats asked for while this frame was still inside the encoder follow it now.
        while (!s.pendingRepeats.empty() && s.pendingRepeats.front().first <= pts) {
            const bool mine = s.pendingRepeats.front().first == pts;
            int count = s.pendingRepeats.front().second;
            s.pendingRepeats.erase(s.pendingRepeats.begin());
            for (; mine && count > 0; --count)
                if (!WriteRepeat()) return false;
        }
    }
    if (flush) {
        s.encoderNeedsReopen = true;
        // The next encoder starts its frame numbers again; nothing of this one can be repeated.
        s.repeatPts = s.drainedPts = -1;
        s.pendingRepeats.clear();
        s.lastPacket.reset();
    }
    return true;
}

bool CAVIStream::WriteRepeat() {
    Impl& s = *m_impl;
    if (!s.packet) s.packet.reset(av_packet_alloc());
    if (!s.lastPacket || av_packet_ref(s.packet.get(), s.lastPacket.get()) < 0) return Fail("Out of memory.");
    return WritePacket(s.packet.get(), 1);
}

bool CAVIStream::CanRepeatFrames() const {
    return m_impl->encoderReady && m_impl->intraOnly;
}

bool CAVIStream::RepeatLastFrame() {
    m_lastError.clear();
    Impl& s = *m_impl;
    if (!s.encoderReady || !s.intraOnly) return Fail("The codec cannot repeat a frame without encoding it.");
    if (!s.added || !s.writer || s.writer->finished) return Fail("The stream is not part of an open file.");
    if (s.repeatPts < 0) return Fail("There is no frame to repeat.");
    if (s.drainedPts >= s.repeatPts) {
        if (!WriteRepeat()) return false;
    } else if (!s.pendingRepeats.empty() && s.pendingRepeats.back().first == s.repeatPts) {
        ++s.pendingRepeats.back().second;
    } else {
        s.pendingRepeats.emplace_back(s.repeatPts, 1);
    }
    ++m_videoWritePosition;
    ++s.length;
    m_info.dwLength = uint32_t(std::min<int64_t>(s.length, UINT32_MAX));
    return true;
}

bool CAVIStream::FlushForPaste() {
    Impl& s = *m_impl;
    bool ok = true;
    if (s.encoderReady && !s.encoderNeedsReopen && s.encoder.context) ok = DrainEncoder(true);
    // After the paste the last frame is a pasted one: nothing written before may be repeated.
    s.repeatPts = s.drainedPts = -1;
    s.pendingRepeats.clear();
    s.lastPacket.reset();
    return ok;
}

bool CAVIStream::WriteFrame(const BitmapInfoHeader* packed) {
    m_lastError.clear();
    Impl& s = *m_impl;
    if (!s.encoderReady) return Fail("The stream has no compressing stream.");
    if (!packed) return Fail("No frame.");
    if (!s.added || !s.writer || s.writer->finished) return Fail("The stream is not part of an open file.");
    if (packed->biSize != 40 || packed->biBitCount != 24 || packed->biCompression != 0 ||
        packed->biWidth != s.width || packed->biHeight != s.height)
        return Fail("The frame (" + std::to_string(packed->biWidth) + " x " +
                    std::to_string(packed->biHeight) + ", " + std::to_string(packed->biBitCount) +
                    " bits) does not match the stream (" + std::to_string(s.width) + " x " +
                    std::to_string(s.height) + ", 24 bits, bottom-up).");
    s.writer->sealed = true;
    const uint8_t* bits = reinterpret_cast<const uint8_t*>(packed) + PixelOffset(*packed);
    const int stride = CPicture::StrideFor(s.width);

    if (s.encoder.dibPassThrough) {
        if (!s.packet) s.packet.reset(av_packet_alloc());
        int size = stride * s.height;
        if (av_new_packet(s.packet.get(), size) < 0) return Fail("Out of memory.");
        std::memcpy(s.packet->data, bits, size_t(size));
        s.packet->flags |= AV_PKT_FLAG_KEY;
        s.repeatPts = s.encoderPts++;
        KeepForRepeat(s, s.packet.get(), s.repeatPts);
        if (!WritePacket(s.packet.get(), 1)) return false;
        ++m_videoWritePosition;
        s.length = s.nextUnit;
        m_info.dwLength = uint32_t(std::min<int64_t>(s.length, UINT32_MAX));
        return true;
    }

    if (s.encoderNeedsReopen) {
        std::string reason;
        ffmpeg::VideoEncoder fresh;
        if (!ffmpeg::OpenVideoEncoder(m_options, s.width, s.height, s.unit, s.writer->muxer, fresh, reason))
            return Fail(reason);
        s.encoder = std::move(fresh);
        s.encoderNeedsReopen = false;
        s.encoderPts = 0;
    }
    AVCodecContext* ctx = s.encoder.context.get();
    if (!TakeInputFrame(s, ctx->pix_fmt)) return Fail("Out of memory.");
    if (!ConvertForEncoder(bits, stride)) return false;
    s.frame->pts = s.encoderPts++;
    s.frame->pict_type = AV_PICTURE_TYPE_NONE;
    int err = avcodec_send_frame(ctx, s.frame);
    if (err < 0) return Fail("The encoder refused the frame: " + ffmpeg::ErrorText(err));
    s.repeatPts = s.frame->pts;
    if (!DrainEncoder(false)) return false;
    ++m_videoWritePosition;
    ++s.length;
    m_info.dwLength = uint32_t(std::min<int64_t>(s.length, UINT32_MAX));
    return true;
}

bool CAVIStream::ConvertForEncoder(const uint8_t* bits, int stride) {
    Impl& s = *m_impl;
    AVCodecContext* ctx = s.encoder.context.get();
    if (ctx->pix_fmt == AV_PIX_FMT_YUV420P || ctx->pix_fmt == AV_PIX_FMT_YUVJ420P) {
        Yuv420Planes planes{s.frame->data[0],     s.frame->data[1],     s.frame->data[2],
                            s.frame->linesize[0], s.frame->linesize[1], s.frame->linesize[2]};
        ConvertBgrToYuv420(bits, stride, s.width, s.height, ctx->pix_fmt == AV_PIX_FMT_YUVJ420P, planes);
        return true;
    }
    // swscale's vector code reads and writes whole blocks past the end of a row, so it works on a
    // padded copy of the frame, never on the picture's tightly packed block.
    if (!s.staging) {
        s.staging.reset(av_frame_alloc());
        s.staging->format = AV_PIX_FMT_BGR24;
        s.staging->width = s.width;
        s.staging->height = s.height;
        if (av_frame_get_buffer(s.staging.get(), 0) < 0) {
            s.staging.reset();
            return Fail("Out of memory.");
        }
    }
    const size_t rowBytes = size_t(s.width) * 3;
    for (int y = 0; y < s.height; ++y)
        std::memcpy(s.staging->data[0] + size_t(y) * size_t(s.staging->linesize[0]),
                    bits + size_t(s.height - 1 - y) * size_t(stride), rowBytes);
    s.sws.reset(sws_getCachedContext(s.sws.release(), s.width, s.height, AV_PIX_FMT_BGR24, s.width, s.height,
                                     ctx->pix_fmt, kEncodeScaleFlags, nullptr, nullptr, nullptr));
    if (!s.sws) return Fail("The frame cannot be converted for the encoder.");
    sws_scale(s.sws.get(), s.staging->data, s.staging->linesize, 0, s.height, s.frame->data,
              s.frame->linesize);
    return true;
}

bool CAVIStream::WriteFrame(const CPicture& picture) {
    if (picture.IsEmpty()) return Fail("The picture is empty.");
    return WriteFrame(picture.GetHeader());
}

// ---------------------------------------------------------------------------------------------
// Writing audio

bool CAVIStream::WriteAudio(const uint8_t* data, size_t size) {
    EncodedAudio block;
    if (data && size) block.bytes.assign(data, data + size);
    return WriteAudio(block);
}

bool CAVIStream::StartAudioEarly(int samples) {
    Impl& s = *m_impl;
    if (m_kind != kKindAudio || !s.writer || s.writer->finished || s.nextUnit != 0 || samples < 0)
        return false;
    if (!ContainerTrimsEncoderDelay(s.writer->muxer)) return false;
    s.nextUnit = -int64_t(samples);
    return true;
}

bool CAVIStream::WriteAudio(const EncodedAudio& audio) {
    m_lastError.clear();
    Impl& s = *m_impl;
    if (m_kind != kKindAudio || !s.writer) return Fail("The stream is not an audio stream being written.");
    if (!s.added || s.writer->finished) return Fail("The stream is not part of an open file.");
    if (audio.bytes.empty()) return Fail("No audio bytes.");
    std::vector<uint32_t> sizes = audio.packetSizes;
    if (sizes.empty()) sizes.push_back(uint32_t(audio.bytes.size()));
    uint64_t total = 0;
    for (uint32_t n : sizes) total += n;
    if (total > audio.bytes.size()) return Fail("The audio packet sizes exceed the bytes given.");
    if (!audio.packetSamples.empty() && audio.packetSamples.size() != sizes.size())
        return Fail("There must be one sample count per audio packet.");
    s.writer->sealed = true;
    if (!s.packet) s.packet.reset(av_packet_alloc());
    size_t offset = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        uint32_t n = sizes[i];
        if (n == 0) continue;
        int64_t samples = 0;
        if (!audio.packetSamples.empty())
            samples = audio.packetSamples[i];
        else if (s.pcm && s.blockAlign > 0)
            samples = n / uint32_t(s.blockAlign);
        else if (s.params) {
            samples = av_get_audio_frame_duration2(s.params.get(), int(n));
            if (samples <= 0) samples = s.params->frame_size;
        }
        if (samples <= 0) return Fail("The number of samples in an audio packet is unknown.");
        if (av_new_packet(s.packet.get(), int(n)) < 0) return Fail("Out of memory.");
        std::memcpy(s.packet->data, audio.bytes.data() + offset, n);
        s.packet->flags |= AV_PKT_FLAG_KEY;
        if (!WritePacket(s.packet.get(), samples)) return false;
        offset += n;
        m_audioWritePosition += s.pcm ? samples : 1;
        s.length += s.pcm ? samples : 1;
    }
    m_info.dwLength = uint32_t(std::min<int64_t>(s.length, UINT32_MAX));
    return true;
}

}  // namespace trov
