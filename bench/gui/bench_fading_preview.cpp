// The full set of fading-effects previews (every registered effect, 160 x 120, 50 frames, MJPEG)
// on one thread and on one per core. Run with --benchmark_repetitions to get a median; compare
// the real time with the CPU time and the load (uptime) of the machine at the time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <thread>

#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "ui/FadingPreviewMaker.h"
#include "video/VideoCodecs.h"

namespace {

void BM_FullPreviewSet(benchmark::State& state) {
    using namespace trov;
    CFadingEffectManager effects;
    RegisterBuiltinEffects(effects);
    const auto folder = std::filesystem::temp_directory_path() / "trov-bench-fading-preview";
    CompressionOptions mjpeg;
    if (!MakeCompressionOptions("MJPG", 7500, "", mjpeg)) {
        state.SkipWithError("no MJPEG encoder");
        return;
    }
    auto a = MakeRampPictureA(), b = MakeRampPictureB();
    CFadingPreviewMaker maker(effects, folder.string(), nullptr);
    const int threads = state.range(0) == 0 ? static_cast<int>(std::thread::hardware_concurrency()) : 1;
    maker.SetThreadCount(threads);
    int written = 0;
    for (auto _ : state) {
        CFadingPreviewMaker::Result r = maker.Create(*a, *b, mjpeg);
        written = r.written;
        if (!r.Ok()) state.SkipWithError("a preview failed");
    }
    state.counters["effects"] = written;
    state.counters["threads"] = threads;
    std::filesystem::remove_all(folder);
}
// 1: one thread; 0: one per core.
BENCHMARK(BM_FullPreviewSet)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kSecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
