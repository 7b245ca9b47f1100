// CAVIContainer: opening movie files, creating the output file, streams, pasting compressed samples.
#include "video/AVIContainer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "infra/UserPrompt.h"
#include "video/AVIInternal.h"
#include "video/ContainerCodecs.h"
#include "video/VideoLog.h"
#include "video/WaveFormat.h"

namespace trov {

namespace {

constexpr const char* kNoHandlerText =
    "According to the registry, the type of file specified in AVIFileOpen does not have a handler to process "
    "it.";
constexpr const char* kBadFormatText =
    "The file couldn't be read, indicating a corrupt file or an unrecognized format.";
constexpr const char* kMemoryText = "The file could not be opened because of insufficient memory.";
constexpr const char* kReadErrorText = "A disk error occurred while reading the file.";
constexpr const char* kOpenErrorText = "A disk error occurred while opening the file.";
constexpr const char* kNoMessageText = "No Message";

const char* CreateErrorText(int err) {
    if (err == AVERROR(ENOMEM)) return kMemoryText;
    if (err == AVERROR(EIO)) return kReadErrorText;
    if (err == AVERROR_INVALIDDATA) return kBadFormatText;
    if (err == AVERROR_MUXER_NOT_FOUND || err == AVERROR_PROTOCOL_NOT_FOUND) return kNoHandlerText;
    for (int e : {ENOENT, EACCES, EPERM, EISDIR, EROFS, ENOTDIR, ENOSPC, EEXIST, ENAMETOOLONG, ELOOP})
        if (err == AVERROR(e)) return kOpenErrorText;
    return kNoMessageText;
}

// Demuxers that turn single pictures or text into "movies"; an AVI reader must refuse those files.
bool IsPictureDemuxer(const char* name) {
    if (!name) return true;
    std::string n = name;
    return n.find("image2") != std::string::npos || n.find("_pipe") != std::string::npos || n == "tty" ||
           n == "mjpeg" || n == "gif" || n == "webp" || n == "apng";
}

// The codec of a wave format record.
AVCodecID AudioCodecFor(const SWaveFormat& format) {
    const uint16_t bits = format.bitsPerSample;
    if (format.IsIntegerPcm()) {
        switch (bits) {
            case 8:
                return AV_CODEC_ID_PCM_U8;
            case 16:
                return AV_CODEC_ID_PCM_S16LE;
            case 24:
                return AV_CODEC_ID_PCM_S24LE;
            case 32:
                return AV_CODEC_ID_PCM_S32LE;
            default:
                return AV_CODEC_ID_NONE;
        }
    }
    if (format.IsFloatPcm())
        return bits == 64 ? AV_CODEC_ID_PCM_F64LE : bits == 32 ? AV_CODEC_ID_PCM_F32LE : AV_CODEC_ID_NONE;
    const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
    return av_codec_get_id(tables, format.formatTag);
}

// Samples per frame of the frame-based codecs the audio layer may hand over; 0 for the others.
int FrameSizeFor(AVCodecID id, int sampleRate) {
    switch (id) {
        case AV_CODEC_ID_MP3:
            return sampleRate >= 32000 ? 1152 : 576;
        case AV_CODEC_ID_MP2:
            return 1152;
        case AV_CODEC_ID_MP1:
            return 384;
        case AV_CODEC_ID_AC3:
        case AV_CODEC_ID_EAC3:
            return 1536;
        case AV_CODEC_ID_AAC:
            return 1024;
        default:
            return 0;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

AVIWriteState::~AVIWriteState() {
    if (out) {
        if (out->pb) avio_closep(&out->pb);
        avformat_free_context(out);
        out = nullptr;
    }
}

bool AVIWriteState::EnsureHeader(std::string& error) {
    if (headerWritten) return true;
    if (headerFailed || finished || !out) {
        error = "The file header could not be written.";
        return false;
    }
    bool flippedRaw = false;
    for (CAVIStream* s : streams) {
        CAVIStream::Impl& impl = *s->m_impl;
        if (!impl.params || impl.params->codec_id == AV_CODEC_ID_NONE) {
            headerFailed = true;
            error = "Stream " + std::to_string(s->GetIndex()) + " has no compressing stream.";
            return false;
        }
        AVStream* st = avformat_new_stream(out, nullptr);
        if (!st || avcodec_parameters_copy(st->codecpar, impl.params.get()) < 0) {
            headerFailed = true;
            error = "Out of memory.";
            return false;
        }
        st->time_base = impl.unit;
        if (s->GetKind() == CAVIStream::kKindVideo) {
            st->avg_frame_rate = av_inv_q(impl.unit);
            st->r_frame_rate = st->avg_frame_rate;
            st->sample_aspect_ratio = AVRational{1, 1};
            if (impl.encoder.dibPassThrough) flippedRaw = true;
        }
        impl.out = st;
    }
    AVDictionary* options = nullptr;
    if (muxer == "avi" && flippedRaw) av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    int err = avformat_write_header(out, &options);
    av_dict_free(&options);
    if (err < 0) {
        headerFailed = true;
        error = "The file header could not be written: " + ffmpeg::ErrorText(err);
        return false;
    }
    headerWritten = true;
    return true;
}

// ---------------------------------------------------------------------------------------------

CAVIContainer::CAVIContainer() = default;

CAVIContainer::~CAVIContainer() {
    Close();
}

bool CAVIContainer::IsWriting() const {
    return m_writer && !m_writer->finished;
}

CAVIStream* CAVIContainer::GetStream(int index) {
    auto it = m_streams.find(index);
    return it == m_streams.end() ? nullptr : it->second.get();
}

void CAVIContainer::Reset() {
    m_streams.clear();
    m_reader.reset();
    m_writer.reset();
    m_open = false;
    m_fileName.clear();
    m_streamCount = 0;
    m_firstVideo = -1;
    m_firstAudio = -1;
}

bool CAVIContainer::Close() {
    bool ok = true;
    if (m_writer && !m_writer->finished) {
        std::string error;
        for (CAVIStream* s : std::vector<CAVIStream*>(m_writer->streams)) {
            if (s->GetKind() == CAVIStream::kKindVideo && !s->FlushForPaste()) {
                ok = false;
                error = s->GetLastError();
            }
        }
        if (m_writer->streams.empty() && !m_writer->headerWritten) {
            // Nothing was set up: there is no movie to complete.
        } else if (!m_writer->EnsureHeader(error)) {
            ok = false;
        } else {
            int err = av_write_trailer(m_writer->out);
            if (err < 0) {
                ok = false;
                error = "The file could not be completed: " + ffmpeg::ErrorText(err);
            }
        }
        if (m_writer->out && m_writer->out->pb) {
            if (m_writer->out->pb->error < 0 && ok) {
                ok = false;
                error = "Writing the file failed: " + ffmpeg::ErrorText(m_writer->out->pb->error);
            }
            avio_closep(&m_writer->out->pb);
        }
        avformat_free_context(m_writer->out);
        m_writer->out = nullptr;
        m_writer->finished = true;
        if (!ok) m_lastError = error;
    }
    Reset();
    return ok;
}

AVIReadState::~AVIReadState() {
    // The demuxer reads through the memory context until it is closed, so it goes first.
    input.reset();
    if (memoryIo) {
        av_freep(&memoryIo->buffer);
        avio_context_free(&memoryIo);
    }
}

bool CAVIContainer::Open(const std::string& path, bool reportFailure) {
    Close();
    m_lastError.clear();
    ffmpeg::InitLogging();
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
        m_lastError = path + ": no such file.";
        if (reportFailure) GetUserPrompt().Message("Failed to open AVI File: " + path);
        return false;
    }
    return OpenReader(path, std::make_shared<AVIReadState>(), reportFailure);
}

namespace {

int ReadMemory(void* opaque, uint8_t* buffer, int size) {
    auto* state = static_cast<AVIReadState*>(opaque);
    size_t left = state->memorySize - state->memoryPos;
    if (left == 0) return AVERROR_EOF;
    size_t n = std::min(left, size_t(size));
    std::memcpy(buffer, state->memoryData + state->memoryPos, n);
    state->memoryPos += n;
    return int(n);
}

int64_t SeekMemory(void* opaque, int64_t offset, int whence) {
    auto* state = static_cast<AVIReadState*>(opaque);
    int64_t size = int64_t(state->memorySize);
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = int64_t(state->memoryPos);
            break;
        case SEEK_END:
            base = size;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset < -base || offset > size - base) return AVERROR(EINVAL);
    state->memoryPos = size_t(base + offset);
    return base + offset;
}

}  // namespace

bool CAVIContainer::OpenMemory(const uint8_t* data, size_t size, const std::string& name,
                               bool reportFailure) {
    Close();
    m_lastError.clear();
    ffmpeg::InitLogging();
    auto reader = std::make_shared<AVIReadState>();
    reader->memoryData = data;
    reader->memorySize = data ? size : 0;
    constexpr int kIoBufferSize = 1 << 15;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (buffer) {
        reader->memoryIo =
            avio_alloc_context(buffer, kIoBufferSize, 0, reader.get(), ReadMemory, nullptr, SeekMemory);
        if (!reader->memoryIo) av_free(buffer);
    }
    if (!reader->memoryIo) {
        m_lastError = name + ": " + kMemoryText;
        if (reportFailure) GetUserPrompt().Message("Failed to open AVI File: " + name);
        return false;
    }
    return OpenReader(name, reader, reportFailure);
}

bool CAVIContainer::OpenReader(const std::string& path, std::shared_ptr<AVIReadState> reader,
                               bool reportFailure) {
    auto fail = [&](const std::string& why) {
        m_lastError = why;
        Reset();
        if (reportFailure) GetUserPrompt().Message("Failed to open AVI File: " + path);
        return false;
    };
    AVFormatContext* raw = nullptr;
    if (reader->memoryIo) {
        raw = avformat_alloc_context();
        if (!raw) return fail(path + ": " + kMemoryText);
        raw->pb = reader->memoryIo;
    }
    int err = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (err < 0) return fail(path + ": " + ffmpeg::ErrorText(err));
    reader->input.reset(raw);
    if (IsPictureDemuxer(raw->iformat ? raw->iformat->name : nullptr))
        return fail(path + ": not a movie file (" + std::string(raw->iformat ? raw->iformat->name : "?") +
                    ").");
    err = avformat_find_stream_info(raw, nullptr);
    if (err < 0) return fail(path + ": " + ffmpeg::ErrorText(err));
    reader->isAvi = std::strcmp(raw->iformat->name, "avi") == 0;
    bool media = false;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        AVMediaType t = raw->streams[i]->codecpar->codec_type;
        if (t == AVMEDIA_TYPE_VIDEO || t == AVMEDIA_TYPE_AUDIO) media = true;
    }
    if (!media) return fail(path + ": the file holds neither video nor audio.");

