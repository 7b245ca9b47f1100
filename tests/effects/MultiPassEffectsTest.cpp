// Properties of the multi-pass effects: frame protocol, last frames, the blur fades against the
// literal scatter, the reveal order of "Random Dots", the underwater wave budget, the raindrops
// schedule and the page turn geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
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
#include "imaging/DibPicture.h"
#include "infra/MessagePipelines.h"
#include "support/TestPictures.h"

namespace trov {
namespace {

using test::MakePicture;
using test::MakeUniform;

using Factory = std::function<CFadingEffect*()>;

// Pixel bytes only (padding ignored).
bool SamePixels(const CPicture& a, const CPicture& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        if (std::memcmp(a.GetRow(y), b.GetRow(y), size_t(3) * a.GetWidth()) != 0) return false;
    return true;
}

// Records everything sent on the three progress pipelines.
class Recorder : public CMessagePipelineListener {
public:
    void OnMessage(const std::string& pipeline, int32_t value) override {
        values.push_back({pipeline, value});
    }
    void OnMessage(const std::string& pipeline, const std::string& text) override {
        if (pipeline == "Status") texts.push_back(text);
    }
    std::vector<std::pair<std::string, int32_t>> values;
    std::vector<std::string> texts;
    int Last(const std::string& pipeline) const {
        for (auto it = values.rbegin(); it != values.rend(); ++it)
            if (it->first == pipeline) return it->second;
        return -1;
    }
    int CountText(const std::string& text) const {
        int n = 0;
        for (const auto& t : texts) n += t == text;
        return n;
    }
};

// The recorder outlives the pipelines, which look at their listeners when they are cleared.
struct Hub {
    Recorder recorder;
    CMessagePipelines pipelines;
    Hub() {
        recorder.deleteWithPipeline = false;
        for (const char* name : {"Status", "MaxProgress", "CurrentProgress"}) {
            pipelines.Create(name);
            pipelines.AddListener(name, &recorder, false);
        }
    }
};

struct Expected {
    Factory make;
    std::string name;
    std::string version;
    bool textCapable;
};

std::vector<Expected> AllMultiPassEffects() {
    std::vector<Expected> all;
    const char* blur[] = {"Vertical-Blur-Fade", "Horizontal-Blur-Fade", "TopLeft-BottomRight-Blur-Fade",
                          "TopRight-BottomLeft-Blur-Fade", "Blur-Fade"};
    for (int t = 1; t <= 5; ++t)
        all.push_back({[t] { return new CBlurFadeEffect(t); }, blur[t - 1], "1.2", true});
    all.push_back({[] { return new CRandomDotsEffect(); }, "Random Dots", "2.0", true});
    all.push_back({[] { return new CRandomMovingDotsEffect(); }, "Random Moving Dots", "2.0", true});
    all.push_back({[] { return new CRandomCircleEffect(); }, "Random Circle Cross Dissolve", "1.0", true});
    const char* water[] = {"Underwater Fade Out", "Underwater Fade In", "Underwater Cross Dissolve"};
    for (int t = 1; t <= 3; ++t)
        all.push_back({[t] { return new CUnderwaterEffect(t); }, water[t - 1], "1.0", t == 2});
    const char* rain[] = {"Raindrops (with One-Third-Crossfade)", "Raindrops (with Full-Crossfade)",
                          "Raindrops (Big) (with One-Third-Crossfade)",
                          "Raindrops (Big) (with Full-Crossfade)"};
    for (int t = 1; t <= 4; ++t)
        all.push_back({[t] { return new CRaindropsEffect(t); }, rain[t - 1], "1.0", false});
    const char* dir[] = {"(Left - Right)", "(Right - Left)", "(Bottom - Top)", "(Top - Bottom)"};
    for (int t = 1; t <= 4; ++t)
        all.push_back(
            {[t] { return new CPageRollEffect(t); }, std::string("Page-Roll ") + dir[t - 1], "1.0", false});
    for (int t = 1; t <= 4; ++t)
        all.push_back(
            {[t] { return new CPageFlipEffect(t); }, std::string("Page-Flip ") + dir[t - 1], "1.0", false});
    return all;
}

TEST(MultiPassEffects, NamesVersionsAndCaptionFlags) {
    for (const Expected& e : AllMultiPassEffects()) {
        std::unique_ptr<CFadingEffect> fx(e.make());
        EXPECT_EQ(fx->GetName(), e.name);
        EXPECT_EQ(fx->GetAuthor(), "Kestrami");
        EXPECT_EQ(fx->GetVersion(), e.version) << e.name;
        EXPECT_EQ(fx->IsTextCapable(), e.textCapable) << e.name;
        EXPECT_EQ(fx->GetCurrentFrame(), -1);
        EXPECT_EQ(fx->GetFrameCount(), -1);
    }
}

// n frames, then null; the same output object every time, A's size; the last frame is B.
TEST(MultiPassEffects, EveryEffectGivesNFramesEndingOnB) {
    std::srand(11);
    for (auto size : {std::pair{37, 23}, std::pair{48, 30}}) {
        auto a = MakePicture(size.first, size.second, 1);
        auto b = MakePicture(size.first, size.second, 2);
        for (const Expected& e : AllMultiPassEffects()) {
            for (int n : {1, 4, 40}) {
                std::unique_ptr<CFadingEffect> fx(e.make());
                fx->Init(a.get(), b.get(), n);
                CDibPicture* first = nullptr;
                CDibPicture* frame = nullptr;
                for (int k = 1; k <= n; ++k) {
                    frame = fx->NextFrame();
                    ASSERT_NE(frame, nullptr) << e.name << " n " << n << " k " << k;
                    if (!first) first = frame;
                    EXPECT_EQ(frame, first);
                    EXPECT_EQ(frame->GetWidth(), size.first);
                    EXPECT_EQ(frame->GetHeight(), size.second);
                    EXPECT_EQ(fx->GetCurrentFrame(), k);
                }
                EXPECT_TRUE(SamePixels(*frame, *b)) << e.name << " n " << n << " " << size.first;
                EXPECT_EQ(fx->NextFrame(), nullptr) << e.name;
                fx->End();
                fx->End();  // harmless twice
            }
        }
    }
}

// Init twice without End gives the same frames as Init after End (same random draws).
TEST(MultiPassEffects, ReinitialisingWithoutEndRepeatsTheTransition) {
    auto a = MakePicture(37, 23, 3);
    auto b = MakePicture(37, 23, 4);
    for (const Expected& e : AllMultiPassEffects()) {
        std::unique_ptr<CFadingEffect> fx(e.make());
        std::vector<std::vector<uint8_t>> runs[2];
        for (int run = 0; run < 2; ++run) {
            std::srand(5);
            fx->Init(a.get(), b.get(), 6);
            if (run == 1) {
                std::srand(5);
                fx->Init(a.get(), b.get(), 6);  // again, no End in between
            }
            for (int k = 0; k < 6; ++k) {
                CDibPicture* f = fx->NextFrame();
                ASSERT_NE(f, nullptr);
                runs[run].emplace_back(f->GetBits(), f->GetBits() + f->GetImageSize());
            }
        }
        EXPECT_EQ(runs[0], runs[1]) << e.name;
    }
}

TEST(MultiPassEffects, EmptyOrMissingPicturesDoNotCrash) {
    CDibPicture empty;
    auto a = MakePicture(9, 5, 1);
    for (const Expected& e : AllMultiPassEffects()) {
        std::unique_ptr<CFadingEffect> fx(e.make());
        fx->Init(&empty, a.get(), 3);
        for (int k = 0; k < 4; ++k) fx->NextFrame();
        fx->Init(a.get(), nullptr, 3);
        for (int k = 0; k < 3; ++k) {
            CDibPicture* f = fx->NextFrame();
            ASSERT_NE(f, nullptr);
            EXPECT_TRUE(SamePixels(*f, *a)) << e.name;
        }
        fx->Init(a.get(), a.get(), 0);
        EXPECT_EQ(fx->NextFrame(), nullptr) << e.name;
        // Tiny pictures: 1 x 1 and a single row.
        auto dot = MakePicture(1, 1, 2), dot2 = MakePicture(1, 1, 3);
        fx->Init(dot.get(), dot2.get(), 3);
        for (int k = 0; k < 3; ++k) ASSERT_NE(fx->NextFrame(), nullptr) << e.name;
        auto line = MakePicture(13, 1, 2), line2 = MakePicture(13, 1, 3);
        fx->Init(line.get(), line2.get(), 2);
        fx->NextFrame();
        EXPECT_TRUE(SamePixels(*fx->NextFrame(), *line2)) << e.name;
    }
}

// ---------------------------------------------------------------- blur fades

// trunc(a + (b - a) * k / n), the contained dissolve's mix.
uint8_t Mix(uint8_t a, uint8_t b, int k, int n) {
    return static_cast<uint8_t>(std::floor((a * n + k * (b - a)) / static_cast<double>(n)));
}

std::vector<uint8_t> ExpectedBlurFrame(const CPicture& a, const CPicture& b, EBlurKernel kind, double radius,
                                       int k, int n) {
    const size_t bytes = size_t(a.GetImageSize());
    std::vector<uint8_t> ba(bytes), bb(bytes), out(bytes);
    const double r = radius * k / n;
    ScatterBlur({a.GetBits(), a.GetWidth(), a.GetHeight(), a.GetStride()}, ba.data(), kind, r);
    ScatterBlur({b.GetBits(), b.GetWidth(), b.GetHeight(), b.GetStride()}, bb.data(), kind, radius - r);
    for (size_t i = 0; i < bytes; ++i) out[i] = Mix(ba[i], bb[i], k, n);
    return out;
}

std::vector<uint8_t> PixelBytes(const CPicture& p) {
    std::vector<uint8_t> v;
    for (int y = 0; y < p.GetHeight(); ++y) v.insert(v.end(), p.GetRow(y), p.GetRow(y) + 3 * p.GetWidth());
    return v;
}

std::vector<uint8_t> PixelBytes(const std::vector<uint8_t>& block, int w, int h) {
    std::vector<uint8_t> v;
    const int stride = CPicture::StrideFor(w);
    for (int y = 0; y < h; ++y)
        v.insert(v.end(), block.begin() + y * stride, block.begin() + y * stride + 3 * w);
    return v;
}

TEST(MultiPassBlurFade, FramesEqualTheLiteralScatterMix) {
    auto a = MakePicture(37, 23, 5);
    auto b = MakePicture(37, 23, 6);
    const double radii[] = {37 / 3, 23 / 3, (37 + 23) / 6, (37 + 23) / 6, 25.0};
    for (int type = 1; type <= 5; ++type) {
        CBlurFadeEffect fx(type);
        const int n = 3;
        fx.Init(a.get(), b.get(), n);
        EXPECT_EQ(fx.GetMaxRadius(), radii[type - 1]);
        for (int k = 1; k <= n; ++k) {
            CDibPicture* f = fx.NextFrame();
            ASSERT_NE(f, nullptr);
            const auto expected =
                ExpectedBlurFrame(*a, *b, static_cast<EBlurKernel>(type), radii[type - 1], k, n);
            EXPECT_EQ(PixelBytes(*f), PixelBytes(expected, 37, 23)) << "type " << type << " k " << k;
        }
    }
}

TEST(MultiPassBlurFade, TextModeShortensTheRadius) {
    auto a = MakePicture(64, 40, 7);
    auto b = MakePicture(64, 40, 8);
    const double normal[] = {21, 13, 17, 17, 25}, text[] = {8, 5, 6, 6, 25};
    for (int type = 1; type <= 5; ++type) {
        CBlurFadeEffect fx(type);
        fx.Init(a.get(), b.get(), 4);
        EXPECT_EQ(fx.GetMaxRadius(), normal[type - 1]) << type;
        fx.SetTextMode(true);
        fx.Init(a.get(), b.get(), 4);
        EXPECT_EQ(fx.GetMaxRadius(), text[type - 1]) << type;
    }
    // The caption frame itself uses W / 8: frame 2 of 4 in text mode, checked against the scatter.
    CBlurFadeEffect vertical(1);
    vertical.SetTextMode(true);
    vertical.Init(a.get(), b.get(), 4);
    vertical.SetCurrentFrame(1);
    CDibPicture* f = vertical.NextFrame();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(PixelBytes(*f),
              PixelBytes(ExpectedBlurFrame(*a, *b, EBlurKernel::VerticalLine, 8.0, 2, 4), 64, 40));
}

TEST(MultiPassBlurFade, ReportsEachBlurOnTheProgressPipelines) {
    Hub hub;
    auto a = MakePicture(20, 11, 1);
    auto b = MakePicture(20, 11, 2);
    CBlurFadeEffect fx(5);
    fx.SetPipelines(&hub.pipelines);
    fx.Init(a.get(), b.get(), 3);
    fx.NextFrame();
    fx.NextFrame();
    EXPECT_EQ(hub.recorder.CountText("Creating Blur-Effect-Frame 1 of 3 ..."), 2);
    EXPECT_EQ(hub.recorder.CountText("Creating Blur-Effect-Frame 2 of 3 ..."), 2);
    EXPECT_EQ(hub.recorder.Last("MaxProgress"), 11);
    EXPECT_EQ(hub.recorder.Last("CurrentProgress"), 11);
    // Per blur: 0, then each row 0 ... 10, then 11.
    int current = 0;
    for (const auto& v : hub.recorder.values) current += v.first == "CurrentProgress";
    EXPECT_EQ(current, 4 * (1 + 11 + 1));
}

// ---------------------------------------------------------------- random dots

// Frame index (1-based) at which each pixel of a black A turned into B, or 0 if never.
std::vector<int> RevealFrames(CFadingEffect& fx, const CPicture& a, const CPicture& b, int n) {
    const int w = a.GetWidth(), h = a.GetHeight();
    std::vector<int> when(size_t(w) * h, 0);
    fx.Init(&a, &b, n);
    for (int k = 1; k <= n; ++k) {
        CDibPicture* f = fx.NextFrame();
        EXPECT_NE(f, nullptr);
        if (!f) break;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool isB = std::memcmp(f->GetRow(y) + 3 * x, b.GetRow(y) + 3 * x, 3) == 0;
                const bool isA = std::memcmp(f->GetRow(y) + 3 * x, a.GetRow(y) + 3 * x, 3) == 0;
                EXPECT_TRUE(isA || isB);
                int& w0 = when[size_t(y) * w + x];
                if (isB && w0 == 0) w0 = k;
                if (!isB) {
                    EXPECT_EQ(w0, 0) << "pixel went back to A";
                }
            }
    }
    return when;
}

TEST(MultiPassRandomDots, RevealsEveryBlockExactlyOnce) {
    auto a = MakeUniform(37, 23, 0);
    auto b = MakePicture(37, 23, 2);  // no pixel of B is black
    for (int n : {60, 7, 200}) {
        std::srand(3);
        CRandomDotsEffect fx;
        const auto when = RevealFrames(fx, *a, *b, n);
        // 10 x 6 blocks, cut at the right and top edges; all pixels of a block turn together.
        std::vector<int> perFrame(size_t(n) + 1, 0);
        for (int by = 0; by < 6; ++by)
            for (int bx = 0; bx < 10; ++bx) {
                const int k = when[size_t(by * 4) * 37 + bx * 4];
                EXPECT_GE(k, 1);
                for (int y = by * 4; y < std::min(23, by * 4 + 4); ++y)
                    for (int x = bx * 4; x < std::min(37, bx * 4 + 4); ++x)
                        EXPECT_EQ(when[size_t(y) * 37 + x], k);
                ++perFrame[size_t(k)];
            }
        // trunc(60 k / n) blocks are shown after frame k.
        int shown = 0;
        for (int k = 1; k <= n; ++k) {
            shown += perFrame[size_t(k)];
            EXPECT_EQ(shown, 60 * k / n) << "n " << n << " k " << k;
        }
    }
}

TEST(MultiPassRandomDots, OrderDependsOnTheSeed) {
    auto a = MakeUniform(37, 23, 0);
    auto b = MakePicture(37, 23, 2);
    CRandomDotsEffect fx;
    std::srand(1);
    const auto first = RevealFrames(fx, *a, *b, 60);
    std::srand(1);
    const auto again = RevealFrames(fx, *a, *b, 60);
    std::srand(2);
    const auto other = RevealFrames(fx, *a, *b, 60);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
}

TEST(MultiPassRandomDots, TextModeFramesAreCompleteAndOneBlockAhead) {
    auto a = MakeUniform(16, 12, 0);
    auto b = MakePicture(16, 12, 2);
    CRandomDotsEffect fx;
    fx.SetTextMode(true);
    fx.Init(a.get(), b.get(), 12);  // 12 blocks, one per frame
    for (int k : {5, 2, 11, 0}) {
        fx.SetCurrentFrame(k);
        CDibPicture* f = fx.NextFrame();
        ASSERT_NE(f, nullptr);
        int blocksOfB = 0;
        for (int by = 0; by < 3; ++by)
            for (int bx = 0; bx < 4; ++bx)
                blocksOfB += std::memcmp(f->GetRow(by * 4) + 12 * bx, b->GetRow(by * 4) + 12 * bx, 3) == 0;
        EXPECT_EQ(blocksOfB, std::min(12, k + 2)) << k;  // blocks 0 ... trunc(x) of frame k + 1
    }
}

TEST(MultiPassRandomDots, ReportsTheShuffle) {
    Hub hub;
    auto a = MakePicture(64, 64, 1);
    auto b = MakePicture(64, 64, 2);
    CRandomDotsEffect fx;
    fx.SetPipelines(&hub.pipelines);
    fx.Init(a.get(), b.get(), 5);
    EXPECT_EQ(hub.recorder.Last("MaxProgress"), 256);
    EXPECT_EQ(hub.recorder.Last("CurrentProgress"), 256);
}

TEST(MultiPassRandomMovingDots, BlocksMoveAndEndInPlace) {
    auto a = MakePicture(40, 24, 1);
    auto b = MakePicture(40, 24, 2);
    std::srand(4);
    CRandomMovingDotsEffect fx;
    fx.Init(a.get(), b.get(), 10);
    CDibPicture* f = fx.NextFrame();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(SamePixels(*f, *a));
    EXPECT_FALSE(SamePixels(*f, *b));
    for (int k = 2; k <= 10; ++k) f = fx.NextFrame();
    EXPECT_TRUE(SamePixels(*f, *b));
}

// ---------------------------------------------------------------- random circles

TEST(MultiPassRandomCircle, PixelsMoveTowardBInSevenths) {
    auto a = MakeUniform(37, 23, 0);
    auto b = MakeUniform(37, 23, 210);
    std::set<int> allowed;
    for (int c = 0; c <= 7; ++c) allowed.insert(static_cast<int>(c / 7.0 * 210 + 0.5));
    std::srand(9);
    CRandomCircleEffect fx;
    const int n = 8;
    fx.Init(a.get(), b.get(), n);
    std::vector<uint8_t> previous(size_t(37) * 23, 0);
    for (int k = 1; k <= n; ++k) {
        CDibPicture* f = fx.NextFrame();
        ASSERT_NE(f, nullptr);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                const uint8_t v = f->GetRow(y)[3 * x];
                EXPECT_TRUE(allowed.count(v)) << int(v);
                EXPECT_GE(v, previous[size_t(y) * 37 + x]);  // circles only grow
                previous[size_t(y) * 37 + x] = v;
            }
    }
}

