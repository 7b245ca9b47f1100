// FFmpeg decoding of audio files into standard-format WAV copies.
#include "audio/AudioDecoder.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/FfmpegAudio.h"
#include "audio/WaveFile.h"

namespace trov {
namespace {

using namespace ffmpeg;

// FFmpeg's warnings about guessed formats and skipped samples are no news for the user.
void QuietenLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (av_log_get_level() > AV_LOG_ERROR) av_log_set_level(AV_LOG_ERROR);
    });
}

// An opened audio stream of a file with its decoder.
struct Source {
    InputPtr input;
    CodecContextPtr decoder;
    int stream = -1;

    bool Open(const std::string& path, std::string& error) {
        QuietenLog();
        AVFormatContext* ic = nullptr;
        int rc = avformat_open_input(&ic, path.c_str(), nullptr, nullptr);
        if (rc < 0) {
            error = "the file cannot be opened (" + ErrorText(rc) + ")";
            return false;
        }
        input.reset(ic);
        rc = avformat_find_stream_info(ic, nullptr);
        if (rc < 0) {
            error = "the file's streams cannot be read (" + ErrorText(rc) + ")";
            return false;
        }
        const AVCodec* codec = nullptr;
        stream = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (stream < 0 || !codec) {
            error = stream == AVERROR_DECODER_NOT_FOUND ? "there is no decoder for its audio"
                                                        : "it holds no audio";
            return false;
        }
        for (unsigned i = 0; i < ic->nb_streams; ++i)
            ic->streams[i]->discard = int(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        decoder.reset(avcodec_alloc_context3(codec));
        if (!decoder || avcodec_parameters_to_context(decoder.get(), ic->streams[stream]->codecpar) < 0) {
            error = "out of memory";
            return false;
        }
        rc = avcodec_open2(decoder.get(), codec, nullptr);
        if (rc < 0) {
            error = "its audio decoder cannot be opened (" + ErrorText(rc) + ")";
            return false;
        }
        return true;
    }
};

// Converts decoded frames into 16-bit stereo at 44,100 Hz.
class CStandardResampler {
public:
    bool Convert(const AVFrame* frame, std::vector<uint8_t>& out, std::string& error) {
        if (!m_swr && !Init(frame, error)) return false;
        return Run(frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
                   frame ? frame->nb_samples : 0, out, error);
    }

private:
    bool Init(const AVFrame* frame, std::string& error) {
        AVChannelLayout in{};
        if (frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC && frame->ch_layout.nb_channels > 0)
            av_channel_layout_copy(&in, &frame->ch_layout);
        else
            av_channel_layout_default(&in, std::max(1, frame->ch_layout.nb_channels));
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        SwrContext* s = nullptr;
        int rc = swr_alloc_set_opts2(&s, &stereo, AV_SAMPLE_FMT_S16, 44100, &in,
                                     AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        const int channels = in.nb_channels;
        av_channel_layout_uninit(&in);
        if (rc < 0 || !s) {
            error = "the audio cannot be converted (" + ErrorText(rc) + ")";
            return false;
        }
        m_swr.reset(s);
        if (channels == 1) {
            // Mono goes into both channels at full level, as the converter of WAV sources does.
            const double matrix[2] = {1.0, 1.0};
            swr_set_matrix(s, matrix, 1);
        }
        rc = swr_init(s);
        if (rc < 0) {
            error = "the audio cannot be converted (" + ErrorText(rc) + ")";
            return false;
        }
        return true;
    }

    bool Run(const uint8_t** data, int samples, std::vector<uint8_t>& out, std::string& error) {
        const int room = swr_get_out_samples(m_swr.get(), samples);
        if (room <= 0) return true;
        const size_t start = out.size();
        out.resize(start + size_t(room) * 4);
        uint8_t* dst[1] = {out.data() + start};
        const int got = swr_convert(m_swr.get(), dst, room, data, samples);
        if (got < 0) {
            out.resize(start);
            error = "the audio cannot be converted (" + ErrorText(got) + ")";
            return false;
        }
        out.resize(start + size_t(got) * 4);
        return true;
    }

    SwrPtr m_swr;
};

}  // namespace

bool IsPcmWaveFile(const std::string& path) {
    CWaveFile wave;
    if (!wave.Open(path)) return false;
    const SWaveFormat& f = *wave.GetFormat();
    return (f.IsIntegerPcm() || f.IsFloatPcm()) && f.channels >= 1 && f.channels <= 8 &&
           f.blockAlign == f.FrameSize() && f.samplesPerSec >= 1000;
}

bool CanDecodeAudio(const std::string& path, std::string* reason) {
    std::string error;
    Source source;
    auto fail = [&](const std::string& why) {
        if (reason) *reason = why;
        return false;
    };
    if (!source.Open(path, error)) return fail(error);
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    // Up to a few dozen packets: decoders may need some before the first frame comes out.
    for (int read = 0; read < 64;) {
        int rc = av_read_frame(source.input.get(), packet.get());
        if (rc < 0) break;
        if (packet->stream_index != source.stream) {
            av_packet_unref(packet.get());
            continue;
        }
        ++read;
        rc = avcodec_send_packet(source.decoder.get(), packet.get());
        av_packet_unref(packet.get());
        if (rc < 0 && rc != AVERROR(EAGAIN)) continue;
        if (avcodec_receive_frame(source.decoder.get(), frame.get()) == 0 && frame->nb_samples > 0)
            return true;
    }
    avcodec_send_packet(source.decoder.get(), nullptr);
    if (avcodec_receive_frame(source.decoder.get(), frame.get()) == 0 && frame->nb_samples > 0) return true;
    return fail("its audio does not decode");
}

bool IsPlayableAudioFile(const std::string& path, std::string* reason) {
    return IsPcmWaveFile(path) || CanDecodeAudio(path, reason);
}

int AudioFileLengthMs(const std::string& path) {
    if (IsPcmWaveFile(path)) {
        CWaveFile wave;
        return wave.Open(path) ? wave.GetLengthMs() : -1;
    }
    Source source;
    std::string error;
    if (!source.Open(path, error)) return -1;
    const AVStream* st = source.input->streams[source.stream];
    if (st->duration > 0 && st->duration != AV_NOPTS_VALUE)
        return int(av_rescale_q(st->duration, st->time_base, AVRational{1, 1000}));
    if (source.input->duration > 0 && source.input->duration != AV_NOPTS_VALUE)
        return int(av_rescale(source.input->duration, 1000, AV_TIME_BASE));
    return -1;
}

bool DecodeToStandardWave(const std::string& sourcePath, const std::string& target, std::string& error,
                          const std::function<bool()>& cancelled) {
    Source source;
    if (!source.Open(sourcePath, error)) return false;
    CWaveFile wave;
    if (!wave.Create(target, StandardWaveFormat())) {
        error = "the decoded copy " + target + " cannot be written";
        return false;
    }
    auto fail = [&](const std::string& why) {
        error = why;
        wave.Close();
        std::error_code ec;
        std::filesystem::remove(target, ec);
        return false;
    };
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    CStandardResampler resampler;
    std::vector<uint8_t> pcm;
    bool decodedAny = false;
    auto drain = [&]() {
        for (;;) {
            int rc = avcodec_receive_frame(source.decoder.get(), frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (rc < 0) return true;  // a damaged frame is skipped; the decoder resynchronises
            pcm.clear();
            bool ok = resampler.Convert(frame.get(), pcm, error);
            av_frame_unref(frame.get());
            if (!ok) return false;
            decodedAny = true;
            wave.WriteBytes(pcm.data(), pcm.size());
        }
    };
    for (;;) {
        if (cancelled && cancelled()) return fail("cancelled");
        int rc = av_read_frame(source.input.get(), packet.get());
        if (rc < 0) break;
        if (packet->stream_index == source.stream) avcodec_send_packet(source.decoder.get(), packet.get());
        av_packet_unref(packet.get());
        if (!drain()) return fail(error);
    }
    avcodec_send_packet(source.decoder.get(), nullptr);
    if (!drain()) return fail(error);
    if (!decodedAny) return fail("its audio does not decode");
    pcm.clear();
    if (!resampler.Convert(nullptr, pcm, error)) return fail(error);
    wave.WriteBytes(pcm.data(), pcm.size());
    if (!wave.Close()) return fail("the decoded copy " + target + " could not be completed");
    return true;
}

}  // namespace trov
