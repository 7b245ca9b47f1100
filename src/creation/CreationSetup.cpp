// The creation's set-up: construction, settings access, the caches and the temporary directory,
// the preparation of a run (effect check, output file) and the Start Creation command.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "creation/Creation.h"
#include "creation/CreationFormat.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "infra/FatalReport.h"
#include "infra/Log.h"
#include "infra/MessagePipelines.h"
#include "infra/ProgramDirectory.h"
#include "infra/UserPrompt.h"
#include "project/ProjectObject.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "settings/SettingsStore.h"
#include "video/AVIContainer.h"
#include "video/AVIStream.h"
#include "video/MovieFormat.h"

namespace fs = std::filesystem;

namespace trov {

namespace {
constexpr const char* kProjectSection = "PROJECT_SETTINGS";
constexpr const char* kTrovSection = "TROV_SETTINGS";
}  // namespace

// ---- construction and settings access ----

CCreation::CCreation(CreationEnvironment env)
    : m_env(std::move(env)),
      m_pic(m_env.pictureCache ? m_env.pictureCache : &m_ownPictureCache),
      m_stream(m_env.streamCache ? m_env.streamCache : &m_ownStreamCache),
      m_wave(m_env.waveCache ? m_env.waveCache : &m_ownWaveCache),
      m_streamCacheOn(m_env.streamCacheEnabled),
      m_tools(m_env.pipelines),
      m_prep(m_env, *m_pic, m_tools),
      m_parts(*m_stream),
      m_timer("Timer1", m_env.pipelines) {
    m_output = std::make_unique<CAVIContainer>();
    if (!m_env.effects) {
        m_ownEffects = std::make_unique<CFadingEffectManager>();
        m_ownEffects->SetSettings(m_env.appSettings);
        m_ownEffects->SetPipelines(m_env.pipelines);
        m_ownEffects->SetUserPrompt(m_env.prompt);
        RegisterBuiltinEffects(*m_ownEffects);
        m_ownEffects->LoadConfiguredPlugIns();
        m_env.effects = m_ownEffects.get();
    }
}

CCreation::~CCreation() {
    if (m_queue) m_queue->Flush();
    m_queue.reset();
    m_timer.Stop();
}

CUserPrompt& CCreation::Prompt() const {
    return m_env.prompt ? *m_env.prompt : GetUserPrompt();
}

std::string CCreation::Text(const std::string& key, const std::string& fallback) const {
    std::string value = fallback;
    if (m_env.languageTexts) m_env.languageTexts->GetString("TEXTS", key, value);
    return value;
}

int CCreation::ProjectInt(const char* key, int fallback) const {
    int v = fallback;
    if (m_env.projectSettings) m_env.projectSettings->GetInt(kProjectSection, key, v);
    return v;
}

double CCreation::ProjectDouble(const char* key, double fallback) const {
    double v = fallback;
    if (m_env.projectSettings) m_env.projectSettings->GetDouble(kProjectSection, key, v);
    return v;
}

int CCreation::AppInt(const char* section, const char* key, int fallback) const {
    int v = fallback;
    if (m_env.appSettings) m_env.appSettings->GetInt(section, key, v);
    return v;
}

void CCreation::Status(const std::string& text) const {
    SendStatus(m_env.pipelines, text);
}

void CCreation::Value(const char* pipe, int value) const {
    SendValue(m_env.pipelines, pipe, value);
}

void CCreation::CallOnGui(const std::function<void()>& fn) {
    if (m_env.handoff)
        m_env.handoff->Call(fn);
    else
        fn();
}

int CCreation::ObjectCount() const {
    return m_env.objectCount ? m_env.objectCount() : 0;
}

CProjectObject* CCreation::Object(int index) const {
    if (!m_env.object || index < 0 || index >= ObjectCount()) return nullptr;
    return m_env.object(index);
}

void CCreation::SetRange(int first, int last) {
    m_first = std::max(first, 0);
    m_last = std::max(last, m_first);
}

int CCreation::ComputeTotalFrames(int first, int last) const {
    // Phase by phase, as the frame loop renders them (a phase below 0 frames renders none), so the
    // total is the number of frames that will be written.
    auto frames = [](int n) { return static_cast<long long>(std::max(n, 0)); };
    long long total = 0;
    for (int i = first; i <= last; ++i) {
        if (const CProjectObject* o = Object(i))
            total += frames(o->textFadeIn) + frames(o->showPicture) + frames(o->textFadeOut) +
                     frames(o->fade2NextPicture);
    }
    if (const CProjectObject* o = Object(last)) total -= frames(o->fade2NextPicture);
    return static_cast<int>(std::clamp<long long>(total, 0, 2000000000));
}

// ---- caches ----

std::string CCreation::GetTempDirectory() const {
    if (m_env.tempDirectory) return m_env.tempDirectory();
    std::string dir;
    if (m_env.appSettings) m_env.appSettings->GetString(kProjectSection, "TempDir", dir);
    return ResolveTempDirectory(dir, ProgramDirectory());
}

void CCreation::InitCaches() {
    std::string dir = GetTempDirectory();
    std::error_code ec;
    fs::create_directories(dir, ec);
    for (CFileCache* c : {m_pic, m_stream, m_wave}) c->SetDirectory(dir);
    m_pic->LoadIndex(kPictureCacheIndex);
    m_stream->LoadIndex(kStreamCacheIndex);
    m_wave->LoadIndex(kWaveCacheIndex);
    m_streamCacheOn = AppInt(kTrovSection, "EnableVideoStreamCache", 0) == 1;
}

void CCreation::CheckTempDirectoryAtStart(bool batchMode) {
    if (batchMode || AppInt(kTrovSection, "EnablePermanentCache", 0) == 1) return;
    std::string dir = m_pic->GetDirectory();
    if (dir.empty()) dir = GetTempDirectory();
    std::vector<fs::path> files;
    std::error_code ec;
    bool onlyIndexes = true;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        files.push_back(entry.path());
        std::string name = entry.path().filename().string();
        // The index files alone are what a clean temporary directory holds.
        if (name != kPictureCacheIndex && name != kStreamCacheIndex && name != kWaveCacheIndex)
            onlyIndexes = false;
    }
    if (files.empty() || onlyIndexes) return;
    PromptAnswer a = Prompt().Ask(
        "There are files in your current temp directory. Do you want to delete these files?\r\n\r\n(Temp "
        "directory: " +
            dir + ")",
        "TROV Start - Delete temp files!", PromptButtons::YesNoCancel, PromptAnswer::No);
    if (a != PromptAnswer::Yes) return;
    for (const auto& f : files) fs::remove(f, ec);
    // The indexes named files that are gone now.
    for (CFileCache* c : {m_pic, m_stream, m_wave}) c->Clear(false);
}

