// The manager: the one long-lived object that owns the project, the settings stores, the message
// pipelines and the caches. The GUI and the command line are two front ends of it.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "infra/MessagePipelines.h"
#include "project/FileCache.h"
#include "project/ProjectObject.h"
#include "settings/SettingsStore.h"

namespace trov {

class CAVIFrameReader;
class CCreation;
class CDibPicture;
class CUserPrompt;
struct ConsistencyFindings;

// What the main view shows. The front end implements it; every call may come from any thread
// (pipeline deliveries run on the sender's thread). Defaults do nothing.
class CTROVManagerView {
public:
    virtual ~CTROVManagerView() = default;
    // The status bar text ("Status").
    virtual void OnStatusText(const std::string& text) { (void)text; }
    // A progress bar moved: complete = the whole-creation bar, else the current-step bar.
    // position is 0..10000, percentText "%d %".
    virtual void OnProgress(bool complete, int position, const std::string& percentText) {
        (void)complete, (void)position, (void)percentText;
    }
    // The "Current Time:" (remaining = false) or "Remain. Time:" box.
    virtual void OnTimeText(bool remaining, const std::string& text) { (void)remaining, (void)text; }
    // The picture list and the play length must be redrawn (after load, reset, add, sort, edits).
    virtual void OnProjectRefreshed() {}
};

enum class SortProjectBy { Names, Text };

class CTROVManager : public CMessagePipelineListener {
public:
    // Creates the application's pipelines with the manager as their only listener.
    CTROVManager();
    ~CTROVManager() override;
    CTROVManager(const CTROVManager&) = delete;
    CTROVManager& operator=(const CTROVManager&) = delete;

    // ---- start-up -------------------------------------------------------------------------
    // Lays "Settings.ini" of programDirectory over the built-in defaults and writes it back,
    // copies the project defaults into the project settings, points the caches at "TempDir" and
    // loads their indexes, and applies the background colour. False when "Settings.ini" could not
    // be written (the program runs on with the settings in memory).
    bool Initialize(const std::string& programDirectory);
    const std::string& GetProgramDirectory() const { return m_programDirectory; }
    const std::string& GetSettingsPath() const { return m_settingsPath; }

    // The front end's view; not owned, may be null.
    void SetView(CTROVManagerView* view);

    // ---- pipelines ------------------------------------------------------------------------
    CMessagePipelines& GetPipelines() { return m_pipelines; }
    void SendStatus(const std::string& text);
    std::string GetStatusText() const;
    int GetProgressPosition(bool complete) const;
    std::string GetProgressText(bool complete) const;
    std::string GetTimeText(bool remaining) const;
    void OnMessage(const std::string& pipeline, int32_t value) override;
    void OnMessage(const std::string& pipeline, const std::string& text) override;

    // ---- settings stores --------------------------------------------------------------------
    // The live "PROJECT_SETTINGS" section that the dialogs edit and the creation reads.
    CSettingsStore& GetProjectSettings() { return m_projectSettings; }
    const CSettingsStore& GetProjectSettings() const { return m_projectSettings; }
    // The project file's content as last loaded or saved; its file name is the project's path.
    CSettingsStore& GetProjectImage() { return m_projectImage; }
    const CSettingsStore& GetProjectImage() const { return m_projectImage; }
    // The application settings ("Settings.ini").
    CSettingsStore& GetAppSettings() { return m_appSettings; }
    const CSettingsStore& GetAppSettings() const { return m_appSettings; }
    // Default texts ("TEXTS") that a language file may replace.
    CSettingsStore& GetTexts() { return m_texts; }

    // ---- the object list ----------------------------------------------------------------------
    int GetObjectCount() const { return static_cast<int>(m_objects.size()); }
    // The object at index, or null when out of range.
    CProjectObject* GetObject(int index);
    const CProjectObject* GetObject(int index) const;
    void AppendObject(CProjectObject object);
    // Inserts before index; index == count appends. False when out of range.
    bool InsertObject(int index, CProjectObject object);
    bool RemoveObject(int index);
    // Moves the object at from so that it ends up at index to.
    bool MoveObject(int from, int to);
    // Adds pictures or AVI files (captions from the file names, frame counts from the project
    // settings) before index insertAt (-1: at the end), reporting status and progress; returns
    // how many were added.
    int AddFiles(const std::vector<std::string>& paths, int insertAt = -1);
    // Inserts a colour fading before index (index == count appends); the third preset takes its
    // transition frames from the entry at that index.
    bool InsertColorFading(ColorFadingPreset preset, int index);

