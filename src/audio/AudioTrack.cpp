// Assembly and encoding of the movie's audio track, audio coverage and the audio-field rules.
#include "audio/AudioTrack.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "audio/AudioDecoder.h"
#include "audio/AudioEffect.h"
#include "audio/AudioFormats.h"
#include "audio/AudioLog.h"
#include "audio/WaveCache.h"
#include "infra/MessagePipelines.h"
#include "infra/UserPrompt.h"
#include "project/FileCache.h"

namespace trov {
namespace {

const char* const kCodecError =
    "Sorry! Audio codec settings can not be used! Please use other settings or another codec!";
const char* const kStatusPrefix = "Creating Audio Stream: ";
constexpr int64_t kSilenceChunk = 176400;

CUserPrompt& Prompt(const SAudioTrackContext& ctx) {
    return ctx.prompt ? *ctx.prompt : GetUserPrompt();
}
bool Cancelled(const SAudioTrackContext& ctx) {
    return ctx.isCancelled && ctx.isCancelled();
}

// Standard-format copies of the sources that are not PCM WAV files (compressed WAV payloads, MP3,
// FLAC, Ogg Vorbis, Opus ...), decoded on first use and removed with the assembly.
class CDecodedSources {
public:
    CDecodedSources(std::filesystem::path dir, CMessagePipelines* pipelines)
        : m_dir(std::move(dir)), m_pipelines(pipelines) {}
    ~CDecodedSources() {
        std::error_code ec;
        for (const auto& [source, copy] : m_copies)
            if (copy != source) std::filesystem::remove(copy, ec);
    }
    CDecodedSources(const CDecodedSources&) = delete;
    CDecodedSources& operator=(const CDecodedSources&) = delete;

    // The file to read for a source: its decoded copy when it needs one, else the source itself
    // (also when decoding fails: opening it then reports the file as it always did).
    std::string PathFor(const std::string& source) {
        if (source.empty()) return source;
        auto it = m_copies.find(source);
        if (it != m_copies.end()) return it->second;
        std::string path = source;
        if (!IsPcmWaveFile(source)) {
            const std::string copy = (m_dir / ("dec_" + CFileCache::Md5Hex(source) + ".wav")).string();
            SendStatus(m_pipelines, "Decoding audio: " + source);
            std::string error;
            if (DecodeToStandardWave(source, copy, error))
                path = copy;
            else
                AudioLog("CreateAudioTrack: " + source + " cannot be decoded: " + error);
        }
        m_copies.emplace(source, path);
        return path;
    }

private:
    std::filesystem::path m_dir;
    CMessagePipelines* m_pipelines;
    std::map<std::string, std::string> m_copies;
};

// The file a piece plays: the decoded copy of a non-WAV source, and that replaced by its normalised
// copy when the cache has one.
std::string ResolveSource(const std::string& audioFile, CWaveCache* cache, CDecodedSources& decoded) {
    std::string path = decoded.PathFor(StripCoverageMarker(audioFile));
    if (path.empty() || !cache) return path;
    std::optional<std::string> copy = cache->Lookup(path);
    return copy ? *copy : path;
}

// Appends standard-format bytes to the track on a running clock of milliseconds, so that every share
// is exactly the bytes between the clock's positions before and after it.
class CTrackWriter {
public:
    explicit CTrackWriter(CWaveFile& track) : m_track(track) { m_ref.SetFormat(StandardWaveFormat()); }

    int64_t BytesFor(int ms) const { return m_ref.MsToByte(m_clockMs + ms) - m_ref.MsToByte(m_clockMs); }
    int64_t MsToByte(int ms) const { return m_ref.MsToByte(ms); }
    void Advance(int ms) { m_clockMs += ms; }

