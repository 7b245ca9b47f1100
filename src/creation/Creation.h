// The creation: turns the project into the movie, frame by frame. The picture preparation
// (PicturePreparation.h), the stream part cache (StreamPartCache.h) and the consistency check
// (ConsistencyCheck.h) are its parts. The manager owns one and forwards to it.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "creation/CaptionFade.h"
#include "creation/ConsistencyCheck.h"
#include "creation/CreationThreads.h"
#include "creation/EncodeQueue.h"
#include "creation/FrameRenderPool.h"
#include "creation/PicturePreparation.h"
#include "creation/StreamPartCache.h"
#include "imaging/DibPicture.h"
#include "imaging/PictureTools.h"
#include "imaging/RegionResampler.h"
#include "project/FileCache.h"
#include "settings/SettingsStore.h"
#include "video/VideoTypes.h"

namespace trov {

class CAVIContainer;
class CAVIStream;
class CFadingEffect;
class CFadingEffectManager;
class CMessagePipelines;
class CProjectObject;
class CSettingsStore;
class CUserPrompt;

// The marker an "AudioFile" may hold instead of a file.
inline constexpr const char* kAudioCoverageEndedMarker =
    "---> *** Audio-coverage ended! Place new audio file here! ***";

// Where written frames are shown while the creation runs (the GUI's preview window).
class CPreviewSink {
public:
    virtual ~CPreviewSink() = default;
    // Called on the creation thread with each written frame (only while the preview flag is set).
    virtual void ShowFrame(const CPicture& frame) = 0;
    virtual void ClearPreview() {}
};

// What the creation reads and reports to. Pointers are not owned and must outlive the creation.
struct CreationEnvironment {
    std::function<int()> objectCount;
    std::function<CProjectObject*(int)> object;
    CSettingsStore* projectSettings = nullptr;  // the live "PROJECT_SETTINGS"
    CSettingsStore* appSettings = nullptr;      // "TROV_SETTINGS", application "PROJECT_SETTINGS"
    CSettingsStore* languageTexts = nullptr;    // section "TEXTS"; null: English defaults
    CMessagePipelines* pipelines = nullptr;
    CFadingEffectManager* effects = nullptr;
    CUserPrompt* prompt = nullptr;       // null: GetUserPrompt()
    CGuiCallHandoff* handoff = nullptr;  // null: calls run on the caller's thread
    CPreviewSink* preview = nullptr;
    std::function<void(int index)> ensureVisible;  // scrolls the picture list (GUI); may be empty
    // The caches (the manager's); null: the creation keeps its own (tests, tools).
    CFileCache* pictureCache = nullptr;
    CFileCache* streamCache = nullptr;
    CFileCache* waveCache = nullptr;
    bool streamCacheEnabled = false;  // "EnableVideoStreamCache" as read at start-up
    // Writes the whole current project to a file (the manager's); may be empty. A start saves it
    // as kCurrentProjectFile in the temporary directory for as long as the creation runs.
    std::function<bool(const std::string& path)> saveProjectCopy;
    // The temporary directory (the manager's, resolved as it resolves it); empty: "TempDir" of
    // appSettings resolved against the program directory.
    std::function<std::string()> tempDirectory;
};

// The copy of the project a running creation works from, in the temporary directory.
inline constexpr const char* kCurrentProjectFile = "Temp_Current_Project_File.ini";

// Where a movie whose audio track could not be made is kept: "show.avi" -> "show.video-only.avi".
std::string VideoOnlyPath(const std::string& outputPath);

class CCreation {
public:
    explicit CCreation(CreationEnvironment env);
    ~CCreation();
    CCreation(const CCreation&) = delete;
    CCreation& operator=(const CCreation&) = delete;

    CreationEnvironment& Environment() { return m_env; }
    // The effect registry in use (the environment's, or the creation's own with the built-in
    // effects and the configured plug-ins).
    CFadingEffectManager& GetEffects() { return *m_env.effects; }

    // ---- caches ----
    CFileCache& GetPictureCache() { return *m_pic; }
    CFileCache& GetStreamCache() { return *m_stream; }
    CFileCache& GetWaveCache() { return *m_wave; }
    // Points the caches at the temporary directory ("TempDir" of the application's
    // "PROJECT_SETTINGS", created when missing) and loads their indexes; reads
    // "EnableVideoStreamCache" (on only for 1). The manager does this itself for its caches.
    void InitCaches();
    std::string GetTempDirectory() const;
    void SetStreamCacheEnabled(bool on) { m_streamCacheOn = on; }
    bool IsStreamCacheEnabled() const { return m_streamCacheOn; }
    // Offers to delete files left in the temporary directory (not with the permanent cache, not in batch
    // mode).
    void CheckTempDirectoryAtStart(bool batchMode);
    void SaveCaches();
    // Clears the three caches, deleting their files unless the permanent cache is on.
    void ResetCaches();
    // The "Clear Cache" command: asks, deletes every file of the project's TempDir on Yes.
    void ClearCache();

