// The manager's creation side: the creation driver on this manager's data, the cache commands and
// "Make complete Project".
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "infra/ProgramDirectory.h"
#include "project/ProjectPaths.h"

namespace trov {

namespace fs = std::filesystem;

void CTROVManager::CreationDeleter::operator()(CCreation* creation) const {
    delete creation;
}

CCreation& CTROVManager::GetCreation() {
    if (!m_creation) {
        CreationEnvironment env;
        env.objectCount = [this] { return GetObjectCount(); };
        env.object = [this](int i) { return GetObject(i); };
        env.projectSettings = &m_projectSettings;
        env.appSettings = &m_appSettings;
        env.languageTexts = &m_texts;
        env.pipelines = &m_pipelines;
        env.pictureCache = &m_pictureCache;
        env.streamCache = &m_streamCache;
        env.waveCache = &m_waveCache;
        env.streamCacheEnabled = m_videoStreamCache;
        env.saveProjectCopy = [this](const std::string& path) { return SaveProjectCopy(path); };
        m_creation.reset(new CCreation(std::move(env)));
    }
    return *m_creation;
}

bool CTROVManager::StartCreation(const CreationSettingsStep& settingsStep) {
    SetProjectDirectory();
    return GetCreation().StartCreation(settingsStep);
}

void CTROVManager::CancelCreation() {
    GetCreation().CancelCreation();
}

bool CTROVManager::IsCreationCanceled() const {
    return m_creation && m_creation->IsCreationCanceled();
}

ConsistencyFindings CTROVManager::CheckConsistency() {
    SetProjectDirectory();
    return GetCreation().CheckConsistency();
}

void CTROVManager::CheckTempDirectoryAtStart(bool batchMode) {
    GetCreation().CheckTempDirectoryAtStart(batchMode);
}

void CTROVManager::ClearCache() {
    GetCreation().ClearCache();
}

std::unique_ptr<CDibPicture> CTROVManager::PreparePicture(int index, int width, int height) {
    return GetCreation().PreparePicture(index, width, height);
}

void CTROVManager::RotateSelected(const std::vector<int>& indexes, int degrees) {
    std::vector<CProjectObject*> objects;
    for (int i : indexes)
        if (CProjectObject* o = GetObject(i)) objects.push_back(o);
    CCreation::RotateObjects(objects, degrees);
    RefreshProject();
}

namespace {

// folder/name, or name(1).ext, name(2).ext ... when taken.
fs::path FreeTarget(const fs::path& folder, const std::string& fileName) {
    fs::path target = folder / fileName;
    std::error_code ec;
    if (!fs::exists(target, ec)) return target;
    fs::path p(fileName);
    std::string stem = p.stem().string(), ext = p.extension().string();
    for (int n = 1;; ++n) {
        target = folder / (stem + "(" + std::to_string(n) + ")" + ext);
        if (!fs::exists(target, ec)) return target;
    }
}

}  // namespace

bool CTROVManager::MakeCompleteProject(const std::string& folderText, std::string& error) {
    if (folderText.empty()) {
        error = "no folder given";
        return false;
    }
    std::error_code ec;
    fs::path folder = fs::absolute(folderText, ec);
    fs::create_directories(folder / "audio", ec);
    fs::create_directories(folder / "pictures", ec);
    if (!fs::is_directory(folder / "pictures") || !fs::is_directory(folder / "audio")) {
        error = "cannot create " + (folder / "pictures").string();
        return false;
    }
    SetProjectDirectory();
    MakePathsAbsolute();
    int count = GetObjectCount();
    SendValue(pipeline::kCurrentProgressComplete, 0);
    SendValue(pipeline::kMaxProgressComplete, count);
    for (int i = 0; i < count; ++i) {
        CProjectObject* o = GetObject(i);
        if (!o->IsColorFade() && !o->GetFileName().empty()) {
            std::string src = ResolveProjectPath(NativePath(o->GetFileName()));
            SendStatus("Creating complete project: Copying " + src + "...");
            fs::path target = FreeTarget(folder / "pictures", FileNamePart(src));
            fs::copy_file(src, target, ec);
            o->SetFileName(target.string(), &m_pipelines);
        }
        if (!o->audioFile.empty() && o->audioFile != kAudioCoverageEndedMarker) {
            std::string src = ResolveProjectPath(NativePath(o->audioFile));
            SendStatus("Creating complete project: Copying " + src + "...");
            fs::path target = FreeTarget(folder / "audio", FileNamePart(src));
            fs::copy_file(src, target, ec);
            o->audioFile = target.string();
        }
        SendValue(pipeline::kCurrentProgressComplete, i + 1);
    }
    std::string output;
    m_projectSettings.GetString("PROJECT_SETTINGS", "Output-AVI", output);
    std::string outputName = output.empty() ? std::string("Output.avi") : FileNamePart(NativePath(output));
    m_projectSettings.SetString("PROJECT_SETTINGS", "Output-AVI", (folder / outputName).string());

    std::string projectName =
        GetProjectPath().empty() ? std::string("slideshow.ini") : FileNamePart(GetProjectPath());
    std::string projectPath = (folder / projectName).string();
    if (!SaveProject(projectPath)) {
        error = "cannot save " + projectPath;
        return false;
    }
    MakePathsRelative();
    if (!SaveProject(projectPath)) {
        error = "cannot save " + projectPath;
        return false;
    }

    std::string programDir = ExecutableDirectory();
    if (programDir.empty()) programDir = GetProgramDirectory();
    fs::path script = folder / "make.sh";
    {
        std::ofstream out(script, std::ios::binary | std::ios::trunc);
        out << "#!/bin/sh\n"
               "# TROV Slide Show Creation Batch-File\n"
               "#\n"
               "# If you want to create your slide show automatically, you can use this batch-file.\n"
               "# Don\xB4t forget to have a look at the codec-settings-file. Maybe you want to change it.\n"
               "#\n"
               "# -project filename                   -> filename of your slide show project\n"
               "# -create codec-settings-filename     -> filename of your codec settings\n"
               "#\n"
               "echo TROV is starting and will create your slide show...\n"
            << "\"" << programDir << "/trov\" -project \"" << projectName << "\" -create cs_0.ini\n";
        if (!out) {
            error = "cannot write " + script.string();
            return false;
        }
    }
    fs::permissions(script, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    SendStatus("Complete project created and current project updated!");
    RefreshProject();
    return true;
}

}  // namespace trov
