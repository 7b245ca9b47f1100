// The manager's project side: pipelines and their listener, settings stores, the object list,
// project load/save/sort/paths, application settings and caches.
#include "creation/TROVManager.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <set>
#include <system_error>

#include "audio/AudioTrack.h"
#include "creation/Creation.h"
#include "imaging/Picture.h"
#include "imaging/PictureTools.h"
#include "infra/Log.h"
#include "infra/ReplaceFile.h"
#include "infra/UserPrompt.h"
#include "infra/Utf16Order.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "settings/TextFileBytes.h"
#include "video/AVIFrameReader.h"

namespace trov {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCacheIndexNames[3] = {kPictureCacheIndex, kStreamCacheIndex, kWaveCacheIndex};

std::string SectionName(size_t i) {
    return "PICTURE_" + std::to_string(i);
}

// The backup name of a project path: the path without its extension, plus ".bak"; a path that is
// its own backup name gets "2" appended.
std::string BackupName(const std::string& path) {
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('/');
    std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? path.substr(0, dot)
                           : path;
    std::string bak = stem + ".bak";
    if (bak == path) bak += "2";
    return bak;
}

// An absolute, lexically normal form of a path the user named (relative to the working directory).
std::string AbsoluteFromWorkingDirectory(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    fs::path p = fs::absolute(NativePath(path), ec);
    return ec ? path : p.lexically_normal().string();
}

bool CanOpenForReading(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

}  // namespace

CTROVManager::CTROVManager() : m_clips(std::make_unique<CAVIFrameReader>()) {
    for (const char* name : {pipeline::kStatus, pipeline::kMaxProgress, pipeline::kMaxProgressComplete,
                             pipeline::kCurrentProgress, pipeline::kCurrentProgressComplete,
                             pipeline::kTimer1CurrentTime, pipeline::kTimer1RemainingTime}) {
        m_pipelines.Create(name);
        m_pipelines.AddListener(name, this, false);
    }
    m_pipelines.Send(pipeline::kCurrentProgress, 0);
    m_pipelines.Send(pipeline::kCurrentProgressComplete, 0);
    SeedTextDefaults(m_texts);
}

CTROVManager::~CTROVManager() {
    // What the caches hold stays findable for the next start.
    SaveCaches();
    if (m_tempLock >= 0) ::close(m_tempLock);
    // The pipelines must let go of this listener before it is gone.
    m_pipelines.Clear();
}

bool CTROVManager::Initialize(const std::string& programDirectory) {
    m_programDirectory = programDirectory;
    bool written = false;
    m_settingsPath = InitApplicationSettings(m_appSettings, programDirectory, &written);
    m_projectSettings.CopySection(m_appSettings, kProjectSettings);
    int streamCache = 0;
    m_appSettings.GetInt(kTrovSettings, appkey::kEnableVideoStreamCache, streamCache);
    m_videoStreamCache = streamCache == 1;

    std::string setting;
    m_appSettings.GetString(kProjectSettings, projkey::kTempDir, setting);
    bool fellBack = false;
    std::string temp = ResolveTempDirectory(setting, m_programDirectory, &fellBack);
    if (fellBack) {
        WriteLog("CTROVManager::Initialize: TempDir " + setting + " cannot exist on this system; using " +
                 temp);
        SendStatus("Warning: the TempDir \"" + setting + "\" of " + m_settingsPath +
                   " cannot exist on this system; using " + temp);
    }
    std::error_code ec;
    fs::create_directories(temp, ec);
    CFileCache* caches[3] = {&m_pictureCache, &m_streamCache, &m_waveCache};
    for (int i = 0; i < 3; ++i) {
        caches[i]->SetDirectory(temp);
        caches[i]->LoadIndex(kCacheIndexNames[i]);
    }
    if (m_tempLock >= 0) ::close(m_tempLock);
    m_tempLock = ::open(temp.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // What a killed run left behind goes now; nothing else could ever find it again.
    RemoveUnindexedCacheFiles(true);
    ApplyGlobalBackgroundColour();
    CPictureTools::SetQuality(GetQuality());
    return written;
}

void CTROVManager::SetView(CTROVManagerView* view) {
    std::lock_guard lock(m_viewMutex);
    m_view = view;
}

// ---- pipelines ----------------------------------------------------------------------------------

void CTROVManager::SendStatus(const std::string& text) {
    m_pipelines.Send(pipeline::kStatus, text);
}

void CTROVManager::SendValue(const char* name, int32_t value) {
    m_pipelines.Send(name, value);
}

std::string CTROVManager::GetStatusText() const {
    std::lock_guard lock(m_viewMutex);
    return m_statusText;
}

int CTROVManager::GetProgressPosition(bool complete) const {
    std::lock_guard lock(m_viewMutex);
    return complete ? m_completeMeter.GetPosition() : m_currentMeter.GetPosition();
}

std::string CTROVManager::GetProgressText(bool complete) const {
    std::lock_guard lock(m_viewMutex);
    return complete ? m_completeMeter.GetText() : m_currentMeter.GetText();
}

std::string CTROVManager::GetTimeText(bool remaining) const {
    std::lock_guard lock(m_viewMutex);
    return m_timeText[remaining ? 1 : 0];
}

void CTROVManager::OnMessage(const std::string& name, int32_t value) {
    CTROVManagerView* view;
    bool complete;
    int position;
    std::string text;
    {
        std::lock_guard lock(m_viewMutex);
        view = m_view;
        if (name == pipeline::kMaxProgress) {
            m_currentMeter.SetMaximum(value);
            return;
        }
        if (name == pipeline::kMaxProgressComplete) {
            m_completeMeter.SetMaximum(value);
            return;
        }
        if (name == pipeline::kCurrentProgress) {
            complete = false;
        } else if (name == pipeline::kCurrentProgressComplete) {
            complete = true;
        } else {
            return;
        }
        CProgressMeter& meter = complete ? m_completeMeter : m_currentMeter;
        position = meter.SetCurrent(value);
        text = meter.GetText();
    }
    if (view) view->OnProgress(complete, position, text);
}

void CTROVManager::OnMessage(const std::string& name, const std::string& text) {
    CTROVManagerView* view;
    int which;
    {
        std::lock_guard lock(m_viewMutex);
        view = m_view;
        if (name == pipeline::kStatus) {
            m_statusText = text;
            which = 0;
        } else if (name == pipeline::kTimer1CurrentTime) {
            m_timeText[0] = text;
            which = 1;
        } else if (name == pipeline::kTimer1RemainingTime) {
            m_timeText[1] = text;
            which = 2;
        } else {
            return;
        }
    }
    if (!view) return;
    if (which == 0)
        view->OnStatusText(text);
    else
        view->OnTimeText(which == 2, text);
}

// ---- the object list ---------------------------------------------------------------------------

CProjectObject* CTROVManager::GetObject(int index) {
    return index >= 0 && index < GetObjectCount() ? m_objects[static_cast<size_t>(index)].get() : nullptr;
}

const CProjectObject* CTROVManager::GetObject(int index) const {
    return index >= 0 && index < GetObjectCount() ? m_objects[static_cast<size_t>(index)].get() : nullptr;
}

void CTROVManager::AppendObject(CProjectObject object) {
    m_objects.push_back(std::make_unique<CProjectObject>(std::move(object)));
}

bool CTROVManager::InsertObject(int index, CProjectObject object) {
    if (index < 0 || index > GetObjectCount()) return false;
    m_objects.insert(m_objects.begin() + index, std::make_unique<CProjectObject>(std::move(object)));
    return true;
}

bool CTROVManager::RemoveObject(int index) {
    if (index < 0 || index >= GetObjectCount()) return false;
    m_objects.erase(m_objects.begin() + index);
    return true;
}

bool CTROVManager::MoveObject(int from, int to) {
    int n = GetObjectCount();
    if (from < 0 || from >= n || to < 0 || to >= n) return false;
    auto object = std::move(m_objects[static_cast<size_t>(from)]);
    m_objects.erase(m_objects.begin() + from);
    m_objects.insert(m_objects.begin() + to, std::move(object));
    return true;
}

std::vector<CProjectObject*> CTROVManager::ObjectPointers() {
    std::vector<CProjectObject*> list;
    list.reserve(m_objects.size());
    for (auto& o : m_objects) list.push_back(o.get());
    return list;
}

int CTROVManager::AddFiles(const std::vector<std::string>& paths, int insertAt) {
    if (insertAt < 0 || insertAt > GetObjectCount()) insertAt = GetObjectCount();
    int count = static_cast<int>(paths.size());
    SendValue(pipeline::kMaxProgress, count);
    SendValue(pipeline::kCurrentProgress, 0);
    int added = 0;
    for (const std::string& path : paths) {
        SendStatus("Reading Information from " + path + " ...");
        InsertObject(insertAt + added, CProjectObject::FromFile(path, m_projectSettings, &m_pipelines));
        ++added;
        SendValue(pipeline::kCurrentProgress, added);
    }
    char text[96];
    std::snprintf(
        text, sizeof text,
        added < 2 ? "Sucessfully add %d new picture / AVI!" : "Sucessfully add %d new pictures / AVIs!",
        added);
    SendStatus(text);
    RefreshProject();
    return added;
}

bool CTROVManager::InsertColorFading(ColorFadingPreset preset, int index) {
    if (index < 0 || index > GetObjectCount()) return false;
    CProjectObject fading =
        CProjectObject::MakeColorFading(preset, m_projectSettings, GetFrameRate(), GetObject(index));
    InsertObject(index, std::move(fading));
    RefreshProject();
    return true;
}

// ---- the project --------------------------------------------------------------------------------

void CTROVManager::ResetProject() {
    m_projectImage.Clear();
    m_projectImage.SetFileName("");
    m_projectSettings.Clear();
    m_objects.clear();
    if (!IsPermanentCacheEnabled()) ResetCaches();
    m_projectSettings.CopySection(m_appSettings, kProjectSettings);
    ApplyGlobalBackgroundColour();
    RefreshProject();
}

bool CTROVManager::LoadProject(const std::string& pathIn, const CSettingsStore* extra) {
    m_loadNotes.clear();
    std::string path = AbsoluteFromWorkingDirectory(pathIn);
    CSettingsStore loaded;
    bool ok = !path.empty() && loaded.Load(path);
    if (!ok && !extra) {
        SendStatus("Error: Can not load Project: " + pathIn);
        return false;
    }
    ResetProject();
    // The project settings come from the file itself, not from the extra store.
    m_projectSettings.CopySection(loaded, kProjectSettings);
    // A project written before the EXIF orientation was applied has its rotations set by hand for
    // pictures as stored: turning them upright as well would turn them twice.
    if (!loaded.HasKey(kProjectSettings, projkey::kApplyExifOrientation))
        m_projectSettings.SetInt(kProjectSettings, projkey::kApplyExifOrientation, 0);
    m_projectImage = std::move(loaded);  // the image store is empty after the reset
    m_projectImage.SetFileName(path);
    if (extra) m_projectImage.MergeFrom(*extra);
    // Relative paths of the objects resolve against the new project's folder while they load.
    if (!path.empty()) SetProjectDirectory();
    for (size_t i = 0;; ++i) {
        CProjectObject object;
        if (!object.LoadFromStore(m_projectImage, SectionName(i), &m_pipelines)) break;
        AppendObject(std::move(object));
    }
    if (!path.empty()) SendStatus("Project loaded: " + path);
    ApplyGlobalBackgroundColour();
    RefreshProject();
    if (m_lastClampedCounts > 0) {
        m_loadNotes.push_back(pathIn + ": " + std::to_string(m_lastClampedCounts) +
                              (m_lastClampedCounts == 1 ? " frame count" : " frame counts") +
                              " outside 0 ... " + std::to_string(kMaxFrameCount) +
                              " frames, clamped into that range");
        WriteLog("CTROVManager::LoadProject: " + m_loadNotes.back());
    }
    return true;
}

void CTROVManager::FillProjectImage(CSettingsStore& image, bool reportProgress) {
    image.Clear();
    image.MergeFrom(m_projectSettings);
    int last = GetObjectCount() - 1;
    if (reportProgress) {
        SendValue(pipeline::kCurrentProgress, 0);
        SendValue(pipeline::kCurrentProgressComplete, 0);
        SendValue(pipeline::kMaxProgress, last);
        SendValue(pipeline::kMaxProgressComplete, last);
    }
    for (size_t i = 0; i < m_objects.size(); ++i) {
        m_objects[i]->SaveToStore(image, SectionName(i));
        if (!reportProgress) continue;
        SendValue(pipeline::kCurrentProgress, static_cast<int32_t>(i));
        SendValue(pipeline::kCurrentProgressComplete, static_cast<int32_t>(i));
    }
}

bool CTROVManager::SaveProjectCopy(const std::string& path) {
    CSettingsStore copy;
    FillProjectImage(copy, false);
    return copy.Save(path, CTextFile::k8Bit);
}

bool CTROVManager::SaveProject(const std::string& pathIn) {
    std::string path = AbsoluteFromWorkingDirectory(pathIn);
    if (path.empty()) {
        SendStatus("Error: Can not save Project: " + pathIn);
        return false;
    }
    std::string oldName = m_projectImage.GetFileName();
    SendStatus("Saving project to " + path + " ...");
    FillProjectImage(m_projectImage, true);

    // The new content is written and flushed beside the target; only then does the old file become
    // the backup and the new one take its place, so a full disk or a crash leaves the old project.
    int encoding = CTextFile::kUtf16LE;
    std::string error;
    if (!ReplaceFileContent(path, EncodeTextFile(m_projectImage.ToLines(), encoding), BackupName(path),
                            &error)) {
        WriteLog("CTROVManager::SaveProject: " + error);
        m_projectImage.SetFileName(oldName);
        SendStatus("Error: Can not save Project: " + path);
        return false;
    }
    m_projectImage.SetFileName(path);
    SendStatus("Project saved: " + path);
    SetProjectDirectory();
    return true;
}

void CTROVManager::SortProject(SortProjectBy by) {
    std::vector<std::string> keys;
    keys.reserve(m_objects.size());
    for (auto& o : m_objects) keys.push_back(by == SortProjectBy::Names ? o->GetFileName() : o->pictureText);
    std::vector<size_t> order(m_objects.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // Equal keys keep their list order.
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return CompareUtf16(keys[a], keys[b]) < 0; });
    std::vector<std::unique_ptr<CProjectObject>> sorted;
    sorted.reserve(order.size());
    for (size_t i : order) sorted.push_back(std::move(m_objects[i]));
    m_objects = std::move(sorted);
    RefreshProject();
    SendStatus(by == SortProjectBy::Names ? "Picture list sorted by names!" : "Picture list sorted by text!");
}

void CTROVManager::SetProjectDirectory() {
    const std::string& path = m_projectImage.GetFileName();
    if (path.empty()) return;
    trov::SetProjectDirectory(DirectoryPart(path));
}

void CTROVManager::MakePathsRelative() {
    std::string project = GetProjectPath();
    if (project.empty()) return;
    SetProjectDirectory();
    for (auto& o : m_objects) {
        // A colour fading has no file of its own, but its audio moves with the project like any other.
        if (!o->IsColorFade()) {
            std::string rel = MakeRelativePath(o->GetFileName(), project);
            if (!rel.empty()) o->SetFileName(rel, &m_pipelines);
        }
        if (o->audioFile.empty() || o->audioFile == kAudioCoverageEndedMarker) continue;
        std::string rel = MakeRelativePath(o->audioFile, project);
        if (!rel.empty()) o->audioFile = rel;
    }
    std::string output;
    if (m_projectSettings.GetString(kProjectSettings, projkey::kOutputAVI, output)) {
        std::string rel = MakeRelativePath(output, project);
        if (!rel.empty()) m_projectSettings.SetString(kProjectSettings, projkey::kOutputAVI, rel);
    }
    RefreshProject();
}

void CTROVManager::MakePathsAbsolute() {
    SetProjectDirectory();
    auto absolute = [](const std::string& path) -> std::string {
        if (path.empty()) return {};
        std::string full = ResolveProjectPath(path);
        full = AbsoluteFromWorkingDirectory(full);
        return CanOpenForReading(full) ? full : std::string();
    };
    for (auto& o : m_objects) {
        if (!o->IsColorFade()) {
            std::string full = absolute(o->GetFileName());
            if (!full.empty() && full != o->GetFileName()) o->SetFileName(full, &m_pipelines);
        }
        if (o->audioFile.empty() || o->audioFile == kAudioCoverageEndedMarker) continue;
        std::string full = absolute(o->audioFile);
        if (!full.empty()) o->audioFile = full;
    }
    std::string output;
    if (m_projectSettings.GetString(kProjectSettings, projkey::kOutputAVI, output)) {
        std::string full = absolute(output);
        if (!full.empty()) m_projectSettings.SetString(kProjectSettings, projkey::kOutputAVI, full);
    }
    RefreshProject();
}

bool CTROVManager::AskAndMakePathsRelative(CUserPrompt& prompt) {
    if (prompt.Ask(
            "TROV now changes all directory paths from absolute to relative to your current project. This "
            "only works, if you already saved your project. Do you want to continue?",
            "Make directory paths relative to saved project", PromptButtons::YesNoCancel,
            PromptAnswer::No) != PromptAnswer::Yes)
        return false;
    MakePathsRelative();
    return true;
}

bool CTROVManager::AskAndMakePathsAbsolute(CUserPrompt& prompt) {
    if (prompt.Ask(
            "TROV now changes all directory paths from relative to absolute paths. Do you want to continue?",
            "Make directory paths relative to saved project", PromptButtons::YesNoCancel,
            PromptAnswer::No) != PromptAnswer::Yes)
        return false;
    MakePathsAbsolute();
    return true;
}

void CTROVManager::RefreshProject() {
    int fps = 25;
    m_projectSettings.GetInt(kProjectSettings, projkey::kFramesPerSeconds, fps);
    std::vector<CProjectObject*> list = ObjectPointers();
    m_lastClampedCounts = NormalizeProjectObjects(list, fps, m_clips.get());
    CTROVManagerView* view;
    {
        std::lock_guard lock(m_viewMutex);
        view = m_view;
    }
    if (view) view->OnProjectRefreshed();
}

float CTROVManager::GetFrameRate() const {
    // The creation's reader: "," as well as "." separates the fraction.
    double rate = 25.0;
    m_projectSettings.GetDouble(kProjectSettings, projkey::kFramesPerSeconds, rate);
    float fps = static_cast<float>(rate);
    // A zero or negative rate would divide by zero in every time computation.
    if (!(fps > 0.0f) || !std::isfinite(fps)) fps = 25.0f;
    return fps;
}

long long CTROVManager::GetPlayLengthFrames() const {
    long long total = 0;
    for (auto& o : m_objects) total += o->GetTotalFrames();
    if (!m_objects.empty()) total -= m_objects.back()->fade2NextPicture;
    return total;
}

std::string CTROVManager::GetPlayLength() const {
    long long msPerFrame = static_cast<long long>(1000.0 / GetFrameRate());
    return FormatPlayLength(msPerFrame * GetPlayLengthFrames());
}

std::string CTROVManager::FormatPlayLength(long long ms) {
    if (ms < 0) ms = 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld,%03lld", ms / 3600000, (ms / 60000) % 60,
                  (ms / 1000) % 60, ms % 1000);
    return buf;
}

