// trov-gui's run: start-up in order, the event loop, shutdown.
#pragma once

#include <memory>
#include <string>

#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "ui/MainViewCommands.h"

namespace trov {

class CMainWindow;
class CQtManagerView;
class CFatalReportDialog;
class CCreationRunner;

// The manager and its window, started in order: settings, caches and effects, then the window
// with its texts, effect list and language, and the fatal-exception report. The program and the
// window tests both start through it. Needs a QApplication.
class CGuiSession {
public:
    CGuiSession(CUserPrompt& prompt, CMainViewChooser& chooser, const std::string& programDirectory);
    // The caches save their indexes.
    ~CGuiSession();
    CTROVManager& Manager() { return *m_manager; }
    CMainWindow& Window() { return *m_window; }
    CFatalReportDialog& Report() { return *m_report; }
    // "Start Creation" and the batch run.
    CCreationRunner& Runner() { return *m_runner; }
    // What the manager shows (status, progress bars, time boxes).
    CQtManagerView& ManagerView() { return *m_managerView; }
    // False when "Settings.ini" could not be written.
    bool SettingsWritten() const { return m_settingsWritten; }

private:
    std::unique_ptr<CQtManagerView> m_managerView;
    std::unique_ptr<CTROVManager> m_manager;
    std::unique_ptr<CMainWindow> m_window;
    std::unique_ptr<CFatalReportDialog> m_report;
    std::unique_ptr<CCreationRunner> m_runner;
    bool m_settingsWritten = false;
};

// Start-up: command line; splash screen; the manager (settings, effects, caches, language);
// the offer to clear the temporary directory; the project of -PROJECT; the window. With -CREATE
// the creation runs by itself and the window closes when the movie is written. Shutdown: the
// caches save their indexes, the threads stop, the log closes. Returns the exit code.
int RunGui(int argc, char** argv);

}  // namespace trov