void CCreation::SaveCaches() {
    m_pic->SaveIndex(kPictureCacheIndex);
    m_stream->SaveIndex(kStreamCacheIndex);
    m_wave->SaveIndex(kWaveCacheIndex);
}

void CCreation::ResetCaches() {
    bool permanent = AppInt(kTrovSection, "EnablePermanentCache", 0) == 1;
    for (CFileCache* c : {m_pic, m_stream, m_wave}) c->Clear(!permanent);
}

void CCreation::ClearCache() {
    std::string dir;
    if (m_env.projectSettings) m_env.projectSettings->GetString(kProjectSection, "TempDir", dir);
    // The project's own TempDir is a project path: a relative one belongs to the project's folder.
    dir = dir.empty() ? GetTempDirectory() : ResolveProjectPath(NativePath(dir));
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.is_regular_file(ec)) files.push_back(entry.path());
    PromptAnswer a = Prompt().Ask(
        "Do you want to delete all files from the temp directory?\r\n\r\n(Temp directory: " + dir + ")",
        "TROV - Delete temp files!", PromptButtons::YesNoCancel, PromptAnswer::No);
    if (a == PromptAnswer::Yes)
        for (const auto& f : files) fs::remove(f, ec);
    Status("Cache cleared!");
    ResetCaches();
}

