// Creating from the window against the command line: the 12 bench photos at 1280 x 720 with MJPEG,
// created through Start Creation (the dialog confirmed at once) while a 1 ms timer measures the
// longest stall of the window's event loop, then by `trov -PROJECT -CREATE` on the same project.
// Runs alternate, medians are reported. Runs offscreen unless a platform is set.
//
//   build/release/bench/gui/bench_gui_creation [runs, default 3]
//   TROV_BENCH_PHOTOS=/path/to/photos (default ../shared/bench-photos) supplies the photos.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "creation/Creation.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/CreationRunner.h"
#include "ui/qt/CreationSettingsDialog.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainWindow.h"
#include "video/CodecSettings.h"
#include "video/VideoCodecs.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

fs::path Photos() {
    if (const char* p = std::getenv("TROV_BENCH_PHOTOS")) return p;
    return fs::path(TROV_SOURCE_DIR_VALUE) / ".." / "shared" / "bench-photos";
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<std::string> photos;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(Photos(), ec))
        if (e.path().extension() == ".jpg") photos.push_back(e.path().string());
    std::sort(photos.begin(), photos.end());
    if (photos.empty()) {
        std::fprintf(stderr, "no photos in %s\n", Photos().c_str());
        return 1;
    }
    test::TempDir home;
    SetProgramDirectory(home.Path().string());
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    CompressionOptions mjpeg;
    MakeCompressionOptions("MJPG", 7500, "", mjpeg);
    std::vector<double> guiWall, cliWall, stalls;
    int frames = 0;
    for (int run = 0; run < runs; ++run) {
        {
            CGuiSession session(prompt, chooser, home.Path().string());
            CTROVManager& m = session.Manager();
            m.GetAppSettings().SetInt(kTrovSettings, appkey::kShowPreview, 1);
            m.AddFiles(photos);
            for (int i = 0; i < m.GetObjectCount(); ++i)
                m.GetObject(i)->fading2NextPictureName = "Cross Dissolve";
            CSettingsStore& p = m.GetProjectSettings();
            p.SetInt("PROJECT_SETTINGS", "Movie-Size-X", 1280);
            p.SetInt("PROJECT_SETTINGS", "Movie-Size-Y", 720);
            p.SetString("PROJECT_SETTINGS", "Output-AVI", home / "gui.avi");
            session.Window().show();
            QApplication::processEvents();
            if (run == 0) {
                m.SaveProject(home / "project.ini");
                CodecSettingsRecord record;
                MakeVideoCodecSettings("MJPG", 7500, "", record);
                fs::create_directories(home.Path() / "cs");
                SaveCodecSettings(record, (home.Path() / "cs").string());
            }
            QElapsedTimer loop, wall;
            qint64 last = 0, longest = 0;
            QTimer tick;
            tick.setInterval(1);
            QObject::connect(&tick, &QTimer::timeout, [&] {
                qint64 now = loop.elapsed();
                longest = std::max(longest, now - last);
                last = now;
                if (auto* d = qobject_cast<CCreationSettingsDialog*>(QApplication::activeModalWidget())) {
                    d->Model().SetUpVideoCodec(mjpeg);
                    d->Button("StartCreation")->click();
                    // The dialog's own time is not the creation's.
                    last = loop.elapsed();
                    longest = 0;
                }
            });
            bool done = false;
            QObject::connect(&session.Runner(), &CCreationRunner::creationFinished,
                             [&](int) { done = true; });
            loop.start();
            wall.start();
            tick.start();
            session.Runner().StartOrCancel();
            while (!done)
                QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
            guiWall.push_back(wall.elapsed() / 1000.0);
            stalls.push_back(double(longest));
            frames = m.GetCreation().GetFramesWritten();
            if (session.Runner().ExitCode() != 0) std::fprintf(stderr, "window run failed\n");
        }
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TROV_HOME", QString::fromStdString(home.Path().string()));
        cli.setProcessEnvironment(env);
        QElapsedTimer wall;
        wall.start();
        cli.start(TROV_CLI_BINARY, {"-PROJECT", QString::fromStdString(home / "project.ini"), "-CREATE",
                                    QString::fromStdString(home / "cs/CS_0.ini"), "--output",
                                    QString::fromStdString(home / "cli.avi")});
        cli.waitForFinished(-1);
        cliWall.push_back(wall.elapsed() / 1000.0);
        if (cli.exitCode() != 0) std::fprintf(stderr, "trov failed (exit code %d)\n", cli.exitCode());
        std::printf("run %d: window %.2f s (longest stall %.0f ms), trov %.2f s\n", run + 1, guiWall.back(),
                    stalls.back(), cliWall.back());
    }
    std::printf(
        "%zu photos, 1280x720 MJPEG, %d frames, %d runs: window %.2f s, trov %.2f s (%+.1f %%), "
        "longest event-loop stall (median of runs) %.0f ms, worst %.0f ms\n",
        photos.size(), frames, runs, Median(guiWall), Median(cliWall),
        100.0 * (Median(guiWall) / Median(cliWall) - 1.0), Median(stalls),
        *std::max_element(stalls.begin(), stalls.end()));
    SetProgramDirectory("");
    return 0;
}