void CTROVManager::ApplyGlobalBackgroundColour() {
    int rgb[3] = {0, 0, 0};
    const char* keys[3] = {projkey::kBackgroundR, projkey::kBackgroundG, projkey::kBackgroundB};
    for (int i = 0; i < 3; ++i) {
        m_projectSettings.GetInt(kProjectSettings, keys[i], rgb[i]);
        rgb[i] = std::clamp(rgb[i], 0, 255);
    }
    CPicture::SetDefaultBackgroundColour(MakeColour(uint8_t(rgb[0]), uint8_t(rgb[1]), uint8_t(rgb[2])));
}

bool CTROVManager::SaveProjectSettingsFile(const std::string& path, CUserPrompt& prompt) {
    CSettingsStore store;
    store.CopySection(m_projectSettings, kProjectSettings);
    if (!store.Save(path, CTextFile::k8Bit)) {
        prompt.Message("Error: Can not write settings: " + path);
        return false;
    }
    prompt.Message("Settings sucessfully written!");
    return true;
}

bool CTROVManager::LoadProjectSettingsFile(const std::string& path, CUserPrompt& prompt) {
    CSettingsStore store;
    if (!store.Load(path)) {
        prompt.Message("Error: Can not read settings: " + path);
        return false;
    }
    m_projectSettings.CopySection(store, kProjectSettings);
    ApplyGlobalBackgroundColour();
    RefreshProject();
    return true;
}

