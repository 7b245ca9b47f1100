// CAVIContainer::PasteStreams: copying the compressed samples of another file's stream into a
// stream being written, without decoding them.
#include <algorithm>
#include <vector>

#include "infra/UserPrompt.h"
#include "video/AVIContainer.h"
#include "video/AVIInternal.h"

namespace trov {

// The source stream's packets for one paste; the first read error and the first write error are
// each shown once.
class CPasteSession {
public:
    CPasteSession(AVFormatContext* input, int streamIndex, CAVIStream& target, std::string& lastError)
        : m_input(input),
          m_index(streamIndex),
          m_target(target),
          m_lastError(lastError),
          m_packet(av_packet_alloc()) {}

    AVPacket* Packet() { return m_packet.get(); }

    // Reads the next packet of the source stream into Packet(); false at the end or on a read error.
    bool Next() {
        for (;;) {
            int r = av_read_frame(m_input, m_packet.get());
            if (r < 0) {
                if (r != AVERROR_EOF) ReadError("Error in Paste Streams! AVIStreamRead");
                return false;
            }
            if (m_packet->stream_index == m_index) return true;
            av_packet_unref(m_packet.get());
        }
    }
    void ReadError(const char* text) {
        if (!m_readReported) GetUserPrompt().Message(text);
        m_readReported = true;
    }
    void WriteError(const char* text) {
        if (!m_writeReported) GetUserPrompt().Message(text);
        m_writeReported = true;
        m_lastError = m_target.GetLastError();
    }

private:
    AVFormatContext* m_input;
    int m_index;
    CAVIStream& m_target;
    std::string& m_lastError;
    ffmpeg::PacketPtr m_packet;
    bool m_readReported = false, m_writeReported = false;
};

namespace {

// PCM: the bytes of samples [first, end), moved in steps of about 32 KB.
void PastePcm(CPasteSession& session, CAVIStream& target, const CAVIStream::Impl& src, int64_t first,
              int64_t end) {
    const int64_t sampleSize = src.blockAlign;
    const int64_t step = std::max<int64_t>(1, 32768 / sampleSize) * sampleSize;
    const int64_t firstByte = first * sampleSize, endByte = end * sampleSize;
    std::vector<uint8_t> buffer;
    buffer.reserve(size_t(step) + 32768);
    int64_t position = 0;
    auto emit = [&](size_t bytes) {
        if (bytes == 0) return;
        if (!target.WriteAudio(buffer.data(), bytes)) session.WriteError("Error! AVIStreamWrite! Audio!");
        buffer.erase(buffer.begin(), buffer.begin() + std::ptrdiff_t(bytes));
    };
    AVPacket* packet = session.Packet();
    while (position < endByte && session.Next()) {
        int64_t from = std::max(position, firstByte), to = std::min(position + packet->size, endByte);
        if (to > from)
            buffer.insert(buffer.end(), packet->data + (from - position), packet->data + (to - position));
        position += packet->size;
        av_packet_unref(packet);
        while (int64_t(buffer.size()) >= step) emit(size_t(step));
    }
    emit(buffer.size() - buffer.size() % size_t(sampleSize));
}

// Frame-based audio: one packet is one sample of the stream.
void PasteAudioPackets(CPasteSession& session, CAVIStream& target, const CAVIStream::Impl& src, int64_t first,
                       int64_t end) {
    AVPacket* packet = session.Packet();
    int64_t counter = 0;
    while (counter < end && session.Next()) {
        if (counter++ >= first && packet->size > 0) {
            EncodedAudio block;
            block.bytes.assign(packet->data, packet->data + packet->size);
            if (packet->duration > 0 && src.sampleRate > 0)
                block.packetSamples.push_back(uint32_t(
                    av_rescale_q(packet->duration, src.in->time_base, AVRational{1, src.sampleRate})));
            if (!target.WriteAudio(block)) session.WriteError("Error! AVIStreamWrite! Audio!");
        }
        av_packet_unref(packet);
    }
}

}  // namespace

CAVIStream* CAVIContainer::PasteTarget(CAVIStream& source, int targetIndex) {
    CAVIStream* target = GetStream(targetIndex);
    if (!target) {
        m_lastError = "There is no stream " + std::to_string(targetIndex) + " to paste into.";
        return nullptr;
    }
    if (!IsWriting() || target->m_impl->writer != m_writer) {
        m_lastError = "The target stream is not being written.";
        return nullptr;
    }
    const CAVIStream::Impl& src = *source.m_impl;
    const CAVIStream::Impl& dst = *target->m_impl;
    if (!src.reader || !src.in ||
        (source.GetKind() != CAVIStream::kKindVideo && source.GetKind() != CAVIStream::kKindAudio)) {
        m_lastError = "The source is not a video or audio stream of an open file.";
        return nullptr;
    }
    if (source.GetKind() != target->GetKind()) {
        m_lastError = "Source and target are streams of different kinds.";
        return nullptr;
    }
    const AVCodecParameters* sp = src.in->codecpar;
    if (!dst.params || sp->codec_id != dst.params->codec_id) {
        m_lastError = "The source stream's codec differs from the target's; pasting would corrupt the movie.";
        return nullptr;
    }
    if (source.GetKind() == CAVIStream::kKindVideo &&
        (sp->width != dst.params->width || sp->height != dst.params->height)) {
        m_lastError = "The source frames have another size than the target's.";
        return nullptr;
    }
    if (source.GetKind() == CAVIStream::kKindAudio &&
        (sp->sample_rate != dst.params->sample_rate ||
         sp->ch_layout.nb_channels != dst.params->ch_layout.nb_channels ||
         (src.pcm && sp->block_align != dst.params->block_align))) {
        m_lastError = "The source audio format differs from the target's.";
        return nullptr;
    }
    return target;
}

bool CAVIContainer::PasteVideo(CAVIStream& source, CAVIStream& target, CPasteSession& session, int64_t first,
                               int64_t end) {
    CAVIStream::Impl& src = *source.m_impl;
    CAVIStream::Impl& dst = *target.m_impl;
    if (!target.FlushForPaste()) {
        m_lastError = target.GetLastError();
        return false;
    }
    int64_t base = dst.nextUnit;
    int64_t key = first == 0 ? 0 : source.KeyFrameAtOrBefore(first);
    if (!source.SeekToFrame(std::max<int64_t>(0, key))) {
        session.ReadError("Error in Paste Streams! AVIStreamRead");
        m_lastError = source.GetLastError();
        return false;
    }
    src.nextFrame = -1;
    AVPacket* packet = session.Packet();
    int64_t counter = std::max<int64_t>(0, key);
    while (session.Next()) {
        int64_t sample = packet->dts != AV_NOPTS_VALUE ? src.TsToFrame(packet->dts) : counter;
        counter = sample + 1;
        if (sample < first) {
            av_packet_unref(packet);
            continue;
        }
        if (sample >= end) {
            av_packet_unref(packet);
            break;
        }
        int64_t position = base + sample - first;
        if (position < dst.nextUnit) {
            av_packet_unref(packet);
            continue;
        }
        // A gap in the source stays a gap (the writer repeats the previous frame there).
        dst.nextUnit = position;
        av_packet_free_side_data(packet);
        if (!target.WritePacket(packet, 1)) {
            session.WriteError("Error! Paste Streams! AVIStreamWrite!");
            dst.nextUnit = position + 1;
        }
    }
    dst.length = dst.nextUnit;
    target.m_info.dwLength = uint32_t(std::min<int64_t>(dst.length, UINT32_MAX));
    return true;
}

bool CAVIContainer::PasteAudio(CAVIStream& source, CAVIStream& target, CPasteSession& session, int64_t first,
                               int64_t end) {
    CAVIStream::Impl& src = *source.m_impl;
    AVFormatContext* ic = src.reader->input.get();
    src.TakeDemuxer(source.GetIndex());
    int err = av_seek_frame(ic, src.in->index, src.startTs, AVSEEK_FLAG_BACKWARD);
    if (err < 0) err = avformat_seek_file(ic, -1, INT64_MIN, 0, 0, 0);
    if (err < 0) {
        session.ReadError("Error in Paste Streams! AVIStreamRead");
        return false;
    }
    if (src.pcm)
        PastePcm(session, target, src, first, end);
    else
        PasteAudioPackets(session, target, src, first, end);
    return true;
}

bool CAVIContainer::PasteStreams(CAVIStream& source, int targetIndex, int firstSample, int endSample) {
    m_lastError.clear();
    CAVIStream* target = PasteTarget(source, targetIndex);
    if (!target) return false;
    CAVIStream::Impl& src = *source.m_impl;
    m_writer->sealed = true;
    int64_t first = std::max(0, firstSample);
    int64_t end = std::min<int64_t>(endSample, src.length);
    if (first >= end) return true;

    CPasteSession session(src.reader->input.get(), src.in->index, *target, m_lastError);
    // Whatever happens below, the source's decoder no longer knows where the demuxer stands.
    src.nextFrame = -1;
    src.lastFrame = -1;
    if (source.GetKind() == CAVIStream::kKindVideo) return PasteVideo(source, *target, session, first, end);
    return PasteAudio(source, *target, session, first, end);
}

}  // namespace trov
