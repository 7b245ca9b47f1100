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

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The phase a status text begins, by the texts the core sends when it starts a kind of work.
// Texts the check and the creation both send (resizing, caching) start no phase.
const char* PhaseOf(const std::string& text) {
    if (StartsWith(text, "Checking consistency of ")) return "Checking consistency ...";
    if (StartsWith(text, "Writing frame ")) return "Creating the movie ...";
    if (StartsWith(text, "Creating Audio Stream: ") || StartsWith(text, "Peak search: ") ||
        StartsWith(text, "Caching and normalizing "))
        return "Creating the audio track ...";
    if (StartsWith(text, "Creating complete project: ")) return "Creating complete project ...";
    return nullptr;
}

// The clock a view uses when given none.
std::chrono::steady_clock::time_point SteadyNow() {
    return std::chrono::steady_clock::now();
}

// The terminal line is redrawn at most this often; more only costs time and bytes.
constexpr std::chrono::milliseconds kRedrawInterval{100};

}  // namespace

StatusKind ClassifyStatus(const std::string& text) {
    if (StartsWith(text, "Error") || text.find("Error:") != std::string::npos ||
        StartsWith(text, "Warning") || text.find("Warning:") != std::string::npos)
        return StatusKind::Problem;
    static const char* const milestones[] = {
        "Project loaded: ",   "Project saved: ",          "Output-AVI sucessfully written: ",
        "Creation canceled!", "Complete project created", "Cache cleared!",
        "Sucessfully add "};
    for (const char* m : milestones)
        if (StartsWith(text, m)) return StatusKind::Milestone;
    return PhaseOf(text) ? StatusKind::Phase : StatusKind::Detail;
}

std::string PhaseLine(const std::string& text) {
    const char* phase = PhaseOf(text);
    return phase ? phase : "";
}

CTerminalView::CTerminalView(Verbosity verbosity)
    : CTerminalView(stderr, isatty(STDERR_FILENO) == 1, verbosity) {}

CTerminalView::CTerminalView(std::FILE* out, bool terminal, Verbosity verbosity, Clock clock)
    : m_out(out),
      m_tty(terminal),
      m_verbosity(verbosity),
      m_clock(clock ? std::move(clock) : Clock(SteadyNow)) {}

CTerminalView::~CTerminalView() {
    Finish();
}

void CTerminalView::PrintLine(const std::string& text) {
    // Repeats of one text (a status sent again for every file) say nothing new.
    if (text == m_lastLine) return;
    m_lastLine = text;
    if (m_lineOpen) std::fputs("\r\033[K", m_out);
    std::fprintf(m_out, "%s\n", text.c_str());
    m_lineOpen = false;
    // The progress line comes back below the printed one.
    if (m_tty && m_verbosity != Verbosity::Quiet) m_pending = true;
}

void CTerminalView::Redraw(bool force) {
    if (!m_tty || m_verbosity == Verbosity::Quiet) return;
    const auto now = m_clock();
    if (!force && m_lineOpen && now - m_lastDraw < kRedrawInterval) {
        m_pending = true;
        return;
    }
    std::fprintf(m_out, "\r\033[K[%s | %s | %s elapsed, %s left] %s", m_current.c_str(), m_complete.c_str(),
                 m_elapsed.c_str(), m_remaining.c_str(), m_status.c_str());
    m_lineOpen = true;
    m_pending = false;
    m_lastDraw = now;
    ++m_redraws;
}

void CTerminalView::OnStatusText(const std::string& text) {
    std::lock_guard lock(m_mutex);
    const StatusKind kind = ClassifyStatus(text);
    bool shown = false;
    if (kind == StatusKind::Problem || m_verbosity == Verbosity::Verbose) {
        PrintLine(text);
        shown = true;
    } else if (m_verbosity == Verbosity::Normal) {
        if (kind == StatusKind::Milestone) {
            PrintLine(text);
            shown = true;
        } else if (kind == StatusKind::Phase && PhaseLine(text) != m_phase) {
            m_phase = PhaseLine(text);
            PrintLine(m_phase);
            shown = true;
        }
    }
    if (kind == StatusKind::Milestone) m_phase.clear();  // what follows a result is a new phase
    m_status = text;
    Redraw(shown);
    std::fflush(m_out);
}

void CTerminalView::OnProgress(bool complete, int, const std::string& percentText) {
    std::lock_guard lock(m_mutex);
    (complete ? m_complete : m_current) = percentText;
    if (m_verbosity == Verbosity::Quiet) return;
    if (!m_tty) {
        // Plain output gets one progress line per tenth of the whole.
        if (!complete) return;
        const int percent = std::atoi(percentText.c_str());
        if (percent < m_lastTenth * 10) m_lastTenth = 0;  // a new run
        if (percent / 10 <= m_lastTenth) return;
        m_lastTenth = percent / 10;
        std::fprintf(m_out, "Progress: %s, %s elapsed, %s left\n", percentText.c_str(), m_elapsed.c_str(),
                     m_remaining.c_str());
        std::fflush(m_out);
        return;
    }
    Redraw(false);
    std::fflush(m_out);
}

void CTerminalView::OnTimeText(bool remaining, const std::string& text) {
    std::lock_guard lock(m_mutex);
    (remaining ? m_remaining : m_elapsed) = text;
}

void CTerminalView::Finish() {
    std::lock_guard lock(m_mutex);
    if (m_pending && m_lineOpen) Redraw(true);
    if (m_lineOpen) std::fprintf(m_out, "\n");
    m_lineOpen = false;
    m_pending = false;
    std::fflush(m_out);
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

    std::vector<std::string> rest;
    CreateOptions createOptions = ParseCreateOptions(cl.ignored, rest);
    createOptions.codecSettings = cl.codecSettingsPath;
    Verbosity verbosity = Verbosity::Normal;
    bool listEffects = false, listCodecs = false;
    std::vector<std::string> unknown;
    for (const std::string& arg : rest) {
        if (arg == "--list-effects")
            listEffects = true;
        else if (arg == "--list-codecs")
            listCodecs = true;
        else if (arg == "--quiet" || arg == "-q")
            verbosity = Verbosity::Quiet;
        else if (arg == "--verbose" || arg == "-v")
            verbosity = Verbosity::Verbose;
        else
            unknown.push_back(arg);
    }
    for (const std::string& arg : unknown)
        std::fprintf(stderr, "%s: ignoring the unknown argument \"%s\" (see --help)\n", programName.c_str(),
                     arg.c_str());

    CTerminalView view(verbosity);
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
        for (const std::string& note : manager.GetLoadNotes())
            std::fprintf(stderr, "%s: %s\n", programName.c_str(), note.c_str());
        if (!loaded) {
            // The manager's status "Error: Can not load Project: ..." was shown; once is enough.
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
    if (listEffects) {
        const std::vector<CFadingEffect*> effects = manager.GetCreation().GetEffects().InRegistrationOrder();
        for (size_t i = 0; i < effects.size(); ++i)
            std::printf("%4zu  %s\n", i + 1, effects[i]->GetName().c_str());
    }
    if (listCodecs) std::fputs(ListCodecsText().c_str(), stdout);
    if (rc == 0 && !createOptions.makeCompleteProject.empty()) {
        rc = RunMakeCompleteProject(manager, createOptions.makeCompleteProject, programName,
                                    createOptions.codecSettings);
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
