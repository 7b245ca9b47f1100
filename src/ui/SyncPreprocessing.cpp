// Preview pictures, preview WAVs, the cut and the player of the synchronisation (see the header).
#include "ui/SyncPreprocessing.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "audio/AudioDecoder.h"
#include "audio/SoundPlayer.h"
#include "audio/WaveFile.h"
#include "infra/ByteOrder.h"
#include "infra/MessagePipelines.h"
#include "project/FileCache.h"
#include "project/ProjectObject.h"
#include "project/ProjectPaths.h"
#include "ui/MainViewCommands.h"

namespace fs = std::filesystem;

namespace trov {

namespace {

void RemoveQuietly(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

// Copies [startMs, end) of an open WAV file into target, in its format, a second at a time so a
// long piece never sits in memory whole.
bool CopyTail(CWaveFile& source, int startMs, const std::string& target) {
    CWaveFile out;
    if (!out.Create(target, *source.GetFormat())) return false;
    int64_t position = std::max<int64_t>(0, source.MsToByte(std::max(0, startMs)));
    const int64_t block = std::max<int64_t>(source.GetFrameSize(), source.MsToByte(1000));
    std::vector<uint8_t> buffer(static_cast<size_t>(block));
    for (;;) {
        int64_t n = source.ReadBytes(buffer.data(), block, position);
        if (n <= 0) break;
        out.WriteBytes(buffer.data(), static_cast<size_t>(n));
        position += n;
    }
    return out.Close();
}

}  // namespace

std::string PreviewWaveKey(const SSyncEntry& e) {
    return e.audioFile + "#" + std::to_string(e.audioStartTime) + "#" + std::to_string(e.audioFadingTime) +
           "#" + std::to_string(e.synchronizeFF2NP) + "#" + std::to_string(e.fadeOption) + "#" +
           (e.loopAudio ? "1" : "0");
}

std::string PreviewWavePath(const std::string& cacheDirectory, const SSyncEntry& entry) {
    return (fs::path(cacheDirectory) / ("wav_" + CFileCache::KeyDigest(PreviewWaveKey(entry)))).string();
}

bool MakePreviewWave(const SSyncEntry& entry, const std::string& target, const std::string& tempDirectory,
                     std::string& error) {
    std::string source = ResolveProjectPath(NativePath(entry.audioFile));
    std::string decoded;
    if (!IsPcmWaveFile(source)) {
        // MP3, FLAC, Ogg ... or a compressed payload in a WAV: decoded into a standard WAV first.
        decoded = (fs::path(tempDirectory) / "sync###decoded.wav").string();
        if (!DecodeToStandardWave(source, decoded, error)) return false;
        source = decoded;
    }
    CWaveFile wave;
    bool ok = wave.Open(source);
    // Written beside and renamed when complete: a preview cut short (a killed run, a full disk)
    // never poses as made.
    const std::string part = target + ".part";
    if (!ok) {
        error = "cannot be opened as a WAV file";
    } else {
        int start = entry.audioStartTime + (entry.fadeOption == 3 ? entry.audioFadingTime : 0);
        ok = CopyTail(wave, start, part);
        std::error_code ec;
        if (ok) fs::rename(part, target, ec);
        if (!ok || ec) {
            ok = false;
            error = "the preview cannot be written";
        }
    }
    wave.Close();
    if (!decoded.empty()) RemoveQuietly(decoded);
    RemoveQuietly(part);
    return ok;
}

bool CutWave(const std::string& source, int offsetMs, const std::string& target) {
    CWaveFile wave;
    if (!wave.Open(source)) return false;
    bool ok = CopyTail(wave, offsetMs, target);
    if (!ok) RemoveQuietly(target);
    return ok;
}

std::unique_ptr<CDibPicture> SyncPreviewPicture(CPicturePreparation& preparation,
                                                const CProjectObject& object, int quality) {
    CMainViewCommands::PreviewRequest request;
    request.object = object;
    request.width = kSyncPreviewWidth;
    request.height = kSyncPreviewHeight;
    request.quality = quality;
    return CMainViewCommands::PreparePreviewPicture(preparation, request);
}

// ---- preprocessing ---------------------------------------------------------------------------------

CSyncPreprocessor::CSyncPreprocessor(SInputs inputs) : m_in(std::move(inputs)) {}
CSyncPreprocessor::~CSyncPreprocessor() = default;

std::string CSyncPreprocessor::Status() const {
    std::lock_guard lock(m_mutex);
    return m_status;
}

void CSyncPreprocessor::Send(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        m_status = text;
    }
    if (m_in.pipelines) m_in.pipelines->Send("Status", text);
}

bool CSyncPreprocessor::Run() {
    const int count = Count();
    if (m_in.pipelines) {
        m_in.pipelines->Send("MaxProgressComplete", count);
        m_in.pipelines->Send("CurrentProgressComplete", 0);
    }
    for (int i = 0; i < count && !m_cancel; ++i) {
        const SSyncEntry& entry = m_in.entries[size_t(i)];
        Send(synctext::kImageStatus + entry.fileName + synctext::kStatusEnd);
        if (m_in.preparation && size_t(i) < m_in.objects.size() &&
            !SyncPreviewPicture(*m_in.preparation, m_in.objects[size_t(i)], m_in.quality))
            ++m_missingPictures;
        if (entry.HasAudio() && !m_cancel) MakeWave(entry);
        m_position = i + 1;
        if (m_in.pipelines) m_in.pipelines->Send("CurrentProgressComplete", i + 1);
    }
    Send(m_cancel ? synctext::kCanceled : synctext::kDone);
    return !m_cancel;
}

void CSyncPreprocessor::MakeWave(const SSyncEntry& entry) {
    if (!m_in.waveCache) return;
    const std::string key = PreviewWaveKey(entry);
    std::error_code ec;
    if (auto cached = m_in.waveCache->Lookup(key); cached && fs::exists(*cached, ec)) return;
    Send(synctext::kAudioStatus + entry.audioFile + synctext::kStatusEnd);
    const std::string target = PreviewWavePath(m_in.waveCache->GetDirectory(), entry);
    std::string error;
    if (!MakePreviewWave(entry, target, m_in.tempDirectory, error)) {
        ++m_missingWaves;
        return;
    }
    // Indexed and registered like the wave cache's own copies: kept across runs, deleted with the cache.
    m_in.waveCache->Remove(key);
    m_in.waveCache->Add(key, target);
    m_in.waveCache->RegisterFile(target);
}

// ---- the outline --------------------------------------------------------------------------------

SWaveOutline OutlineOfPcm16(const uint8_t* pcm, size_t size, int channels, int sampleRate, int bucketMs) {
    SWaveOutline outline;
    outline.bucketMs = std::max(1, bucketMs);
    if (!pcm || channels < 1 || sampleRate < 1) return outline;
    const size_t frameBytes = size_t(channels) * 2;
    const size_t frames = size / frameBytes;
    outline.lengthMs = static_cast<int>(frames * 1000 / size_t(sampleRate));
    const size_t perBucket = std::max<size_t>(1, size_t(sampleRate) * size_t(outline.bucketMs) / 1000);
    outline.peaks.reserve(frames / perBucket + 1);
    for (size_t first = 0; first < frames; first += perBucket) {
        int peak = 0;
        const size_t last = std::min(frames, first + perBucket);
        for (size_t f = first; f < last; ++f)
            for (int c = 0; c < channels; ++c) {
                const uint8_t* p = pcm + f * frameBytes + size_t(c) * 2;
                int v = static_cast<int16_t>(ReadLe16(p));
                peak = std::max(peak, std::abs(v));
            }
        outline.peaks.push_back(static_cast<uint8_t>(std::min(255, peak * 255 / 32767)));
    }
    return outline;
}

namespace {

// The outline value of a piece at run time t (0 past its end unless it loops).
int PieceValueAt(const SSyncPiece& piece, const SWaveOutline& o, bool loop, int64_t t) {
    if (o.peaks.empty() || o.lengthMs <= 0) return 0;
    int64_t p = t - piece.runTimeMs + piece.offsetMs;
    if (p >= o.lengthMs) {
        int64_t span = o.lengthMs - piece.offsetMs;
        if (!loop || span <= 0) return 0;
        p = piece.offsetMs + (p - piece.offsetMs) % span;
    }
    size_t bucket = size_t(std::max<int64_t>(0, p) / o.bucketMs);
    return bucket < o.peaks.size() ? o.peaks[bucket] : 0;
}

}  // namespace

std::vector<uint8_t> RunOutline(const std::vector<SSyncPiece>& pieces, const std::vector<SSyncEntry>& entries,
                                const std::function<SWaveOutline(int entry)>& outline, int64_t fromMs,
                                int64_t toMs, int columns) {
    std::vector<uint8_t> values(size_t(std::max(0, columns)), 0);
    if (columns <= 0 || toMs <= fromMs || pieces.empty()) return values;
    std::map<int, SWaveOutline> outlines;
    for (const SSyncPiece& p : pieces)
        if (!outlines.count(p.entry)) outlines[p.entry] = outline(p.entry);
    const double msPerColumn = double(toMs - fromMs) / columns;
    for (int c = 0; c < columns; ++c) {
        const int64_t t0 = fromMs + int64_t(c * msPerColumn);
        const int64_t t1 = std::max(t0 + 1, fromMs + int64_t((c + 1) * msPerColumn));
        int peak = 0;
        size_t k = 0;
        for (int64_t t = t0; t < t1;) {
            // The piece playing at t: the last one started by then.
            while (k + 1 < pieces.size() && pieces[k + 1].runTimeMs <= t) ++k;
            const SSyncPiece& piece = pieces[k];
            if (piece.runTimeMs <= t) {
                const SWaveOutline& o = outlines[piece.entry];
                bool loop = size_t(piece.entry) < entries.size() && entries[size_t(piece.entry)].loopAudio;
                peak = std::max(peak, PieceValueAt(piece, o, loop, t));
                t += std::max(1, o.bucketMs);
            } else {
                t += 1;
            }
        }
        values[size_t(c)] = uint8_t(peak);
    }
    return values;
}

// ---- the player ------------------------------------------------------------------------------------

CSyncAudioPlayer::CSyncAudioPlayer(std::vector<SSyncEntry> entries, CFileCache& waveCache,
                                   CSoundOutput& output)
    : m_entries(std::move(entries)),
      m_waveCache(waveCache),
      m_output(output),
      m_player(std::make_unique<CSoundPlayer>(output)) {}

// The player purges what plays when it is destroyed.
CSyncAudioPlayer::~CSyncAudioPlayer() = default;

bool CSyncAudioPlayer::CheckOutput(std::string& why) {
    SWaveFormat format = PcmWaveFormat(44100, 2, 16);
    bool works = m_output.CanPlay(format, &why);
    std::lock_guard lock(m_mutex);
    m_outputChecked = true;
    m_outputWorks = works;
    return works;
}

std::string CSyncAudioPlayer::PreviewFile(int entry) const {
    if (entry < 0 || size_t(entry) >= m_entries.size() || !m_entries[size_t(entry)].HasAudio()) return {};
    auto path = m_waveCache.Lookup(PreviewWaveKey(m_entries[size_t(entry)]));
    std::error_code ec;
    return path && fs::exists(*path, ec) ? *path : std::string();
}

bool CSyncAudioPlayer::Play(int entry, int offsetMs) {
    m_player->Stop();
    std::string path = PreviewFile(entry);
    if (path.empty()) return false;
    std::vector<uint8_t> whole;
    SWaveFormat format;
    if (!ReadWaveAsPcm16(path, whole, format)) return false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_outlines.count(entry))
            m_outlines[entry] =
                OutlineOfPcm16(whole.data(), whole.size(), format.channels, format.samplesPerSec);
    }
    std::vector<uint8_t> pcm;
    if (offsetMs > 0) {
        // Part-way into the piece: the cut file from the offset to the end, read into memory and deleted.
        const std::string cut = (fs::path(m_waveCache.GetDirectory()) / kSyncCutFile).string();
        SWaveFormat cutFormat;
        bool ok = CutWave(path, offsetMs, cut) && ReadWaveAsPcm16(cut, pcm, cutFormat);
        RemoveQuietly(cut);
        if (!ok) return false;
    } else {
        pcm = std::move(whole);
    }
    bool loop = m_entries[size_t(entry)].loopAudio;
    m_player->PlayPcm(std::move(pcm), format, loop);
    std::lock_guard lock(m_mutex);
    return !m_outputChecked || m_outputWorks;
}

void CSyncAudioPlayer::Stop() {
    m_player->Stop();
}

SWaveOutline CSyncAudioPlayer::Outline(int entry) const {
    std::lock_guard lock(m_mutex);
    auto it = m_outlines.find(entry);
    return it == m_outlines.end() ? SWaveOutline() : it->second;
}

}  // namespace trov