// ---------------------------------------------------------------- underwater

TEST(MultiPassUnderwater, WaveBudgetKeepsGuideLinesApart) {
    auto a = MakePicture(120, 72, 1);
    auto b = MakePicture(120, 72, 2);
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        CUnderwaterEffect fx(1);
        fx.Init(a.get(), b.get(), 10);
        for (int vertical = 0; vertical < 2; ++vertical) {
            const int spacing = vertical ? 120 / 6 : 72 / 6;
            const int budget = spacing / 2 - 1;
            for (int line = 1; line <= 5; ++line) {
                const auto* waves = fx.GetWaves(vertical != 0, line);
                ASSERT_NE(waves, nullptr);
                int sum = 0;
                for (int j = 0; j < CUnderwaterEffect::kComponents; ++j) {
                    EXPECT_GE(waves[j].amplitude, 0);
                    EXPECT_GE(waves[j].spatial, -2.5);
                    EXPECT_LT(waves[j].spatial, 2.5);
                    EXPECT_GE(std::fabs(waves[j].temporal), 10.0);
                    EXPECT_LE(std::fabs(waves[j].temporal), 35.0);
                    sum += waves[j].amplitude;
                }
                EXPECT_LE(sum, budget);
                EXPECT_GT(sum, 0);
                for (int t = 0; t < 120; t += 7)
                    EXPECT_LE(std::abs(fx.Displacement(vertical != 0, line, t, 3, 1.0)), budget);
                EXPECT_EQ(fx.Displacement(vertical != 0, line, 17, 3, 0.0), 0);
            }
        }
    }
}

