// The command-line front end of the manager.
#include "cli/TrovCommand.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "audio/AudioFormats.h"
#include "cli/CreateCommand.h"
#include "creation/Creation.h"
#include "effects/FadingEffect.h"
#include "effects/FadingEffectManager.h"
#include "infra/FatalReport.h"
#include "infra/Log.h"
#include "infra/ProgramDirectory.h"
#include "infra/UserPrompt.h"
#include "video/ContainerCodecs.h"
#include "video/VideoCodecs.h"

namespace trov {

namespace {
std::mutex g_terminalMutex;
}

CTerminalView::CTerminalView() : m_tty(isatty(STDERR_FILENO) == 1) {}

CTerminalView::~CTerminalView() {
    Finish();
}

namespace {
// Status texts sent for every frame: in a log file they would bury everything else.
bool IsPerFrameText(const std::string& text) {
    return text.rfind("Writing frame ", 0) == 0 || text.rfind("Cropping picture ", 0) == 0;
}
}  // namespace

void CTerminalView::OnStatusText(const std::string& text) {
    std::lock_guard lock(g_terminalMutex);
    m_status = text;
    if (m_tty) {
        std::fprintf(stderr, "\r\033[K[%s | %s | %s elapsed, %s left] %s", m_current.c_str(),
                     m_complete.c_str(), m_elapsed.c_str(), m_remaining.c_str(), m_status.c_str());
        m_lineOpen = true;
    } else if (!IsPerFrameText(text)) {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::fflush(stderr);
}

void CTerminalView::OnProgress(bool complete, int, const std::string& percentText) {
    std::lock_guard lock(g_terminalMutex);
    (complete ? m_complete : m_current) = percentText;
    if (!m_tty) {
        // Plain output gets one progress line per tenth of the whole.
        if (!complete) return;
        const int percent = std::atoi(percentText.c_str());
        if (percent < m_lastTenth * 10) m_lastTenth = 0;  // a new run
        if (percent / 10 <= m_lastTenth) return;
        m_lastTenth = percent / 10;
        std::fprintf(stderr, "Progress: %s, %s elapsed, %s left\n", percentText.c_str(), m_elapsed.c_str(),
                     m_remaining.c_str());
        std::fflush(stderr);
        return;
    }
    std::fprintf(stderr, "\r\033[K[%s | %s | %s elapsed, %s left] %s", m_current.c_str(), m_complete.c_str(),
                 m_elapsed.c_str(), m_remaining.c_str(), m_status.c_str());
    m_lineOpen = true;
    std::fflush(stderr);
}

void CTerminalView::OnTimeText(bool remaining, const std::string& text) {
    std::lock_guard lock(g_terminalMutex);
    (remaining ? m_remaining : m_elapsed) = text;
}

void CTerminalView::Finish() {
    std::lock_guard lock(g_terminalMutex);
    if (m_lineOpen) std::fprintf(stderr, "\n");
    m_lineOpen = false;
}

std::string ListCodecsText() {
    std::string text;
    const std::vector<SAudioFormatTag>& audio = GetAudioFormatTags();
    for (const SOutputContainer& c : OutputContainers()) {
        text += c.name + " (" + c.extension + ")\n";
        for (const VideoEncoderInfo& v : AvailableVideoEncoders()) {
            if (!ContainerHoldsVideo(c.muxer, v.fourCC)) continue;
            std::string code = v.fourCCText;
            while (!code.empty() && code.back() == ' ') code.pop_back();
            char line[160];
            std::snprintf(line, sizeof line, "  video  %-5s %s\n", code.c_str(), v.description.c_str());
            text += line;
        }
        for (const SAudioFormatTag& a : audio)
            if (ContainerHoldsAudio(c.muxer, a.tag)) text += "  audio  " + a.name + "\n";
    }
    return text;
}

int RunTrov(const SCommandLine& cl, const std::string& programName) {
    if (cl.help) {
        std::fputs(CommandLineUsage(programName).c_str(), stdout);
        return 0;
    }
    if (cl.version) {
        std::printf("%s\n", kProgramVersionText);
        return 0;
    }
    if (cl.debug) StartDebugLog();
    // Fatal reports of guarded operations go to stderr as they come.
    GetFatalReport().SetSink([](const std::string&, const std::string& section) {
        std::fprintf(stderr, "Fatal Exception occured!\n\nSection: %s\n", section.c_str());
    });

    CTerminalView view;
    CTROVManager manager;
    manager.SetView(&view);
    if (!manager.Initialize(ProgramDirectory())) {
        view.Finish();
        std::fprintf(stderr, "%s: cannot write %s; running with the settings in memory\n",
                     programName.c_str(), manager.GetSettingsPath().c_str());
    }

    int rc = 0;
    if (!cl.projectPath.empty()) {
        bool loaded = manager.LoadProject(cl.projectPath);
        view.Finish();
        if (!loaded) {
            std::fprintf(stderr, "%s: Error: Can not load Project: %s\n", programName.c_str(),
                         cl.projectPath.c_str());
            rc = 1;
        } else {
            std::printf("Project: %s\n", manager.GetProjectPath().c_str());
            std::printf("Entries: %d\n", manager.GetObjectCount());
            for (int i = 0; i < manager.GetObjectCount(); ++i) {
                const CProjectObject* o = manager.GetObject(i);
                std::printf("%4d  %5d frames  %s%s%s\n", i, o->GetTotalFrames(), o->GetFileName().c_str(),
                            o->pictureText.empty() ? "" : "  \"",
                            o->pictureText.empty() ? "" : (o->pictureText + "\"").c_str());
            }
            std::printf("Play length: %s\n", manager.GetPlayLength().c_str());
        }
    }
    std::vector<std::string> rest;
    CreateOptions createOptions = ParseCreateOptions(cl.ignored, rest);
    createOptions.codecSettings = cl.codecSettingsPath;
    bool listEffects = false, listCodecs = false;
    for (const std::string& arg : rest) {
        if (arg == "--list-effects")
            listEffects = true;
        else if (arg == "--list-codecs")
            listCodecs = true;
        else
            std::fprintf(stderr, "%s: ignoring the unknown argument \"%s\" (see --help)\n",
                         programName.c_str(), arg.c_str());
    }
    if (listEffects) {
        const std::vector<CFadingEffect*> effects = manager.GetCreation().GetEffects().InRegistrationOrder();
        for (size_t i = 0; i < effects.size(); ++i)
            std::printf("%4zu  %s\n", i + 1, effects[i]->GetName().c_str());
    }
    if (listCodecs) std::fputs(ListCodecsText().c_str(), stdout);
    if (rc == 0 && !createOptions.makeCompleteProject.empty()) {
        rc = RunMakeCompleteProject(manager, createOptions.makeCompleteProject, programName);
        view.Finish();
    }
    if (rc == 0 && cl.batch) {
        rc = RunUnattendedCreation(manager, createOptions, programName);
        view.Finish();
    }
    if (cl.projectPath.empty() && !cl.batch && !cl.debug && !listEffects && !listCodecs) {
        std::fputs(CommandLineUsage(programName).c_str(), stdout);
    }
    manager.SetView(nullptr);
    manager.SaveCaches();
    CloseLog();
    return rc;
}

}  // namespace trov
