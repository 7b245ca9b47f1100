// Effects whose frames stand alone: every frame a twin draws, in any order and after any other
// frame, has the pixels of the frame the registered effect gives when stepped through; every
// other effect, plug-ins and look-alikes included, has no twin.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "EffectTestSupport.h"
#include "effects/BuiltinEffect.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "effects/builtin/CrossDissolveEffect.h"

namespace trov {
namespace {

// Frames 1..n of effect stepped as the creation steps a transition (copies; null where missing).
std::vector<std::unique_ptr<CDibPicture>> Stepped(CFadingEffect& effect, const CPicture& a, const CPicture& b,
                                                  int n) {
    std::vector<std::unique_ptr<CDibPicture>> frames;
    effect.Init(&a, &b, n);
    for (int k = 1; k <= n; ++k) frames.push_back(test::Copy(effect.NextFrame()));
    effect.End();
    return frames;
}

// Frame numbers 1..n in an order that jumps both ways: n, 1, n - 1, 2, ...
std::vector<int> Scrambled(int n) {
    std::vector<int> order;
    for (int lo = 1, hi = n; lo <= hi; ++lo, --hi) {
        order.push_back(hi);
        if (lo != hi) order.push_back(lo);
    }
    return order;
}

TEST(StandAloneFrames, EveryTwinDrawsTheSteppedFramesInAnyOrder) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    int twins = 0;
    struct Sizes {
        int aw, ah, bw, bh;
    };
    // Even and odd sizes (row padding), and a B of another size that the effect fits first.
    const Sizes sizes[] = {{64, 48, 64, 48}, {37, 23, 37, 23}, {40, 30, 57, 19}};
    for (CFadingEffect* effect : manager.InRegistrationOrder()) {
        std::unique_ptr<CFadingEffect> twin = MakeStandAloneTwin(*effect);
        if (!twin) continue;
        ++twins;
        EXPECT_EQ(twin->GetName(), effect->GetName());
        for (const Sizes& s : sizes) {
            auto a = test::PatternA(s.aw, s.ah), b = test::PatternB(s.bw, s.bh);
            for (int n : {1, 2, 9, 25}) {
                const auto stepped = Stepped(*effect, *a, *b, n);
                const std::string what = effect->GetName() + " n=" + std::to_string(n) + " " +
                                         std::to_string(s.aw) + "x" + std::to_string(s.ah);
                // One twin drawing every frame out of order, as a worker of the pool does.
                twin->Init(a.get(), b.get(), n);
                for (int k : Scrambled(n)) {
                    twin->SetCurrentFrame(k - 1);
                    CDibPicture* frame = twin->NextFrame();
                    ASSERT_NE(frame, nullptr) << what << " k=" << k;
                    ASSERT_NE(stepped[size_t(k - 1)], nullptr) << what << " k=" << k;
                    EXPECT_TRUE(test::SamePixels(*frame, *stepped[size_t(k - 1)])) << what << " k=" << k;
                }
                twin->End();
                // A fresh twin drawing only the last frame, and one drawing only the middle one.
                for (int k : {n, (n + 1) / 2}) {
                    auto fresh = MakeStandAloneTwin(*effect);
                    ASSERT_TRUE(fresh);
                    fresh->Init(a.get(), b.get(), n);
                    fresh->SetCurrentFrame(k - 1);
                    CDibPicture* frame = fresh->NextFrame();
                    ASSERT_NE(frame, nullptr) << what << " k=" << k;
                    EXPECT_TRUE(test::SamePixels(*frame, *stepped[size_t(k - 1)])) << what << " k=" << k;
                    fresh->End();
                }
            }
        }
    }
    EXPECT_EQ(twins, 26);
    for (const char* name :
         {"Cross Dissolve", "Iris (Round)", "Box-Wipe", "Zoom-In", "Blur-Fade", "Lens-Zoom-In",
          "Page-Roll (Left - Right)", "Curved Zoom-In (Top-Right)", "Stretch-Cross-Dissolve (Left-Right)"})
        EXPECT_TRUE(MakeStandAloneTwin(*manager.Find(name))) << name;
}

// The underwater effects draw their waves in Init: twins of an initialised effect take them, so
// frames drawn side by side are the stepped frames and the random sequence is drawn from as often.
TEST(StandAloneFrames, DrawnTwinsTakeTheNumbersOfTheInitialisedEffect) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    const auto a = test::PatternA(64, 48), b = test::PatternB(64, 48), odd = test::PatternB(37, 23);
    for (const char* name : {"Underwater Fade Out", "Underwater Fade In", "Underwater Cross Dissolve"}) {
        CFadingEffect& effect = *manager.Find(name);
        ASSERT_TRUE(DrawsAtRandomOnlyInInit(effect)) << name;
        EXPECT_FALSE(MakeDrawnTwin(effect)) << name << ": nothing drawn yet";
        for (const CPicture* to : {b.get(), odd.get()}) {
            for (int n : {1, 9, 25}) {
                const std::string what = std::string(name) + " n=" + std::to_string(n);
                std::srand(7);
                const auto stepped = Stepped(effect, *a, *to, n);
                const int afterStepping = std::rand();

                std::srand(7);
                effect.Init(a.get(), to, n);
                auto first = MakeDrawnTwin(effect), second = MakeDrawnTwin(effect);
                effect.End();
                EXPECT_EQ(std::rand(), afterStepping) << what;
                ASSERT_TRUE(first && second) << what;
                EXPECT_FALSE(MakeDrawnTwin(effect)) << what << ": after End";

                // Two workers taking alternate frames out of order; neither draws a number.
                std::srand(11);
                const int untouched = std::rand();
                std::srand(11);
                first->Init(a.get(), to, n);
                second->Init(a.get(), to, n);
                const std::vector<int> order = Scrambled(n);
                for (size_t i = 0; i < order.size(); ++i) {
                    CFadingEffect& twin = i % 2 ? *second : *first;
                    const int k = order[i];
                    twin.SetCurrentFrame(k - 1);
                    CDibPicture* frame = twin.NextFrame();
                    ASSERT_NE(frame, nullptr) << what << " k=" << k;
                    ASSERT_NE(stepped[size_t(k - 1)], nullptr) << what << " k=" << k;
                    EXPECT_TRUE(test::SamePixels(*frame, *stepped[size_t(k - 1)])) << what << " k=" << k;
                }
                first->End();
                second->End();
                EXPECT_EQ(std::rand(), untouched) << what;
            }
        }
    }
    // Effects whose frames draw numbers, stand alone anyway, or run in text mode: none.
    for (const char* name :
         {"Random Circle Cross Dissolve", "Raindrops (with Full-Crossfade)", "Cross Dissolve"}) {
        EXPECT_FALSE(DrawsAtRandomOnlyInInit(*manager.Find(name))) << name;
        EXPECT_FALSE(MakeDrawnTwin(*manager.Find(name))) << name;
    }
    CFadingEffect& caption = *manager.Find("Underwater Fade In");
    caption.SetTextMode(true);
    EXPECT_FALSE(DrawsAtRandomOnlyInInit(caption));
    caption.SetTextMode(false);
}