TEST(MultiPassUnderwater, FullStrengthWarpMovesPixelsZeroStrengthDoesNot) {
    auto a = MakePicture(60, 36, 1);
    auto b = MakePicture(60, 36, 2);
    std::srand(2);
    CUnderwaterEffect fx(1);
    fx.Init(a.get(), b.get(), 10);
    CDibPicture warped;
    ASSERT_TRUE(warped.Create(60, 36));
    fx.Warp(*a, warped, 0.0, 4);
    EXPECT_TRUE(SamePixels(warped, *a));
    fx.Warp(*a, warped, 1.0, 4);
    EXPECT_FALSE(SamePixels(warped, *a));
    // Uniform pictures stay uniform whatever the warp (segments only stretch).
    auto grey = MakeUniform(60, 36, 77);
    fx.Warp(*grey, warped, 1.0, 4);
    EXPECT_TRUE(SamePixels(warped, *grey));
}

TEST(MultiPassUnderwater, ReportsRowsThenColumns) {
    Hub hub;
    auto a = MakePicture(30, 18, 1);
    auto b = MakePicture(30, 18, 2);
    CUnderwaterEffect fx(2);
    fx.SetPipelines(&hub.pipelines);
    fx.Init(a.get(), b.get(), 5);
    fx.NextFrame();
    EXPECT_EQ(hub.recorder.CountText("Creating Underwater-Effect-Frame 1 of 5 ..."), 1);
    EXPECT_EQ(hub.recorder.Last("MaxProgress"), 48);
    EXPECT_EQ(hub.recorder.Last("CurrentProgress"), 48);
}

