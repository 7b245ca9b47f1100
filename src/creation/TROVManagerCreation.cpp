// The manager's creation side: the creation driver on this manager's data, the cache commands and
// "Make complete Project".
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "infra/ProgramDirectory.h"
#include "project/ProjectPaths.h"
#include "video/CodecSettings.h"
#include "video/MovieFormat.h"
#include "video/VideoCodecs.h"

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
        env.tempDirectory = [this] { return GetTempDirectory(); };
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

bool CTROVManager::MakeCompleteProject(const std::string& folderText, std::string& error,
                                       const std::string& codecSettingsFile, std::string* note) {
    if (note) note->clear();
    if (folderText.empty()) {
        error = "no folder given";
        return false;
    }
    std::error_code ec;
    fs::path folder = fs::absolute(folderText, ec).lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();
    fs::create_directories(folder / "audio", ec);
    fs::create_directories(folder / "pictures", ec);
    if (!fs::is_directory(folder / "pictures") || !fs::is_directory(folder / "audio")) {
        error = "cannot create " + (folder / "pictures").string();
        return false;
    }
    SetProjectDirectory();
    MakePathsAbsolute();
    std::vector<std::string> notCopied;
    // A file that cannot be copied is named, and the entry points at the target all the same, so
    // that putting the file there later completes the folder.
    auto copyInto = [&](const std::string& stored, const char* sub) {
        std::string src = ResolveProjectPath(NativePath(stored));
        SendStatus("Creating complete project: Copying " + src + "...");
        fs::path target = FreeTarget(folder / sub, FileNamePart(src));
        std::error_code copyError;
        if (!fs::copy_file(src, target, copyError) || copyError) {
            std::string why = copyError ? copyError.message() : std::string("not copied");
            SendStatus("Error: Can not copy " + src + " (" + why + ")");
            notCopied.push_back(src + " (" + why + ")");
        }
        return target.string();
    };
    int count = GetObjectCount();
    SendValue(pipeline::kCurrentProgressComplete, 0);
    SendValue(pipeline::kMaxProgressComplete, count);
    for (int i = 0; i < count; ++i) {
        CProjectObject* o = GetObject(i);
        if (!o->IsColorFade() && !o->GetFileName().empty())
            o->SetFileName(copyInto(o->GetFileName(), "pictures"), &m_pipelines);
        if (!o->audioFile.empty() && o->audioFile != kAudioCoverageEndedMarker)
            o->audioFile = copyInto(o->audioFile, "audio");
        SendValue(pipeline::kCurrentProgressComplete, i + 1);
    }
    std::string output;
    m_projectSettings.GetString("PROJECT_SETTINGS", "Output-AVI", output);
    std::string outputName = output.empty() ? std::string("Output.avi") : FileNamePart(NativePath(output));
    m_projectSettings.SetString("PROJECT_SETTINGS", "Output-AVI", (folder / outputName).string());
    // The old machine's temporary directory means nothing where the folder is taken.
    m_projectSettings.SetString("PROJECT_SETTINGS", "TempDir", "Temp");

    std::string projectName =
        GetProjectPath().empty() ? std::string("slideshow.ini") : FileNamePart(GetProjectPath());
    std::string projectPath = (folder / projectName).string();
    // The paths are made relative to the new file before its only save, so the folder holds no
    // backup of a first, absolute version.
    const std::string oldProjectPath = GetProjectPath();
    m_projectImage.SetFileName(projectPath);
    MakePathsRelative();
    if (!SaveProject(projectPath)) {
        m_projectImage.SetFileName(oldProjectPath);
        error = "cannot save " + projectPath;
        return false;
    }

    // The codec settings the folder is rendered with.
    const fs::path codecTarget = folder / "cs_0.ini";
    bool haveCodec = false;
    if (!codecSettingsFile.empty()) {
        std::error_code copyError;
        haveCodec =
            fs::copy_file(codecSettingsFile, codecTarget, fs::copy_options::overwrite_existing, copyError);
        if (!haveCodec) notCopied.push_back(codecSettingsFile + " (" + copyError.message() + ")");
    } else if (m_creation && m_creation->GetCompressionOptions().fccHandler != 0) {
        CodecSettingsRecord record;
        record.hasVideo = true;
        record.video = m_creation->GetCompressionOptions();
        record.videoDescription = GetVideoCodecName(&record.video);
        const fs::path scratch = folder / ".cs_0.saving";
        std::string name = SaveCodecSettings(record, scratch.string());
        std::error_code moveError;
        if (!name.empty()) fs::rename(scratch / name, codecTarget, moveError);
        haveCodec = !name.empty() && !moveError;
        fs::remove_all(scratch, moveError);
    }
    if (!haveCodec && note)
        *note = "No codec settings are in use, so " + codecTarget.string() +
                " was not written: copy a codec settings file there (those of the program are in " +
                CodecSettingsDirectory() + ") before running make.sh.";

    std::string programDir = ExecutableDirectory();
    if (programDir.empty()) programDir = GetProgramDirectory();
    fs::path script = folder / "make.sh";
    {
        std::ofstream out(script, std::ios::binary | std::ios::trunc);
        out << "#!/bin/sh\n"
               "# TROV Slide Show Creation Batch-File\n"
               "#\n"
               "# If you want to create your slide show automatically, you can use this batch-file.\n"
               "# Don\xC2\xB4t forget to have a look at the codec-settings-file. Maybe you want to change "
               "it.\n"
               "#\n"
               "# -project filename                   -> filename of your slide show project\n"
               "# -create codec-settings-filename     -> filename of your codec settings\n"
               "#\n"
               "cd \"$(dirname \"$0\")\" || exit 1\n"
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
    if (!notCopied.empty()) {
        error = "these files could not be copied into " + folder.string() + ":";
        for (const std::string& f : notCopied) error += "\n  " + f;
        return false;
    }
    return true;
}

// ---- the output file ----

std::string CTROVManager::GetOutputPath(const std::string& override) {
    SetProjectDirectory();
    std::string out = override;
    if (out.empty()) m_projectSettings.GetString("PROJECT_SETTINGS", "Output-AVI", out);
    if (out.empty()) return {};
    return fs::path(ResolveProjectPath(NativePath(out))).lexically_normal().string();
}

namespace {

// The same file: one path names it through a symbolic link, or a hard link shares it.
bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec) && !ec) return true;
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