    void WriteSilence(int ms) {
        int64_t bytes = BytesFor(ms);
        std::vector<uint8_t> zeros(size_t(std::min(bytes, kSilenceChunk)), 0);
        while (bytes > 0) {
            int64_t n = std::min<int64_t>(bytes, int64_t(zeros.size()));
            m_track.WriteBytes(zeros.data(), size_t(n));
            bytes -= n;
        }
        Advance(ms);
    }
    void Write(const std::vector<uint8_t>& bytes) {
        if (!bytes.empty()) m_track.WriteBytes(bytes.data(), bytes.size());
    }

private:
    CWaveFile& m_track;
    CWaveFile m_ref;
    int64_t m_clockMs = 0;
};

// A piece of audio being played: its file, the conversion into the standard format and the
// converted bytes not yet placed in the track.
struct SPiece {
    CWaveFile wave;
    std::string path;
    int startTime = 0;
    bool loop = false;
    std::vector<uint8_t> pending;
    bool written = false;
    uint8_t lastFrame[4] = {0, 0, 0, 0};

    void Reset() {
        pending.clear();
        written = false;
        std::fill(lastFrame, lastFrame + 4, 0);
    }

    // Converts the loaded buffer and hands out exactly `expected` standard bytes. A resampler holds a
    // few samples back: a shortfall at the very start of the piece is made up with leading silence,
    // later ones (rounding) by holding the last sample; surplus bytes wait for the next share.
    std::vector<uint8_t> TakeConverted(int64_t expected) {
        wave.AudioEncodeBuffer(wave.GetData(), size_t(std::max<int64_t>(0, wave.GetDataSize())));
        if (wave.GetEncodedSize() > 0)
            pending.insert(pending.end(), wave.GetEncodedData(),
                           wave.GetEncodedData() + wave.GetEncodedSize());
        std::vector<uint8_t> out;
        if (int64_t(pending.size()) >= expected) {
            out.assign(pending.begin(), pending.begin() + expected);
            pending.erase(pending.begin(), pending.begin() + expected);
        } else {
            int64_t missing = expected - int64_t(pending.size());
            if (!written) {
                out.assign(size_t(missing), 0);
                out.insert(out.end(), pending.begin(), pending.end());
            } else {
                out = pending;
                for (int64_t k = 0; k + 4 <= missing; k += 4) out.insert(out.end(), lastFrame, lastFrame + 4);
                out.resize(size_t(expected), 0);
            }
            pending.clear();
        }
        if (out.size() >= 4) std::copy(out.end() - 4, out.end(), lastFrame);
        if (expected > 0) written = true;
        return out;
    }
};

// The first `x` ms of a piece converted completely into `expected` standard bytes.
std::vector<uint8_t> ConvertedHead(CWaveFile& wave, int startMs, int x, int64_t expected) {
    std::vector<uint8_t> out;
    if (wave.LoadPart(startMs, startMs + x, false, -1) && wave.OpenEncoder(StandardWaveFormat())) {
        wave.AudioEncodeBuffer(wave.GetData(), size_t(std::max<int64_t>(0, wave.GetDataSize())));
        out.assign(wave.GetEncodedData(), wave.GetEncodedData() + wave.GetEncodedSize());
        if (wave.AudioEncodeFlush() && wave.GetEncodedSize() > 0)
            out.insert(out.end(), wave.GetEncodedData(), wave.GetEncodedData() + wave.GetEncodedSize());
        wave.CloseEncoder();
    }
    out.resize(size_t(std::max<int64_t>(0, expected)), 0);
    return out;
}

EncodedAudio ToEncodedAudio(const CWaveFile& wave) {
    EncodedAudio block;
    if (wave.GetEncodedSize() == 0) return block;
    block.bytes.assign(wave.GetEncodedData(), wave.GetEncodedData() + wave.GetEncodedSize());
    const CAudioConverter* converter = wave.GetConverter();
    if (converter && converter->IsCompressed()) {
        for (const SEncodedPacket& p : wave.GetEncodedPackets()) {
            block.packetSizes.push_back(uint32_t(p.size));
            block.packetSamples.push_back(uint32_t(p.duration));
        }
    }
    return block;
}

// One assembly of the track, entry by entry: the pieces, their shares of the entries' durations,
// the fades and the cross-fades into the next piece.
class CTrackAssembler {
public:
    CTrackAssembler(std::vector<SAudioEntry>& entries, const SAudioTrackSettings& settings,
                    const std::string& trackPath, const SAudioTrackContext& ctx, CWaveFile& track,
                    const SWaveFormat& standard)
        : m_entries(entries),
          m_trackPath(trackPath),
          m_ctx(ctx),
          m_track(track),
          m_writer(track),
          m_standard(standard),
          m_decoded(std::filesystem::path(trackPath).parent_path(), ctx.pipelines) {
        const int count = int(entries.size());
        m_last = settings.lastEntry < 0 || settings.lastEntry >= count ? count - 1 : settings.lastEntry;
        m_first = std::clamp(settings.firstEntry, 0, m_last);
        m_durations = ComputeEntryDurations(entries, m_last, settings.framesPerSecond);
        m_msPerFrameSync = 1000 / std::max(1, settings.framesPerSecondsSetting);
        m_segment.SetFormat(standard);
        m_incoming.SetFormat(standard);
    }

