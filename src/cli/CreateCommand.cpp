// Unattended creation from the command line: codec settings file, SIGINT cancel, exit codes.
#include "cli/CreateCommand.h"

#include <strings.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "audio/AudioFormats.h"
#include "creation/Creation.h"
#include "settings/SettingsStore.h"
#include "video/CodecSettings.h"
#include "video/ContainerCodecs.h"
#include "video/VideoCodecs.h"

namespace trov {

namespace fs = std::filesystem;

namespace {

std::atomic<CCreation*> g_running{nullptr};
std::atomic<int> g_signals{0};

// Cancelling is one atomic store, which is safe in a signal handler. A second signal ends the
// program the hard way for a user who really wants out.
void OnSignal(int sig) {
    if (g_signals.fetch_add(1) > 0) {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    if (CCreation* c = g_running.load()) c->CancelCreation();
}

// A word for /bin/sh: quoted only when it needs to be.
std::string ShellQuoted(const std::string& word) {
    const char* plain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+";
    if (!word.empty() && word.find_first_not_of(plain) == std::string::npos) return word;
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

std::string AbsoluteOutputPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

CreateOptions ParseCreateOptions(const std::vector<std::string>& ignored, std::vector<std::string>& rest) {
    CreateOptions o;
    rest.clear();
    for (size_t i = 0; i < ignored.size(); ++i) {
        const std::string& a = ignored[i];
        bool hasValue = i + 1 < ignored.size();
        if ((a == "--output" || a == "-o") && hasValue) {
            o.outputOverride = AbsoluteOutputPath(ignored[++i]);
        } else if (a.rfind("--output=", 0) == 0) {
            o.outputOverride = AbsoluteOutputPath(a.substr(9));
        } else if (a == "--make-complete-project" && hasValue) {
            o.makeCompleteProject = ignored[++i];
        } else {
            rest.push_back(a);
        }
    }
    return o;
}

std::string ResolveCodecSettingsPath(const std::string& value) {
    if (value.empty()) return {};
    std::error_code ec;
    if (fs::is_regular_file(value, ec)) return fs::absolute(value, ec).lexically_normal().string();
    fs::path dir = CodecSettingsDirectory();
    if (fs::is_regular_file(dir / value, ec)) return (dir / value).string();
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::string name = entry.path().filename().string();
        if (strcasecmp(name.c_str(), value.c_str()) == 0 && entry.is_regular_file(ec))
            return entry.path().string();
    }
    return {};
}

int RunUnattendedCreation(CTROVManager& manager, const CreateOptions& options,
                          const std::string& programName) {
    const char* prog = programName.c_str();
    if (manager.GetObjectCount() == 0) {
        std::fprintf(stderr, "%s: nothing to create: the project has no entries\n", prog);
        return 1;
    }
    std::string csPath = ResolveCodecSettingsPath(options.codecSettings);
    if (csPath.empty()) {
        std::fprintf(stderr,
                     "%s: codec settings file not found: %s (looked in the working directory and in %s)\n",
                     prog, options.codecSettings.c_str(), CodecSettingsDirectory().c_str());
        return 2;
    }
    CodecSettingsRecord record;
    CSettingsStore store;
    if (!LoadCodecSettings(csPath, record) || !store.Load(csPath)) {
        std::fprintf(stderr, "%s: cannot read codec settings file %s\n", prog, csPath.c_str());
        return 2;
    }
    if (!record.hasVideo || !FindVideoEncoder(record.video.fccHandler)) {
        std::fprintf(
            stderr, "%s: %s names no video codec available here (%s)\n", prog, csPath.c_str(),
            record.hasVideo ? FourCCToString(record.video.fccHandler).c_str() : "no [Video] options");
        return 2;
    }
    std::string audioText;
    if (!ReadAudioCodecSettings(store, nullptr, &audioText)) {
        std::fprintf(stderr, "%s: the audio codec of %s is not available here\n", prog, csPath.c_str());
        return 2;
    }

    // What can be refused without touching any file is refused before the check and the creation.
    const std::string outputPath = manager.GetOutputPath(options.outputOverride);
    if (std::string problem = manager.OutputProblem(outputPath, {csPath}); !problem.empty()) {
        std::fprintf(stderr, "%s: no movie: %s\n", prog, problem.c_str());
        return 2;
    }
    if (std::string problem = manager.MovieFormatProblem(); !problem.empty()) {
        std::fprintf(stderr, "%s: no movie: %s\n", prog, problem.c_str());
        return 2;
    }
    // Codec/container mismatch.
    if (std::string mismatch =
            CheckOutputCombination(outputPath, record.video.fccHandler, OutputAudioFormatTag());
        !mismatch.empty()) {
        std::fprintf(stderr, "%s: %s\n", prog, mismatch.c_str());
        return 2;
    }

    CCreation& creation = manager.GetCreation();
    creation.SetOutputOverride(options.outputOverride);
    bool stepRan = false, setUp = false;
    auto step = [&](CCreation& c, int&, int&) {
        stepRan = true;
        setUp = c.CreateNewAVI(c.GetOutputPath(), &record.video, false);
        return setUp;
    };

    g_signals = 0;
    g_running = &creation;
    auto oldInt = std::signal(SIGINT, OnSignal);
    auto oldTerm = std::signal(SIGTERM, OnSignal);
    bool written = manager.StartCreation(step);
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    g_running = nullptr;
    // Under the check's message: each refused file with the reader's cause.
    for (const ConsistencyFindings::Cause& c : creation.GetLastFindings().causes)
        std::fprintf(stderr, "%s: %s: %s\n", prog, c.path.c_str(), c.cause.c_str());

    if (written) {
        std::printf("Movie written: %s (%d frames, codec %s%s%s)\n", creation.GetOutputPath().c_str(),
                    creation.GetFramesWritten(), GetVideoCodecName(&record.video).c_str(),
                    audioText.empty() || audioText == kNotSetText ? "" : ", audio ",
                    audioText == kNotSetText ? "" : audioText.c_str());
        return 0;
    }
    if (creation.IsCreationCanceled()) {
        if (setUp && creation.GetFramesWritten() > 0)
            std::fprintf(stderr, "%s: creation cancelled; %s holds the %d frames written so far\n", prog,
                         creation.GetOutputPath().c_str(), creation.GetFramesWritten());
        else
            std::fprintf(stderr, "%s: creation cancelled before a frame was written; no movie was made\n",
                         prog);
        return 130;
    }
    if (!stepRan) {
        // The check's findings or the missing effect were shown above.
        std::fprintf(stderr,
                     "%s: no movie: the project did not pass the checks before the creation (see above)\n",
                     prog);
        return 1;
    }
    if (!setUp) {
        std::fprintf(stderr, "%s: no movie: the output %s could not be set up: %s\n", prog,
                     outputPath.c_str(), manager.GetStatusText().c_str());
        return 2;
    }
    std::fprintf(stderr, "%s: the movie could not be written completely: %s\n", prog,
                 manager.GetStatusText().c_str());
    return 3;
}

int RunMakeCompleteProject(CTROVManager& manager, const std::string& folder, const std::string& programName,
                           const std::string& codecSettings) {
    std::string error, note, csPath;
    if (!codecSettings.empty()) {
        csPath = ResolveCodecSettingsPath(codecSettings);
        if (csPath.empty()) {
            std::fprintf(stderr, "%s: Make complete Project: codec settings file not found: %s\n",
                         programName.c_str(), codecSettings.c_str());
            return 2;
        }
    }
    if (!manager.MakeCompleteProject(folder, error, csPath, &note)) {
        std::fprintf(stderr, "%s: Make complete Project: %s\n", programName.c_str(), error.c_str());
        return 1;
    }
    std::error_code ec;
    const fs::path script = fs::absolute(folder, ec).lexically_normal() / "make.sh";
    if (!note.empty()) std::fprintf(stderr, "%s: %s\n", programName.c_str(), note.c_str());
    std::printf("Complete project in %s\nRender it with: %s\n", script.parent_path().c_str(),
                ShellQuoted(script.string()).c_str());
    return 0;
}

}  // namespace trov
