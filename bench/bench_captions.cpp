// Caption costs per 1280 x 720 frame on one core: a captioned frame (a moving picture, a clip or a
// panorama draws its caption on every frame) and a caption fade frame, each with the caption laid
// out for the frame ("drawn", as every frame used to) and with it prepared once per entry.
//   bench_captions --benchmark_filter=Fade
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "creation/CaptionFade.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "imaging/CaptionOverlay.h"
#include "imaging/PictureTools.h"

namespace {

using namespace trov;

constexpr int kWidth = 1280, kHeight = 720, kFadeFrames = 25;

std::unique_ptr<CDibPicture> Frame() {
    auto picture = std::make_unique<CDibPicture>();
    picture->Create(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = picture->GetRow(y);
        for (int i = 0; i < 3 * kWidth; ++i) row[i] = uint8_t((i * 3 + y * 7) ^ (i >> 3));
    }
    return picture;
}

CaptionDrawing Caption(int backWidth) {
    CaptionDrawing c;
    c.settings.text = "Summer holidays at the lake\\nwith the whole family, August 2026";
    c.settings.textColour = 0xFFFFFF;
    c.settings.backColour = 0x000000;
    c.settings.backWidth = backWidth;
    c.font = LogFont::Default();
    c.font.height = -36;
    c.position = kCaptionBottomCenter;
    return c;
}

void CaptionedFrame(benchmark::State& state, bool prepared) {
    CPictureTools::SetThreadCount(1);
    auto bare = Frame();
    CPictureTools tools;
    const CaptionDrawing c = Caption(int(state.range(0)));
    auto overlay = CCaptionOverlay::Build(kWidth, kHeight, c.settings, c.font, c.position);
    for (auto _ : state) {
        auto frame = bare->Clone();
        if (prepared)
            overlay->Composite(*frame);
        else
            tools.DrawCaption(frame.get(), &c.settings, &c.font, c.position);
        benchmark::DoNotOptimize(frame->GetBits());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("1280x720, backWidth " + std::to_string(c.settings.backWidth));
}

void BM_CaptionedFrame_Drawn(benchmark::State& state) {
    CaptionedFrame(state, false);
}
void BM_CaptionedFrame_Prepared(benchmark::State& state) {
    CaptionedFrame(state, true);
}
BENCHMARK(BM_CaptionedFrame_Drawn)->Arg(0)->Arg(2)->Arg(6)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaptionedFrame_Prepared)->Arg(0)->Arg(2)->Arg(6)->Unit(benchmark::kMicrosecond);

// One iteration is a whole fade-in of kFadeFrames frames; items are frames. "Drawn" also lays the
// caption and its mask out for the fade, as each fade did before.
void CaptionFadeFrame(benchmark::State& state, const std::string& effectName, bool prepared) {
    CPictureTools::SetThreadCount(1);
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    CFadingEffect* fx = manager.Find(effectName);
    if (!fx) {
        state.SkipWithError("effect not registered");
        return;
    }
    auto bare = Frame();
    CPictureTools tools;
    const CaptionDrawing c = Caption(2);
    auto overlay = CCaptionOverlay::Build(kWidth, kHeight, c.settings, c.font, c.position);
    auto captioned = bare->Clone();
    overlay->Composite(*captioned);
    const FrameSink sink = [](const CPicture& f) {
        benchmark::DoNotOptimize(f.GetBits());
        return true;
    };
    std::srand(1);
    for (auto _ : state) {
        if (prepared)
            RunCaptionFade(*fx, kFadeFrames, true, *bare, *captioned, overlay.get(), tools, sink);
        else {
            CDibPicture text, mask;
            text.Create(kWidth, kHeight);
            mask.Create(kWidth, kHeight);
            text.Clear();
            mask.Clear();
            tools.DrawCaption(&text, &c.settings, &c.font, c.position);
            CaptionSettings white = c.settings;
            white.textColour = white.backColour = 0xFFFFFF;
            tools.DrawCaption(&mask, &white, &c.font, c.position);
            RunCaptionFade(*fx, kFadeFrames, true, *bare, *captioned, overlay.get(), tools, sink);
        }
    }
    manager.EndAll();
    state.SetItemsProcessed(state.iterations() * kFadeFrames);
    state.SetLabel(effectName + ", 1280x720, " + std::to_string(kFadeFrames) + " frames per fade");
}

void RegisterFades() {
    for (const char* name : {"Cross Dissolve", "Left-Right-Wipe", "Iris (Round)", "Zoom-In", "Random Dots"}) {
        for (bool prepared : {false, true}) {
            const std::string label =
                std::string("BM_CaptionFadeFrame_") + (prepared ? "Prepared/" : "Drawn/") + name;
            benchmark::RegisterBenchmark(label.c_str(), [name, prepared](benchmark::State& s) {
                CaptionFadeFrame(s, name, prepared);
            })->Unit(benchmark::kMillisecond);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    RegisterFades();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
