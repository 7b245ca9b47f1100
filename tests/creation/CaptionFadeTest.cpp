// Frame cropping and caption fades (mask blend, reversed fade-out).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "creation/CaptionFade.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "support/TestPictures.h"

namespace trov {
namespace {

using test::Solid;

// A full-frame linear blend A -> B at index k (1-based): drawn from the index alone.
class CLinearTestEffect : public CFadingEffect {
public:
    CLinearTestEffect() { m_name = "Linear Test"; }
    void End() override { m_output.Reset(); }
    void Prepare(int) override {
        End();
        m_output.Create(m_pictureA->GetWidth(), m_pictureA->GetHeight());
    }
    CDibPicture* NextFrame() override {
        if (m_currentFrame >= m_frameCount) {
            End();
            return nullptr;
        }
        int k = ++m_currentFrame;
        const uint8_t* a = m_pictureA->GetBits();
        const uint8_t* b = m_pictureB->GetBits();
        uint8_t* o = m_output.GetBits();
        for (int i = 0; i < m_output.GetImageSize(); ++i)
            o[i] = uint8_t(a[i] + k * (b[i] - a[i]) / m_frameCount);
        return &m_output;
    }
};

TEST(CropFrame, MarginsShrinkThePictureIntoABlackBorder) {
    CPictureTools tools;
    auto white = Solid(640, 480, 0xFFFFFF);
    CropMargins m{10, 20, 30, 40};  // top, left, right, bottom
    auto out = CropFrame(*white, m, tools);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->GetWidth(), 640);
    ASSERT_EQ(out->GetHeight(), 480);
    // 590 x 430 from (20, 40).
    EXPECT_EQ(out->GetColour(20, 40), 0xFFFFFFu);
    EXPECT_EQ(out->GetColour(609, 469), 0xFFFFFFu);
    EXPECT_EQ(out->GetColour(19, 40), 0u);
    EXPECT_EQ(out->GetColour(610, 469), 0u);
    EXPECT_EQ(out->GetColour(20, 39), 0u);
    EXPECT_EQ(out->GetColour(20, 470), 0u);
    int whiteCount = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) whiteCount += out->GetColour(x, y) == 0xFFFFFFu;
    EXPECT_EQ(whiteCount, 590 * 430);
}

TEST(CropFrame, ZeroMarginsLeaveTheFrameAndAbsurdOnesGiveBlack) {
    CPictureTools tools;
    auto red = Solid(37, 23, 0x0000FF);
    EXPECT_EQ(CropFrame(*red, CropMargins{}, tools), nullptr);
    auto out = CropFrame(*red, CropMargins{20, 20, 20, 20}, tools);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->GetColour(18, 11), 0u);
}

// Frames the sink receives, copied.
struct Collector {
    std::vector<std::unique_ptr<CDibPicture>> frames;
    FrameSink Sink() {
        return [this](const CPicture& f) {
            frames.push_back(f.Clone());
            return true;
        };
    }
};

TEST(CaptionFade, FadeOutIsTheFadeInReversedAndOnlyTheCaptionChanges) {
    CPictureTools tools;
    const int w = 160, h = 120;
    auto bare = Solid(w, h, MakeColour(30, 60, 90));
    auto captioned = bare->Clone();
    CaptionDrawing cap;
    cap.settings.text = "Hello";
    cap.settings.textColour = MakeColour(255, 255, 0);
    cap.settings.backColour = MakeColour(0, 0, 80);
    cap.settings.backWidth = 2;
    cap.font.height = -30;
    cap.position = kCaptionCenterCenter;
    ASSERT_TRUE(tools.DrawCaption(captioned.get(), &cap.settings, &cap.font, cap.position));

    CLinearTestEffect fx;
    Collector in, out;
    ASSERT_TRUE(RunCaptionFade(fx, 5, true, *bare, *captioned, cap, tools, in.Sink()));
    ASSERT_TRUE(RunCaptionFade(fx, 5, false, *bare, *captioned, cap, tools, out.Sink()));
    ASSERT_EQ(in.frames.size(), 5u);
    ASSERT_EQ(out.frames.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(in.frames[i]->GetImageSize(), out.frames[4 - i]->GetImageSize());
        EXPECT_EQ(0,
                  memcmp(in.frames[i]->GetBits(), out.frames[4 - i]->GetBits(), in.frames[i]->GetImageSize()))
            << i;
    }
    // The last fade-in frame shows the caption (anti-aliased edges blend differently, solid parts
    // are equal); the corners never change.
    int far = 0, shown = 0;
    for (int i = 0; i < captioned->GetImageSize(); ++i) {
        far += std::abs(int(in.frames[4]->GetBits()[i]) - int(captioned->GetBits()[i])) > 70;
        shown += in.frames[4]->GetBits()[i] != bare->GetBits()[i];
    }
    EXPECT_EQ(far, 0);
    EXPECT_GT(shown, 50);
    for (auto& f : in.frames) EXPECT_EQ(f->GetColour(0, 0), MakeColour(30, 60, 90));
    // The first frame is between the two: it differs from both somewhere.
    EXPECT_NE(0, memcmp(in.frames[0]->GetBits(), bare->GetBits(), bare->GetImageSize()));
    EXPECT_NE(0, memcmp(in.frames[0]->GetBits(), captioned->GetBits(), bare->GetImageSize()));
    EXPECT_FALSE(fx.IsTextMode());
}