    bool Run() {
        const int f = PrepareSources();
        WriteLeadIn(f);
        SendValue(m_ctx.pipelines, pipeline::kMaxProgress, m_last + 1);
        for (int i = f; i <= m_last; ++i) {
            if (Cancelled(m_ctx)) break;
            if (!PlayEntry(i)) return false;
            SendValue(m_ctx.pipelines, pipeline::kCurrentProgress, i + 1);
        }
        // Done with the sources; complete the track file.
        m_current.wave.CloseEncoder();
        m_current.wave.Close();
        return m_track.Close();
    }

private:
    // Normalised copies first. Returns the first entry that starts a piece (m_last + 1: none).
    int PrepareSources() {
        int f = m_last + 1;
        for (int i = 0; i <= m_last; ++i) {
            const SAudioEntry& e = m_entries[size_t(i)];
            if (e.audioFile.empty()) continue;
            if (f > m_last) f = i;
            if (e.normalize && m_ctx.waveCache) {
                const std::string path = m_decoded.PathFor(e.audioFile);
                CWaveFile source;
                if (!m_ctx.waveCache->Lookup(path) && source.Open(path))
                    m_ctx.waveCache->AddNormalized(source);
            }
        }
        return f;
    }

    // Silence up to the first piece f; a first piece that mixes with the silence starts early.
    void WriteLeadIn(int f) {
        for (int i = m_first; i < f; ++i) {
            int d = m_durations[size_t(i)];
            if (i == f - 1 && f <= m_last && m_entries[size_t(f)].fadeOption == 3) {
                m_leadIn = std::clamp(m_entries[size_t(f)].fadingTime, 0, d);
                d -= m_leadIn;
            }
            m_writer.WriteSilence(d);
        }
    }

    // The part of entry i's share that cross-fades into the next entry's piece.
    int CrossFadeLength(int i, int share) const {
        int x = 0;
        if (i + 1 <= m_last) {
            const SAudioEntry& n = m_entries[size_t(i + 1)];
            if (!n.audioFile.empty() && n.fadeOption == 3)
                x = n.synchronize == 1 ? m_msPerFrameSync * m_entries[size_t(i)].fade2Next : n.fadingTime;
        }
        return std::clamp(x, 0, share);  // a cross-fade never makes the share longer than the entry
    }

    bool PlayEntry(int i) {
        const SAudioEntry& e = m_entries[size_t(i)];
        const bool write = i >= m_first;
        if (!e.audioFile.empty()) {
            m_current.startTime = e.audioStartTime;
            m_current.loop = e.loop;
        }
        const int share = m_durations[size_t(i)] + m_leadIn;
        const int x = CrossFadeLength(i, share);
        const std::string path = ResolveSource(e.audioFile, m_ctx.waveCache, m_decoded);
        if (!path.empty() && !StartPiece(path, e)) return false;
        const int s = std::max(0, share - x);
        if (!path.empty()) SendStatus(m_ctx.pipelines, kStatusPrefix + path);
        PlayShare(e, s, write);
        m_leadIn = 0;
        m_p += s;
        if (x > 0) CrossFade(m_entries[size_t(i + 1)], x, write);
        return true;
    }

    // Opens the entry's piece and its conversion; on failure says so and removes the track.
    bool StartPiece(const std::string& path, const SAudioEntry& e) {
        m_current.wave.CloseEncoder();
        if (!m_current.wave.Open(path))
            return Fail("Error: Can\xC2\xB4t open " + path + ". Please check this file!");
        m_current.path = path;
        m_current.Reset();
        m_p = e.audioStartTime + m_carry;
        m_carry = 0;
        if (!m_current.wave.OpenEncoder(m_standard)) return Fail(kCodecError);
        return true;
    }

