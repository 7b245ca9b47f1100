// Creating from the window against the command line: the 12 bench photos at 1280 x 720 with MJPEG,
// created through Start Creation (the dialog confirmed at once) while a 1 ms timer measures the
// longest stall of the window's event loop, then by `trov -PROJECT -CREATE` on the same project.
// Runs alternate, medians are reported. Runs offscreen unless a platform is set.
// Besides the loop's stall (wall time between two timer ticks, which includes the time the
// scheduler gives the GUI thread to other threads on a loaded machine) it reports the longest
// single event the GUI thread handled (wall and the thread's own CPU time), the GUI thread's CPU
// time over the run, the process's CPU time against trov's, and the load average.
//
//   build/release/bench/gui/bench_gui_creation [runs, default 3]
//   TROV_BENCH_PHOTOS=/path/to/photos (default ../shared/bench-photos) supplies the photos.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
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
#include "ui/qt/QtServices.h"
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
    // The shared folder sits beside the repository, or two levels up from a worktree.
    std::error_code ec;
    for (const char* up : {"..", "../.."}) {
        fs::path p = fs::path(TROV_SOURCE_DIR_VALUE) / up / "shared" / "bench-photos";
        if (fs::is_directory(p, ec)) return p;
    }
    return fs::path(TROV_SOURCE_DIR_VALUE) / ".." / "shared" / "bench-photos";
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

std::string Load() {
    std::ifstream f("/proc/loadavg");
    std::string one;
    f >> one;
    return one;
}

// Times every event the GUI thread handles from `since` on: the longest in wall time and in the
// thread's own CPU time.
class CTimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (!measuring) return QApplication::notify(receiver, event);
        QElapsedTimer wall;
        wall.start();
        const double cpu = ThreadCpuMs();
        const bool result = QApplication::notify(receiver, event);
        longestWall = std::max(longestWall, double(wall.nsecsElapsed()) / 1e6);
        longestCpu = std::max(longestCpu, ThreadCpuMs() - cpu);
        return result;
    }
    void Restart() {
        longestWall = longestCpu = 0;
        measuring = true;
    }
    bool measuring = false;
    double longestWall = 0, longestCpu = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    CTimedApplication app(argc, argv);
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
    std::vector<double> guiWall, cliWall, stalls, eventWall, eventCpu, guiThreadCpu, guiCpu, cliCpu;
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
                    app.Restart();
                }
            });
            // The program's own loop: it sleeps until an event comes (processEvents with a time
            // limit would poll without sleeping and take a core from the creation).
            QEventLoop waiting;
            QObject::connect(&session.Runner(), &CCreationRunner::creationFinished, &waiting,
                             [&](int) { waiting.quit(); });
            const double threadCpu0 = ThreadCpuMs(), cpu0 = CpuSeconds(RUSAGE_SELF);
            loop.start();
            wall.start();
            tick.start();
            session.Runner().StartOrCancel();
            if (session.Runner().IsRunning()) waiting.exec();
            guiWall.push_back(wall.elapsed() / 1000.0);
            app.measuring = false;
            stalls.push_back(double(longest));
            eventWall.push_back(app.longestWall);
            eventCpu.push_back(app.longestCpu);
            guiThreadCpu.push_back((ThreadCpuMs() - threadCpu0) / 1000.0);
            guiCpu.push_back(CpuSeconds(RUSAGE_SELF) - cpu0);
            std::printf("  window: %d preview frames shown of %d, %d view hand-overs\n",
                        session.Runner().PreviewSink().ShownFrames(),
                        session.Runner().PreviewSink().OfferedFrames(), session.ManagerView().Flushes());
            frames = m.GetCreation().GetFramesWritten();
            if (session.Runner().ExitCode() != 0) std::fprintf(stderr, "window run failed\n");
        }
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TROV_HOME", QString::fromStdString(home.Path().string()));
        cli.setProcessEnvironment(env);
        QElapsedTimer wall;
        const double childCpu0 = CpuSeconds(RUSAGE_CHILDREN);
        wall.start();
        cli.start(TROV_CLI_BINARY, {"-PROJECT", QString::fromStdString(home / "project.ini"), "-CREATE",
                                    QString::fromStdString(home / "cs/CS_0.ini"), "--output",
                                    QString::fromStdString(home / "cli.avi")});
        cli.waitForFinished(-1);
        cliWall.push_back(wall.elapsed() / 1000.0);
        cliCpu.push_back(CpuSeconds(RUSAGE_CHILDREN) - childCpu0);
        if (cli.exitCode() != 0) std::fprintf(stderr, "trov failed (exit code %d)\n", cli.exitCode());
        std::printf(
            "run %d (load %s): window %.2f s wall, %.2f s CPU (GUI thread %.2f s); longest stall %.0f ms, "
            "longest event %.1f ms wall / %.1f ms CPU; trov %.2f s wall, %.2f s CPU\n",
            run + 1, Load().c_str(), guiWall.back(), guiCpu.back(), guiThreadCpu.back(), stalls.back(),
            eventWall.back(), eventCpu.back(), cliWall.back(), cliCpu.back());
        std::fflush(stdout);
    }
    std::printf(
        "%zu photos, 1280x720 MJPEG, %d frames, %d runs (medians): window %.2f s wall / %.2f s CPU, trov "
        "%.2f s "
        "wall / %.2f s CPU (window %+.1f %% wall, %+.1f %% CPU); GUI thread %.2f s CPU; longest event-loop "
        "stall %.0f ms (worst %.0f ms); longest event %.1f ms wall, %.1f ms CPU\n",
        photos.size(), frames, runs, Median(guiWall), Median(guiCpu), Median(cliWall), Median(cliCpu),
        100.0 * (Median(guiWall) / Median(cliWall) - 1.0), 100.0 * (Median(guiCpu) / Median(cliCpu) - 1.0),
        Median(guiThreadCpu), Median(stalls), *std::max_element(stalls.begin(), stalls.end()),
        Median(eventWall), Median(eventCpu));
    SetProgramDirectory("");
    return 0;
}