TEST(MultiPassUnderwater, TinyPicturesHaveNoWaves) {
    // Spacing 1 or 0: an amplitude budget of 0 must not be drawn from.
    auto a = MakePicture(7, 5, 1);
    auto b = MakePicture(7, 5, 2);
    for (int type = 1; type <= 3; ++type) {
        CUnderwaterEffect fx(type);
        fx.Init(a.get(), b.get(), 3);
        CDibPicture* f = nullptr;
        for (int k = 0; k < 3; ++k) f = fx.NextFrame();
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(SamePixels(*f, *b));
    }
}

// ---------------------------------------------------------------- raindrops

TEST(MultiPassRaindrops, ScheduleLeavesTheLastFramesCalm) {
    auto a = MakePicture(96, 60, 1);
    auto b = MakePicture(96, 60, 2);
    for (int type = 1; type <= 4; ++type) {
        std::srand(6);
        CRaindropsEffect fx(type);
        EXPECT_LE(fx.Lifetime(), fx.QuietFrames());
        const int n = 100;
        fx.Init(a.get(), b.get(), n);
        int startedBeforeQuiet = 0;
        for (int k = 1; k <= n; ++k) {
            ASSERT_NE(fx.NextFrame(), nullptr);
            EXPECT_LE(fx.DropsAlive(), fx.MaxDrops());
            if (k == n - fx.QuietFrames()) startedBeforeQuiet = fx.DropsStarted();
        }
        EXPECT_GT(startedBeforeQuiet, 0);
        EXPECT_EQ(fx.DropsStarted(), startedBeforeQuiet) << "drops during the quiet frames";
        EXPECT_EQ(fx.DropsAlive(), 0);
    }
    // Normal drops: 6 per frame until the cap of 100 is reached.
    std::srand(6);
    CRaindropsEffect normal(2);
    normal.Init(a.get(), b.get(), 100);
    for (int k = 1; k <= 16; ++k) normal.NextFrame();
    EXPECT_EQ(normal.DropsStarted(), 96);
    normal.NextFrame();
    EXPECT_EQ(normal.DropsAlive(), 100);
}

