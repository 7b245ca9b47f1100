// The command-line front end: switch handling, the terminal view of the manager, the run.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "creation/TROVManager.h"
#include "infra/CommandLine.h"

namespace trov {

// How much the command line tells while it works: --quiet only problems, --verbose every status text.
enum class Verbosity { Quiet, Normal, Verbose };

// What a status text is to the command line.
enum class StatusKind {
    Problem,    // "Error...", warnings: always shown, on a line of their own
    Milestone,  // a result: project loaded, movie written, creation cancelled ...
    Phase,      // the first text of a new phase of the work (checking, creating frames, audio ...)
    Detail,     // everything per file, per frame or per effect
};
StatusKind ClassifyStatus(const std::string& text);
// The line shown for a phase text ("Checking consistency ...", "Creating the movie ..."); the
// phase's name is what decides whether a text begins a new phase. Empty for other texts.
std::string PhaseLine(const std::string& text);

// Shows status texts and progress. On a terminal: one self-overwriting line, redrawn at most ten
// times a second, with problems, milestones and phase changes on lines of their own. Otherwise:
// problems, milestones, one line per phase and one progress line per tenth, nothing per frame.
// Thread-safe (the creation reports from its worker threads).
class CTerminalView : public CTROVManagerView {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // On stderr, as a terminal when stderr is one.
    explicit CTerminalView(Verbosity verbosity = Verbosity::Normal);
    // On `out` (not owned); the clock is steady_clock::now when empty.
    CTerminalView(std::FILE* out, bool terminal, Verbosity verbosity, Clock clock = {});
    ~CTerminalView() override;
    void OnStatusText(const std::string& text) override;
    void OnProgress(bool complete, int position, const std::string& percentText) override;
    // Elapsed and remaining time of a creation, shown on the progress line.
    void OnTimeText(bool remaining, const std::string& text) override;
    // Shows the last state and ends the self-overwriting line (before other output).
    void Finish();
    // Number of times the terminal line was drawn.
    int GetRedrawCount() const { return m_redraws; }

private:
    void Redraw(bool force);
    void PrintLine(const std::string& text);

    std::FILE* m_out;
    bool m_tty;
    Verbosity m_verbosity;
    Clock m_clock;
    std::mutex m_mutex;
    bool m_lineOpen = false;
    bool m_pending = false;  // the terminal line changed since it was drawn
    int m_redraws = 0;
    std::chrono::steady_clock::time_point m_lastDraw{};
    int m_lastTenth = 0;  // plain output: the last tenth of the progress shown
    std::string m_phase;  // the phase line shown last
    std::string m_lastLine;
    std::string m_status;
    std::string m_current = "0 %";
    std::string m_complete = "0 %";
    std::string m_elapsed = "00:00:00";
    std::string m_remaining = "00:00:00";
};

// What --list-codecs prints: per container, the video codecs and audio formats this build can
// write into it.
std::string ListCodecsText();

// Runs the program for a parsed command line; returns the process exit code.
int RunTrov(const SCommandLine& commandLine, const std::string& programName);

}  // namespace trov
