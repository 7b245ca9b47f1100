// The movie's audio track: assembled from the audio fields of the picture-list entries into a
// temporary standard WAV file, then encoded in one-second blocks into the output's audio stream.
// Also the audio coverage markers of the list and the audio-field consistency rules.
//
// The creation driver calls CreateAudioTrack at step 8 of its frame loop, after the last video
// frame and before closing the output, when an output audio format is set (slot 0, tag != 0) and
// the creation was not cancelled:
//
//   std::vector<SAudioEntry> entries = ...;           // one per picture-list entry, list order
//   SAudioTrackSettings settings;                      // fps of the output stream, range, TempDir
//   CAVIAudioSink sink(outputContainer);               // the output's first audio stream
//   SAudioTrackContext context{&pipelines, &waveCache, [&] { return cancelled(); }};
//   CreateAudioTrack(entries, settings, sink, context);
//
// It runs on the creation thread; status and progress go to the pipelines; errors the user must
// see go through the user prompt. The entries' audio file texts lose their coverage markers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/WaveFile.h"
#include "video/VideoTypes.h"

namespace trov {

class CAVIContainer;
class CMessagePipelines;
class CUserPrompt;
class CWaveCache;

inline constexpr const char* kAudioCoverageMarker =
    "---> *** Audio-coverage ended! Place new audio file here! ***";
inline constexpr const char* kTrackFileName = "_TempWave4Compression.wav";
// The assembled track's file of this process: kTrackFileName with the process id before ".wav",
// so a window and a trov creating at once in one temporary directory never share it.
std::string TrackFileName();
// Whether name is a track file of any process (a killed run's leftover), kTrackFileName included.
bool IsTrackFileName(const std::string& name);

// The audio fields and frame counts of one picture-list entry.
struct SAudioEntry {
    std::string audioFile;   // "AudioFile"; may carry the coverage marker
    int audioStartTime = 0;  // "AudioStartTime", ms
    bool normalize = false;  // "NormalizeAudio"
    int fadingTime = 0;      // "AudioFadingTime", ms
    int synchronize = 0;     // "SynchronizeFF2NP"
    int fadeOption = -1;     // "FadeOption": 1 fade in, 2 fade out, 3 mix with the previous piece
    bool loop = false;       // "LoopAudio"
    int textFadeIn = 0;      // "Text-FadeIn"
    int showPicture = 0;     // "ShowPicture"
    int textFadeOut = 0;     // "Text-FadeOut"
    int fade2Next = 0;       // "Fade2NextPicture"

    int TotalFrames() const { return textFadeIn + showPicture + textFadeOut + fade2Next; }
};

// The text before the coverage marker (the whole text when it has none).
std::string StripCoverageMarker(const std::string& audioFile);

struct SAudioTrackSettings {
    double framesPerSecond = 25.0;    // frame rate of the output video stream (rate / scale)
    int framesPerSecondsSetting = 1;  // integer "FramesPerSeconds" of PROJECT_SETTINGS (default 1)
    int firstEntry = 0;               // range of the creation
    int lastEntry = -1;               // -1: the last entry
    std::string tempDir;              // "TempDir": where the track file is made
};

struct SAudioTrackContext {
    CMessagePipelines* pipelines = nullptr;  // may be null
    CWaveCache* waveCache = nullptr;         // may be null: no normalised copies then
    std::function<bool()> isCancelled;       // may be empty
    CUserPrompt* prompt = nullptr;           // null: the process-wide prompt
};

// Receives the encoded one-second blocks of the track.
class CAudioTrackSink {
public:
    virtual ~CAudioTrackSink() = default;
    virtual bool WriteAudio(const EncodedAudio& block) = 0;
    // Places the first block `samples` (at the stream's rate) before the movie's start, for
    // containers that tell players to skip that much (the encoder's priming). Called before the
    // first block; false when the container cannot say so (then the priming replaces the start of
    // the track instead).
    virtual bool StartEarly(int samples) {
        (void)samples;
        return false;
    }
};

// Writes into an audio stream of the output container (-1: its first audio stream).
class CAVIAudioSink : public CAudioTrackSink {
public:
    explicit CAVIAudioSink(CAVIContainer& container, int streamIndex = -1)
        : m_container(container), m_index(streamIndex) {}
    bool WriteAudio(const EncodedAudio& block) override;
    bool StartEarly(int samples) override;

private:
    CAVIContainer& m_container;
    int m_index;
};

// Each entry's share of the track in ms for entries 0 ... last: its frames (with
// "Fade2NextPicture" except for `last`) at `fps`, counted on one running clock so that the shares
// add up to the movie's length without drift (each share is the truncated ms of its end minus that
// of its start).
std::vector<int> ComputeEntryDurations(const std::vector<SAudioEntry>& entries, int last, double fps);

// The whole assembly and encoding into `sink` with the output format of slot 0. False when a
// source cannot be opened or a conversion cannot be opened (the user is told), or the track file
// cannot be made. The temporary track file is always deleted.
bool CreateAudioTrack(std::vector<SAudioEntry>& entries, const SAudioTrackSettings& settings,
                      CAudioTrackSink& sink, const SAudioTrackContext& context);

// The two halves of CreateAudioTrack, for callers that want the assembled track itself:
// AssembleAudioTrack writes the standard-format track to `trackPath`; EncodeAudioTrack encodes such
// a file into `sink` with `outputFormat`.
bool AssembleAudioTrack(std::vector<SAudioEntry>& entries, const SAudioTrackSettings& settings,
                        const std::string& trackPath, const SAudioTrackContext& context);
bool EncodeAudioTrack(const std::string& trackPath, const SWaveFormat& outputFormat, CAudioTrackSink& sink,
                      const SAudioTrackContext& context);

// Recomputes the coverage markers: strips every marker, then appends one to the audio text of the
// first entry during which a non-looping piece runs out (`fps` = the project's frame rate).
void UpdateAudioCoverage(std::vector<SAudioEntry>& entries, double fps);

// The consistency rules applied when entry `index` of the list is refreshed: a synchronised fading
// time follows the previous entry's transition, a cross-fade needs no fade option on the previous
// entry and is limited to its length, fades are limited to the entry's own length.
// `framesPerSecondsSetting` is the integer "FramesPerSeconds" (default 1).
void ApplyAudioFieldRules(std::vector<SAudioEntry>& entries, size_t index, int framesPerSecondsSetting);
// The list texts: "Fade in", "Fade out", "Mix" or "" for the fade option; "%d ms" for times.
std::string FadeOptionText(int fadeOption);
std::string MillisecondsText(int ms);

// The consistency check's audio test: true when the file opens as a WAV file in the standard
// format (2 channels, 16 bits, 44,100 Hz).
bool IsStandardAudioFile(const std::string& path);

}  // namespace trov
