// Frames per second of every registered effect at 1280 x 720 on one thread (transitions of 50
// frames; the preparation of each transition is included, spread over its frames). The label says
// whether a multi-pass family computes the effect. Run from a release build:
//   bench_effects --benchmark_filter='Cross Dissolve'
// bench/effect_table.sh turns a run into a table with the targets of both kinds.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "effects/Catalogue.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "imaging/PictureTools.h"

namespace {

using namespace trov;

constexpr int kWidth = 1280, kHeight = 720, kFrames = 50;

std::unique_ptr<CDibPicture> Photo(const char* file, int seed) {
    const char* dir = std::getenv("TROV_BENCH_PHOTOS");
    const std::string path = std::string(dir ? dir : "/work/shared/bench-photos") + "/" + file;
    CPictureTools tools;
    if (std::filesystem::exists(path))
        if (auto picture = tools.LoadPicture(path, true))
            return tools.Resize(picture.get(), kWidth, kHeight, false);
    // No photos: a busy integer pattern of the same size.
    auto picture = std::make_unique<CDibPicture>();
    picture->Create(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = picture->GetRow(y);
        for (int i = 0; i < 3 * kWidth; ++i) row[i] = uint8_t((i * seed + y * 7) ^ (i >> 3));
    }
    return picture;
}

struct Fixture {
    Fixture() {
        // One core: the scalers some effects call would otherwise split rows across threads.
        CPictureTools::SetThreadCount(1);
        RegisterBuiltinEffects(manager);
        a = Photo("01_Bridge_by_Sander_Klootwijk.jpg", 3);
        b = Photo("12_sunset_by_Aitzol_Berasategi.jpg", 5);
    }
    CFadingEffectManager manager;
    std::unique_ptr<CDibPicture> a, b;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

bool IsMultiPass(const std::string& name) {
    for (const test::CatalogueEntry& entry : test::Catalogue())
        if (name == entry.name) return entry.multiPass;
    return false;
}

void RunEffect(benchmark::State& state, const std::string& name) {
    Fixture& fixture = Shared();
    CFadingEffect* effect = fixture.manager.Find(name);
    if (!effect) {
        state.SkipWithError("effect not registered");
        return;
    }
    std::srand(1);
    effect->Init(fixture.a.get(), fixture.b.get(), kFrames);
    for (auto _ : state) {
        CDibPicture* frame = effect->NextFrame();
        if (!frame) {
            effect->Init(fixture.a.get(), fixture.b.get(), kFrames);
            frame = effect->NextFrame();
        }
        benchmark::DoNotOptimize(frame);
    }
    effect->End();
    state.SetLabel(IsMultiPass(name) ? "multi-pass" : "single-pass");
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

const bool kRegistered = [] {
    for (CFadingEffect* effect : Shared().manager.InRegistrationOrder()) {
        const std::string name = effect->GetName();
        benchmark::RegisterBenchmark(name.c_str(),
                                     [name](benchmark::State& state) { RunEffect(state, name); })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.3);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
