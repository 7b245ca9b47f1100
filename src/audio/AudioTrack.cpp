// Assembly and encoding of the movie's audio track, audio coverage and the audio-field rules.
#include "audio/AudioTrack.h"

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
    // 1. Markers are list decoration, never part of a path.
    for (SAudioEntry& e : entries) e.audioFile = StripCoverageMarker(e.audioFile);

    // 2. The track file in the standard format, the effects, the two reading files.
    SWaveFormat standard;
    {
        std::lock_guard lock(GetAudioSlotMutex());
        SetStandardFormat(1, kStandardAudioSlot);
        standard = GetAudioFormatSlot(kStandardAudioSlot).format;
    }
    CWaveFile track;
    if (!track.Create(trackPath, standard)) return false;
    CTrackWriter writer(track);
    const int count = int(entries.size());
    if (count == 0) return track.Close();
    const int last = settings.lastEntry < 0 || settings.lastEntry >= count ? count - 1 : settings.lastEntry;
    const int first = std::clamp(settings.firstEntry, 0, last);
    const std::vector<int> durations = ComputeEntryDurations(entries, last, settings.framesPerSecond);
    const int msPerFrameSync = 1000 / std::max(1, settings.framesPerSecondsSetting);

    CMixEffect mix;
    CFadeInEffect fadeIn;
    CFadeOutEffect fadeOut;
    SPiece current;
    CWaveFile next;
    CWaveFile segment;  // converted standard bytes of one share
    segment.SetFormat(standard);
    CWaveFile incoming;  // the new piece's head during a cross-fade
    incoming.SetFormat(standard);
    CDecodedSources decoded(std::filesystem::path(trackPath).parent_path(), ctx.pipelines);

    // 3. Normalised copies first; f = the first entry that starts a piece.
    int f = last + 1;
    for (int i = 0; i <= last; ++i) {
        const SAudioEntry& e = entries[size_t(i)];
        if (e.audioFile.empty()) continue;
        if (f > last) f = i;
        if (e.normalize && ctx.waveCache) {
            const std::string path = decoded.PathFor(e.audioFile);
            CWaveFile source;
            if (!ctx.waveCache->Lookup(path) && source.Open(path)) ctx.waveCache->AddNormalized(source);
        }
    }

    // 4. Silence up to the first piece; a first piece that mixes with the silence starts early.
    int leadIn = 0;
    for (int i = first; i < f; ++i) {
        int d = durations[size_t(i)];
        if (i == f - 1 && f <= last && entries[size_t(f)].fadeOption == 3) {
            leadIn = std::clamp(entries[size_t(f)].fadingTime, 0, d);
            d -= leadIn;
        }
        writer.WriteSilence(d);
    }

    // 5. The pieces.
    SendValue(ctx.pipelines, pipeline::kMaxProgress, last + 1);
    int p = 0;  // position in the current piece's file, ms
    int carry = 0;
    for (int i = f; i <= last; ++i) {
        if (Cancelled(ctx)) break;
        const SAudioEntry& e = entries[size_t(i)];
        const bool write = i >= first;
        if (!e.audioFile.empty()) {
            current.startTime = e.audioStartTime;
            current.loop = e.loop;
        }
        int share = durations[size_t(i)] + leadIn;
        int x = 0;
        if (i + 1 <= last) {
            const SAudioEntry& n = entries[size_t(i + 1)];
            if (!n.audioFile.empty() && n.fadeOption == 3)
                x = n.synchronize == 1 ? msPerFrameSync * e.fade2Next : n.fadingTime;
        }
        x = std::clamp(x, 0, share);  // a cross-fade never makes the share longer than the entry

        const std::string path = ResolveSource(e.audioFile, ctx.waveCache, decoded);
        if (!path.empty()) {
            current.wave.CloseEncoder();
            if (!current.wave.Open(path)) {
                Prompt(ctx).Message("Error: Can\xC2\xB4t open " + path + ". Please check this file!", "TROV");
                track.Close();
                std::filesystem::remove(trackPath);
                return false;
            }
            current.path = path;
            current.Reset();
            p = e.audioStartTime + carry;
            carry = 0;
            if (!current.wave.OpenEncoder(standard)) {
                Prompt(ctx).Message(kCodecError, "TROV");
                track.Close();
                std::filesystem::remove(trackPath);
                return false;
            }
        }
        const int s = std::max(0, share - x);
        if (!path.empty()) SendStatus(ctx.pipelines, kStatusPrefix + path);

        if (current.wave.GetMode() == CWaveFile::kModeReading) {
            current.wave.LoadPart(p, p + s, current.loop, current.startTime);
            if (write) {
                segment.SetBuffer(current.TakeConverted(writer.BytesFor(s)));
                if (e.fadeOption == 1) fadeIn.Apply(segment, 0, e.fadingTime);
                if (e.fadeOption == 2) fadeOut.Apply(segment, s - e.fadingTime, s);
                if (leadIn > 0) fadeIn.Apply(segment, 0, leadIn);
                if (segment.GetData()) track.WriteBytes(segment.GetData(), size_t(segment.GetDataSize()));
                writer.Advance(s);
            }
        } else if (write) {
            writer.WriteSilence(s);
        }
        leadIn = 0;
        p += s;

        if (x > 0) {
            const SAudioEntry& n = entries[size_t(i + 1)];
            SendStatus(ctx.pipelines, current.path + " (Cross Fading)");
            // The old piece's tail, looping as the piece does.
            current.wave.LoadPart(p, p + x, current.loop, current.startTime);
            const int64_t bytes = writer.BytesFor(x);
            segment.SetBuffer(current.TakeConverted(bytes));
            fadeOut.Apply(segment, -1, -1);
            const std::string nextPath = ResolveSource(n.audioFile, ctx.waveCache, decoded);
            std::vector<uint8_t> head;
            if (next.Open(nextPath))
                head = ConvertedHead(next, n.audioStartTime, x, bytes);
            else
                head.assign(size_t(bytes), 0);
            incoming.SetBuffer(std::move(head));
            fadeIn.Apply(incoming, -1, -1);
            SendStatus(ctx.pipelines, current.path + " (Mixing)");
            CSettingsStore& mixSettings = mix.GetSettings();
            mixSettings.SetInt("MIX", "TargetStart", 0);
            mixSettings.SetInt("MIX", "TargetEnd", int(bytes));
            mixSettings.SetInt("MIX", "SourceStart", 0);
            mixSettings.SetInt("MIX", "SourceEnd", int(bytes));
            mix.ApplyMix(&segment, &incoming);
            if (write) {
                if (segment.GetData()) track.WriteBytes(segment.GetData(), size_t(segment.GetDataSize()));
                writer.Advance(x);
            }
            carry = x;
            p += x;
            next.Close();
        }
        SendValue(ctx.pipelines, pipeline::kCurrentProgress, i + 1);
    }

    // 6. Done with the sources; complete the track file.
    current.wave.CloseEncoder();
    current.wave.Close();
    return track.Close();
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

bool CreateAudioTrack(std::vector<SAudioEntry>& entries, const SAudioTrackSettings& settings,
                      CAudioTrackSink& sink, const SAudioTrackContext& ctx) {
    std::filesystem::path dir = settings.tempDir.empty() ? std::filesystem::temp_directory_path()
                                                         : std::filesystem::path(settings.tempDir);
    const std::string trackPath = (dir / kTrackFileName).string();
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
