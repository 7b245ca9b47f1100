// Grabs the main window with a project loaded into PNG files: trov-gui-screenshots OUTDIR PROJECT
// [LANGUAGE...]. For each language (default English) one shot at 1280 x 800 and one at the
// window's minimum size. Runs offscreen or on any display; on a display also the whole screen.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR PROJECT [LANGUAGE...]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    std::string out = argv[1], project = std::filesystem::absolute(argv[2]).string();
    std::vector<std::string> languages;
    for (int i = 3; i < argc; ++i) languages.push_back(argv[i]);
    if (languages.empty()) languages.push_back("English");
    QDir().mkpath(QString::fromStdString(out));
    trov::test::CScriptedPrompt prompt;
    trov::test::CFakeChooser chooser;
    trov::CGuiSession session(prompt, chooser, trov::ProgramDirectory());
    trov::CMainWindow& w = session.Window();
    trov::CMainViewCommands& c = w.View().Commands();
    session.Manager().GetAppSettings().SetInt(trov::kTrovSettings, trov::appkey::kShowPreview, 1);
    c.OpenProjectFile(project);
    for (const std::string& language : languages) {
        session.Manager().GetAppSettings().SetString(trov::kLanguageSection, trov::appkey::kCurrentLanguage,
                                                     language);
        w.LoadLanguage(false);
        c.OpenProjectFile(project);
        w.View().List().SetSelectedRows({1});
        c.SelectionChanged();
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 0)
                w.resize(1280, 800);
            else
                w.resize(w.minimumSize());
            w.show();
            // Thumbnails arrive from their thread; give them time to land.
            for (int i = 0; i < 40; ++i) {
                QApplication::processEvents(QEventLoop::AllEvents, 20);
                QThread::msleep(20);
            }
            QString name = QString("%1/main-%2-%3x%4.png")
                               .arg(QString::fromStdString(out), QString::fromStdString(language))
                               .arg(w.width())
                               .arg(w.height());
            w.grab().save(name);
            std::printf("%s\n", name.toStdString().c_str());
            // On a real display (Xvfb) also the screen as the display server shows it.
            if (QGuiApplication::platformName() != "offscreen") {
                w.move(0, 0);
                QApplication::processEvents();
                QThread::msleep(200);
                QApplication::processEvents();
                QString screen = QString(name).replace("/main-", "/screen-");
                QGuiApplication::primaryScreen()->grabWindow(0).save(screen);
                std::printf("%s\n", screen.toStdString().c_str());
            }
        }
    }
    return 0;
}