    // ---- picture preparation ----
    // The object's picture at width x height (see CPicturePreparation; panorama and picture-move
    // pictures are prepared for their motion while a creation runs). Null when unreadable.
    std::unique_ptr<CDibPicture> PreparePicture(int index, int width, int height, bool formatOnly = false);
    CPicturePreparation& GetPicturePreparation() { return m_prep; }
    // Rotates objects (AVI clips keep 0): (rotation + degrees) mod 360, never negative.
    static void RotateObjects(const std::vector<CProjectObject*>& objects, int degrees);

    // ---- consistency check and start ----
    ConsistencyFindings CheckConsistency();
    // The findings of the check of the last StartCreation (empty when it found nothing).
    const ConsistencyFindings& GetLastFindings() const { return m_lastFindings; }
    // The creation preparation: effect check, picture-move quality repair, preview flag, output
    // path, range, then `settingsStep` (the creation dialog, or the codec settings file headless),
    // which must create the output with CreateNewAVI and may change the range. False: no creation.
    using SettingsStep = std::function<bool(CCreation& creation, int& first, int& last)>;
    bool PrepareCreation(const SettingsStep& settingsStep);
    // Creates an AVI with one compressed video stream of the movie size. Output (isCachePart false):
    // kept as the output and its options remembered; a part: kept as the part being recorded.
    bool CreateNewAVI(const std::string& fileName, const CompressionOptions* options, bool isCachePart);
    // The frame loop. Requires a successful PrepareCreation.
    bool CreateMovie();
    // The Start Creation command, headless form: check (when "ConsistencyCheck" is 1), prepare,
    // run on the pool worker and wait. True when the movie was written completely.
    bool StartCreation(const SettingsStep& settingsStep);
    // Asks "Do you want to cancel the creation?" while a creation runs; Yes cancels.
    void AskCancel();

    bool IsCreationCanceled() const { return m_cancel.load(); }
    void CancelCreation() { m_cancel = true; }
    bool IsCreating() const { return m_creating.load(); }
    bool WasMovieWritten() const { return m_movieWritten; }
    void SetPreview(bool on) { m_preview = on; }
    // Threads that render frames which stand alone (picture moves without a flight path) side by
    // side: 0 (the default) one per core, 1 every frame on the creation's own thread. Read when a
    // movie starts.
    void SetRenderThreads(int threads) { m_renderThreads = threads < 0 ? 0 : threads; }
    // The number a movie started now would use (at least 1).
    int GetRenderThreads() const;

    int GetFirstIndex() const { return m_first; }
    int GetLastIndex() const { return m_last; }
    void SetRange(int first, int last);
    int GetFramesWritten() const { return m_framesWritten.load(); }
    int GetTotalFrames() const { return m_totalFrames; }
    const std::string& GetOutputPath() const { return m_outputPath; }
    // The file the movie is written to while the creation runs: a hidden name in the output's
    // folder, renamed to GetOutputPath() when the movie is complete (or cancelled after some frames),
    // so that a run that dies never leaves a broken file under the user's name nor destroys the
    // previous movie. Empty when no output is open.
    const std::string& GetTemporaryOutputPath() const { return m_outputTemp; }
    // The temporary name for an output path: ".<name>.trov-<process id><extension>" beside it.
    static std::string TemporaryOutputName(const std::string& outputPath);
    // Overrides "Output-AVI" for the next preparation only (command line --output).
    void SetOutputOverride(const std::string& path) { m_outputOverride = path; }
    const CompressionOptions& GetCompressionOptions() const { return m_options; }
    // Total frames of objects first..last minus the last one's transition.
    int ComputeTotalFrames(int first, int last) const;

    // Part files made in the last run and the number of frames taken from the stream cache.
    const std::vector<std::string>& GetCreatedPartFiles() const { return m_parts.CreatedParts(); }
    int GetPastedFrames() const { return m_pastedFrames; }
    // Frames of the last run whose packet was reused instead of encoding them again.
    int GetReusedPackets() const { return m_reusedPackets.load(); }
    // The key of a stream part (every input that decides the part's frames).
    std::string StreamPartKey(int kind, int index) const;