    if (reader->isAvi) {
        // A file without a complete index (cut short while being written) is read through once and
        // its samples counted: the length is what is really there, not what the header promised.
        bool incomplete = false;
        for (unsigned i = 0; i < raw->nb_streams; ++i) {
            AVStream* st = raw->streams[i];
            AVMediaType t = st->codecpar->codec_type;
            int entries = avformat_index_get_entries_count(st);
            if ((t == AVMEDIA_TYPE_VIDEO || t == AVMEDIA_TYPE_AUDIO) &&
                (entries == 0 || st->nb_frames > entries))
                incomplete = true;
        }
        if (incomplete) {
            reader->scannedLengths.assign(raw->nb_streams, 0);
            ffmpeg::PacketPtr packet(av_packet_alloc());
            while (av_read_frame(raw, packet.get()) >= 0) {
                const AVCodecParameters* p = raw->streams[packet->stream_index]->codecpar;
                bool pcm = av_get_bits_per_sample(p->codec_id) > 0 && p->block_align > 0;
                reader->scannedLengths[size_t(packet->stream_index)] +=
                    pcm ? packet->size / p->block_align : 1;
                av_packet_unref(packet.get());
            }
            avformat_seek_file(raw, -1, INT64_MIN, 0, 0, 0);
        }
    }

