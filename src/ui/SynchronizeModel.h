// Timing the pictures to the music: the run of the synchronisation dialog (start, the presses of
// "Next Picture", clips that advance by themselves, the guard of mixing entries, where the music
// starts) and the arithmetic that turns the recorded times into frame counts. No window and no
// clock of its own: every call is given the time, so tests drive it with a fake clock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace trov {

class CTROVManager;
class IClipFrameCounter;

// What the synchronisation needs of one picture-list entry.
struct SSyncEntry {
    int textFadeIn = 0;
    int showPicture = 0;
    int textFadeOut = 0;
    int fade2Next = 0;
    std::string audioFile;    // "AudioFile" without the coverage marker; empty: none
    int audioStartTime = 0;   // ms
    int audioFadingTime = 0;  // ms
    int synchronizeFF2NP = 0;
    int fadeOption = -1;  // 3: mixes its audio with the piece before
    bool loopAudio = false;
    bool isClip = false;    // an AVI clip: advances by itself after its duration
    int clipFrames = 0;     // the clip's frames
    bool panorama = false;  // labels under the preview
    bool pictureMove = false;
    std::string fileName;  // for the status texts

    int TotalFrames() const { return textFadeIn + showPicture + textFadeOut + fade2Next; }
    bool HasAudio() const { return !audioFile.empty(); }
};

// The entries of the manager's project, in list order. clips counts the frames of clip entries
// (null: ShowPicture + 1, what the list normalisation leaves for a clip).
std::vector<SSyncEntry> SyncEntriesFromProject(const CTROVManager& manager, IClipFrameCounter* clips);

// Where the run's sound goes. Play stops what plays and starts the preview of entry `entry` from
// offsetMs (0: its beginning); false when it cannot be played (the run goes on, timed by the clock).
class CSyncSound {
public:
    virtual ~CSyncSound() = default;
    virtual bool Play(int entry, int offsetMs) = 0;
    virtual void Stop() = 0;
};

// The frame counts of one entry after applying.
struct SSyncFrames {
    int index = 0;
    int textFadeIn = 0;
    int showPicture = 0;
    int textFadeOut = 0;
    int fade2Next = 0;
};

// One piece of music started during a run: which entry's preview, from where, at which run time.
struct SSyncPiece {
    int entry = 0;
    int offsetMs = 0;
    int64_t runTimeMs = 0;
};

class CSynchronizeModel {
public:
    // framesPerSecond <= 0 counts as 40 ms per frame. sound may be null (nothing is played).
    CSynchronizeModel(std::vector<SSyncEntry> entries, float framesPerSecond, CSyncSound* sound);

    // Starting a run at nowMs (the clock's reading) over the entry positions start..end; an end
    // below the start is raised to it. False (nothing starts) when start is not an entry.
    bool Start(int start, int end, int64_t nowMs);
    // The Stop button: the recorded durations stay and can be applied.
    void Stop();
    // The 2 ms timer: the run's time, the guard of a mixing entry, a clip's own advance. True when
    // the run advanced (or ended) during the tick.
    bool Tick(int64_t nowMs);
    // "Next Picture": ends the current picture. False when ignored (no run, a clip on screen, or
    // the next entry mixes its audio and its fading time has not passed yet).
    bool NextPicture(int64_t nowMs);

    bool IsRunning() const;
    int StartPosition() const;
    int EndPosition() const;
    // The entry on screen (-1 without a run).
    int CurrentIndex() const;
    // Whether "Next Picture" may be pressed now.
    bool NextEnabled() const;
    // A clip on screen that advances by itself.
    bool AutoAdvance() const;
    int64_t CurrentTimeMs() const;
    int64_t PictureTimeMs() const;
    // The recorded durations in ms, one per passed entry, from the start position on.
    std::vector<int64_t> Durations() const;
    // The run times of the presses (the cumulative durations), for the markers on the waveform.
    std::vector<int64_t> PressTimes() const;
    // The pieces of music started during the last run, in order.
    std::vector<SSyncPiece> Pieces() const;
    // False once a piece could not be played during the run.
    bool SoundWorked() const;
    const std::vector<SSyncEntry>& Entries() const { return m_entries; }

    // The ms of music before entry `entry` when it has no audio of its own: the total frames from
    // the nearest earlier entry with audio up to the one before `entry`, turned into time
    // (rnd(frames x 1000 / fps)). piece receives that earlier entry, -1 (and 0 returned) when none.
    int WalkBackOffset(int entry, int& piece) const;

    // Applying: the frame counts of the entries from start on, one per recorded duration. The
    // frames follow from the cumulative time (single precision, as the dialog has always done), so
    // a picture starts within half a frame of its press. Fades give way when a duration is
    // shorter than they are; ShowPicture is never negative.
    static std::vector<SSyncFrames> ApplyDurations(const std::vector<SSyncEntry>& entries, int start,
                                                   const std::vector<int64_t>& durations,
                                                   float framesPerSecond);
    std::vector<SSyncFrames> Apply() const;
    // Writes frame counts into the manager's entries (and refreshes its project).
    static void WriteFrames(CTROVManager& manager, const std::vector<SSyncFrames>& frames);

    // "hh:mm:ss,mmm" (at least two digits each, three for the milliseconds).
    static std::string FormatTime(int64_t ms);

private:
    void BeginEntry();
    void Advance(int64_t pressTime, int64_t duration);
    void EndRun();
    bool GuardHolds(int64_t elapsed) const;
    void PlayPiece(int entry, int offsetMs);

    mutable std::mutex m_mutex;
    std::vector<SSyncEntry> m_entries;
    float m_fps;
    CSyncSound* m_sound;
    bool m_running = false;
    int m_start = 0, m_end = 0, m_endLimit = 0;
    int m_current = -1;
    std::vector<int64_t> m_durations;
    std::vector<SSyncPiece> m_pieces;
    int64_t m_startClock = 0;  // the clock at the run's start
    int64_t m_now = 0;         // run time of the last tick or press
    int64_t m_lastPress = 0;   // run time of the last press
    bool m_auto = false;
    int64_t m_autoMs = 0;
    bool m_soundWorked = true;
};

// The run's clock: a thread that reads the monotonic clock every 2 ms and hands the reading (ms)
// to the callback, on the timer's thread.
class CSyncTimer {
public:
    static constexpr int kIntervalMs = 2;
    CSyncTimer() = default;
    ~CSyncTimer() { Stop(); }
    CSyncTimer(const CSyncTimer&) = delete;
    CSyncTimer& operator=(const CSyncTimer&) = delete;

    void Start(std::function<void(int64_t nowMs)> tick);
    // Returns once the thread has ended (no tick runs after it). Not from inside a tick.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    // The clock the timer reads (ms of the monotonic clock).
    static int64_t NowMs();

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
};

}  // namespace trov