// ---- picture preparation and consistency check ----

std::unique_ptr<CDibPicture> CCreation::PreparePicture(int index, int width, int height, bool formatOnly) {
    CProjectObject* obj = Object(index);
    if (!obj) return nullptr;
    return m_prep.PreparePicture(*obj, width, height, m_creating.load() && !formatOnly);
}

void CCreation::RotateObjects(const std::vector<CProjectObject*>& objects, int degrees) {
    for (CProjectObject* o : objects) {
        if (!o || o->IsAVI()) continue;
        int r = (o->rotation + degrees) % 360;
        if (r < 0) r += 360;
        o->rotation = r;
    }
}

ConsistencyFindings CCreation::CheckConsistency() {
    std::vector<const CProjectObject*> entries;
    for (int i = 0, n = ObjectCount(); i < n; ++i) entries.push_back(Object(i));
    ConsistencyCheckSettings settings;
    settings.decode = AppInt(kTrovSection, "ConsistencyCheck", 1) == 1;
    settings.movieWidth = ProjectInt("Movie-Size-X", 640);
    settings.movieHeight = ProjectInt("Movie-Size-Y", 480);
    settings.quality = AppInt(kTrovSection, "Quality", 0);
    settings.cancelled = [this] { return IsCreationCanceled(); };
    return trov::CheckConsistency(entries, settings, m_prep, m_env.pipelines);
}

// ---- preparation and output ----

bool CCreation::PrepareCreation(const SettingsStep& settingsStep) {
    m_prepared = false;
    int count = ObjectCount();
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const CProjectObject* obj = Object(i);
        const std::string name = obj ? obj->fading2NextPictureName : std::string();
        if (obj && m_env.effects && m_env.effects->Find(name)) continue;
        std::string msg = Format("Error at picture position %d:\r\n", i) +
                          Text("CanNotFindFadingEffect", "Can not find specified fading effect:") + " " +
                          name + "\r\n\r\n";
        if (!name.empty())
            msg += Text(
                "MaybeUpdateTROVOrUseDLL",
                "This error means, that you have selected one fading, that is not installed to TROV. Please "
                "update your project or update TROV or add the DLL with the plug-in for the fading you have "
                "selected!");
        else
            msg += Text(
                "AddAFadingEffect",
                "Please set a fading effect to this picture! If you don\xC2\xB4t want a fading effect to the "
                "next picture, please also add a fading effect to the picture; then set the frames fading to "
                "next picture to 0.");
        Prompt().Message(msg, "TROV");
        return false;
    }
    if (m_env.projectSettings) {
        double q = 0;
        if (!m_env.projectSettings->GetDouble(kProjectSection, "PictureMove_Quality", q) || q < 1) {
            m_env.projectSettings->SetString(kProjectSection, "PictureMove_Quality", "2");
            m_env.projectSettings->SetString(kProjectSection, "PictureMove_ScaleLimit", "2");
        }
    }
    m_preview = AppInt(kTrovSection, "ShowPreview", 0) == 1;
    std::string out = m_outputOverride;
    if (out.empty() && m_env.projectSettings)
        m_env.projectSettings->GetString(kProjectSection, "Output-AVI", out);
    m_outputPath = out.empty() ? std::string() : ResolveProjectPath(NativePath(out));
    if (m_outputPath.empty()) {
        Prompt().Message("Error: No output file is set (\"Output-AVI\").", "TROV");
        return false;
    }
    int first = 0, last = count - 1;
    // Within StartCreation the flag was cleared before the check, and a cancel since then stands.
    if (!m_inStart) m_cancel = false;
    if (!settingsStep || !settingsStep(*this, first, last) || !m_output->IsWriting() || !m_outputStream ||
        IsCreationCanceled()) {
        DiscardOutput();
        return false;
    }
    SetRange(std::clamp(first, 0, count - 1), std::clamp(last, 0, count - 1));
    m_prepared = true;
    return true;
}