// A plug-in style effect that takes a built-in name.
class CLookAlike : public CBuiltinEffect {
public:
    CLookAlike() : CBuiltinEffect("Cross Dissolve", "9.9", true) {}

protected:
    void DrawFrame(int) override {}
};

TEST(StandAloneFrames, EffectsThatCarryStateOrAreNotTheAuditedClassHaveNoTwin) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    // Random numbers and accumulated buffers carry from frame to frame.
    for (const char* name : {"Random Dots", "Random Circle Cross Dissolve", "Raindrops (with Full-Crossfade)",
                             "Underwater Cross Dissolve", "Random Moving Dots"}) {
        ASSERT_NE(manager.Find(name), nullptr) << name;
        EXPECT_FALSE(MakeStandAloneTwin(*manager.Find(name))) << name;
    }
    CLookAlike lookAlike;
    EXPECT_FALSE(MakeStandAloneTwin(lookAlike));
    // A dissolve stepped at another speed, or one in the middle of a caption fade.
    CCrossDissolveEffect dissolve;
    EXPECT_TRUE(MakeStandAloneTwin(dissolve));
    dissolve.SetSpeed(0.5);
    EXPECT_FALSE(MakeStandAloneTwin(dissolve));
    dissolve.SetSpeed(1.0);
    dissolve.SetTextMode(true);
    EXPECT_FALSE(MakeStandAloneTwin(dissolve));
}

}  // namespace
}  // namespace trov