TEST(MultiPassRaindrops, OneThirdBaseShowsAThenDissolvesThenB) {
    // With 25 frames the base shows A for frames 1 ... 8, the dissolve over 9 ... 15, B from 16
    // on; the drops (frames 1 ... 13, each living 11 frames) are gone for the last two frames.
    auto a = MakePicture(40, 30, 1);
    auto b = MakePicture(40, 30, 2);
    std::srand(3);
    CRaindropsEffect fx(3);
    fx.Init(a.get(), b.get(), 25);
    for (int k = 1; k <= 25; ++k) {
        CDibPicture* f = fx.NextFrame();
        ASSERT_NE(f, nullptr);
        const CPicture* base = fx.Base(k);
        ASSERT_NE(base, nullptr);
        if (k <= 8) {
            EXPECT_TRUE(SamePixels(*base, *a)) << k;
        }
        if (k > 8 && k < 16) {
            EXPECT_TRUE(!SamePixels(*base, *a) && !SamePixels(*base, *b)) << k;
        }
        if (k >= 16) {
            EXPECT_TRUE(SamePixels(*base, *b)) << k;
        }
        if (k >= 24) {
            EXPECT_TRUE(SamePixels(*f, *b)) << k;
        }
    }
    EXPECT_GT(fx.DropsStarted(), 0);
}