bool CTROVManager::SetProjectSettingsAsDefault(const CSettingsStore& projectSettings, CUserPrompt& prompt) {
    CSettingsStore file;
    file.Load(m_settingsPath);
    file.CopySection(projectSettings, kProjectSettings);
    bool ok = file.Save(m_settingsPath, CTextFile::k8Bit);
    if (!ok) prompt.Message("Error: Can not write settings: " + m_settingsPath);
    m_appSettings.CopySection(projectSettings, kProjectSettings);
    return ok;
}

// ---- options ------------------------------------------------------------------------------------

bool CTROVManager::SaveAppSettings() {
    return !m_settingsPath.empty() && m_appSettings.Save(m_settingsPath, CTextFile::k8Bit);
}

int CTROVManager::GetQuality() const {
    int q = 0;
    m_appSettings.GetInt(kTrovSettings, appkey::kQuality, q);
    return q;
}

void CTROVManager::SetQuality(int quality) {
    m_appSettings.SetInt(kTrovSettings, appkey::kQuality, quality);
    CPictureTools::SetQuality(quality);
    SaveAppSettings();
}

bool CTROVManager::IsPermanentCacheEnabled() const {
    int v = 0;
    m_appSettings.GetInt(kTrovSettings, appkey::kEnablePermanentCache, v);
    return v == 1;
}

