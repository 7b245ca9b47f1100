// PCM conversion (libswresample) and audio encoding (libavcodec) behind CAudioConverter.
#include "audio/AudioConverter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/FfmpegAudio.h"

namespace trov {
namespace {

using namespace ffmpeg;

// How the bytes of a PCM layout map onto FFmpeg sample formats. 24-bit samples have no FFmpeg
// format and travel as 32-bit ones.
bool PcmSampleFormat(const SWaveFormat& f, AVSampleFormat& fmt, bool& packed24) {
    packed24 = false;
    if (f.channels < 1 || f.channels > 8 || f.samplesPerSec < 1000 || f.samplesPerSec > 384000) return false;
    if (f.blockAlign != f.FrameSize()) return false;
    if (f.IsIntegerPcm()) {
        switch (f.bitsPerSample) {
            case 8:
                fmt = AV_SAMPLE_FMT_U8;
                return true;
            case 16:
                fmt = AV_SAMPLE_FMT_S16;
                return true;
            case 24:
                fmt = AV_SAMPLE_FMT_S32;
                packed24 = true;
                return true;
            case 32:
                fmt = AV_SAMPLE_FMT_S32;
                return true;
            default:
                return false;
        }
    }
    if (f.IsFloatPcm()) {
        if (f.bitsPerSample == 32) {
            fmt = AV_SAMPLE_FMT_FLT;
            return true;
        }
        if (f.bitsPerSample == 64) {
            fmt = AV_SAMPLE_FMT_DBL;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string EncoderNameForTag(uint16_t tag) {
    const char* names[3] = {nullptr, nullptr, nullptr};
    switch (tag) {
        case kWaveFormatMpegLayer3:
            names[0] = "libmp3lame";
            names[1] = "libshine";
            break;
        case kWaveFormatMpeg:
            names[0] = "mp2";
            names[1] = "libtwolame";
            names[2] = "mp2fixed";
            break;
        case kWaveFormatAc3:
            names[0] = "ac3";
            names[1] = "ac3_fixed";
            break;
        case kWaveFormatAac:
            names[0] = "aac";
            break;
        default:
            return "";
    }
    for (const char* n : names)
        if (n && avcodec_find_encoder_by_name(n)) return n;
    return "";
}

struct CAudioConverter::Impl {
    SWaveFormat source, target;
    bool open = false;
    bool compressed = false;
    bool passthrough = false;
    bool finished = false;

    AVSampleFormat srcFmt = AV_SAMPLE_FMT_NONE;
    bool src24 = false;
    AVSampleFormat dstFmt = AV_SAMPLE_FMT_NONE;
    bool dst24 = false;
    bool resample = false;  // rates differ (the resampler then holds samples back)
    SwrPtr swr;

    CodecContextPtr enc;
    FifoPtr fifo;
    FramePtr frame;
    PacketPtr pkt;
    int frameSamples = 0;
    int64_t skipSource = 0;  // source sample frames still to be left out (SkipEncoderDelay)
    int64_t nextPts = 0;
    int64_t realSamples = 0;  // samples of real input handed to the encoder
    bool haveFirstPts = false;
    int64_t firstPts = 0;

    std::vector<uint8_t> expanded;  // 24-bit input widened to 32 bits
    std::vector<uint8_t> converted;

    bool MakeResampler(int outChannels, AVSampleFormat outFmt, int outRate, std::string& error);
    // Converts whole source frames into `converted`; returns the number of output samples.
    int ConvertSamples(const uint8_t* data, int samples, std::string& error);
    int DrainResampler();
    // Appends `converted` to `out`, packing 32-bit values to 24 bits when the target wants that.
    void AppendPcm(std::vector<uint8_t>& out) const;
    bool EncodeFrames(bool flushAll, std::vector<uint8_t>& out, std::vector<SEncodedPacket>& packets);
    bool ReceivePackets(std::vector<uint8_t>& out, std::vector<SEncodedPacket>& packets);
};

bool CAudioConverter::Impl::MakeResampler(int outChannels, AVSampleFormat outFmt, int outRate,
                                          std::string& error) {
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, source.channels);
    av_channel_layout_default(&outLayout, outChannels);
    SwrContext* s = nullptr;
    int rc = swr_alloc_set_opts2(&s, &outLayout, outFmt, outRate, &inLayout, srcFmt,
                                 int(source.samplesPerSec), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (rc < 0 || !s) {
        error = "swr_alloc_set_opts2: " + ErrorText(rc);
        return false;
    }
    swr.reset(s);
    // Mono is copied into every channel at full level, and a down-mix to mono averages the channels,
    // rather than FFmpeg's -3 dB centre mix.
    int inCh = source.channels;
    if (inCh != outChannels && (inCh == 1 || outChannels == 1)) {
        std::vector<double> matrix(size_t(inCh * outChannels), 0.0);
        for (int o = 0; o < outChannels; ++o)
            for (int i = 0; i < inCh; ++i) matrix[size_t(o * inCh + i)] = inCh == 1 ? 1.0 : 1.0 / inCh;
        swr_set_matrix(s, matrix.data(), inCh);
    }
    rc = swr_init(s);
    if (rc < 0) {
        error = "swr_init: " + ErrorText(rc);
        return false;
    }
    resample = int(source.samplesPerSec) != outRate;
    return true;
}

int CAudioConverter::Impl::ConvertSamples(const uint8_t* data, int samples, std::string& error) {
    const uint8_t* in = data;
    if (src24 && samples > 0) {
        size_t values = size_t(samples) * source.channels;
        expanded.resize(values * 4);
        for (size_t v = 0; v < values; ++v) {
            const uint8_t* p = data + v * 3;
            uint8_t* q = expanded.data() + v * 4;
            q[0] = 0;
            q[1] = p[0];
            q[2] = p[1];
            q[3] = p[2];
        }
        in = expanded.data();
    }
    int outChannels = compressed ? enc->ch_layout.nb_channels : target.channels;
    AVSampleFormat outFmt = compressed ? enc->sample_fmt : dstFmt;
    int maxOut = swr_get_out_samples(swr.get(), samples);
    if (maxOut < 0) {
        error = "swr_get_out_samples failed";
        return -1;
    }
    int bufSize = av_samples_get_buffer_size(nullptr, outChannels, std::max(maxOut, 1), outFmt, 1);
    if (bufSize < 0) return -1;
    converted.resize(size_t(bufSize));
    uint8_t* planes[8] = {};
    int linesize = 0;
    av_samples_fill_arrays(planes, &linesize, converted.data(), outChannels, std::max(maxOut, 1), outFmt, 1);
    const uint8_t* inPlanes[1] = {in};
    int got = swr_convert(swr.get(), planes, maxOut, samples > 0 ? inPlanes : nullptr, samples);
    if (got < 0) {
        error = "swr_convert: " + ErrorText(got);
        return -1;
    }
    if (compressed) {
        void* ptrs[8];
        for (int c = 0; c < 8; ++c) ptrs[c] = planes[c];
        if (got > 0 && av_audio_fifo_write(fifo.get(), ptrs, got) < got) return -1;
    } else {
        int bytes = av_samples_get_buffer_size(nullptr, outChannels, got, outFmt, 1);
        converted.resize(size_t(got > 0 && bytes > 0 ? bytes : 0));
    }
    return got;
}

bool CAudioConverter::Impl::ReceivePackets(std::vector<uint8_t>& out, std::vector<SEncodedPacket>& packets) {
    for (;;) {
        int rc = avcodec_receive_packet(enc.get(), pkt.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        // The encoder's delay gives the first packet a negative time: the stream starts at 0 instead.
        if (!haveFirstPts) {
            firstPts = pkt->pts == AV_NOPTS_VALUE ? 0 : pkt->pts;
            haveFirstPts = true;
        }
        int64_t pts = (pkt->pts == AV_NOPTS_VALUE ? 0 : pkt->pts) - firstPts;
        // Packets that start after the real input (which the priming delays by its length) hold only
        // the encoder's padding.
        const int64_t delay = enc->initial_padding > 0 ? enc->initial_padding : 0;
        if (pts < realSamples + delay) {
            SEncodedPacket p;
            p.offset = out.size();
            p.size = size_t(pkt->size);
            p.pts = pts;
            p.duration = pkt->duration > 0 ? pkt->duration : frameSamples;
            out.insert(out.end(), pkt->data, pkt->data + pkt->size);
            packets.push_back(p);
        }
        av_packet_unref(pkt.get());
    }
}

bool CAudioConverter::Impl::EncodeFrames(bool flushAll, std::vector<uint8_t>& out,
                                         std::vector<SEncodedPacket>& packets) {
    for (;;) {
        int have = av_audio_fifo_size(fifo.get());
        if (have <= 0 || (have < frameSamples && !flushAll)) break;
        int n = std::min(have, frameSamples);
        AVFrame* f = frame.get();
        av_frame_unref(f);
        f->nb_samples = frameSamples;
        f->format = enc->sample_fmt;
        f->sample_rate = enc->sample_rate;
        if (av_channel_layout_copy(&f->ch_layout, &enc->ch_layout) < 0) return false;
        if (av_frame_get_buffer(f, 0) < 0) return false;
        // A last, short frame is padded with silence up to the codec's frame size.
        av_samples_set_silence(f->data, 0, frameSamples, enc->ch_layout.nb_channels, enc->sample_fmt);
        if (av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(f->data), n) < n) return false;
        f->pts = nextPts;
        nextPts += frameSamples;
        if (avcodec_send_frame(enc.get(), f) < 0) return false;
        if (!ReceivePackets(out, packets)) return false;
    }
    return true;
}

void CAudioConverter::Impl::AppendPcm(std::vector<uint8_t>& out) const {
    if (!dst24) {
        out.insert(out.end(), converted.begin(), converted.end());
        return;
    }
    size_t values = converted.size() / 4;
    size_t start = out.size();
    out.resize(start + values * 3);
    for (size_t v = 0; v < values; ++v) std::memcpy(&out[start + v * 3], &converted[v * 4 + 1], 3);
}

int CAudioConverter::Impl::DrainResampler() {
    std::string ignored;
    int total = 0;
    for (int guard = 0; guard < 64; ++guard) {
        int got = ConvertSamples(nullptr, 0, ignored);
        if (got <= 0) break;
        total += got;
    }
    return total;
}

CAudioConverter::CAudioConverter() : m_impl(std::make_unique<Impl>()) {}
CAudioConverter::~CAudioConverter() = default;

void CAudioConverter::Close() {
    m_impl = std::make_unique<Impl>();
}
bool CAudioConverter::IsOpen() const {
    return m_impl->open;
}
int CAudioConverter::GetEncoderDelay() const {
    const AVCodecContext* c = m_impl->enc.get();
    return c && c->initial_padding > 0 ? c->initial_padding : 0;
}

void CAudioConverter::SkipEncoderDelay() {
    Impl& m = *m_impl;
    if (!m.open || !m.compressed || m.target.samplesPerSec == 0) return;
    m.skipSource = int64_t(std::llround(double(GetEncoderDelay()) * double(m.source.samplesPerSec) /
                                        double(m.target.samplesPerSec)));
}

bool CAudioConverter::IsCompressed() const {
    return m_impl->compressed;
}
int CAudioConverter::GetFrameSamples() const {
    return m_impl->frameSamples;
}
const SWaveFormat& CAudioConverter::GetTargetFormat() const {
    return m_impl->target;
}

std::vector<uint8_t> CAudioConverter::GetCodecExtradata() const {
    const AVCodecContext* c = m_impl->enc.get();
    if (!c || !c->extradata || c->extradata_size <= 0) return {};
    return std::vector<uint8_t>(c->extradata, c->extradata + c->extradata_size);
}

bool CAudioConverter::Open(const SWaveFormat& source, const SWaveFormat& target, std::string& error) {
    Close();
    Impl& m = *m_impl;
    m.source = source;
    m.target = target;
    if (!PcmSampleFormat(source, m.srcFmt, m.src24)) {
        error = "the source is not PCM of 8, 16, 24 or 32 bits with 1 to 8 channels";
        return false;
    }
    if (target.IsIntegerPcm() || target.IsFloatPcm()) {
        if (!PcmSampleFormat(target, m.dstFmt, m.dst24)) {
            error = "unsupported PCM target layout";
            return false;
        }
        m.passthrough = source.FrameSize() == target.FrameSize() && source.channels == target.channels &&
                        source.samplesPerSec == target.samplesPerSec &&
                        source.bitsPerSample == target.bitsPerSample &&
                        source.IsFloatPcm() == target.IsFloatPcm();
        if (!m.passthrough && !m.MakeResampler(target.channels, m.dstFmt, int(target.samplesPerSec), error))
            return false;
        m.open = true;
        return true;
    }

    std::string name = EncoderNameForTag(target.formatTag);
    const AVCodec* codec = name.empty() ? nullptr : avcodec_find_encoder_by_name(name.c_str());
    if (!codec) {
        error = "no encoder for format tag " + std::to_string(target.formatTag);
        return false;
    }
    if (target.channels < 1 || target.channels > 2 || target.samplesPerSec == 0) {
        error = "unsupported channel count or rate for " + name;
        return false;
    }
    m.enc.reset(avcodec_alloc_context3(codec));
    if (!m.enc) return false;
    AVCodecContext* c = m.enc.get();
    c->sample_rate = int(target.samplesPerSec);
    av_channel_layout_default(&c->ch_layout, target.channels);
    c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    c->bit_rate = int64_t(target.avgBytesPerSec) * 8;
    c->time_base = AVRational{1, c->sample_rate};
    int rc = avcodec_open2(c, codec, nullptr);
    if (rc < 0) {
        error = name + ": " + ErrorText(rc);
        m.enc.reset();
        return false;
    }
    m.compressed = true;
    m.frameSamples = c->frame_size > 0 ? c->frame_size : 1024;
    if (!m.MakeResampler(target.channels, c->sample_fmt, c->sample_rate, error)) return false;
    m.fifo.reset(av_audio_fifo_alloc(c->sample_fmt, target.channels, m.frameSamples * 2));
    m.frame.reset(av_frame_alloc());
    m.pkt.reset(av_packet_alloc());
    if (!m.fifo || !m.frame || !m.pkt) return false;
    m.open = true;
    return true;
}

bool CAudioConverter::Convert(const uint8_t* data, size_t size, size_t& consumed, std::vector<uint8_t>& out,
                              std::vector<SEncodedPacket>& packets) {
    consumed = 0;
    Impl& m = *m_impl;
    if (!m.open || m.finished) return false;
    const size_t block = m.source.blockAlign;
    if (m.skipSource > 0) {
        // Input the encoder's priming stands in for.
        const size_t skipped = size_t(std::min<int64_t>(m.skipSource, int64_t(size / block))) * block;
        m.skipSource -= int64_t(skipped / block);
        size_t rest = 0;
        const bool ok = skipped == size || Convert(data + skipped, size - skipped, rest, out, packets);
        consumed = skipped + rest;
        return ok;
    }
    int64_t samples = int64_t(size / block);
    if (samples == 0) return true;
    if (m.passthrough) {
        consumed = size_t(samples) * block;
        out.insert(out.end(), data, data + consumed);
        return true;
    }
    if (m.compressed && !m.resample && m.source.channels == m.target.channels) {
        // Without resampling the encoder's frame size decides what is left for the next call.
        samples = (samples / m.frameSamples) * m.frameSamples;
        if (samples == 0) return true;
    }
    std::string error;
    // Convert in slices so that a huge block never needs one huge intermediate buffer.
    const int64_t slice = 1 << 16;
    for (int64_t done = 0; done < samples; done += slice) {
        int n = int(std::min(slice, samples - done));
        int got = m.ConvertSamples(data + size_t(done) * block, n, error);
        if (got < 0) return false;
        if (m.compressed) {
            m.realSamples += got;
            if (!m.EncodeFrames(false, out, packets)) return false;
        } else {
            m.AppendPcm(out);
        }
    }
    consumed = size_t(samples) * block;
    return true;
}

bool CAudioConverter::Flush(const uint8_t* tail, size_t size, std::vector<uint8_t>& out,
                            std::vector<SEncodedPacket>& packets) {
    Impl& m = *m_impl;
    if (!m.open || m.finished) return false;
    const size_t block = m.source.blockAlign;
    if (m.skipSource > 0) {
        const size_t skipped = size_t(std::min<int64_t>(m.skipSource, int64_t(size / block))) * block;
        m.skipSource -= int64_t(skipped / block);
        tail += skipped;
        size -= skipped;
    }
    int samples = int(size / block);
    std::string error;
    if (m.passthrough) {
        out.insert(out.end(), tail, tail + size_t(samples) * block);
        m.finished = true;
        return true;
    }
    if (samples > 0) {
        int got = m.ConvertSamples(tail, samples, error);
        if (got < 0) return false;
        if (m.compressed) {
            m.realSamples += got;
        } else {
            m.AppendPcm(out);
        }
    }
    if (m.resample) {
        if (m.compressed) {
            m.realSamples += m.DrainResampler();
        } else {
            for (int guard = 0; guard < 64; ++guard) {
                int got = m.ConvertSamples(nullptr, 0, error);
                if (got <= 0) break;
                m.AppendPcm(out);
            }
        }
    }
    m.finished = true;
    if (!m.compressed) return true;
    if (!m.EncodeFrames(true, out, packets)) return false;
    if (avcodec_send_frame(m.enc.get(), nullptr) < 0) return false;
    return m.ReceivePackets(out, packets);
}

}  // namespace trov