TEST(CaptionFade, CancelStopsAfterTheCurrentFrameAndZeroFramesWriteNothing) {
    CPictureTools tools;
    auto bare = Solid(32, 32, 0);
    auto cap = bare->Clone();
    CaptionDrawing drawing;
    drawing.settings.text = "x";
    CLinearTestEffect fx;
    int calls = 0;
    EXPECT_FALSE(RunCaptionFade(fx, 10, true, *bare, *cap, drawing, tools, [&](const CPicture&) {
        ++calls;
        return calls < 3;
    }));
    EXPECT_EQ(calls, 3);
    calls = 0;
    EXPECT_TRUE(RunCaptionFade(fx, 0, true, *bare, *cap, drawing, tools, [&](const CPicture&) {
        ++calls;
        return true;
    }));
    EXPECT_EQ(calls, 0);
}

// Caption fades as they were drawn before captions were prepared once: the caption and its white
// mask drawn onto black with DrawCaption, then the effect stepped twice per frame.
std::vector<std::unique_ptr<CDibPicture>> DrawnCaptionFade(CFadingEffect& effect, int n, bool fadeIn,
                                                           const CPicture& bare, const CaptionDrawing& cap,
                                                           CPictureTools& tools) {
    std::vector<std::unique_ptr<CDibPicture>> frames;
    const int w = bare.GetWidth(), h = bare.GetHeight();
    auto start = Solid(w, h, 0), end = Solid(w, h, 0), text = Solid(w, h, 0), mask = Solid(w, h, 0);
    tools.DrawCaption(text.get(), &cap.settings, &cap.font, cap.position);
    CaptionSettings white = cap.settings;
    white.textColour = white.backColour = 0xFFFFFF;
    tools.DrawCaption(mask.get(), &white, &cap.font, cap.position);
    effect.SetTextMode(true);
    effect.Init(start.get(), end.get(), n);
    for (int k = 0; k < n; ++k) {
        const int i = fadeIn ? k : n - 1 - k;
        end->CopyFrom(text.get());
        effect.SetCurrentFrame(i);
        CDibPicture* f = effect.NextFrame();
        if (!f) break;
        auto textFrame = f->Clone();
        end->CopyFrom(mask.get());
        effect.SetCurrentFrame(i);
        CDibPicture* m = effect.NextFrame();
        if (!m) break;
        auto out = bare.Clone();
        out->BlendWithMask(textFrame.get(), m);
        frames.push_back(std::move(out));
    }
    effect.End();
    effect.SetTextMode(false);
    return frames;
}

TEST(CaptionFade, EveryCaptionEffectFadesAPreparedCaptionAsADrawnOne) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    CPictureTools tools;
    const int w = 96, h = 64, n = 4;
    auto bare = test::MakePicture(w, h, 3);
    CaptionDrawing cap;
    cap.settings.text = "Fade me";
    cap.settings.textColour = MakeColour(250, 240, 20);
    cap.settings.backColour = MakeColour(10, 0, 90);
    cap.settings.backWidth = 2;
    cap.font.height = -20;
    cap.position = kCaptionBottomCenter;
    auto overlay = CCaptionOverlay::Build(w, h, cap.settings, cap.font, cap.position);
    ASSERT_TRUE(overlay);
    auto captioned = bare->Clone();
    ASSERT_TRUE(overlay->Composite(*captioned));
    int faded = 0;
    for (CFadingEffect* fx : manager.InRegistrationOrder()) {
        if (!fx->IsTextCapable() || fx->GetName() == "Cross Dissolve") continue;
        ++faded;
        for (bool fadeIn : {true, false}) {
            std::srand(5);
            auto expected = DrawnCaptionFade(*fx, n, fadeIn, *bare, cap, tools);
            std::srand(5);
            Collector got;
            ASSERT_TRUE(RunCaptionFade(*fx, n, fadeIn, *bare, *captioned, overlay.get(), tools, got.Sink()));
            ASSERT_EQ(got.frames.size(), expected.size()) << fx->GetName();
            for (size_t k = 0; k < expected.size(); ++k)
                EXPECT_EQ(
                    0, memcmp(got.frames[k]->GetBits(), expected[k]->GetBits(), expected[k]->GetImageSize()))
                    << fx->GetName() << (fadeIn ? " in, frame " : " out, frame ") << k;
        }
    }
    EXPECT_GT(faded, 20);
    manager.EndAll();
}

TEST(CaptionFade, ACaptionThatCouldNotBePreparedFadesAsNothing) {
    CPictureTools tools;
    auto bare = test::MakePicture(48, 32, 9);
    CLinearTestEffect fx;
    Collector got;
    ASSERT_TRUE(RunCaptionFade(fx, 3, true, *bare, *bare, nullptr, tools, got.Sink()));
    ASSERT_EQ(got.frames.size(), 3u);
    for (auto& f : got.frames) EXPECT_EQ(0, memcmp(f->GetBits(), bare->GetBits(), bare->GetImageSize()));
}

}  // namespace
}  // namespace trov
