// trov-gui's run: start-up in order, the event loop, shutdown.
#include "ui/qt/GuiApplication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QSplashScreen>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "cli/CreateCommand.h"
#include "creation/Creation.h"
#include "infra/CommandLine.h"
#include "infra/FatalReport.h"
#include "infra/Log.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "ui/qt/CreationRunner.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtServices.h"
#include "video/CodecSettings.h"

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

// Why Qt could not open a window here (it aborts then); empty when it can, as far as can be told
// without connecting: a platform named by QT_QPA_PLATFORM, a Wayland socket, or an X display whose
// local socket exists (a display on another host is taken on trust).
std::string DisplayProblem() {
    auto value = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    if (!value("QT_QPA_PLATFORM").empty()) return {};
    std::error_code ec;
    const std::string wayland = value("WAYLAND_DISPLAY");
    if (!wayland.empty()) {
        std::filesystem::path socket = wayland;
        if (socket.is_relative()) socket = std::filesystem::path(value("XDG_RUNTIME_DIR")) / wayland;
        if (std::filesystem::exists(socket, ec)) return {};
    }
    const std::string display = value("DISPLAY");
    if (display.empty())
        return wayland.empty() ? "no display" : "no Wayland display at " + wayland + " and no DISPLAY";
    const size_t colon = display.rfind(':');
    const std::string host = colon == std::string::npos ? std::string() : display.substr(0, colon);
    if (colon == std::string::npos || (!host.empty() && host != "unix")) return {};
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return {};
    if (std::filesystem::exists("/tmp/.X11-unix/X" + number, ec)) return {};
    return "no X display at DISPLAY=" + display;
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
    m_runner = std::make_unique<CCreationRunner>(
        *m_manager, *m_window, prompt, chooser,
        (std::filesystem::path(programDirectory) / "CodecSettings").string());
    m_runner->SetManagerView(m_managerView.get());
}

CGuiSession::~CGuiSession() {
    // A running creation ends first: it uses the window and the manager.
    m_runner.reset();
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
    if (std::string problem = DisplayProblem(); !problem.empty()) {
        // Qt would abort without a platform; say what to do instead.
        std::fprintf(stderr,
                     "trov-gui: %s (set DISPLAY, or QT_QPA_PLATFORM=offscreen for a run without one)\n",
                     problem.c_str());
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

        // 6. An unattended creation: Start Creation as soon as the window is up; the creation
        // settings dialog loads the codec settings file and confirms itself, and the window closes
        // when the creation ends (not when it was cancelled).
        CCreationRunner& runner = session.Runner();
        if (cl.batch) {
            std::string codecFile = ResolveCodecSettingsPath(createOptions.codecSettings);
            if (codecFile.empty()) {
                std::fprintf(
                    stderr,
                    "trov-gui: codec settings file not found: %s (looked in the working directory and "
                    "in %s)\n",
                    createOptions.codecSettings.c_str(), CodecSettingsDirectory().c_str());
                codecFile = createOptions.codecSettings;
            }
            if (!createOptions.outputOverride.empty())
                manager.GetProjectSettings().SetString("PROJECT_SETTINGS", "Output-AVI",
                                                       createOptions.outputOverride);
            QTimer::singleShot(0, &runner, [&runner, codecFile] { runner.StartBatch(codecFile); });
        }

        int rc = QApplication::exec();
        // A batch window closed before its creation ended counts as cancelled.
        result = cl.batch ? (runner.ExitCode() < 0 ? 130 : runner.ExitCode()) : rc;
    }  // Shutdown: the session's end saves the cache indexes and stops the threads.
    SetUserPrompt(nullptr);
    CloseLog();
    return result;
}

}  // namespace trov
