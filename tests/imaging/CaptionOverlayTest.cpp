// Prepared captions: one layout composited onto many pictures (and from many threads) draws what
// a fresh DrawCaption draws on each; the white version is the fade mask.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "imaging/CaptionOverlay.h"
#include "imaging/PictureTools.h"
#include "support/TestPictures.h"

namespace trov {
namespace {

bool SameBits(const CPicture& a, const CPicture& b) {
    return a.GetImageSize() == b.GetImageSize() &&
           std::memcmp(a.GetBits(), b.GetBits(), a.GetImageSize()) == 0;
}

struct Case {
    std::string text;
    LogFont font;
    int backWidth;
    Colour text_, back;
};

std::vector<Case> Cases() {
    LogFont arial = LogFont::Default();
    LogFont serif;
    serif.faceName = "DejaVu Serif";
    serif.height = -34;
    serif.width = 0;
    serif.weight = 700;
    serif.italic = 1;
    LogFont mono;
    mono.faceName = "DejaVu Sans Mono";
    mono.height = 22;
    mono.width = 20;
    mono.underline = 1;
    mono.strikeOut = 1;
    return {
        {"Summer at the lake", arial, 0, 0xFFFFFF, 0x000000},
        {"Two lines\\nof caption, wrapped when they are far too long for the frame", arial, 3, 0x00FFFF,
         0x400000},
        {"Italic overhang ffj", serif, 1, 0x2040F0, 0xFFFFFF},
        {"Mono \xE4\xF6\xFC Latin-1 bytes", mono, 10, 0x000000, 0x80FF80},
    };
}

TEST(CaptionOverlay, OneLayoutDrawsWhatDrawCaptionDrawsOnEveryPictureAndPosition) {
    CPictureTools tools;
    const int w = 320, h = 200;
    std::vector<std::unique_ptr<CDibPicture>> pictures;
    pictures.push_back(test::Solid(w, h, 0x405060));
    pictures.push_back(test::MakePattern(w, h));
    pictures.push_back(test::MakePicture(w, h, 7));
    const int positions[] = {kCaptionBottomLeft,   kCaptionBottomCenter,
                             kCaptionBottomRight,  kCaptionCenterLeft,
                             kCaptionCenterRight,  kCaptionTopLeft,
                             kCaptionTopCenter,    kCaptionTopRight,
                             kCaptionCenterCenter, 42};
    for (const Case& c : Cases()) {
        CaptionSettings s;
        s.text = c.text;
        s.textColour = c.text_;
        s.backColour = c.back;
        s.backWidth = c.backWidth;
        for (int pos : positions) {
            auto overlay = CCaptionOverlay::Build(w, h, s, c.font, pos);
            ASSERT_TRUE(overlay) << c.text << " at " << pos;
            EXPECT_FALSE(overlay->IsEmpty());
            // Twice over the set: compositing leaves nothing behind in the overlay.
            for (int round = 0; round < 2; ++round) {
                for (const auto& pic : pictures) {
                    auto drawn = pic->Clone();
                    ASSERT_TRUE(tools.DrawCaption(drawn.get(), &s, &c.font, pos));
                    auto composed = pic->Clone();
                    ASSERT_TRUE(overlay->Composite(*composed));
                    EXPECT_TRUE(SameBits(*drawn, *composed)) << c.text << " at " << pos;
                    EXPECT_FALSE(SameBits(*pic, *composed)) << c.text << " at " << pos;
                }
            }
            auto mask = tools.MakeCaptionMask(w, h, s, c.font, pos);
            ASSERT_TRUE(mask);
            auto white = test::Black(w, h);
            ASSERT_TRUE(overlay->Composite(*white, 0xFFFFFF, 0xFFFFFF));
            EXPECT_TRUE(SameBits(*mask, *white)) << c.text << " at " << pos;
        }
    }
}

TEST(CaptionOverlay, WrongSizesEmptyTextAndCaptionsOutsideThePictureChangeNothing) {
    CaptionSettings s;
    s.text = "Hello";
    s.backWidth = 2;
    const LogFont font = LogFont::Default();
    auto overlay = CCaptionOverlay::Build(160, 120, s, font, kCaptionBottomCenter);
    ASSERT_TRUE(overlay);
    EXPECT_EQ(overlay->Width(), 160);
    EXPECT_EQ(overlay->Height(), 120);
    for (auto [w, h] : {std::pair{161, 120}, std::pair{160, 119}, std::pair{120, 160}}) {
        auto pic = test::MakePattern(w, h);
        auto before = pic->Clone();
        EXPECT_FALSE(overlay->Composite(*pic));
        EXPECT_TRUE(SameBits(*pic, *before));
    }
    CDibPicture none;
    EXPECT_FALSE(overlay->Composite(none));

    CaptionSettings empty = s;
    empty.text.clear();
    EXPECT_EQ(CCaptionOverlay::Build(160, 120, empty, font, 1), nullptr);
    EXPECT_EQ(CCaptionOverlay::Build(0, 120, s, font, 1), nullptr);
    EXPECT_EQ(CCaptionOverlay::Build(160, -1, s, font, 1), nullptr);

    // A bottom caption on a picture a few rows high lands above its top edge.
    auto tiny = CCaptionOverlay::Build(40, 3, s, font, kCaptionBottomLeft);
    ASSERT_TRUE(tiny);
    EXPECT_TRUE(tiny->IsEmpty());
    auto pic = test::MakePattern(40, 3);
    auto before = pic->Clone();
    EXPECT_TRUE(tiny->Composite(*pic));
    EXPECT_TRUE(SameBits(*pic, *before));
}

TEST(CaptionOverlay, ThreadsShareOneOverlay) {
    const int w = 256, h = 144;
    CaptionSettings s;
    s.text = "Shared by every frame\\nof the entry";
    s.textColour = 0x10E0F0;
    s.backColour = 0x202020;
    s.backWidth = 4;
    auto overlay = CCaptionOverlay::Build(w, h, s, LogFont::Default(), kCaptionCenterCenter);
    ASSERT_TRUE(overlay);
    std::vector<std::unique_ptr<CDibPicture>> sources, expected;
    for (int t = 0; t < 4; ++t) {
        sources.push_back(test::MakePicture(w, h, t + 1));
        expected.push_back(sources.back()->Clone());
        ASSERT_TRUE(overlay->Composite(*expected.back()));
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < 25; ++k) {
                auto pic = sources[size_t(t)]->Clone();
                if (!overlay->Composite(*pic) || !SameBits(*pic, *expected[size_t(t)]))
                    ++mismatches[size_t(t)];
            }
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(mismatches[size_t(t)], 0) << "thread " << t;
}

}  // namespace
}  // namespace trov
