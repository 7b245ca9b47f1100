// The frame protocol shared by all effects: defaults, status reports, Prepare beginning with End,
// and the helpers the effects share.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "EffectTestSupport.h"
#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"
#include "effects/builtin/CrossDissolveEffect.h"
#include "effects/builtin/StretchEffect.h"
#include "infra/UserPrompt.h"

namespace trov {
namespace {

class CStatusRecorder : public CMessagePipelineListener {
public:
    void OnMessage(const std::string&, int32_t) override {}
    void OnMessage(const std::string&, const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

class CSilentPrompt : public CUserPrompt {
public:
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptAnswer answer) override {
        ++count;
        return answer;
    }
    int count = 0;
};

// Counts the family hooks the base calls.
class CProbeEffect : public CBuiltinEffect {
public:
    CProbeEffect() : CBuiltinEffect("Probe", "0.0", true) {}
    int freed = 0, prepared = 0, drawn = 0, lastK = 0;

protected:
    void PrepareFrames() override { ++prepared; }
    void DrawFrame(int k) override {
        ++drawn;
        lastK = k;
    }
    void FreeBuffers() override { ++freed; }
};

class CBareEffect : public CFadingEffect {
public:
    void End() override {}
    CDibPicture* NextFrame() override { return nullptr; }
    void Prepare(int) override {}
};

TEST(FrameProtocol, UninitialisedEffectReportsDefaults) {
    CBareEffect bare;
    EXPECT_EQ(bare.GetCurrentFrame(), -1);
    EXPECT_EQ(bare.GetFrameCount(), -1);
    EXPECT_EQ(bare.GetName(), "Unknown");
    EXPECT_EQ(bare.GetAuthor(), "Unknown");
    EXPECT_EQ(bare.GetVersion(), "Unknown");
    EXPECT_FALSE(bare.IsTextCapable());
    EXPECT_FALSE(bare.IsTextMode());
    EXPECT_TRUE(bare.IsOwnedByRegistry());
    EXPECT_EQ(bare.GetPipelines(), nullptr);
    CProbeEffect probe;
    EXPECT_EQ(probe.GetAuthor(), "Kestrami");
    EXPECT_EQ(probe.NextFrame(), nullptr) << "never initialised";
}

TEST(FrameProtocol, PrepareBeginsWithEndAndFramesCountFromOne) {
    auto a = test::PatternA(8, 6), b = test::PatternB(8, 6);
    CProbeEffect probe;
    probe.Init(a.get(), b.get(), 3);
    EXPECT_EQ(probe.freed, 1);
    EXPECT_EQ(probe.prepared, 1);
    probe.NextFrame();
    EXPECT_EQ(probe.lastK, 1);
    probe.Init(a.get(), b.get(), 3);  // again, without End
    EXPECT_EQ(probe.freed, 2);
    probe.SetCurrentFrame(2);
    probe.NextFrame();
    EXPECT_EQ(probe.lastK, 3);
    EXPECT_EQ(probe.NextFrame(), nullptr);
    EXPECT_EQ(probe.freed, 3) << "the call past the end ends the effect";
    EXPECT_EQ(probe.drawn, 2);
}

TEST(FrameProtocol, InitReportsOnTheStatusPipeline) {
    CMessagePipelines pipelines;
    pipelines.Create("Status");
    CStatusRecorder recorder;
    pipelines.AddListener("Status", &recorder, false);
    auto a = test::PatternA(8, 6), b = test::PatternB(8, 6);
    CCrossDissolveEffect dissolve;
    dissolve.SetPipelines(&pipelines);
    dissolve.Init(a.get(), b.get(), 2);
    EXPECT_EQ(recorder.texts,
              (std::vector<std::string>{"Initializing Effect: Cross Dissolve ...", "Initialized!"}));

    recorder.texts.clear();
    CStretchEffect stretch(2);
    stretch.SetPipelines(&pipelines);
    stretch.Init(a.get(), b.get(), 2);
    stretch.NextFrame();
    EXPECT_EQ(recorder.texts,
              (std::vector<std::string>{"Initializing Effect: Bottom-Top-Stretch ...", "Initialized!",
                                        "Resizing picture 1...", "Resizing picture 2..."}));
    pipelines.Clear();
}

TEST(FrameProtocol, HubWithoutStatusPipelineDoesNotStopTheEffect) {
    CSilentPrompt prompt;
    SetUserPrompt(&prompt);
    CMessagePipelines pipelines;  // no pipelines at all
    auto a = test::PatternA(8, 6), b = test::PatternB(8, 6);
    CCrossDissolveEffect dissolve;
    dissolve.SetPipelines(&pipelines);
    auto last = test::RunToEnd(dissolve, *a, *b, 3);
    SetUserPrompt(nullptr);
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(test::SamePixels(*last, *b));
    EXPECT_GT(prompt.count, 0) << "the pipeline registry reports the unknown pipeline";
}

TEST(FrameProtocol, DifferentSizedBIsFittedAndReported) {
    CMessagePipelines pipelines;
    pipelines.Create("Status");
    CStatusRecorder recorder;
    pipelines.AddListener("Status", &recorder, false);
    auto a = test::PatternA(8, 6);
    auto b = test::Solid(16, 12, 40, 50, 60);
    CCrossDissolveEffect dissolve;
    dissolve.SetPipelines(&pipelines);
    auto last = test::RunToEnd(dissolve, *a, *b, 2);
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(test::SamePixels(*last, *test::Solid(8, 6, 40, 50, 60)));
    EXPECT_NE(std::find(recorder.texts.begin(), recorder.texts.end(), "Resizing picture 2..."),
              recorder.texts.end());
    pipelines.Clear();
}

// ---- shared helpers ----

TEST(EffectPixels, BlendTableIsExactForWholeSteps) {
    fx::CBlendTable table;
    for (int steps : {1, 3, 7, 49, 255}) {
        for (int k = 0; k <= steps; ++k) {
            table.Build(k, steps);
            for (int a : {0, 1, 100, 254, 255})
                for (int b : {0, 1, 77, 200, 255})
                    ASSERT_EQ(table.Mix(uint8_t(a), uint8_t(b)), (a * steps + k * (b - a)) / steps)
                        << a << "->" << b << " " << k << "/" << steps;
        }
    }
    table.Build(2.5, 5);  // half way, truncated
    EXPECT_EQ(table.Mix(0, 255), 127);
    EXPECT_EQ(table.Mix(255, 0), 127);
}

// Every pair of bytes, at whole and fractional progress, against the mix's formula.
TEST(EffectPixels, BlendTableMatchesItsFormulaForEveryPair) {
    fx::CBlendTable table;
    for (auto [progress, steps] :
         {std::pair{0.0, 7}, std::pair{5.0, 7}, std::pair{31.0, 49}, std::pair{2.5, 5}, std::pair{0.3, 12},
          std::pair{-1.0, 4}, std::pair{9.0, 4}}) {
        table.Build(progress, steps);
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                const double d = std::floor(a + (b - a) * progress / steps);
                const int expected = int(std::clamp(d, 0.0, 255.0));
                ASSERT_EQ(table.Mix(uint8_t(a), uint8_t(b)), expected)
                    << a << "->" << b << " " << progress << "/" << steps;
            }
    }
}

// Apply skips the lookup where both inputs agree; every byte must still be the table's mix,
// whichever input the output is, with agreeing and differing runs of every length and offset.
TEST(EffectPixels, BlendOfPartlyEqualBlocksIsTheMixOfEveryByte) {
    std::vector<uint8_t> a(1000), b(1000);
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = uint8_t(i * 37 + 11);
        // Equal in long runs (as outside a caption) and in short ones, different elsewhere.
        const bool equal = (i % 300 < 170) || (i % 7 == 3);
        b[i] = equal ? a[i] : uint8_t(i * 91 + 5);
    }
    fx::CBlendTable table;
    for (double progress : {0.0, 3.0, 7.5, 12.0}) {
        table.Build(progress, 12);
        for (size_t bytes : {size_t(0), size_t(1), size_t(63), size_t(64), size_t(65), size_t(1000)}) {
            for (int into = 0; into < 3; ++into) {
                std::vector<uint8_t> x = a, y = b, out(1000, 0xEE);
                uint8_t* target = into == 0 ? out.data() : into == 1 ? x.data() : y.data();
                table.Apply(target, x.data(), y.data(), bytes);
                for (size_t i = 0; i < bytes; ++i)
                    ASSERT_EQ(target[i], table.Mix(a[i], b[i]))
                        << progress << " " << bytes << " " << into << " " << i;
                if (into == 0 && bytes < out.size()) {
                    EXPECT_EQ(out[bytes], 0xEE) << "nothing past the end";
                }
            }
        }
    }
}

TEST(EffectPixels, ScalerKeepsFlatAreasFlatAndCopiesAtTheSameSize) {
    auto flat = test::Solid(37, 23, 12, 200, 99);
    CDibPicture target;
    target.Create(64, 48);
    fx::CRectScaler scaler;
    for (auto [w, h] : {std::pair{5, 3}, std::pair{64, 48}, std::pair{1, 1}, std::pair{50, 7}}) {
        target.Clear();
        scaler.Scale(target, 0, 0, w, h, *flat, 0, 0, 37, 23);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(target.GetColour(x, y), MakeColour(12, 200, 99)) << w << "x" << h;
        if (w < 64) {
            EXPECT_EQ(target.GetColour(w, 0), 0u) << "nothing outside the rectangle";
        }
    }
    auto pattern = test::PatternA(37, 23);
    CDibPicture same;
    same.Create(37, 23);
    scaler.Scale(same, 0, 0, 37, 23, *pattern, 0, 0, 37, 23);
    EXPECT_TRUE(test::SamePixels(same, *pattern));
}

// Shrinking by more than about 45 makes every whole source pixel's rounded weight too heavy;
// the excess must not be taken from one tap alone (it went below zero and wrapped: 191 where 255
// was due). Every shrink of a white column, in both passes, stays white.
TEST(EffectPixels, ScalerKeepsWhiteWhiteAtEveryShrink) {
    for (int length : {360, 720, 1080}) {
        auto column = test::Solid(1, length, 255, 255, 255);
        auto row = test::Solid(length, 1, 255, 255, 255);
        CDibPicture target;
        target.Create(length, length);
        fx::CRectScaler scaler;
        for (int size = 1; size < length; ++size) {
            target.Clear();
            scaler.Scale(target, 0, 0, 1, size, *column, 0, 0, 1, length);
            scaler.Scale(target, 1, 0, size, 1, *row, 0, 0, length, 1);
            for (int y = 0; y < size; ++y)
                ASSERT_EQ(target.GetColour(0, y), MakeColour(255, 255, 255)) << length << " to " << size;
            for (int x = 1; x < size; ++x)
                ASSERT_EQ(target.GetColour(x, 0), MakeColour(255, 255, 255)) << length << " to " << size;
        }
    }
}

TEST(EffectPixels, ScalerAveragesWhenHalving) {
    CDibPicture source;
    source.Create(4, 2);
    for (int x = 0; x < 4; ++x) {
        source.SetPixel(x, 0, uint8_t(x * 20), 0, 0);
        source.SetPixel(x, 1, uint8_t(x * 20 + 100), 0, 0);
    }
    CDibPicture target;
    target.Create(2, 1);
    fx::CRectScaler scaler;
    scaler.Scale(target, 0, 0, 2, 1, source, 0, 0, 4, 2);
    EXPECT_EQ(ColourRed(target.GetColour(0, 0)), 60);   // (0 + 20 + 100 + 120) / 4
    EXPECT_EQ(ColourRed(target.GetColour(1, 0)), 100);  // (40 + 60 + 140 + 160) / 4
}

TEST(EffectPixels, ScalerClipsAtEveryEdge) {
    auto flat = test::Solid(10, 10, 1, 2, 3);
    CDibPicture target;
    target.Create(8, 8);
    fx::CRectScaler scaler;
    scaler.Scale(target, -5, -5, 20, 20, *flat, -3, 4, 30, 30);
    scaler.Scale(target, 100, 100, 5, 5, *flat, 0, 0, 10, 10);
    scaler.Scale(target, 0, 0, 0, 5, *flat, 0, 0, 10, 10);
    EXPECT_EQ(target.GetColour(0, 0), MakeColour(1, 2, 3));
    EXPECT_EQ(target.GetColour(7, 7), MakeColour(1, 2, 3));
}

TEST(EffectPixels, TruncHoldsAbsurdValues) {
    EXPECT_EQ(fx::Trunc(2.9), 2);
    EXPECT_EQ(fx::Trunc(-2.9), -2);
    EXPECT_EQ(fx::Trunc(1e300), 1 << 30);
    EXPECT_EQ(fx::Trunc(-1e300), -(1 << 30));
    EXPECT_EQ(fx::Trunc(std::nan("")), 0);
    EXPECT_EQ(fx::FrameOfText(3, 25), "3 of 25 ...");
}

}  // namespace
}  // namespace trov