void CTROVManager::SetPermanentCache(bool enabled) {
    m_appSettings.SetInt(kTrovSettings, appkey::kEnablePermanentCache, enabled ? 1 : 0);
    SaveAppSettings();
}

bool CTROVManager::GetAutoShowNextPreviewFadingFrame() const {
    int v = 1;
    m_appSettings.GetInt(kTrovSettings, appkey::kAutoShowNextPreviewFadingFrame, v);
    return v == 1;
}

void CTROVManager::SetAutoShowNextPreviewFadingFrame(bool enabled) {
    m_appSettings.SetInt(kTrovSettings, appkey::kAutoShowNextPreviewFadingFrame, enabled ? 1 : 0);
    SaveAppSettings();
}

// ---- caches -------------------------------------------------------------------------------------

std::string CTROVManager::GetTempDirectory() const {
    std::string temp;
    m_appSettings.GetString(kProjectSettings, projkey::kTempDir, temp);
    return ResolveTempDirectory(temp, m_programDirectory);
}

void CTROVManager::ResetCaches() {
    bool keepFiles = IsPermanentCacheEnabled();
    m_pictureCache.Clear(!keepFiles);
    m_streamCache.Clear(!keepFiles);
    m_waveCache.Clear(!keepFiles);
    // The index files on disk must not go on naming the deleted files.
    SaveCaches();
    // Files that earlier runs made and the index named until now are no one's any more.
    if (!keepFiles) RemoveUnindexedCacheFiles(false);
}

