// What the synchronisation prepares before a run and plays during it: the small preview pictures
// of the entries (through the picture cache), the preview WAVs of the audio pieces ("wav_" + the
// digest of the piece's audio fields, in the wave cache), the cut that starts a piece part-way,
// the player that plays a piece from memory (looping as the entry asks), and the outline of a
// piece for the waveform.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/DibPicture.h"
#include "ui/SynchronizeModel.h"

namespace trov {

class CFileCache;
class CMessagePipelines;
class CPicturePreparation;
class CProjectObject;
class CSoundOutput;
class CSoundPlayer;

inline constexpr int kSyncPreviewWidth = 180;
inline constexpr int kSyncPreviewHeight = 135;
inline constexpr const char* kSyncCutFile = "sync###cutpreview.wav";

namespace synctext {
inline constexpr const char* kImageStatus = "Creating Preview-Image for Synchronisation (";
inline constexpr const char* kAudioStatus = "Creating Preview-Audio for Synchronisation (";
inline constexpr const char* kStatusEnd = ")...";
inline constexpr const char* kDone = "Preprocessing done!";
inline constexpr const char* kCanceled = "Preprocessing canceled!";
}  // namespace synctext

// The text the preview WAV of an entry is named by: its audio file, start time, fading time,
// synchronisation, fade option and loop flag joined with "#".
std::string PreviewWaveKey(const SSyncEntry& entry);
// cacheDirectory + "/wav_" + the digest of that text.
std::string PreviewWavePath(const std::string& cacheDirectory, const SSyncEntry& entry);
// Writes the preview WAV: the entry's audio from its start time (plus its fading time when it
// mixes with the piece before) to the end, in the source's format. Sources that are not PCM WAV
// are decoded first (into tempDirectory). False with a reason.
bool MakePreviewWave(const SSyncEntry& entry, const std::string& target, const std::string& tempDirectory,
                     std::string& error);
// The part of a WAV file from offsetMs to its end, written to target in the same format.
bool CutWave(const std::string& source, int offsetMs, const std::string& target);

// The preview picture of an entry: 180 x 135 through the picture cache (made when missing). Null
// when the entry's picture is neither a picture nor a clip that can be read. Thread-safe.
std::unique_ptr<CDibPicture> SyncPreviewPicture(CPicturePreparation& preparation,
                                                const CProjectObject& object, int quality);

// Preprocessing: every entry's preview picture, every piece's preview WAV. Runs on a worker
// thread; the dialog reads Position() and Status() while it runs and may Cancel().
class CSyncPreprocessor {
public:
    struct SInputs {
        std::vector<CProjectObject> objects;  // copies, in list order
        std::vector<SSyncEntry> entries;
        CPicturePreparation* preparation = nullptr;
        CFileCache* waveCache = nullptr;
        CMessagePipelines* pipelines = nullptr;  // may be null
        std::string tempDirectory;
        int quality = 0;
    };
    explicit CSyncPreprocessor(SInputs inputs);
    ~CSyncPreprocessor();
    // The work itself (call it on the worker). True when it ran to the end.
    bool Run();
    void Cancel() { m_cancel = true; }
    bool IsCancelled() const { return m_cancel.load(); }
    int Position() const { return m_position.load(); }
    int Count() const { return static_cast<int>(m_in.entries.size()); }
    std::string Status() const;
    // Entries whose picture could not be read, pieces whose preview could not be made.
    int MissingPictures() const { return m_missingPictures.load(); }
    int MissingWaves() const { return m_missingWaves.load(); }

private:
    void Send(const std::string& text);
    void MakeWave(const SSyncEntry& entry);

    SInputs m_in;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_position{0};
    std::atomic<int> m_missingPictures{0};
    std::atomic<int> m_missingWaves{0};
    mutable std::mutex m_mutex;
    std::string m_status;
};

// The outline of a piece: the loudest sample of every `bucketMs` (0 ... 255).
struct SWaveOutline {
    int bucketMs = 10;
    int lengthMs = 0;
    std::vector<uint8_t> peaks;
};
SWaveOutline OutlineOfPcm16(const uint8_t* pcm, size_t size, int channels, int sampleRate, int bucketMs = 10);
// The waveform of a run from fromMs to toMs (run time) in `columns` columns: per column the
// loudest outline value of the piece playing then (a looping piece starts over at its end), 0 where
// nothing plays. outline gives an entry's outline.
std::vector<uint8_t> RunOutline(const std::vector<SSyncPiece>& pieces, const std::vector<SSyncEntry>& entries,
                                const std::function<SWaveOutline(int entry)>& outline, int64_t fromMs,
                                int64_t toMs, int columns);

// The run's sound: an entry's preview WAV read whole into memory and played on the player's
// thread (looping when the entry asks); a new piece purges the one before. A start part-way
// goes through the cut file, deleted once it is in memory.
class CSyncAudioPlayer : public CSyncSound {
public:
    CSyncAudioPlayer(std::vector<SSyncEntry> entries, CFileCache& waveCache, CSoundOutput& output);
    ~CSyncAudioPlayer() override;
    // Whether the output can play at all; why says what failed.
    bool CheckOutput(std::string& why);
    bool Play(int entry, int offsetMs) override;
    void Stop() override;
    // The outline of an entry's whole preview (empty before it was played once).
    SWaveOutline Outline(int entry) const;
    // The preview WAV of an entry when preprocessing made it; empty otherwise.
    std::string PreviewFile(int entry) const;

private:
    std::vector<SSyncEntry> m_entries;
    CFileCache& m_waveCache;
    CSoundOutput& m_output;
    std::unique_ptr<CSoundPlayer> m_player;
    mutable std::mutex m_mutex;
    std::map<int, SWaveOutline> m_outlines;
    bool m_outputChecked = false;
    bool m_outputWorks = true;
};

}  // namespace trov