    bool Fail(const std::string& message) {
        Prompt(m_ctx).Message(message, "TROV");
        m_track.Close();
        std::filesystem::remove(m_trackPath);
        return false;
    }

    // s ms of the current piece (silence when none plays), with the entry's fade.
    void PlayShare(const SAudioEntry& e, int s, bool write) {
        if (m_current.wave.GetMode() == CWaveFile::kModeReading) {
            m_current.wave.LoadPart(m_p, m_p + s, m_current.loop, m_current.startTime);
            if (write) {
                m_segment.SetBuffer(m_current.TakeConverted(m_writer.BytesFor(s)));
                if (e.fadeOption == 1) m_fadeIn.Apply(m_segment, 0, e.fadingTime);
                if (e.fadeOption == 2) m_fadeOut.Apply(m_segment, s - e.fadingTime, s);
                if (m_leadIn > 0) m_fadeIn.Apply(m_segment, 0, m_leadIn);
                if (m_segment.GetData())
                    m_track.WriteBytes(m_segment.GetData(), size_t(m_segment.GetDataSize()));
                m_writer.Advance(s);
            }
        } else if (write) {
            m_writer.WriteSilence(s);
        }
    }

    // x ms of the current piece's tail (looping as the piece does) mixed with the head of n's piece.
    void CrossFade(const SAudioEntry& n, int x, bool write) {
        SendStatus(m_ctx.pipelines, m_current.path + " (Cross Fading)");
        m_current.wave.LoadPart(m_p, m_p + x, m_current.loop, m_current.startTime);
        const int64_t bytes = m_writer.BytesFor(x);
        m_segment.SetBuffer(m_current.TakeConverted(bytes));
        m_fadeOut.Apply(m_segment, -1, -1);
        const std::string nextPath = ResolveSource(n.audioFile, m_ctx.waveCache, m_decoded);
        std::vector<uint8_t> head;
        if (m_next.Open(nextPath))
            head = ConvertedHead(m_next, n.audioStartTime, x, bytes);
        else
            head.assign(size_t(bytes), 0);
        m_incoming.SetBuffer(std::move(head));
        m_fadeIn.Apply(m_incoming, -1, -1);
        SendStatus(m_ctx.pipelines, m_current.path + " (Mixing)");
        CSettingsStore& mixSettings = m_mix.GetSettings();
        mixSettings.SetInt("MIX", "TargetStart", 0);
        mixSettings.SetInt("MIX", "TargetEnd", int(bytes));
        mixSettings.SetInt("MIX", "SourceStart", 0);
        mixSettings.SetInt("MIX", "SourceEnd", int(bytes));
        m_mix.ApplyMix(&m_segment, &m_incoming);
        if (write) {
            if (m_segment.GetData()) m_track.WriteBytes(m_segment.GetData(), size_t(m_segment.GetDataSize()));
            m_writer.Advance(x);
        }
        m_carry = x;
        m_p += x;
        m_next.Close();
    }