    // ---- the project ----------------------------------------------------------------------------
    void ResetProject();
    // Loads a project file; extra (may be null) is merged over it. False, with the status
    // "Error: Can not load Project: " + path, when the file cannot be read and no extra store
    // was given; the current project then stays.
    bool LoadProject(const std::string& path, const CSettingsStore* extra = nullptr);
    // What the last LoadProject had to repair (frame counts out of range, clamped), one line each,
    // for the front end to show once; empty for a sound project.
    const std::vector<std::string>& GetLoadNotes() const { return m_loadNotes; }
    // Saves the project (UTF-16 LE) and keeps the previous file as its ".bak". The new content is
    // written completely before the old file is moved, so a failed save leaves the old file in place.
    bool SaveProject(const std::string& path);
    // Writes the current project (settings and entries) to `path` without touching the project's
    // own file, backup or name.
    bool SaveProjectCopy(const std::string& path);
    // Stable sort by full path or by caption in UTF-16 code-unit order.
    void SortProject(SortProjectBy by);
    // Paths of the objects, their audio files and "Output-AVI" relative to the project file /
    // absolute. Nothing happens to a project without file name (relative) or to paths that
    // cannot be converted. The Ask... forms first put the question and proceed only on Yes.
    void MakePathsRelative();
    void MakePathsAbsolute();
    bool AskAndMakePathsRelative(CUserPrompt& prompt);
    bool AskAndMakePathsAbsolute(CUserPrompt& prompt);
    // The project's path (empty for a project never saved).
    const std::string& GetProjectPath() const { return m_projectImage.GetFileName(); }
    // Makes relative paths resolve against the project file's folder.
    void SetProjectDirectory();
    // Normalises the objects (frame counts into range, audio fading times, AVI frame counts) and
    // tells the view.
    void RefreshProject();
    // Total frames of the movie: all objects' frames minus the last transition.
    long long GetPlayLengthFrames() const;
    // The play length "hh:mm:ss,mmm".
    std::string GetPlayLength() const;
    static std::string FormatPlayLength(long long milliseconds);
    // "FramesPerSeconds" read as the creation reads it ("30,5" is 30.5); 25 when missing or not a
    // positive number.
    float GetFrameRate() const;
    // Sets the pictures' default background colour from the project settings.
    void ApplyGlobalBackgroundColour();

    // Project settings files of the project settings dialog.
    bool SaveProjectSettingsFile(const std::string& path, CUserPrompt& prompt);
    bool LoadProjectSettingsFile(const std::string& path, CUserPrompt& prompt);
    // "Set As Default": the section goes into "Settings.ini" and into the application settings.
    bool SetProjectSettingsAsDefault(const CSettingsStore& projectSettings, CUserPrompt& prompt);

    // ---- options (the setters save "Settings.ini" at once) ---------------------------------------
    int GetQuality() const;
    void SetQuality(int quality);
    bool IsPermanentCacheEnabled() const;
    void SetPermanentCache(bool enabled);
    bool GetAutoShowNextPreviewFadingFrame() const;
    void SetAutoShowNextPreviewFadingFrame(bool enabled);
    // Read once at start-up.
    bool IsVideoStreamCacheEnabled() const { return m_videoStreamCache; }
    bool SaveAppSettings();

    // ---- caches -------------------------------------------------------------------------------
    CFileCache& GetPictureCache() { return m_pictureCache; }
    CFileCache& GetStreamCache() { return m_streamCache; }
    CFileCache& GetWaveCache() { return m_waveCache; }
    // Clears the three caches, deleting their files unless the permanent cache is on.
    void ResetCaches();
    // Writes the three index files.
    void SaveCaches();
    // The temporary directory: "TempDir" of the application settings, absolute (a relative one
    // resolves against the program directory; one that cannot exist here gives <program dir>/Temp).
    std::string GetTempDirectory() const;
    // Deletes the cache files in the temporary directory that no index names (parts, pictures and
    // audio copies of runs that were killed, or of indexes that were reset). With afterCrash, also
    // the copy of the project and the audio track file a run that was killed left behind. Done
    // only while no other instance of the program uses the directory; returns the files deleted.
    int RemoveUnindexedCacheFiles(bool afterCrash);

