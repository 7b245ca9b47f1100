// CAVIStream: reading a stream of an opened movie file (samples, frames, key frames, seeking).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "video/AVIInternal.h"
#include "video/AVIStream.h"
#include "video/VideoLog.h"
#include "video/WaveFormat.h"

namespace trov {

namespace {

// The wave format record of an audio stream read from a file.
std::vector<uint8_t> WaveFormatBytes(const AVCodecParameters* p) {
    SWaveFormat f;
    f.formatTag = uint16_t(p->codec_tag);
    if (f.formatTag == 0) {
        const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
        f.formatTag = uint16_t(av_codec_get_tag(tables, p->codec_id));
    }
    f.channels = uint16_t(p->ch_layout.nb_channels);
    f.samplesPerSec = uint32_t(p->sample_rate);
    f.avgBytesPerSec = uint32_t(p->bit_rate / 8);
    f.blockAlign = uint16_t(p->block_align);
    f.bitsPerSample = uint16_t(p->bits_per_coded_sample);
    if (p->extradata_size > 0) f.extra.assign(p->extradata, p->extradata + p->extradata_size);
    return f.ToBytes();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Impl helpers

int64_t CAVIStream::Impl::TsToFrame(int64_t ts) const {
    if (!in) return ts;
    return av_rescale_q_rnd(ts - startTs, in->time_base, frameDuration,
                            AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

int64_t CAVIStream::Impl::FrameToTs(int64_t frame) const {
    if (!in) return frame;
    return startTs + av_rescale_q(frame, frameDuration, in->time_base);
}

void CAVIStream::Impl::TakeDemuxer(int index) {
    if (!reader || !reader->input) return;
    AVFormatContext* ic = reader->input.get();
    for (unsigned i = 0; i < ic->nb_streams; ++i)
        ic->streams[i]->discard = int(i) == in->index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    reader->owner = index;
}

// ---------------------------------------------------------------------------------------------
// Reading

void CAVIStream::AttachInput(const std::shared_ptr<AVIReadState>& reader, AVStream* st, int index) {
    Close();
    Impl& s = *m_impl;
    s.reader = reader;
    s.in = st;
    m_index = index;
    const AVCodecParameters* p = st->codecpar;
    s.startTs = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    m_info = AVIStreamInfo();
    m_info.fccHandler = p->codec_tag;
    if (p->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        m_kind = kKindVideo;
        m_info.fccType = kStreamTypeVideo;
        AVRational rate = st->avg_frame_rate;
        if (reader->isAvi || rate.num <= 0 || rate.den <= 0) rate = av_inv_q(st->time_base);
        if (rate.num <= 0 || rate.den <= 0) rate = st->r_frame_rate;
        if (rate.num <= 0 || rate.den <= 0) rate = AVRational{25, 1};
        s.frameDuration = av_inv_q(rate);
        m_info.dwScale = uint32_t(rate.den);
        m_info.dwRate = uint32_t(rate.num);
        m_info.rcFrame = StreamRect{0, 0, p->width, p->height};
        int bits = p->bits_per_coded_sample > 0 ? p->bits_per_coded_sample : 24;
        m_format =
            BitmapFormatBytes(p->width, p->height, bits, p->codec_tag, p->extradata, p->extradata_size);
        const AVCodec* codec = avcodec_find_decoder(p->codec_id);
        if (codec) {
            s.decoder.reset(avcodec_alloc_context3(codec));
            if (s.decoder && avcodec_parameters_to_context(s.decoder.get(), p) >= 0) {
                s.decoder->thread_count = 0;
                if (avcodec_open2(s.decoder.get(), codec, nullptr) < 0) s.decoder.reset();
            } else {
                s.decoder.reset();
            }
        }
        s.decoderFailed = !s.decoder;
    } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
        m_kind = kKindAudio;
        m_info.fccType = kStreamTypeAudio;
        s.blockAlign = p->block_align;
        s.sampleRate = p->sample_rate;
        s.pcm = av_get_bits_per_sample(p->codec_id) > 0 && p->block_align > 0;
        m_info.dwSampleSize = s.pcm ? uint32_t(p->block_align) : 0;
        if (reader->isAvi) {
            m_info.dwScale = uint32_t(st->time_base.num);
            m_info.dwRate = uint32_t(st->time_base.den);
        } else {
            m_info.dwScale = 1;
            m_info.dwRate = uint32_t(std::max(0, p->sample_rate));
        }
        m_format = WaveFormatBytes(p);
    } else {
        m_kind = kKindNone;
    }
    s.length = ComputeLength();
    m_info.dwLength = uint32_t(std::clamp<int64_t>(s.length, 0, UINT32_MAX));
}

int64_t CAVIStream::ComputeLength() {
    Impl& s = *m_impl;
    AVStream* st = s.in;
    if (!st) return 0;
    if (size_t(st->index) < s.reader->scannedLengths.size())
        return s.reader->scannedLengths[size_t(st->index)];
    int entries = avformat_index_get_entries_count(st);
    if (s.reader->isAvi && entries > 0) {
        // The index lists every chunk.
        if (m_kind == kKindAudio && s.pcm) {
            int64_t bytes = 0;
            for (int i = 0; i < entries; ++i) bytes += avformat_index_get_entry(st, i)->size;
            return bytes / s.blockAlign;
        }
        return entries;
    }
    if (st->nb_frames > 0 && !(m_kind == kKindAudio && s.pcm)) return st->nb_frames;
    // Containers that do not count their samples: from the duration.
    AVFormatContext* ic = s.reader->input.get();
    AVRational unit = m_kind == kKindVideo ? s.frameDuration : AVRational{1, std::max(1, s.sampleRate)};
    if (m_kind == kKindAudio && !s.pcm) return 0;
    if (st->duration > 0 && st->duration != AV_NOPTS_VALUE)
        return av_rescale_q_rnd(st->duration, st->time_base, unit, AV_ROUND_NEAR_INF);
    if (ic->duration > 0 && ic->duration != AV_NOPTS_VALUE)
        return av_rescale_q_rnd(ic->duration, AVRational{1, AV_TIME_BASE}, unit, AV_ROUND_NEAR_INF);
    return 0;
}

int CAVIStream::GetLength() const {
    return int(std::clamp<int64_t>(m_impl->length, 0, INT32_MAX));
}

double CAVIStream::GetFrameRate() const {
    if (m_info.dwScale == 0) return double(m_info.dwRate);
    return double(m_info.dwRate) / double(m_info.dwScale);
}

bool CAVIStream::IsKeyFrame(int sample) {
    Impl& s = *m_impl;
    if (m_kind != kKindVideo || !s.in || sample < 0 || sample >= s.length) return false;
    int i = av_index_search_timestamp(s.in, s.FrameToTs(sample), AVSEEK_FLAG_BACKWARD);
    if (i < 0) return false;
    const AVIndexEntry* e = avformat_index_get_entry(s.in, i);
    return e && (e->flags & AVINDEX_KEYFRAME) && s.TsToFrame(e->timestamp) == sample;
}

int64_t CAVIStream::KeyFrameAtOrBefore(int64_t frame) {
    Impl& s = *m_impl;
    int i = av_index_search_timestamp(s.in, s.FrameToTs(frame), AVSEEK_FLAG_BACKWARD);
    if (i < 0) return -1;
    // The search may land on a non-key entry of indexes that carry every sample.
    for (; i >= 0; --i) {
        const AVIndexEntry* e = avformat_index_get_entry(s.in, i);
        if (e && (e->flags & AVINDEX_KEYFRAME)) return std::max<int64_t>(0, s.TsToFrame(e->timestamp));
    }
    return -1;
}

bool CAVIStream::SeekToFrame(int64_t frame) {
    Impl& s = *m_impl;
    AVFormatContext* ic = s.reader->input.get();
    s.TakeDemuxer(m_index);
    ++m_seekCount;
    int err = av_seek_frame(ic, s.in->index, s.FrameToTs(frame), AVSEEK_FLAG_BACKWARD);
    if (err < 0 && frame == 0) err = avformat_seek_file(ic, -1, INT64_MIN, 0, 0, 0);
    if (err < 0) {
        s.nextFrame = -1;
        return Fail("Seeking to frame " + std::to_string(frame) + " failed: " + ffmpeg::ErrorText(err));
    }
    if (s.decoder) avcodec_flush_buffers(s.decoder.get());
    s.draining = false;
    // In AVI files a frame's number is its chunk number, so counting from the key frame is exact
    // (timestamps of B-frame streams are not); elsewhere the timestamps tell.
    s.nextFrame = s.reader->isAvi ? frame : -1;
    return true;
}

const BitmapInfoHeader* CAVIStream::GetFrame(int frame) {
    Impl& s = *m_impl;
    if (m_kind != kKindVideo || !s.reader || !s.in) return nullptr;
    if (s.decoderFailed) {
        Fail("No decoder for this video stream.");
        return nullptr;
    }
    if (frame < 0 || (s.length > 0 && frame >= s.length)) return nullptr;
    if (frame == s.lastFrame && !s.frameBuffer.empty() && s.reader->owner == m_index)
        return reinterpret_cast<const BitmapInfoHeader*>(s.frameBuffer.data());

    bool positioned = s.reader->owner == m_index && s.nextFrame >= 0 && frame >= s.nextFrame;
    int64_t key = KeyFrameAtOrBefore(frame);
    bool forward = positioned && (key < 0 || key <= s.nextFrame);
    if (!forward && !SeekToFrame(key >= 0 ? key : 0)) return nullptr;

    if (!s.decoded) s.decoded.reset(av_frame_alloc());
    if (!s.readPacket) s.readPacket.reset(av_packet_alloc());
    AVFormatContext* ic = s.reader->input.get();
    AVCodecContext* dec = s.decoder.get();
    for (;;) {
        int err = avcodec_receive_frame(dec, s.decoded.get());
        if (err == 0) {
            int64_t number = s.nextFrame;
            if (number < 0) {
                int64_t ts = s.decoded->best_effort_timestamp;
                number = ts != AV_NOPTS_VALUE ? s.TsToFrame(ts) : 0;
            }
            s.nextFrame = number + 1;
            if (number >= frame) {
                bool ok = ConvertDecoded();
                av_frame_unref(s.decoded.get());
                if (!ok) return nullptr;
                s.lastFrame = frame;
                return reinterpret_cast<const BitmapInfoHeader*>(s.frameBuffer.data());
            }
            av_frame_unref(s.decoded.get());
            continue;
        }
        if (err == AVERROR_EOF) {
            s.nextFrame = -1;
            Fail("Frame " + std::to_string(frame) + " is beyond the end of the stream.");
            return nullptr;
        }
        if (err != AVERROR(EAGAIN)) {
            s.nextFrame = -1;
            Fail("Decoding failed: " + ffmpeg::ErrorText(err));
            return nullptr;
        }
        if (s.draining) {
            s.nextFrame = -1;
            return nullptr;
        }
        int r = av_read_frame(ic, s.readPacket.get());
        if (r < 0) {
            avcodec_send_packet(dec, nullptr);
            s.draining = true;
            continue;
        }
        if (s.readPacket->stream_index != s.in->index) {
            av_packet_unref(s.readPacket.get());
            continue;
        }
        err = avcodec_send_packet(dec, s.readPacket.get());
        av_packet_unref(s.readPacket.get());
        // A damaged packet is skipped; the decoder conceals what it can.
        (void)err;
    }
}

bool CAVIStream::ConvertDecoded() {
    Impl& s = *m_impl;
    AVFrame* f = s.decoded.get();
    int w = f->width, h = f->height;
    if (w < 1 || h < 1) return Fail("The decoded frame has no size.");
    if (w > CPicture::kMaxSide || h > CPicture::kMaxSide ||
        int64_t(CPicture::StrideFor(w)) * h > CPicture::kMaxImageBytes)
        return Fail("The decoded frame (" + std::to_string(w) + " x " + std::to_string(h) +
                    ") is too large.");
    const int stride = CPicture::StrideFor(w);
    size_t bytes = 40 + size_t(stride) * size_t(h);
    if (s.frameBuffer.size() != bytes) s.frameBuffer.assign(bytes, 0);  // row padding stays 0
    BitmapInfoHeader hdr{};
    hdr.biSize = 40;
    hdr.biWidth = w;
    hdr.biHeight = h;
    hdr.biPlanes = 1;
    hdr.biBitCount = 24;
    hdr.biCompression = 0;
    hdr.biSizeImage = uint32_t(stride) * uint32_t(h);
    std::memcpy(s.frameBuffer.data(), &hdr, sizeof(hdr));
    AVPixelFormat format = AVPixelFormat(f->format);
    s.readSws.reset(sws_getCachedContext(s.readSws.release(), w, h, format, w, h, AV_PIX_FMT_BGR24,
                                         SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!s.readSws) return Fail("The decoded frame format cannot be converted.");
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB)) {
        // Follow the colour matrix and range the stream declares (BT.601 limited when it says nothing).
        int space = f->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
        int fullRange = f->color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
                        format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
        sws_setColorspaceDetails(s.readSws.get(), sws_getCoefficients(space), fullRange,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }
    // Converted into a padded frame first (swscale writes whole blocks past the row ends), then
    // copied into the bottom-up rows.
    if (!s.rgb || s.rgb->width != w || s.rgb->height != h) {
        s.rgb.reset(av_frame_alloc());
        s.rgb->format = AV_PIX_FMT_BGR24;
        s.rgb->width = w;
        s.rgb->height = h;
        if (av_frame_get_buffer(s.rgb.get(), 0) < 0) {
            s.rgb.reset();
            return Fail("Out of memory.");
        }
    }
    sws_scale(s.readSws.get(), f->data, f->linesize, 0, h, s.rgb->data, s.rgb->linesize);
    uint8_t* pixels = s.frameBuffer.data() + 40;
    for (int y = 0; y < h; ++y)
        std::memcpy(pixels + size_t(h - 1 - y) * size_t(stride),
                    s.rgb->data[0] + size_t(y) * size_t(s.rgb->linesize[0]), size_t(w) * 3);
    return true;
}

}  // namespace trov