    std::vector<SAudioEntry>& m_entries;
    const std::string& m_trackPath;
    const SAudioTrackContext& m_ctx;
    CWaveFile& m_track;
    CTrackWriter m_writer;
    SWaveFormat m_standard;
    int m_first = 0, m_last = -1, m_msPerFrameSync = 40;
    std::vector<int> m_durations;
    CMixEffect m_mix;
    CFadeInEffect m_fadeIn;
    CFadeOutEffect m_fadeOut;
    SPiece m_current;
    CWaveFile m_next;
    CWaveFile m_segment;   // converted standard bytes of one share
    CWaveFile m_incoming;  // the new piece's head during a cross-fade
    CDecodedSources m_decoded;
    int m_leadIn = 0;
    int m_p = 0;  // position in the current piece's file, ms
    int m_carry = 0;
};

}  // namespace

std::string StripCoverageMarker(const std::string& audioFile) {
    size_t at = audioFile.find(kAudioCoverageMarker);
    return at == std::string::npos ? audioFile : audioFile.substr(0, at);
}

std::vector<int> ComputeEntryDurations(const std::vector<SAudioEntry>& entries, int last, double fps) {
    std::vector<int> durations;
    if (entries.empty() || last < 0) return durations;
    last = std::min(last, int(entries.size()) - 1);
    if (!(fps > 0.0)) fps = 1.0;
    int64_t frames = 0;
    int64_t startMs = 0;
    for (int i = 0; i <= last; ++i) {
        const SAudioEntry& e = entries[size_t(i)];
        frames += int64_t(e.textFadeIn) + e.showPicture + e.textFadeOut + (i == last ? 0 : e.fade2Next);
        int64_t endMs = int64_t(double(frames) / fps * 1000.0);
        durations.push_back(int(std::max<int64_t>(0, endMs - startMs)));
        startMs = std::max(startMs, endMs);
    }
    return durations;
}

bool AssembleAudioTrack(std::vector<SAudioEntry>& entries, const SAudioTrackSettings& settings,
                        const std::string& trackPath, const SAudioTrackContext& ctx) {
    // Markers are list decoration, never part of a path.
    for (SAudioEntry& e : entries) e.audioFile = StripCoverageMarker(e.audioFile);
    // The track file in the standard format.
    SWaveFormat standard;
    {
        std::lock_guard lock(GetAudioSlotMutex());
        SetStandardFormat(1, kStandardAudioSlot);
        standard = GetAudioFormatSlot(kStandardAudioSlot).format;
    }
    CWaveFile track;
    if (!track.Create(trackPath, standard)) return false;
    if (entries.empty()) return track.Close();
    CTrackAssembler assembler(entries, settings, trackPath, ctx, track, standard);
    return assembler.Run();
}

bool EncodeAudioTrack(const std::string& trackPath, const SWaveFormat& outputFormat, CAudioTrackSink& sink,
                      const SAudioTrackContext& ctx) {
    CWaveFile track;
    if (!track.Open(trackPath) || !track.OpenEncoder(outputFormat)) {
        Prompt(ctx).Message(kCodecError, "TROV");
        return false;
    }
    // The encoder's priming plays before the first sample: signalled to players where the container
    // can, else it takes the place of the track's first milliseconds, so every sound is on time.
    if (const int delay = track.GetEncoderDelay(); delay > 0 && !sink.StartEarly(delay))
        track.SkipEncoderDelay();
    const int length = track.GetLengthMs();
    SendValue(ctx.pipelines, pipeline::kMaxProgress, length / 1000);
    bool ok = true;
    for (int r = 0; r < length && !Cancelled(ctx); r += 1000) {
        const int e = std::min(r + 1000, length);
        char status[96];
        std::snprintf(status, sizeof status, "Encoding Audio Stream... (%d ms - %d ms)", r, e);
        SendStatus(ctx.pipelines, status);
        track.LoadPart(r, e, false, -1);
        if (track.AudioEncodeBuffer(track.GetData(), size_t(std::max<int64_t>(0, track.GetDataSize())))) {
            EncodedAudio block = ToEncodedAudio(track);
            if (!block.bytes.empty()) ok = sink.WriteAudio(block) && ok;
        }
        SendValue(ctx.pipelines, pipeline::kCurrentProgress, e / 1000);
    }
    if (!Cancelled(ctx)) {
        // The bytes after the last whole millisecond, then whatever the encoder still holds.
        int64_t from = track.MsToByte(length);
        int64_t rest = track.GetDataChunkSize() - from;
        if (rest > 0) {
            std::vector<uint8_t> tail(static_cast<size_t>(rest));
            int64_t got = track.ReadBytes(tail.data(), rest, from);
            if (got > 0 && track.AudioEncodeBuffer(tail.data(), size_t(got))) {
                EncodedAudio block = ToEncodedAudio(track);
                if (!block.bytes.empty()) ok = sink.WriteAudio(block) && ok;
            }
        }
        if (track.AudioEncodeFlush()) {
            EncodedAudio block = ToEncodedAudio(track);
            if (!block.bytes.empty()) ok = sink.WriteAudio(block) && ok;
        }
    }
    track.CloseEncoder();
    track.Close();
    return ok;
}

std::string TrackFileName() {
    const std::string plain = kTrackFileName;
    return plain.substr(0, plain.size() - 4) + "-" + std::to_string(::getpid()) + ".wav";
}

bool IsTrackFileName(const std::string& name) {
    const std::string plain = kTrackFileName;
    const std::string stem = plain.substr(0, plain.size() - 4);
    if (name == plain) return true;
    if (name.size() <= stem.size() + 5 || name.compare(0, stem.size() + 1, stem + "-") != 0) return false;
    if (name.compare(name.size() - 4, 4, ".wav") != 0) return false;
    const std::string pid = name.substr(stem.size() + 1, name.size() - stem.size() - 5);
    return std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool CreateAudioTrack(std::vector<SAudioEntry>& entries, const SAudioTrackSettings& settings,
                      CAudioTrackSink& sink, const SAudioTrackContext& ctx) {
    std::filesystem::path dir = settings.tempDir.empty() ? std::filesystem::temp_directory_path()
                                                         : std::filesystem::path(settings.tempDir);
    const std::string trackPath = (dir / TrackFileName()).string();
    SendStatus(ctx.pipelines, kStatusPrefix);
    if (!AssembleAudioTrack(entries, settings, trackPath, ctx)) {
        std::error_code ec;
        std::filesystem::remove(trackPath, ec);
        return false;
    }
    SWaveFormat output;
    {
        std::lock_guard lock(GetAudioSlotMutex());
        output = GetAudioFormatSlot(kOutputAudioSlot).format;
    }
    bool ok = Cancelled(ctx) || EncodeAudioTrack(trackPath, output, sink, ctx);
    std::error_code ec;
    std::filesystem::remove(trackPath, ec);
    return ok;
}

void UpdateAudioCoverage(std::vector<SAudioEntry>& entries, double fps) {
    bool any = false;
    for (SAudioEntry& e : entries) {
        e.audioFile = StripCoverageMarker(e.audioFile);
        if (!e.audioFile.empty()) any = true;
    }
    if (!any) return;
    const double msPerFrame = 1000.0 / (fps > 0.0 ? fps : 25.0);
    int64_t k = 0;
    double available = 0.0;
    bool tracking = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        SAudioEntry& e = entries[i];
        if (!e.audioFile.empty()) {
            tracking = false;
            const int length = e.loop ? -1 : AudioFileLengthMs(e.audioFile);
            if (length >= 0) {
                k = 0;
                available = double(length) - e.audioStartTime;
                tracking = true;
            }
        }
        k += e.TotalFrames() - (i + 1 == entries.size() ? e.fade2Next : 0);
        if (tracking && double(k) * msPerFrame > available) {
            e.audioFile += kAudioCoverageMarker;
            tracking = false;
        }
    }
}

void ApplyAudioFieldRules(std::vector<SAudioEntry>& entries, size_t index, int framesPerSecondsSetting) {
    if (index >= entries.size()) return;
    const int h = 1000 / std::max(1, framesPerSecondsSetting);
    SAudioEntry& e = entries[index];
    SAudioEntry* prev = index > 0 ? &entries[index - 1] : nullptr;
    if (e.synchronize == 1 && prev) e.fadingTime = h * prev->fade2Next;
    if (e.fadeOption == 3 && prev && prev->fadeOption != 3) prev->fadeOption = -1;
    if (e.fadeOption == 3 && prev) e.fadingTime = std::min(e.fadingTime, h * prev->TotalFrames());
    if (e.fadeOption == 1 || e.fadeOption == 2) {
        int frames = e.TotalFrames() - (index + 1 == entries.size() ? e.fade2Next : 0);
        e.fadingTime = std::min(e.fadingTime, h * frames);
    }
}

std::string FadeOptionText(int fadeOption) {
    switch (fadeOption) {
        case 1:
            return "Fade in";
        case 2:
            return "Fade out";
        case 3:
            return "Mix";
        default:
            return "";
    }
}

std::string MillisecondsText(int ms) {
    return std::to_string(ms) + " ms";
}

bool IsStandardAudioFile(const std::string& path) {
    CWaveFile wave;
    return wave.Open(path) && IsStandardWaveFormat(*wave.GetFormat());
}

}  // namespace trov