std::string CCreation::TemporaryOutputName(const std::string& outputPath) {
    const fs::path p(outputPath);
    std::string name(1, '.');
    name += p.stem().string();
    name += ".trov-";
    name += std::to_string(::getpid());
    name += p.extension().string();
    return (p.parent_path() / name).string();
}

namespace {

// Temporary outputs of runs that died (their process is gone) for the same movie.
void RemoveDeadTemporaryOutputs(const std::string& outputPath) {
    const fs::path p(outputPath);
    std::string prefix(1, '.');
    prefix += p.stem().string();
    prefix += ".trov-";
    const std::string ext = p.extension().string();
    std::error_code ec;
    const fs::path dir = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + ext.size() || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
            continue;
        const std::string pid = name.substr(prefix.size(), name.size() - prefix.size() - ext.size());
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        if (::kill(static_cast<pid_t>(std::stol(pid)), 0) == 0 || errno != ESRCH) continue;
        std::error_code removeError;
        fs::remove(it->path(), removeError);
    }
}

}  // namespace

bool CCreation::CommitOutput() {
    if (m_outputTemp.empty()) return true;
    std::error_code ec;
    fs::rename(m_outputTemp, m_outputPath, ec);
    if (ec) {
        FailWrite("Error: Can not rename " + m_outputTemp + " to " + m_outputPath + ": " + ec.message());
        fs::remove(m_outputTemp, ec);
    }
    m_outputTemp.clear();
    return !m_writeFailed;
}

void CCreation::DiscardOutput() {
    if (m_output->IsOpen()) m_output->Close();
    m_outputStream = nullptr;
    if (m_outputTemp.empty()) return;
    std::error_code ec;
    fs::remove(m_outputTemp, ec);
    m_outputTemp.clear();
}

bool CCreation::CreateNewAVI(const std::string& fileName, const CompressionOptions* options,
                             bool isCachePart) {
    CAVIContainer& avi = isCachePart ? m_parts.PartFile() : *m_output;
    WriteLog("CTROVManager::CreateNewAVI: Trying to create AVI! FileName: " + fileName);
    // Settings that cannot be written are refused before any file, old or new, is touched.
    int w = ProjectInt("Movie-Size-X", 640), h = ProjectInt("Movie-Size-Y", 480);
    double fps = ProjectDouble("FramesPerSeconds", 25.0);
    if (std::string problem = MovieFormatProblem(w, h, fps); !problem.empty()) {
        problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
        Status("Error: " + problem + ".");
        WriteLog("CTROVManager::CreateNewAVI: Error: " + problem);
        return false;
    }
    // The movie is written under a temporary name beside it and takes the user's name only when it
    // is complete; the previous movie stays until then.
    std::string target = fileName;
    if (!isCachePart) {
        DiscardOutput();
        RemoveDeadTemporaryOutputs(fileName);
        target = TemporaryOutputName(fileName);
    }
    if (!avi.CreateFile(target)) {
        Status("Error: Can not create AVI: " + fileName);
        WriteLog("CTROVManager::CreateNewAVI: Error: Can not create AVI: " + fileName);
        return false;
    }
    if (!isCachePart) m_outputTemp = target;
    WriteLog("CTROVManager::CreateNewAVI: AVI created!");
    auto fail = [&](const std::string& why) {
        WriteLog("CTROVManager::CreateNewAVI: Error! Can not create Compressed Stream From Existing Stream!");
        if (!why.empty()) Status(why);
        avi.Close();
        std::error_code ec;
        fs::remove(target, ec);
        if (!isCachePart) m_outputTemp.clear();
        return false;
    };
    BitmapInfoHeader header{};
    header.biSize = 40;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<uint32_t>(CPicture::StrideFor(w)) * static_cast<uint32_t>(h);
    WriteLog("CTROVManager::CreateNewAVI: Create New Video Stream...");
    auto stream = avi.CreateVideoStream(header, 1.0, fps);
    if (!stream || !stream->CreateCompressedStream(header, options)) return fail("");
    CAVIStream* raw = stream.get();
    if (avi.AddStream(std::move(stream)) < 0) return fail("");
    if (isCachePart) {
        m_parts.SetRecording(raw);
    } else {
        // The dialog may have set up another file than the preparation read ("Browse").
        m_outputPath = fileName;
        m_outputStream = raw;
        m_options = raw->GetOptions();
    }
    WriteLog("CTROVManager::CreateNewAVI: AVI ready for creation!");
    return true;
}