    m_reader = reader;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        auto stream = std::make_unique<CAVIStream>();
        stream->AttachInput(reader, raw->streams[i], int(i));
        if (stream->GetKind() == CAVIStream::kKindVideo && m_firstVideo < 0) m_firstVideo = int(i);
        if (stream->GetKind() == CAVIStream::kKindAudio && m_firstAudio < 0) m_firstAudio = int(i);
        m_streams[int(i)] = std::move(stream);
    }
    m_streamCount = int(raw->nb_streams);
    m_fileName = path;
    m_open = true;
    return true;
}

bool CAVIContainer::CreateFile(const std::string& path) {
    Close();
    m_lastError.clear();
    ffmpeg::InitLogging();
    m_fileName = path;
    // The creation expects the open flag after every attempt, successful or not.
    m_open = true;
    auto fail = [&](const char* text) {
        m_lastError = text;
        VideoLog(std::string("CAVIContainer::CreateFile: Creating AVI with AVIFileOpen failed: ") + text);
        return false;
    };
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        if (std::filesystem::is_directory(path, ec) || !std::filesystem::remove(path, ec))
            return fail(kOpenErrorText);
    }
    VideoLog("CAVIContainer::CreateFile: Creating AVI with AVIFileOpen...");
    auto writer = std::make_shared<AVIWriteState>();
    writer->muxer = ContainerForPath(path);
    int err = avformat_alloc_output_context2(&writer->out, nullptr, writer->muxer.c_str(), path.c_str());
    if (err < 0 || !writer->out) return fail(err == AVERROR(ENOMEM) ? kMemoryText : kNoHandlerText);
    err = avio_open(&writer->out->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (err < 0) return fail(CreateErrorText(err));
    m_writer = writer;
    VideoLog("CAVIContainer::CreateFile: Creating AVI with AVIFileOpen sucessful.");
    return true;
}

