// The window's speed with large lists: opening a 2,000-entry project into the picture list and
// selecting every row; adding 200 photos from a folder while the event loop keeps running, with the
// longest stall of the loop measured by a 2 ms timer. Runs offscreen unless a platform is set.
//
//   build/release/bench/gui/bench_gui_window [--benchmark_repetitions=5]
//   TROV_BENCH_PHOTOS=/path/to/photos (default ../shared/bench-photos) supplies the photos.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "imaging/PictureTools.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

struct Session {
    Session() {
        SetProgramDirectory(home.Path().string());
        session = std::make_unique<CGuiSession>(prompt, chooser, home.Path().string());
        session->Window().show();
        QApplication::processEvents();
    }
    ~Session() {
        session.reset();
        SetProgramDirectory("");
    }
    CMainView& View() { return session->Window().View(); }
    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::unique_ptr<CGuiSession> session;
};

// A project of n entries, each its own small picture (so every entry has its own content key).
std::string WriteProject(const fs::path& folder, int n) {
    fs::create_directories(folder / "pictures");
    CPictureTools tools;
    CSettingsStore project;
    project.SetInt(kProjectSettings, projkey::kMovieSizeX, 640);
    project.SetInt(kProjectSettings, projkey::kMovieSizeY, 360);
    for (int i = 0; i < n; ++i) {
        std::string name = "pictures/p" + std::to_string(i) + ".bmp";
        auto pic = tools.CreatePicture(32, 24, MakeColour(uint8_t(i), uint8_t(i / 7), 90));
        pic->SaveFile((folder / name).string());
        CProjectObject o;
        o.SetFileName(name);
        o.showPicture = 50;
        o.fade2NextPicture = 25;
        o.fading2NextPictureName = "Cross Dissolve";
        o.pictureText = i % 3 ? "Caption " + std::to_string(i) : "";
        o.SaveToStore(project, "PICTURE_" + std::to_string(i));
    }
    std::string path = (folder / "big.ini").string();
    project.Save(path, CTextFile::kUtf16LE);
    return path;
}

void BM_Open2000EntryProjectAndSelectAll(benchmark::State& state) {
    Session s;
    std::string project = WriteProject(s.home.Path() / "project", 2000);
    CMainViewCommands& c = s.View().Commands();
    for (auto _ : state) {
        c.OpenProjectFile(project);
        c.SelectAll();
        QApplication::processEvents();
        benchmark::DoNotOptimize(s.View().Tree()->topLevelItemCount());
    }
    if (s.View().Tree()->selectionModel()->selectedRows().size() != 2000)
        state.SkipWithError("not all rows selected");
}
BENCHMARK(BM_Open2000EntryProjectAndSelectAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);

fs::path PhotoFolder() {
    if (const char* env = std::getenv("TROV_BENCH_PHOTOS")) return env;
    return test::BenchPhotosDir();
}

void BM_Add200PhotosFromAFolder(benchmark::State& state) {
    fs::path photos = PhotoFolder();
    std::vector<fs::path> sources;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(photos, ec))
        if (e.path().extension() == ".jpg") sources.push_back(e.path());
    if (sources.empty()) {
        state.SkipWithError("no photos (set TROV_BENCH_PHOTOS)");
        return;
    }
    std::sort(sources.begin(), sources.end());
    Session s;
    // 200 photos: the bench photos again and again under new names (copies, so the reads are real).
    fs::path folder = s.home.Path() / "photos";
    fs::create_directories(folder);
    for (int i = 0; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%03d.jpg", i);
        fs::copy_file(sources[static_cast<size_t>(i) % sources.size()], folder / name, ec);
    }
    s.session->Manager().GetAppSettings().SetInt(kTrovSettings, appkey::kShowPreview, 1);
    std::vector<std::string> files = CMainViewCommands::PictureDirectoryFiles(folder.string());
    double worstStall = 0, total = 0;
    for (auto _ : state) {
        s.View().Commands().OpenProjectFile("");  // no-op refusal keeps the state
        s.session->Manager().ResetProject();
        s.View().Commands().RefreshList();
        QElapsedTimer clock, sinceTick;
        qint64 longest = 0;
        QTimer tick;
        tick.setInterval(2);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        tick.start();
        sinceTick.start();
        clock.start();
        s.View().AddFilesResponsive(files);
        // The stall that ends the add counts too.
        QApplication::processEvents();
        longest = std::max(longest, sinceTick.nsecsElapsed());
        tick.stop();
        total = clock.nsecsElapsed() / 1e6;
        worstStall = std::max(worstStall, longest / 1e6);
        state.SetIterationTime(total / 1000.0);
    }
    state.counters["max_stall_ms"] = worstStall;
    state.counters["rows"] = s.View().Tree()->topLevelItemCount();
}
BENCHMARK(BM_Add200PhotosFromAFolder)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