TEST(MultiPassRaindrops, ShortTransitionsRainDuringTheirFirstHalf) {
    auto a = MakePicture(96, 60, 1);
    auto b = MakePicture(96, 60, 2);
    for (int type = 1; type <= 4; ++type) {
        for (int n : {4, 5, 25, 47, 59}) {
            std::srand(9);
            CRaindropsEffect fx(type);
            const int quiet = fx.QuietFramesFor(n);
            if (n >= 2 * fx.QuietFrames()) {
                EXPECT_EQ(quiet, fx.QuietFrames());
                EXPECT_EQ(fx.LifetimeFor(n), fx.Lifetime());
            } else {
                EXPECT_EQ(quiet, n / 2) << type << " n " << n;
            }
            EXPECT_LE(fx.LifetimeFor(n), quiet);
            EXPECT_GE(fx.LifetimeFor(n), 1);
            fx.Init(a.get(), b.get(), n);
            int framesWithNewDrops = 0, last = 0, lastNewFrame = 0;
            CDibPicture* f = nullptr;
            for (int k = 1; k <= n; ++k) {
                f = fx.NextFrame();
                ASSERT_NE(f, nullptr);
                if (fx.DropsStarted() > last) {
                    ++framesWithNewDrops;
                    lastNewFrame = k;
                }
                last = fx.DropsStarted();
            }
            // Rain on several frames, all of them before the quiet tail.
            if (n >= 5) {
                EXPECT_GE(framesWithNewDrops, 2) << type << " n " << n;
            }
            EXPECT_GE(lastNewFrame, 1) << type << " n " << n;
            EXPECT_LE(lastNewFrame, n - quiet) << type << " n " << n;
            EXPECT_EQ(fx.DropsAlive(), 0) << type << " n " << n;
            EXPECT_TRUE(SamePixels(*f, *b)) << type << " n " << n;
        }
    }
    // The usual 25 frames: 13 frames of rain; the normal variants bring 6 drops a frame.
    std::srand(4);
    CRaindropsEffect normal(1);
    normal.Init(a.get(), b.get(), 25);
    for (int k = 1; k <= 25; ++k) normal.NextFrame();
    EXPECT_EQ(normal.DropsStarted(), 13 * 6);
    std::srand(4);
    CRaindropsEffect big(4);
    big.Init(a.get(), b.get(), 25);
    for (int k = 1; k <= 25; ++k) big.NextFrame();
    EXPECT_EQ(big.DropsStarted(), 13);
    // One frame: no room for rain, the frame is B.
    CRaindropsEffect one(2);
    one.Init(a.get(), b.get(), 1);
    EXPECT_TRUE(SamePixels(*one.NextFrame(), *b));
    EXPECT_EQ(one.DropsStarted(), 0);
}