bool CCreation::StartCreation(const SettingsStep& settingsStep) {
    if (ObjectCount() == 0) return false;
    if (m_creating.load()) {
        AskCancel();
        return false;
    }
    // From here on a cancel (Ctrl+C during the check, the preparation ...) ends the run.
    m_cancel = false;
    m_inStart = true;
    struct InStart {
        bool& flag;
        ~InStart() { flag = false; }
    } inStart{m_inStart};
    auto cancelled = [this] {
        if (!IsCreationCanceled()) return false;
        Status("Creation canceled!");
        return true;
    };
    m_lastFindings = CheckConsistency();
    if (cancelled()) return false;
    if (!m_lastFindings.Empty()) {
        Prompt().Message(m_lastFindings.Message(), "TROV");
        // The reader's own cause, which the message's advice cannot give.
        for (const ConsistencyFindings::Cause& c : m_lastFindings.causes)
            WriteLog("CCreation::StartCreation: " + c.path + ": " + c.cause);
        return false;
    }
    // The project as this run sees it, for as long as it runs.
    std::string copyPath;
    if (m_env.saveProjectCopy) {
        copyPath = (fs::path(GetTempDirectory()) / kCurrentProjectFile).string();
        std::error_code ec;
        fs::create_directories(GetTempDirectory(), ec);
        if (!m_env.saveProjectCopy(copyPath)) {
            WriteLog("CCreation::StartCreation: Can not write " + copyPath);
            copyPath.clear();
        }
    }
    bool prepared = false;
    if (!cancelled()) CallOnGui([&] { prepared = PrepareCreation(settingsStep); });
    if (!prepared) {
        cancelled();
    } else if (m_worker.Submit([this] { RunCreationJob(); })) {
        m_worker.WaitIdle();
    } else {
        DiscardOutput();
        prepared = false;
    }
    if (!copyPath.empty()) {
        std::error_code ec;
        fs::remove(copyPath, ec);
    }
    return prepared && m_movieWritten;
}

void CCreation::RunCreationJob() {
    try {
        CreateMovie();
        return;
    } catch (const std::exception& e) {
        ReportFatalException("CTROVManager::CreateMovie");
        m_writeError = std::string("Error: The creation stopped: ") + e.what();
    } catch (...) {
        ReportFatalException("CTROVManager::CreateMovie");
        m_writeError = "Error: The creation stopped: an unknown exception";
    }
    // What the loop left behind: no half movie under the user's name, no file held open.
    m_writeFailed = true;
    try {
        if (m_queue) m_queue->Flush();
        m_queue.reset();
        m_parts.End();
        if (m_env.effects) m_env.effects->EndAll();
    } catch (...) {
        ReportFatalException("CTROVManager::CreateMovie (clean-up)");
    }
    m_outputStream = nullptr;
    DiscardOutput();
    m_encodedLast.reset();
    m_encodedTarget = nullptr;
    m_cropSource.reset();
    m_cropResult.reset();
    m_movieWritten = false;
    m_prepared = false;
    m_timer.Stop();
    m_creating = false;
    Status(m_writeError + " (see the fatal exception report)");
}

void CCreation::AskCancel() {
    if (!m_creating.load()) return;
    if (Prompt().Ask("Do you want to cancel the creation?", "Warning!", PromptButtons::YesNoCancel,
                     PromptAnswer::No) == PromptAnswer::Yes)
        CancelCreation();
}

}  // namespace trov