namespace {

bool IsHex32(const std::string& s, size_t from) {
    if (s.size() != from + 32) return false;
    for (size_t i = from; i < s.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(s[i])) ||
            std::isupper(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

// Names of the files the caches make: "pic_<md5>", "wav_<md5>", "VC_File_###+++$$<n>.avi" and its
// last frame "....avipic", and the index files' half-written ".tmp" forms.
bool IsCacheFileName(const std::string& name) {
    if (name.rfind("pic_", 0) == 0 || name.rfind("wav_", 0) == 0) return IsHex32(name, 4);
    static const std::string part = "VC_File_###+++$$";
    if (name.rfind(part, 0) == 0) {
        size_t i = part.size(), digits = 0;
        while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) ++i, ++digits;
        const std::string rest = name.substr(i);
        return digits > 0 && (rest == ".avi" || rest == ".avipic");
    }
    for (const char* index : kCacheIndexNames)
        if (name == std::string(index) + ".tmp") return true;
    return false;
}

}  // namespace

int CTROVManager::RemoveUnindexedCacheFiles(bool afterCrash) {
    if (m_tempLock < 0) return 0;
    // Only when no other instance holds the directory: its files in the making are in no index yet.
    if (::flock(m_tempLock, LOCK_EX | LOCK_NB) != 0) {
        ::flock(m_tempLock, LOCK_SH);
        return 0;
    }
    const fs::path dir = fs::path(GetTempDirectory()).lexically_normal();
    std::set<std::string> named;
    for (const CFileCache* cache : {&m_pictureCache, &m_streamCache, &m_waveCache})
        for (const std::string& p : cache->GetIndexedPaths())
            named.insert(fs::path(p).lexically_normal().string());
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string name = it->path().filename().string();
        const std::string full = (dir / name).string();
        bool remove = false;
        if (IsCacheFileName(name)) {
            const bool lastFrame = name.size() > 6 && name.compare(name.size() - 6, 6, "avipic") == 0;
            remove = !named.count(full) && !(lastFrame && named.count(full.substr(0, full.size() - 3)));
        } else if (afterCrash) {
            remove = name == kCurrentProjectFile || IsTrackFileName(name);
        }
        std::error_code removeError;
        if (remove && fs::remove(it->path(), removeError)) ++removed;
    }
    if (removed > 0)
        WriteLog("CTROVManager::RemoveUnindexedCacheFiles: " + std::to_string(removed) +
                 " files no cache index named removed from " + dir.string());
    ::flock(m_tempLock, LOCK_SH);
    return removed;
}

void CTROVManager::SaveCaches() {
    if (m_pictureCache.GetDirectory().empty()) return;
    m_pictureCache.SaveIndex(kCacheIndexNames[0]);
    m_streamCache.SaveIndex(kCacheIndexNames[1]);
    m_waveCache.SaveIndex(kCacheIndexNames[2]);
}

}  // namespace trov
