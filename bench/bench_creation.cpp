// Frames per second of a whole creation: the 12 bench photos (name order) at 1280x720, 25 fps,
// 3 s shown + 1 s "Cross Dissolve" each, no captions (1175 frames), MJPEG and H.264.
// Run from a release build; bench/creation_vs_ffmpeg.sh compares the same workload with ffmpeg.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "video/CodecSettings.h"

namespace fs = std::filesystem;

namespace {

fs::path PhotoDir() {
    if (const char* env = std::getenv("BENCH_PHOTOS")) return env;
    return fs::path(__FILE__).parent_path().parent_path().parent_path() / "shared" / "bench-photos";
}

void Creation(benchmark::State& state, const char* codec, uint32_t quality, const char* extra, int w, int h,
              bool streamCache) {
    std::vector<fs::path> photos;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(PhotoDir(), ec))
        if (e.path().extension() == ".jpg") photos.push_back(e.path());
    std::sort(photos.begin(), photos.end());
    if (photos.empty()) {
        state.SkipWithError("no bench photos (set BENCH_PHOTOS)");
        return;
    }
    fs::path work = fs::temp_directory_path() / ("trov-bench-creation-" + std::to_string(getpid()));
    fs::create_directories(work / "prog");
    std::ofstream(work / "prog" / "Settings.ini")
        << "[PROJECT_SETTINGS]\nMovie-Size-X=" << w << "\nMovie-Size-Y=" << h
        << "\nFramesPerSeconds=25\nTempDir=" << (work / "temp").string()
        << "\nOutput-AVI=" << (work / "out.avi").string()
        << "\n[TROV_SETTINGS]\nConsistencyCheck=0\nEnableVideoStreamCache=" << (streamCache ? 1 : 0) << "\n";
    trov::CodecSettingsRecord rec;
    if (!trov::MakeVideoCodecSettings(codec, quality, extra, rec)) {
        state.SkipWithError("codec not available");
        return;
    }
    int frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        trov::CTROVManager m;
        m.Initialize((work / "prog").string());
        for (size_t i = 0; i < photos.size(); ++i) {
            trov::CProjectObject o;
            o.SetFileName(photos[i].string());
            o.showPicture = 75;
            o.fade2NextPicture = i + 1 < photos.size() ? 25 : 0;
            o.fading2NextPictureName = "Cross Dissolve";
            m.AppendObject(o);
        }
        // Pictures come fresh from their files in every iteration.
        m.GetPictureCache().Clear(true);
        state.ResumeTiming();
        bool ok = m.StartCreation([&](trov::CCreation& c, int&, int&) {
            return c.CreateNewAVI(c.GetOutputPath(), &rec.video, false);
        });
        if (!ok) {
            state.SkipWithError("creation failed");
            break;
        }
        frames = m.GetCreation().GetFramesWritten();
    }
    state.counters["frames"] = frames;
    state.counters["fps"] =
        benchmark::Counter(double(frames) * double(state.iterations()), benchmark::Counter::kIsRate);
    fs::remove_all(work, ec);
}

}  // namespace

// MJPEG quality 8143 = quantiser 3; H.264 quality 6286 = CRF 23, preset medium.
BENCHMARK_CAPTURE(Creation, mjpeg_720p, "MJPG", 8143, "", 1280, 720, false)
    ->Unit(benchmark::kSecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK_CAPTURE(Creation, h264_720p, "H264", 6286, "preset=medium", 1280, 720, false)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
// The second run of an unchanged project with the video stream cache: everything is pasted.
BENCHMARK_CAPTURE(Creation, mjpeg_720p_stream_cache, "MJPG", 8143, "", 1280, 720, true)
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();

BENCHMARK_MAIN();