    CPoolWorker& GetWorker() { return m_worker; }
    CProgressTimer& GetTimer() { return m_timer; }

    // The write step for one frame. Frames are immutable once written: the same object may be
    // passed again for an identical frame (it is then not copied or cropped again).
    bool WriteFrame(const std::shared_ptr<const CDibPicture>& frame);

private:
    CUserPrompt& Prompt() const;
    int ObjectCount() const;
    CProjectObject* Object(int index) const;
    CFadingEffect* FindEffect(const std::string& name) const;
    // Cancelled, or the encoder could not write.
    bool Stopped() const;
    std::string Text(const std::string& key, const std::string& fallback) const;
    int ProjectInt(const char* key, int fallback) const;
    double ProjectDouble(const char* key, double fallback) const;
    int AppInt(const char* section, const char* key, int fallback) const;
    void Status(const std::string& text) const;
    void Value(const char* pipe, int value) const;
    void CallOnGui(const std::function<void()>& fn);

    // The frame loop's steps (CreateMovie): the run's state, the entry's and one phase's.
    struct MovieRun;
    struct PhasePlan {
        int frames = 0;      // no frames: neither recorded nor looked up
        std::string key;     // the stream part key (stream cache on)
        bool cached = true;  // the stream cache has the part
    };
    struct EntryRun;
    void BeginMovie(MovieRun& run);
    bool CreateEntry(MovieRun& run, int index);
    // Which phases the entry has and, with the stream cache on, which the cache holds; the
    // transition comes from the entry before (none for the first).
    void PlanPhases(EntryRun& entry, const CProjectObject* before);
    void PrepareEntryPicture(MovieRun& run, EntryRun& entry);
    // Starts preparing entry `index`'s picture on a thread of its own, to be taken by
    // PrepareEntryPicture, when that entry will need it; `before` is the entry shown before it.
    void PrepareAhead(MovieRun& run, int index, const CProjectObject& before);
    // The picture PrepareAhead prepared for entry `index` (null when it prepared none, or another);
    // rethrows what preparing it threw.
    std::unique_ptr<CDibPicture> TakeAhead(MovieRun& run, int index);
    // One phase: rendered straight into the movie, or recorded as a part and pasted.
    void RunPhase(EntryRun& entry, int kind, const std::function<void()>& render);
    void ShowEntry(MovieRun& run, EntryRun& entry);
    void ShowStill(EntryRun& entry);
    void ShowClip(const MovieRun& run, EntryRun& entry);
    void ShowPictureMove(const MovieRun& run, EntryRun& entry);
    void ShowPanorama(MovieRun& run, EntryRun& entry);
    void FinishMovie(MovieRun& run);
    // Pastes a stream part into the movie; countFrames: its frames count as written.
    void PastePart(const std::string& path, bool wantLastFrame, bool countFrames);
    void FailWrite(const std::string& error);
    // A phase that wrote another number of frames than its plan fails the creation, naming the
    // entry and the phase (not when cancelled or already failed). False then.
    bool CheckPhaseFrames(const EntryRun& entry, int kind, int written);
    // The creation job on the pool worker: the frame loop, with an exception caught, reported and
    // turned into a failed creation.
    void RunCreationJob();
    // The output movie: renamed from its temporary name to the user's, or closed and deleted.
    bool CommitOutput();
    void DiscardOutput();