bool CAVIContainer::ComputeRateScale(double scale, double rate, uint32_t& outScale, uint32_t& outRate) {
    if (!std::isfinite(scale) || !std::isfinite(rate) || scale <= 0 || rate <= 0) return false;
    if (scale == 1.0) {
        // Make a fractional rate integral: 29.97 -> 2997 / 100. Binary fractions are never exact,
        // so "integral" means within a millionth, and the number of steps is bounded.
        for (int i = 0; i < 9 && std::fabs(rate - std::nearbyint(rate)) > 1e-6 * std::max(1.0, rate); ++i) {
            rate *= 10.0;
            scale *= 10.0;
        }
        rate = std::nearbyint(rate);
    }
    double s = std::trunc(scale), r = std::trunc(rate);
    if (s < 1 || r < 1 || s > double(INT32_MAX) || r > double(INT32_MAX)) return false;
    outScale = uint32_t(s);
    outRate = uint32_t(r);
    return true;
}

std::unique_ptr<CAVIStream> CAVIContainer::CreateVideoStream(const BitmapInfoHeader& header, double scale,
                                                             double rate) {
    m_lastError.clear();
    if (!IsWriting() || m_writer->sealed) {
        m_lastError = "The file is not open for writing, or samples were written already.";
        return nullptr;
    }
    AVIStreamInfo info;
    if (!ComputeRateScale(scale, rate, info.dwScale, info.dwRate)) {
        m_lastError = "The frame rate is not valid.";
        return nullptr;
    }
    int width = header.biWidth;
    int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (width < 1 || height < 1 || width > CPicture::kMaxSide || height > CPicture::kMaxSide) {
        m_lastError = "The picture size is not valid.";
        return nullptr;
    }
    info.fccType = kStreamTypeVideo;
    info.fccHandler = 0;
    info.dwSuggestedBufferSize = header.biSizeImage;
    info.rcFrame = StreamRect{0, 0, width, height};
    auto stream = std::make_unique<CAVIStream>();
    if (!stream->CreateNewStream(*this, info)) {
        m_lastError = stream->GetLastError();
        return nullptr;
    }
    return stream;
}