std::string CTROVManager::OutputProblem(const std::string& path,
                                        const std::vector<std::string>& alsoProtected) {
    if (path.empty()) return "no output file is set (\"Output-AVI\")";
    std::error_code ec;
    const fs::path target(path);
    if (fs::is_directory(target, ec)) return "the output " + path + " is a folder, not a file";
    const fs::path parent = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (!fs::is_directory(parent, ec))
        return "the folder " + parent.string() + " of the output does not exist";
    if (::access(parent.c_str(), W_OK | X_OK) != 0)
        return "the folder " + parent.string() + " of the output cannot be written (" + std::strerror(errno) +
               ")";
    SetProjectDirectory();
    auto clash = [&](const std::string& stored, const std::string& what) -> std::string {
        if (stored.empty()) return {};
        if (!SameFile(target, ResolveProjectPath(NativePath(stored)))) return {};
        return "the output " + path + " is " + what + "; the movie would replace it";
    };
    if (std::string p = clash(GetProjectPath(), "the project file"); !p.empty()) return p;
    for (int i = 0; i < GetObjectCount(); ++i) {
        const CProjectObject* o = GetObject(i);
        const std::string entry = "entry " + std::to_string(i);
        if (!o->IsColorFade()) {
            std::string p =
                clash(o->GetFileName(), (o->IsAVI() ? "the clip of " : "the picture of ") + entry);
            if (!p.empty()) return p;
        }
        if (o->audioFile != kAudioCoverageEndedMarker)
            if (std::string p = clash(o->audioFile, "the audio file of " + entry); !p.empty()) return p;
    }
    for (const std::string& f : alsoProtected)
        if (std::string p = clash(f, "an input of this run (" + f + ")"); !p.empty()) return p;
    return {};
}

std::string CTROVManager::MovieFormatProblem() const {
    int w = 640, h = 480;
    double fps = 25.0;
    m_projectSettings.GetInt("PROJECT_SETTINGS", "Movie-Size-X", w);
    m_projectSettings.GetInt("PROJECT_SETTINGS", "Movie-Size-Y", h);
    m_projectSettings.GetDouble("PROJECT_SETTINGS", "FramesPerSeconds", fps);
    return trov::MovieFormatProblem(w, h, fps);
}

}  // namespace trov