    // Frame-loop helpers.
    void EncodeFrame(CAVIStream* target, const std::shared_ptr<const CDibPicture>& frame);
    struct FramePool;
    // A frame buffer of width x height from the pool (its pixels are those of an earlier frame),
    // going back to the pool when the last holder lets go; null when it cannot be had.
    // Safe to call from the render pool's workers.
    std::shared_ptr<CDibPicture> PooledFrame(int width, int height);
    // The render pool and its resamplers for a movie about to start (none for one render thread).
    void StartRenderPool();
    std::shared_ptr<CDibPicture> PooledCopy(const CPicture& frame);
    bool WriteCopy(const CPicture& frame);
    bool WriteRepeated(const std::shared_ptr<const CDibPicture>& frame, int count);
    // One frame of an effect drawn by a twin on a render-pool worker: whether the effect gave a
    // frame, and its copy (null when the frame was empty or could not be copied).
    struct EffectFrame {
        bool drawn = false;
        std::shared_ptr<const CDibPicture> copy;
    };
    // Frames 1..n of fx from a to b drawn side by side by twins of fx (MakeStandAloneTwin), given
    // to take in order until it returns false. An effect that only draws random numbers in Init
    // is initialised here once, and its twins take those numbers (MakeDrawnTwin). False, with
    // nothing drawn and no number taken, when fx has no twin or there is no render pool: the
    // caller steps fx itself.
    bool RunStandAloneFrames(CFadingEffect& fx, const CPicture* a, const CPicture* b, int n,
                             const std::function<bool(EffectFrame& frame)>& take);
    bool RunTransition(const CProjectObject& prev, const CPicture& from,
                       const std::shared_ptr<const CDibPicture>& to);
    bool RunCaptionPhase(const CProjectObject& obj, bool fadeIn, const CPicture& bare,
                         const std::shared_ptr<const CDibPicture>& captioned);
    std::shared_ptr<CDibPicture> Captioned(const CProjectObject& obj, const CPicture& bare);
    CaptionDrawing CaptionOf(const CProjectObject& obj) const;
    // obj's caption prepared for a width x height frame: laid out once and shared by every frame
    // (and thread) that draws it. Null when it cannot be laid out.
    std::shared_ptr<const CCaptionOverlay> CaptionOverlayOf(const CProjectObject& obj, int width, int height);
    struct PreparedCaption {
        CaptionDrawing drawing;
        int width = 0, height = 0;
        std::shared_ptr<const CCaptionOverlay> overlay;
    };
    std::mutex m_captionsMutex;
    std::array<std::optional<PreparedCaption>, 4> m_captions;  // the entries drawn last
    size_t m_nextCaption = 0;
    void CloseOutput();
    // The output audio format (slot 0) as a wave format record; empty when no audio codec is set.
    std::vector<uint8_t> OutputAudioFormat() const;
    bool WriteAudioTrack(int audioIndex);
    // After a failed audio track: renames the written movie to VideoOnlyPath; when that fails it is
    // deleted. Returns the new name, or "" when nothing was kept.
    std::string KeepVideoOnly();

    CreationEnvironment m_env;
    std::unique_ptr<CFadingEffectManager> m_ownEffects;
    CFileCache m_ownPictureCache;
    CFileCache m_ownStreamCache;
    CFileCache m_ownWaveCache;
    CFileCache* m_pic = nullptr;
    CFileCache* m_stream = nullptr;
    CFileCache* m_wave = nullptr;
    bool m_streamCacheOn = false;
    CPictureTools m_tools;
    CPicturePreparation m_prep;
    CStreamPartCache m_parts;

    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_preview{false};
    std::atomic<bool> m_creating{false};
    bool m_prepared = false;
    bool m_movieWritten = false;
    ConsistencyFindings m_lastFindings;
    int m_first = 0;
    int m_last = -1;
    std::string m_outputPath;
    std::string m_outputTemp;  // what the output is written as until it is complete
    std::string m_outputOverride;
    bool m_inStart = false;  // StartCreation runs: the cancel flag was cleared at its start
    std::atomic<int> m_framesWritten{0};
    int m_totalFrames = 0;
    int m_pastedFrames = 0;
    CompressionOptions m_options;
    std::string m_codecDescription;

    std::unique_ptr<CAVIContainer> m_output;
    CAVIStream* m_outputStream = nullptr;
    CSettingsStore m_moveStore;        // "CURRENT_PICTURE_MOVE" of the object being prepared
    CRegionResampler m_moveResampler;  // the picture-move frames' tables, kept from frame to frame
    int m_renderThreads = 0;
    // While a movie is made with more than one render thread: the pool and one resampler (with its
    // tables) per pool worker.
    std::unique_ptr<CFrameRenderPool> m_renderPool;
    std::vector<CRegionResampler> m_poolResamplers;

    // Crop memory: the last source frame and its cropped result.
    std::shared_ptr<const CDibPicture> m_cropSource;
    std::shared_ptr<const CDibPicture> m_cropResult;
    std::shared_ptr<const CDibPicture> m_lastWritten;

    // Encoder-thread state: the last frame object encoded and, for intra-only codecs, a one-frame
    // file holding its packet for repeats.
    std::shared_ptr<const CDibPicture> m_encodedLast;
    CAVIStream* m_encodedTarget = nullptr;
    std::atomic<int> m_reusedPackets{0};

    std::shared_ptr<FramePool> m_framePool;
    std::unique_ptr<CEncodeQueue> m_queue;
    std::atomic<bool> m_writeFailed{false};
    std::string m_writeError;
    CPoolWorker m_worker;
    CProgressTimer m_timer;
};

}  // namespace trov