TEST(MultiPassRaindrops, DropsRippleTheBase) {
    auto a = MakePicture(96, 60, 1);
    auto b = MakePicture(96, 60, 2);
    std::srand(8);
    CRaindropsEffect fx(1);
    fx.Init(a.get(), b.get(), 60);
    CDibPicture* f = nullptr;
    for (int k = 1; k <= 5; ++k) f = fx.NextFrame();
    ASSERT_NE(f, nullptr);
    EXPECT_GT(fx.DropsAlive(), 0);
    EXPECT_FALSE(SamePixels(*f, *a));  // the base is still A (first third), the rings are not
}

// ---------------------------------------------------------------- page roll and flip

TEST(MultiPassPageTurn, RadiiAndAngleTable) {
    auto a = MakePicture(37, 23, 1);
    auto b = MakePicture(37, 23, 2);
    const int roll[] = {5, 5, 3, 3}, flip[] = {18, 18, 11, 11};  // round(37 / 8), round(23 / 8), halves
    for (int type = 1; type <= 4; ++type) {
        CPageRollEffect r(type);
        r.Init(a.get(), b.get(), 4);
        EXPECT_EQ(r.GetRadius(), roll[type - 1]);
        CPageFlipEffect f(type);
        f.Init(a.get(), b.get(), 4);
        EXPECT_EQ(f.GetRadius(), flip[type - 1]);
        const auto& angles = f.GetAngles();
        const int radius = f.GetRadius();
        ASSERT_EQ(angles.size(), size_t(2 * radius + 1));
        EXPECT_EQ(angles.front(), -90.0);
        EXPECT_EQ(angles.back(), 90.0);
        EXPECT_EQ(angles[size_t(radius)], 0.0);
        for (int i = -radius; i < radius; ++i) {
            EXPECT_LT(angles[size_t(i + radius)], angles[size_t(i + radius + 1)]);
            EXPECT_NEAR(angles[size_t(i + radius)], -angles[size_t(radius - i)], 1e-12);
            EXPECT_NEAR(angles[size_t(i + radius)], std::asin(double(i) / radius) * 180.0 / 3.141592653589793,
                        1e-9);
        }
    }
}

