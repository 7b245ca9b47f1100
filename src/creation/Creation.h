// The creation: turns the project into the movie, frame by frame, with the caches, the
// consistency check and the picture preparation it needs. The manager owns one and forwards to it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "creation/CaptionFade.h"
#include "creation/CreationThreads.h"
#include "creation/EncodeQueue.h"
#include "imaging/DibPicture.h"
#include "imaging/PictureTools.h"
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

// Names of the cache index files in the temporary directory.
inline constexpr const char* kPictureCacheIndex = "cache1.cache";
inline constexpr const char* kStreamCacheIndex = "cache2.cache";
inline constexpr const char* kWaveCacheIndex = "cache3.cache";
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
};

// The copy of the project a running creation works from, in the temporary directory.
inline constexpr const char* kCurrentProjectFile = "Temp_Current_Project_File.ini";

// The result of the consistency check: three lists of paths.
struct ConsistencyFindings {
    std::vector<std::string> unreadable;
    std::vector<std::string> inconsistent;
    std::vector<std::string> audio;
    bool Empty() const { return unreadable.empty() && inconsistent.empty() && audio.empty(); }
    // The message box text (blocks only for non-empty lists), "" when empty.
    std::string Message() const;
};

// Part kinds of the video stream cache.
enum StreamPartKind : int { kPartFadeIn = 1, kPartShow = 2, kPartFadeOut = 3, kPartTransition = 4 };

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
    // The object's picture at width x height (see the creation rules: stills through the picture
    // cache, panorama and picture-move pictures scaled for their motion). Null when unreadable.
    std::unique_ptr<CDibPicture> PreparePicture(int index, int width, int height, bool formatOnly = false);
    // The raw picture of an object (frame 0 of a clip; a picture rotated by its rotation).
    // fitWidth x fitHeight > 0: the picture will only be fitted into that box (aspect kept), so a
    // JPEG may be decoded at a reduced scale that still covers it.
    std::unique_ptr<CPicture> LoadObjectPicture(const CProjectObject& object, int fitWidth = 0,
                                                int fitHeight = 0);
    // A still picture brought to width x height (aspect kept) and stored in the picture cache.
    std::unique_ptr<CDibPicture> FinishStill(const CProjectObject& obj, const CPicture& raw, int width,
                                             int height);
    std::unique_ptr<CDibPicture> FinishStill(const CProjectObject& obj, const CPicture& raw, int width,
                                             int height, int quality);
    // anySize: the stored picture may have another size than w x h (prepared moving pictures).
    std::unique_ptr<CDibPicture> LookupPicture(const std::string& name, int w, int h, int rotation,
                                               bool anySize = false);
    // "PictureMove_Quality" and "PictureMove_ScaleLimit" as a creation uses them.
    struct MoveParameters {
        std::string qualityText, limitText;
        double quality = 2.0, limit = 2.0;
    };
    MoveParameters GetMoveParameters() const;
    // A panorama or picture-move picture scaled for its motion (thread-safe).
    std::unique_ptr<CDibPicture> PrepareMovingSource(const CProjectObject& obj, const CPicture& raw, int width,
                                                     int height, const MoveParameters& move);
    // The picture-cache name of such a prepared picture: every input of its preparation.
    static std::string MovingSourceName(const CProjectObject& obj, const MoveParameters& move);
    void StorePicture(const CPicture& picture, const std::string& name, int w, int h, int rotation);
    // Thread-safe form (the caches lock themselves): "Quality" read beforehand.
    void StorePicture(const CPicture& picture, const std::string& name, int w, int h, int rotation,
                      int quality);
    // "#r#g#b" of the current background colour.
    static std::string BackgroundKey();
    // Rotates objects (AVI clips keep 0): (rotation + degrees) mod 360, never negative.
    static void RotateObjects(const std::vector<CProjectObject*>& objects, int degrees);

    // ---- consistency check and start ----
    ConsistencyFindings CheckConsistency();
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

    int GetFirstIndex() const { return m_first; }
    int GetLastIndex() const { return m_last; }
    void SetRange(int first, int last);
    int GetFramesWritten() const { return m_framesWritten.load(); }
    int GetTotalFrames() const { return m_totalFrames; }
    const std::string& GetOutputPath() const { return m_outputPath; }
    // Overrides "Output-AVI" for the next preparation only (command line --output).
    void SetOutputOverride(const std::string& path) { m_outputOverride = path; }
    const CompressionOptions& GetCompressionOptions() const { return m_options; }
    // Total frames of objects first..last minus the last one's transition.
    int ComputeTotalFrames(int first, int last) const;

    // Part files made in the last run and the number of frames taken from the stream cache.
    const std::vector<std::string>& GetCreatedPartFiles() const { return m_createdParts; }
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
    // Frame `frame` of a clip, decoded (the reading container stays open for the next frame).
    std::unique_ptr<CDibPicture> ReadClipFrame(const std::string& path, int frame);
    std::string Text(const std::string& key, const std::string& fallback) const;
    int ProjectInt(const char* key, int fallback) const;
    double ProjectDouble(const char* key, double fallback) const;
    std::string ProjectString(const char* key) const;
    int AppInt(const char* section, const char* key, int fallback) const;
    void Status(const std::string& text) const;
    void Value(const char* pipe, int value) const;
    void CallOnGui(const std::function<void()>& fn);

    // Stream cache protocol.
    bool CheckStreamPart(const std::string& key, bool reserve, std::string& path);
    void StoreStreamPart(const std::string& key, const std::string& path);
    void FinishStreamPart(const std::string& path);
    void PasteStreamPart(const std::string& path, bool wantLastFrame, bool countFrames);

    // Frame-loop helpers.
    void EncodeFrame(CAVIStream* target, const std::shared_ptr<const CDibPicture>& frame);
    struct FramePool;
    std::shared_ptr<const CDibPicture> PooledCopy(const CPicture& frame);
    bool WriteCopy(const CPicture& frame);
    bool WriteRepeated(const std::shared_ptr<const CDibPicture>& frame, int count);
    bool RunTransition(const CProjectObject& prev, const CPicture& from,
                       const std::shared_ptr<const CDibPicture>& to);
    bool RunCaptionPhase(const CProjectObject& obj, bool fadeIn, const CPicture& bare,
                         const std::shared_ptr<const CDibPicture>& captioned);
    std::shared_ptr<CDibPicture> Captioned(const CProjectObject& obj, const CPicture& bare);
    CaptionDrawing CaptionOf(const CProjectObject& obj) const;
    void CloseOutput();
    // The output audio format (slot 0) as a wave format record; empty when no audio codec is set.
    std::vector<uint8_t> OutputAudioFormat() const;
    bool WriteAudioTrack(int audioIndex);

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

    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_preview{false};
    std::atomic<bool> m_creating{false};
    bool m_prepared = false;
    bool m_movieWritten = false;
    int m_first = 0;
    int m_last = -1;
    std::string m_outputPath;
    std::string m_outputOverride;
    std::atomic<int> m_framesWritten{0};
    int m_totalFrames = 0;
    int m_pastedFrames = 0;
    CompressionOptions m_options;
    std::string m_codecDescription;

    std::unique_ptr<CAVIContainer> m_output;
    CAVIStream* m_outputStream = nullptr;
    std::unique_ptr<CAVIContainer> m_part;
    CAVIStream* m_partStream = nullptr;
    std::string m_partPath;
    std::unique_ptr<CAVIContainer> m_partReader;
    std::unique_ptr<CAVIContainer> m_clipReader;
    CSettingsStore m_moveStore;  // "CURRENT_PICTURE_MOVE" of the object being prepared
    std::vector<std::string> m_createdParts;
    std::unique_ptr<CDibPicture> m_lastFrameBuffer;  // stored with each part

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
