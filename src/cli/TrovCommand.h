// The command-line front end: switch handling, the terminal view of the manager, the run.
#pragma once

#include <string>

#include "creation/TROVManager.h"
#include "infra/CommandLine.h"

namespace trov {

// Shows status texts and progress on the terminal: on a terminal one self-overwriting line,
// otherwise status lines only.
class CTerminalView : public CTROVManagerView {
public:
    CTerminalView();
    ~CTerminalView() override;
    void OnStatusText(const std::string& text) override;
    void OnProgress(bool complete, int position, const std::string& percentText) override;
    // Elapsed and remaining time of a creation, shown on the progress line.
    void OnTimeText(bool remaining, const std::string& text) override;
    // Ends the self-overwriting line (before other output).
    void Finish();

private:
    bool m_tty;
    bool m_lineOpen = false;
    int m_lastTenth = 0;  // plain output: the last tenth of the progress shown
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