namespace {

// A wave format record of 18 bytes and its extra bytes, or of 16 bytes (no extra bytes).
bool ParseWaveRecord(const std::vector<uint8_t>& waveFormat, SWaveFormat& r, std::string& error) {
    if (waveFormat.size() < 16) {
        error = "The wave format record is too short.";
        return false;
    }
    if (waveFormat.size() < 18) {
        r = SWaveFormat::FromPcmBytes(waveFormat.data());
        return true;
    }
    if (!SWaveFormat::FromBytes(waveFormat.data(), waveFormat.size(), r)) {
        error = "The wave format record announces more extra bytes than it has.";
        return false;
    }
    return true;
}

// The muxer's parameters of an audio stream of codec id; null (out of memory) when the extra bytes
// cannot be copied.
ffmpeg::ParametersPtr AudioParameters(const SWaveFormat& r, AVCodecID id, const std::string& muxer) {
    ffmpeg::ParametersPtr params(avcodec_parameters_alloc());
    params->codec_type = AVMEDIA_TYPE_AUDIO;
    params->codec_id = id;
    // The AVI writer knows no codec by the extensible tag: it writes its own record for those.
    params->codec_tag = muxer == "avi" && r.formatTag != kWaveFormatExtensible ? r.formatTag : 0;
    av_channel_layout_default(&params->ch_layout, r.channels);
    params->sample_rate = int(r.samplesPerSec);
    params->bit_rate = int64_t(r.avgBytesPerSec) * 8;
    params->bits_per_coded_sample = r.bitsPerSample;
    int frameSize = FrameSizeFor(id, int(r.samplesPerSec));
    if (frameSize > 0) {
        params->frame_size = frameSize;
        params->block_align = 0;
    } else {
        params->block_align = r.blockAlign;
    }
    // The AVI writer adds the MPEG Layer-3 extra bytes itself.
    if (!r.extra.empty() && id != AV_CODEC_ID_MP3 && r.formatTag != kWaveFormatExtensible) {
        params->extradata = static_cast<uint8_t*>(av_mallocz(r.extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!params->extradata) return nullptr;
        std::memcpy(params->extradata, r.extra.data(), r.extra.size());
        params->extradata_size = int(r.extra.size());
    }
    return params;
}

}  // namespace

std::unique_ptr<CAVIStream> CAVIContainer::CreateAudioStream(const std::vector<uint8_t>& waveFormat) {
    m_lastError.clear();
    if (!IsWriting() || m_writer->sealed) {
        m_lastError = "The file is not open for writing, or samples were written already.";
        return nullptr;
    }
    SWaveFormat r;
    if (!ParseWaveRecord(waveFormat, r, m_lastError)) return nullptr;
    AVCodecID id = AudioCodecFor(r);
    if (id == AV_CODEC_ID_NONE || r.channels == 0 || r.channels > 64 || r.samplesPerSec == 0 ||
        r.samplesPerSec > 768000) {
        m_lastError = "The audio format cannot be stored.";
        return nullptr;
    }
    // The formats of our table by the table (FFmpeg answers "unknown" for some), others by FFmpeg.
    const bool known = std::any_of(OutputAudioFormats().begin(), OutputAudioFormats().end(),
                                   [&](const SOutputAudioFormat& f) { return f.formatTag == r.formatTag; });
    if (known ? !ContainerHoldsAudio(m_writer->muxer, r.formatTag)
              : avformat_query_codec(m_writer->out->oformat, id, FF_COMPLIANCE_NORMAL) == 0) {
        m_lastError = "The audio format cannot be stored in this kind of file.";
        return nullptr;
    }
    bool pcm = av_get_bits_per_sample(id) > 0;
    if (pcm && r.blockAlign == 0) {
        m_lastError = "The PCM format has no block alignment.";
        return nullptr;
    }
    ffmpeg::ParametersPtr params = AudioParameters(r, id, m_writer->muxer);
    if (!params) {
        m_lastError = "Out of memory.";
        return nullptr;
    }

    AVIStreamInfo info;
    info.fccType = kStreamTypeAudio;
    info.dwScale = r.blockAlign;
    info.dwRate = r.avgBytesPerSec;
    info.dwQuality = 10000;
    info.dwSampleSize = r.blockAlign;
    auto stream = std::make_unique<CAVIStream>();
    if (!stream->CreateNewStream(*this, info)) {
        m_lastError = stream->GetLastError();
        return nullptr;
    }
    CAVIStream::Impl& s = *stream->m_impl;
    s.params = std::move(params);
    s.unit = AVRational{1, int(r.samplesPerSec)};
    s.blockAlign = r.blockAlign;
    s.pcm = pcm;
    s.sampleRate = int(r.samplesPerSec);
    stream->m_format.assign(waveFormat.begin(),
                            waveFormat.begin() + std::min<size_t>(waveFormat.size(), 18 + r.extra.size()));
    if (stream->m_format.size() < 18) stream->m_format.resize(18, 0);
    return stream;
}

int CAVIContainer::AddStream(std::unique_ptr<CAVIStream> stream) {
    m_lastError.clear();
    if (!stream) return -1;
    if (!m_writer || stream->m_impl->writer != m_writer || stream->m_impl->added) {
        m_lastError = "The stream does not belong to this file.";
        return -1;
    }
    if (m_writer->sealed || m_writer->headerWritten || m_writer->finished) {
        m_lastError = "Streams must be added before the first sample is written.";
        return -1;
    }
    int index = m_streamCount;
    stream->SetIndex(index);
    stream->m_impl->added = true;
    m_writer->streams.push_back(stream.get());
    if (stream->GetKind() == CAVIStream::kKindVideo && m_firstVideo < 0) m_firstVideo = index;
    if (stream->GetKind() == CAVIStream::kKindAudio && m_firstAudio < 0) m_firstAudio = index;
    m_streams[index] = std::move(stream);
    ++m_streamCount;
    return index;
}

bool CAVIContainer::WriteAudio(const EncodedAudio& audio, int targetIndex) {
    CAVIStream* stream = GetStream(targetIndex == -1 ? m_firstAudio : targetIndex);
    if (!stream) {
        m_lastError = "There is no such audio stream.";
        return false;
    }
    if (!stream->WriteAudio(audio)) {
        m_lastError = stream->GetLastError();
        return false;
    }
    return true;
}

}  // namespace trov
