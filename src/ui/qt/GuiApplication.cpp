// trov-gui's run: start-up in order, the event loop, shutdown.
#include "ui/qt/GuiApplication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QSplashScreen>
#include <QThread>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "cli/CreateCommand.h"
#include "creation/Creation.h"
#include "infra/CommandLine.h"
#include "infra/FatalReport.h"
#include "infra/Log.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtServices.h"

namespace trov {

namespace {

QPixmap SplashPicture() {
    QPixmap pixmap(480, 260);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, 480, 260);
    g.setColorAt(0, QColor(20, 40, 90));
    g.setColorAt(1, QColor(90, 20, 60));
    p.fillRect(pixmap.rect(), g);
    p.setPen(Qt::white);
    QFont title = p.font();
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(0, 60, 480, 60), Qt::AlignCenter, QString::fromUtf8(kProgramVersionText));
    QFont small = p.font();
    small.setPixelSize(16);
    small.setBold(false);
    p.setFont(small);
    p.drawText(QRect(0, 130, 480, 30), Qt::AlignCenter, QStringLiteral("Pictures and clips become a movie"));
    p.end();
    return pixmap;
}

bool HasDisplay() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

CGuiSession::CGuiSession(CUserPrompt& prompt, CMainViewChooser& chooser,
                         const std::string& programDirectory) {
    m_managerView = std::make_unique<CQtManagerView>();
    m_manager = std::make_unique<CTROVManager>();
    m_manager->SetView(m_managerView.get());
    m_settingsWritten = m_manager->Initialize(programDirectory);
    // The effect registry: the built-in effects in their order, then the plug-ins.
    CCreation& creation = m_manager->GetCreation();

    m_window = std::make_unique<CMainWindow>(*m_manager, prompt, chooser);
    CMainWindow* window = m_window.get();
    QObject::connect(m_managerView.get(), &CQtManagerView::statusText, window, &CMainWindow::ShowStatus);
    QObject::connect(m_managerView.get(), &CQtManagerView::progress, window,
                     [window](bool complete, int position, const QString& text) {
                         window->View().ShowProgress(complete, position, text);
                     });
    QObject::connect(
        m_managerView.get(), &CQtManagerView::timeText, window,
        [window](bool remaining, const QString& text) { window->View().ShowTime(remaining, text); });
    creation.Environment().ensureVisible = [window](int index) {
        PostToGuiThread([window, index] {
            if (QTreeWidgetItem* item = window->View().Tree()->topLevelItem(index))
                window->View().Tree()->scrollToItem(item);
        });
    };
    m_window->InitializeTexts();
    m_window->View().FillEffectList();
    m_window->LoadLanguage(false);
    m_report = std::make_unique<CFatalReportDialog>(m_window.get());
    m_report->Install();
}

CGuiSession::~CGuiSession() {
    GetFatalReport().SetSink({});
    m_manager->SetView(nullptr);
    m_report.reset();
    m_window.reset();
    m_manager->SaveCaches();
}

int RunGui(int argc, char** argv) {
    // 1. The command line.
    SCommandLine cl = SCommandLine::Parse(argc, argv);
    if (cl.help) {
        std::fputs(CommandLineUsage("trov-gui").c_str(), stdout);
        return 0;
    }
    if (cl.version) {
        std::printf("%s\n", kProgramVersionText);
        return 0;
    }
    if (!HasDisplay()) {
        // Qt would abort without a platform; say what to do instead.
        std::fprintf(
            stderr,
            "trov-gui: no display (set DISPLAY, or QT_QPA_PLATFORM=offscreen for a run without one)\n");
        return 1;
    }
    std::vector<std::string> rest;
    CreateOptions createOptions = ParseCreateOptions(cl.ignored, rest);
    createOptions.codecSettings = cl.codecSettingsPath;
    for (const std::string& arg : rest)
        std::fprintf(stderr, "trov-gui: ignoring the argument \"%s\"\n", arg.c_str());
    if (cl.debug) StartDebugLog();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("trov-gui"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(kProgramVersionText));
    QApplication::setDesktopFileName(QStringLiteral("trovamatic"));

    // 2. The splash screen.
    QSplashScreen splash(SplashPicture());
    splash.show();
    QElapsedTimer shown;
    shown.start();
    QApplication::processEvents();

    // 3. The manager: pipelines, settings, caches; the effect registry with the plug-ins.
    CQtPrompt prompt;
    CQtChooser chooser;
    // An unattended run never waits for an answer: its questions go to stderr with their defaults.
    if (!cl.batch) SetUserPrompt(&prompt);
    int result = 0;
    {
        CGuiSession session(prompt, chooser, ProgramDirectory());
        CTROVManager& manager = session.Manager();
        CMainWindow& window = session.Window();
        prompt.SetParent(&window);
        chooser.SetParent(&window);
        bool settingsWritten = session.SettingsWritten();

        int showTime = 1000;
        std::string showText;
        if (manager.GetAppSettings().GetString(kTrovSettings, appkey::kSplashScreenShowTime, showText))
            showTime = std::clamp(CSettingsStore::ParseInt(showText), 0, 10000);
        while (shown.elapsed() < showTime) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        }
        splash.finish(&window);

        // 5. Files left in the temporary directory; the project of the command line.
        manager.CheckTempDirectoryAtStart(cl.batch);
        if (!settingsWritten) window.ShowStatus(Q("Can not write " + manager.GetSettingsPath()));
        if (!cl.projectPath.empty()) window.View().Commands().OpenProjectFile(cl.projectPath);
        window.SetStartupComplete();
        window.show();

        // 6. An unattended creation runs on a thread of its own; the window shows its progress.
        int exitCode = 0;
        std::thread batchThread;
        if (cl.batch) {
            window.SetBatchMode(true);
            window.View().SetStartCreationHandler([&prompt, &manager] {
                if (prompt.Ask("Do you want to cancel the creation?", "Warning!", PromptButtons::YesNoCancel,
                               PromptAnswer::No) == PromptAnswer::Yes)
                    manager.CancelCreation();
            });
            window.View().SetCreationRunning(true);
            window.menuBar()->setEnabled(false);
            batchThread = std::thread([&] {
                int rc = RunUnattendedCreation(manager, createOptions, "trov-gui");
                PostToGuiThread([&window, &exitCode, rc] {
                    exitCode = rc;
                    window.View().SetCreationRunning(false);
                    window.menuBar()->setEnabled(true);
                    // A written movie ends the run; anything else leaves the window open with its status.
                    if (rc == 0) window.CloseWithoutQuestion();
                });
            });
        }

        int rc = QApplication::exec();
        if (batchThread.joinable()) {
            manager.CancelCreation();
            batchThread.join();
        }
        result = cl.batch ? exitCode : rc;
    }  // Shutdown: the session's end saves the cache indexes and stops the threads.
    SetUserPrompt(nullptr);
    CloseLog();
    return result;
}

}  // namespace trov