    // ---- creation (TROVManagerCreation.cpp) ------------------------------------------------------
    // The creation driver working on this manager's project, settings, pipelines and caches.
    CCreation& GetCreation();
    // The creation settings step: sets up the output (CCreation::CreateNewAVI) and may change the
    // range first..last; the dialog in the GUI, the codec settings file headless.
    using CreationSettingsStep = std::function<bool(CCreation& creation, int& first, int& last)>;
    // The Start Creation command: check, prepare, create on the worker thread, wait. True when the
    // movie was written.
    bool StartCreation(const CreationSettingsStep& settingsStep);
    void CancelCreation();
    bool IsCreationCanceled() const;
    // The consistency check's findings (three lists) for the current project.
    ConsistencyFindings CheckConsistency();
    // Offers to delete files left in the temporary directory (never in batch mode or with the
    // permanent cache).
    void CheckTempDirectoryAtStart(bool batchMode);
    // The "Clear Cache" command.
    void ClearCache();
    // An entry's picture at width x height (a still, through the picture cache); null when unreadable.
    std::unique_ptr<CDibPicture> PreparePicture(int index, int width, int height);
    // Rotates the entries (AVI clips keep 0) by 90, 180 or -90 degrees and refreshes the view.
    void RotateSelected(const std::vector<int>& indexes, int degrees);
    // "Make complete Project": copies pictures and audio into folder/pictures and folder/audio,
    // saves the project there with relative paths (its "TempDir" becomes "Temp" inside the folder)
    // and writes folder/make.sh, which renders the project from wherever it is started. The codec
    // settings in use go into folder/cs_0.ini: a copy of codecSettingsFile when given, else the
    // video options of the last creation; `note` then says how to add one when there are none.
    // False with a reason when the folder cannot be made or saved, or when a file could not be
    // copied (the folder is complete apart from the files named).
    bool MakeCompleteProject(const std::string& folder, std::string& error,
                             const std::string& codecSettingsFile = {}, std::string* note = nullptr);

    // ---- the output file ------------------------------------------------------------------------
    // The movie file a creation writes: `override` (absolute, or relative to the project folder)
    // or else "Output-AVI" resolved against the project folder. Empty when neither is set.
    std::string GetOutputPath(const std::string& override = {});
    // Why a creation must not write `path`, found before any file is touched: no path, a folder
    // that does not exist or cannot be written, a folder in its place, or one of the project's own
    // files (pictures, clips, audio, the project file, and the `alsoProtected` ones). Empty when
    // the movie may be written there.
    std::string OutputProblem(const std::string& path, const std::vector<std::string>& alsoProtected = {});
    // Why the project's movie size or frame rate cannot be written; empty when they can.
    std::string MovieFormatProblem() const;

private:
    std::vector<CProjectObject*> ObjectPointers();
    // The project's settings and every entry, as a project file holds them.
    void FillProjectImage(CSettingsStore& image, bool reportProgress);
    void SendValue(const char* pipeline, int32_t value);

    CMessagePipelines m_pipelines;
    CSettingsStore m_projectSettings;
    CSettingsStore m_projectImage;
    CSettingsStore m_appSettings;
    CSettingsStore m_texts;
    std::vector<std::unique_ptr<CProjectObject>> m_objects;
    int m_lastClampedCounts = 0;  // frame counts the last RefreshProject clamped
    std::vector<std::string> m_loadNotes;
    std::string m_programDirectory;
    std::string m_settingsPath;
    bool m_videoStreamCache = false;
    // The temporary directory, open and flock()ed shared while this manager lives, so that one
    // instance never deletes what another is using (-1: none).
    int m_tempLock = -1;

    CFileCache m_pictureCache;
    CFileCache m_streamCache;
    CFileCache m_waveCache;
    // Counts the frames of AVI entries for the list refresh (their "ShowPicture").
    std::unique_ptr<CAVIFrameReader> m_clips;

    // What the view shows, guarded by m_viewMutex (deliveries come from any thread).
    mutable std::mutex m_viewMutex;
    CTROVManagerView* m_view = nullptr;
    std::string m_statusText;
    std::string m_timeText[2];
    CProgressMeter m_currentMeter;
    CProgressMeter m_completeMeter;

    // Last member, so it goes first: the creation uses the caches, pipelines and view above.
    struct CreationDeleter {
        void operator()(CCreation* creation) const;
    };
    std::unique_ptr<CCreation, CreationDeleter> m_creation;
};

}  // namespace trov
