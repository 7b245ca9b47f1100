// Properties every registered effect must have, checked effect by effect: the frame protocol,
// repeatability, the last frame, text-mode frames that do not depend on their history, and
// robustness against unusable pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "EffectTestSupport.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"

namespace trov {
namespace {

// The effects whose frames are computed by the multi-pass families have their own tests; all
// others must end exactly on B.
const std::set<std::string> kMultiPass = [] {
    std::set<std::string> names;
    for (const test::CatalogueEntry& row : test::Catalogue())
        if (row.multiPass) names.insert(row.name);
    return names;
}();

std::vector<std::string> RegisteredNames() {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    std::vector<std::string> names;
    for (CFadingEffect* effect : manager.InRegistrationOrder()) names.push_back(effect->GetName());
    return names;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = std::to_string(info.index) + "_";
    for (unsigned char c : info.param) name += std::isalnum(c) ? char(c) : '_';
    return name;
}

class EffectProperties : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        RegisterBuiltinEffects(manager);
        effect = manager.Find(GetParam());
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override { manager.EndAll(); }
    CFadingEffectManager manager;
    CFadingEffect* effect = nullptr;
};

TEST_P(EffectProperties, GivesExactlyNFramesOfTheRightSizeInOneBufferThenNull) {
    for (auto [w, h] : {std::pair{37, 23}, std::pair{64, 48}}) {
        auto a = test::PatternA(w, h), b = test::PatternB(w, h);
        for (int n : {1, 2, 7, 30}) {
            effect->Init(a.get(), b.get(), n);
            EXPECT_EQ(effect->GetCurrentFrame(), 0);
            EXPECT_EQ(effect->GetFrameCount(), n);
            CDibPicture* first = nullptr;
            for (int k = 1; k <= n; ++k) {
                CDibPicture* frame = effect->NextFrame();
                ASSERT_NE(frame, nullptr) << "n=" << n << " k=" << k << " " << w << "x" << h;
                if (!first) first = frame;
                EXPECT_EQ(frame, first) << "frames must come from one output object";
                EXPECT_EQ(frame->GetWidth(), w);
                EXPECT_EQ(frame->GetHeight(), h);
                EXPECT_EQ(effect->GetCurrentFrame(), k);
            }
            EXPECT_EQ(effect->NextFrame(), nullptr) << "n=" << n;
            EXPECT_EQ(effect->NextFrame(), nullptr) << "after ending itself";
        }
    }
    effect->End();
    effect->End();  // twice is harmless
}

TEST_P(EffectProperties, InitTwiceGivesTheSameFramesAsInitAfterEnd) {
    auto a = test::PatternA(37, 23), b = test::PatternB(37, 23);
    const int n = 9;
    auto run = [&](bool endFirst, bool initTwice) {
        std::vector<std::unique_ptr<CDibPicture>> frames;
        if (endFirst) effect->End();
        if (initTwice) {
            std::srand(77);
            effect->Init(a.get(), b.get(), 4);
            effect->NextFrame();
        }
        std::srand(1234);
        effect->Init(a.get(), b.get(), n);
        for (int k = 1; k <= n; ++k) frames.push_back(test::Copy(effect->NextFrame()));
        return frames;
    };
    auto clean = run(true, false);
    auto again = run(false, true);
    for (int k = 0; k < n; ++k) {
        ASSERT_TRUE(clean[size_t(k)] && again[size_t(k)]);
        EXPECT_TRUE(test::SamePixels(*clean[size_t(k)], *again[size_t(k)])) << "frame " << k + 1;
    }
}

TEST_P(EffectProperties, LastFrameIsB) {
    if (kMultiPass.count(GetParam())) GTEST_SKIP() << "multi-pass effects are tested on their own";
    for (auto [w, h] : {std::pair{37, 23}, std::pair{64, 48}, std::pair{1, 1}, std::pair{2, 3}}) {
        auto a = test::PatternA(w, h), b = test::PatternB(w, h);
        for (int n : {1, 2, 3, 25}) {
            std::unique_ptr<CDibPicture> last = test::RunToEnd(*effect, *a, *b, n);
            ASSERT_NE(last, nullptr);
            EXPECT_TRUE(test::SamePixels(*last, *b))
                << w << "x" << h << " n=" << n << ": " << test::CountDifferent(*last, *b) << " pixels differ";
        }
    }
}

// Caption fades step the effect at arbitrary indices and change B between the calls (caption,
// then its mask). A text-mode frame must depend only on the index and the current pictures.
TEST_P(EffectProperties, TextModeFramesDependOnlyOnIndexAndPictures) {
    if (!effect->IsTextCapable()) GTEST_SKIP() << "not offered for caption fades";
    const int w = 37, h = 23, n = 8;
    auto black = test::Solid(w, h, 0, 0, 0);
    auto caption = test::PatternB(w, h), mask = test::PatternA(w, h);
    CDibPicture work;
    work.Create(w, h);
    // Reference: a fresh run for each index.
    std::vector<std::unique_ptr<CDibPicture>> reference;
    for (int i = 0; i < n; ++i) {
        effect->SetTextMode(true);
        std::srand(99);
        effect->Init(black.get(), caption.get(), n);
        effect->SetCurrentFrame(i);
        reference.push_back(test::Copy(effect->NextFrame()));
        ASSERT_NE(reference.back(), nullptr);
    }
    effect->SetTextMode(true);
    std::srand(99);
    effect->Init(black.get(), &work, n);
    for (int i : {5, 0, 7, 2, 2, 6, 1, 3, 4}) {
        work.CopyFrom(caption.get());
        effect->SetCurrentFrame(i);
        CDibPicture* frame = effect->NextFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(test::SamePixels(*frame, *reference[size_t(i)])) << "index " << i;
        work.CopyFrom(mask.get());
        effect->SetCurrentFrame(i);
        ASSERT_NE(effect->NextFrame(), nullptr);
    }
    effect->SetTextMode(false);
}

TEST_P(EffectProperties, UnusablePicturesNeverCrash) {
    auto a = test::PatternA(37, 23), b = test::PatternB(37, 23), other = test::PatternB(20, 31);
    CDibPicture empty;
    // B of another size is fitted to A's size.
    effect->Init(a.get(), other.get(), 3);
    for (int k = 0; k < 3; ++k) {
        CDibPicture* frame = effect->NextFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->GetWidth(), 37);
    }
    // No B or an empty B: A throughout, no crash.
    effect->Init(a.get(), nullptr, 3);
    for (int k = 0; k < 3; ++k) effect->NextFrame();
    effect->Init(a.get(), &empty, 3);
    for (int k = 0; k < 3; ++k) effect->NextFrame();
    // No A: nothing to show.
    effect->Init(nullptr, b.get(), 3);
    EXPECT_EQ(effect->NextFrame(), nullptr);
    effect->Init(&empty, b.get(), 3);
    EXPECT_EQ(effect->NextFrame(), nullptr);
    // Zero frames: the first call ends.
    effect->Init(a.get(), b.get(), 0);
    EXPECT_EQ(effect->NextFrame(), nullptr);
    // A negative index set by a caller starts from the first frame.
    effect->Init(a.get(), b.get(), 2);
    effect->SetCurrentFrame(-5);
    EXPECT_NE(effect->NextFrame(), nullptr);
    effect->End();
}

INSTANTIATE_TEST_SUITE_P(Registered, EffectProperties, ::testing::ValuesIn(RegisteredNames()), TestName);

}  // namespace
}  // namespace trov