TEST(MultiPassPageTurn, PageLeavesFromTheNamedEdge) {
    const int w = 64, h = 40;
    auto a = MakePicture(w, h, 1);
    auto b = MakePicture(w, h, 2);
    auto columnIs = [&](const CPicture& f, const CPicture& src, int x) {
        for (int y = 0; y < h; ++y)
            if (std::memcmp(f.GetRow(y) + 3 * x, src.GetRow(y) + 3 * x, 3) != 0) return false;
        return true;
    };
    auto rowIs = [&](const CPicture& f, const CPicture& src, int y) {
        return std::memcmp(f.GetRow(y), src.GetRow(y), size_t(3) * w) == 0;
    };
    for (bool flip : {false, true}) {
        for (int type = 1; type <= 4; ++type) {
            std::unique_ptr<CPageTurnEffect> fx;
            if (flip)
                fx = std::make_unique<CPageFlipEffect>(type);
            else
                fx = std::make_unique<CPageRollEffect>(type);
            const int n = 40;
            fx->Init(a.get(), b.get(), n);
            // Frame 1: the far edge still shows A untouched.
            CDibPicture* f = fx->NextFrame();
            ASSERT_NE(f, nullptr);
            switch (type) {
                case 1:
                    EXPECT_TRUE(columnIs(*f, *a, w - 1));
                    break;
                case 2:
                    EXPECT_TRUE(columnIs(*f, *a, 0));
                    break;
                case 3:
                    EXPECT_TRUE(rowIs(*f, *a, h - 1));
                    break;
                case 4:
                    EXPECT_TRUE(rowIs(*f, *a, 0));
                    break;
            }
            // Past the middle the starting edge shows B (possibly shadowed), not A.
            for (int k = 2; k <= 3 * n / 4; ++k) f = fx->NextFrame();
            const int edge = type == 1 ? 0 : type == 2 ? w - 1 : type == 3 ? 0 : h - 1;
            const uint8_t* pa = type <= 2 ? a->GetRow(h / 2) + 3 * edge : a->GetRow(edge) + 3 * (w / 2);
            const uint8_t* pb = type <= 2 ? b->GetRow(h / 2) + 3 * edge : b->GetRow(edge) + 3 * (w / 2);
            const uint8_t* pf = type <= 2 ? f->GetRow(h / 2) + 3 * edge : f->GetRow(edge) + 3 * (w / 2);
            for (int c = 0; c < 3; ++c) {
                EXPECT_LE(pf[c], pb[c]) << (flip ? "flip " : "roll ") << type;  // B, at most darkened
                EXPECT_GE(pf[c], pb[c] / 2) << (flip ? "flip " : "roll ") << type;
            }
            EXPECT_NE(std::memcmp(pf, pa, 3), 0);
        }
    }
}

}  // namespace
}  // namespace trov
