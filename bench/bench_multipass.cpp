// Frames per second of the multi-pass effects at 1280 x 720 on real photos (synthetic pictures
// when the photos are missing), and the literal blur scatter for comparison with the fast blur.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "effects/builtin/BlurFadeEffect.h"
#include "effects/builtin/FastBlur.h"
#include "effects/builtin/PageFlipEffect.h"
#include "effects/builtin/PageRollEffect.h"
#include "effects/builtin/RaindropsEffect.h"
#include "effects/builtin/RandomCircleEffect.h"
#include "effects/builtin/RandomDotsEffect.h"
#include "effects/builtin/RandomMovingDotsEffect.h"
#include "effects/builtin/UnderwaterEffect.h"
#include "imaging/PictureTools.h"

namespace {

using namespace trov;

constexpr int kW = 1280, kH = 720;

std::unique_ptr<CDibPicture> Synthetic(int seed) {
    auto p = std::make_unique<CDibPicture>();
    p->Create(kW, kH);
    for (int y = 0; y < kH; ++y) {
        uint8_t* row = p->GetRow(y);
        for (int x = 0; x < 3 * kW; ++x) row[x] = static_cast<uint8_t>((x * 7 + y * 3 + seed * 50) & 0xFF);
    }
    return p;
}

std::unique_ptr<CDibPicture> Photo(const char* file, int seed) {
    const char* dir = std::getenv("TROV_BENCH_PHOTOS");
    const std::string path = std::string(dir ? dir : "/work/shared/bench-photos") + "/" + file;
    CPictureTools tools;
    auto loaded = tools.LoadPicture(path, true);
    if (!loaded) return Synthetic(seed);
    auto resized = tools.Resize(loaded.get(), kW, kH, false);
    return resized ? std::move(resized) : Synthetic(seed);
}

const CDibPicture& PictureA() {
    static auto a = Photo("01_Bridge_by_Sander_Klootwijk.jpg", 1);
    return *a;
}
const CDibPicture& PictureB() {
    static auto b = Photo("04_Dragonfly_by_Bolly.jpg", 2);
    return *b;
}

// Runs whole transitions of n frames (Init included) and reports frames per second.
void RunTransitions(benchmark::State& state, const std::function<CFadingEffect*()>& make, int n) {
    std::srand(1);
    std::unique_ptr<CFadingEffect> fx(make());
    int64_t frames = 0;
    for (auto _ : state) {
        fx->Init(&PictureA(), &PictureB(), n);
        for (int k = 0; k < n; ++k) benchmark::DoNotOptimize(fx->NextFrame());
        fx->End();
        frames += n;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

// One frame in the middle of a transition (the blur fades' cost per frame hardly varies with k).
void RunMiddleFrame(benchmark::State& state, const std::function<CFadingEffect*()>& make, int n) {
    std::unique_ptr<CFadingEffect> fx(make());
    fx->Init(&PictureA(), &PictureB(), n);
    int64_t frames = 0;
    for (auto _ : state) {
        fx->SetCurrentFrame(n / 2);
        benchmark::DoNotOptimize(fx->NextFrame());
        ++frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void BM_BlurFade(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    RunMiddleFrame(
        state, [type] { return new CBlurFadeEffect(type); }, 50);
}
BENCHMARK(BM_BlurFade)->DenseRange(1, 5)->Unit(benchmark::kMillisecond);

// One blur of the picture (a blur fade frame needs two).
void BM_FastBlur(benchmark::State& state) {
    const auto kind = static_cast<EBlurKernel>(state.range(0));
    const double r = static_cast<double>(state.range(1));
    const CDibPicture& a = PictureA();
    std::vector<uint8_t> out(size_t(a.GetImageSize()));
    CFastBlur blur;
    for (auto _ : state) blur.Blur({a.GetBits(), kW, kH, a.GetStride()}, out.data(), kind, r);
}
BENCHMARK(BM_FastBlur)
    ->Args({1, 213})
    ->Args({2, 120})
    ->Args({3, 166})
    ->Args({5, 12})
    ->Args({5, 25})
    ->Unit(benchmark::kMillisecond);

// The literal scatter, on one picture, for the ratio. A line of radius R and the disc of 25.
void BM_ScatterBlur(benchmark::State& state) {
    const auto kind = static_cast<EBlurKernel>(state.range(0));
    const double r = static_cast<double>(state.range(1));
    const CDibPicture& a = PictureA();
    std::vector<uint8_t> out(size_t(a.GetImageSize()));
    for (auto _ : state) ScatterBlur({a.GetBits(), kW, kH, a.GetStride()}, out.data(), kind, r);
}
BENCHMARK(BM_ScatterBlur)->Args({1, 213})->Args({5, 25})->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RandomDots(benchmark::State& state) {
    RunTransitions(
        state, [] { return new CRandomDotsEffect(); }, 50);
}
BENCHMARK(BM_RandomDots)->Unit(benchmark::kMillisecond);

void BM_RandomMovingDots(benchmark::State& state) {
    RunTransitions(
        state, [] { return new CRandomMovingDotsEffect(); }, 50);
}
BENCHMARK(BM_RandomMovingDots)->Unit(benchmark::kMillisecond);

void BM_RandomCircle(benchmark::State& state) {
    RunTransitions(
        state, [] { return new CRandomCircleEffect(); }, 50);
}
BENCHMARK(BM_RandomCircle)->Unit(benchmark::kMillisecond);

void BM_Underwater(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    RunTransitions(
        state, [type] { return new CUnderwaterEffect(type); }, 25);
}
BENCHMARK(BM_Underwater)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

void BM_Raindrops(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    RunTransitions(
        state, [type] { return new CRaindropsEffect(type); }, 100);
}
BENCHMARK(BM_Raindrops)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_PageRoll(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    RunTransitions(
        state, [type] { return new CPageRollEffect(type); }, 50);
}
BENCHMARK(BM_PageRoll)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_PageFlip(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    RunTransitions(
        state, [type] { return new CPageFlipEffect(type); }, 50);
}
BENCHMARK(BM_PageFlip)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
