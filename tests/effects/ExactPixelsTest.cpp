// Hand-computed pixels of the effects whose geometry is given by formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "EffectTestSupport.h"
#include "effects/builtin/BarnDoorEffect.h"
#include "effects/builtin/BarsEffect.h"
#include "effects/builtin/BoxWipeEffect.h"
#include "effects/builtin/BrightnessFadeEffect.h"
#include "effects/builtin/CornerWipeEffect.h"
#include "effects/builtin/CrossDissolveEffect.h"
#include "effects/builtin/CrossSlideEffect.h"
#include "effects/builtin/FlowWipeEffect.h"
#include "effects/builtin/MosaicEffect.h"
#include "effects/builtin/MoveEffect.h"
#include "effects/builtin/OpenCloseWipeEffect.h"
#include "effects/builtin/RgbMoveEffect.h"
#include "effects/builtin/ShapeWipeEffect.h"
#include "effects/builtin/SidePushEffect.h"
#include "effects/builtin/TwoStageDissolveEffect.h"
#include "effects/builtin/WipeEffect.h"

namespace trov {
namespace {

using test::SamePixel;

// Steps an effect to frame k (1-based) of n and returns a copy of that frame.
std::unique_ptr<CDibPicture> FrameAt(CFadingEffect& effect, const CPicture& a, const CPicture& b, int n,
                                     int k) {
    effect.Init(&a, &b, n);
    std::unique_ptr<CDibPicture> frame;
    for (int i = 1; i <= k; ++i) frame = test::Copy(effect.NextFrame());
    return frame;
}

// ---- directional wipes ----

TEST(WipeExact, WithOneFramePerColumnFrameKShowsExactlyKColumnsOfB) {
    const int w = 37, h = 23;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CWipeEffect leftRight(1), rightLeft(2);
    leftRight.Init(a.get(), b.get(), w);
    rightLeft.Init(a.get(), b.get(), w);
    for (int k = 1; k <= w; ++k) {
        const CDibPicture* lr = leftRight.NextFrame();
        const CDibPicture* rl = rightLeft.NextFrame();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                ASSERT_TRUE(SamePixel(*lr, x, y, x < k ? *b : *a, x, y)) << "k=" << k << " x=" << x;
                ASSERT_TRUE(SamePixel(*rl, x, y, x >= w - k ? *b : *a, x, y)) << "k=" << k << " x=" << x;
            }
    }
}

TEST(WipeExact, VerticalWipesGrowFromTheirNamedEdge) {
    const int w = 20, h = 23;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CWipeEffect topBottom(3), bottomTop(4);
    for (int k : {1, 5, 17, 23}) {
        auto tb = FrameAt(topBottom, *a, *b, h, k);
        auto bt = FrameAt(bottomTop, *a, *b, h, k);
        for (int y = 0; y < h; ++y) {
            // Rows are bottom-up: the top row is h - 1.
            EXPECT_TRUE(SamePixel(*tb, 3, y, y >= h - k ? *b : *a, 3, y)) << "k=" << k << " y=" << y;
            EXPECT_TRUE(SamePixel(*bt, 3, y, y < k ? *b : *a, 3, y)) << "k=" << k << " y=" << y;
        }
    }
}

TEST(WipeExact, TextModeFramesAreOneStripAhead) {
    const int w = 30, h = 4, n = 10;  // strips of 3 columns
    auto black = test::Solid(w, h, 0, 0, 0), b = test::PatternB(w, h);
    CWipeEffect wipe(1);
    wipe.SetTextMode(true);
    wipe.Init(black.get(), b.get(), n);
    for (int i : {0, 4, 9, 2}) {
        wipe.SetCurrentFrame(i);
        const CDibPicture* frame = wipe.NextFrame();
        const int shown = std::min(3 * (i + 2), w);  // trunc((k + 1) * W / n) with k = i + 1
        for (int x = 0; x < w; ++x)
            EXPECT_TRUE(SamePixel(*frame, x, 1, x < shown ? *b : *black, x, 1)) << i << " " << x;
    }
}

// ---- open and close wipes: the union of the bands drawn up to frame k ----

TEST(OpenCloseExact, BandsFollowTheirFormulas) {
    const int w = 5, h = 48, n = 4;  // h2 = 24, c = m = 6
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    const int h2 = h / 2;
    const double c = double(h2) / n, m = double(h - h2) / n;
    auto T = [](double v) { return static_cast<int>(v); };
    for (int type : {1, 2}) {
        COpenCloseWipeEffect effect(type);
        effect.Init(a.get(), b.get(), n);
        std::vector<bool> isB(size_t(h), false);
        for (int k = 1; k <= n; ++k) {
            auto mark = [&](int lo, int hi) {
                for (int y = std::max(lo, 0); y < std::min(hi, h); ++y) isB[size_t(y)] = true;
            };
            if (type == 1) {
                mark(h2 - T(c * k), h2 - T(c * (k - 1) - 1));
                mark(h2 + T(m * (k - 1) - 1), h2 + T(m * k));
            } else {
                mark(T(c * (k - 1)), T(c * k + 1));
                mark(h - T(m * k + 1), h - T(m * (k - 1)));
            }
            const CDibPicture* frame = effect.NextFrame();
            for (int y = 0; y < h; ++y)
                EXPECT_TRUE(SamePixel(*frame, 2, y, isB[size_t(y)] ? *b : *a, 2, y))
                    << type << " k=" << k << " y=" << y;
        }
    }
}

TEST(OpenCloseExact, VerticalOpenWipeOpensAroundTheMiddleColumn) {
    const int w = 40, h = 3, n = 5;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    COpenCloseWipeEffect effect(3);
    auto frame = FrameAt(effect, *a, *b, n, 2);  // half-widths 20 * 2 / 5 = 8
    for (int x = 0; x < w; ++x) EXPECT_TRUE(SamePixel(*frame, x, 1, x >= 12 && x < 28 ? *b : *a, x, 1)) << x;
}

// ---- boxes, corners, moves ----

TEST(BoxExact, BoxWipeWithTwoFramesShowsTheCentredHalfBox) {
    const int w = 37, h = 23;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CBoxWipeEffect box(1), reverse(2);
    auto frame = FrameAt(box, *a, *b, 2, 1);
    auto back = FrameAt(reverse, *a, *b, 2, 1);
    // Box of 18 x 11 at ((37 - 18) / 2, (23 - 11) / 2) = (9, 6).
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool inside = x >= 9 && x < 27 && y >= 6 && y < 17;
            ASSERT_TRUE(SamePixel(*frame, x, y, inside ? *b : *a, x, y)) << x << "," << y;
            ASSERT_TRUE(SamePixel(*back, x, y, inside ? *a : *b, x, y)) << x << "," << y;
        }
}

TEST(CornerExact, RightTopCornerRectangle) {
    const int w = 40, h = 20, n = 4;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CCornerWipeEffect corner(4);
    auto frame = FrameAt(corner, *a, *b, n, 1);  // 10 x 5 at the top right
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_TRUE(SamePixel(*frame, x, y, x >= 30 && y >= 15 ? *b : *a, x, y)) << x << "," << y;
}

TEST(MoveExact, MoveSlidesBInAndSidePushPushesAOut) {
    const int w = 40, h = 6, n = 4;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CMoveEffect move(1);
    CSidePushEffect push(1);
    auto moved = FrameAt(move, *a, *b, n, 1);  // o = 10
    auto pushed = FrameAt(push, *a, *b, n, 1);
    for (int x = 0; x < w; ++x) {
        if (x < 10) {
            EXPECT_TRUE(SamePixel(*moved, x, 2, *b, x + 30, 2)) << x;
            EXPECT_TRUE(SamePixel(*pushed, x, 2, *b, x + 30, 2)) << x;
        } else {
            EXPECT_TRUE(SamePixel(*moved, x, 2, *a, x, 2)) << x;
            EXPECT_TRUE(SamePixel(*pushed, x, 2, *a, x - 10, 2)) << x;
        }
    }
}

TEST(BarnDoorExact, HorizontalCloseBringsBsHalvesFromTheEdges) {
    const int w = 3, h = 40, n = 4;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CBarnDoorEffect door(4);
    auto frame = FrameAt(door, *a, *b, n, 1);  // b = 3 * 20 / 4 = 15 rows still to come
    for (int y = 0; y < h; ++y) {
        if (y < 5)
            EXPECT_TRUE(SamePixel(*frame, 1, y, *b, 1, y + 15)) << y;
        else if (y >= 35)
            EXPECT_TRUE(SamePixel(*frame, 1, y, *b, 1, y - 15)) << y;
        else
            EXPECT_TRUE(SamePixel(*frame, 1, y, *a, 1, y)) << y;
    }
}

TEST(BarsExact, HorizontalOpenBarShiftsAsHalvesApart) {
    const int w = 40, h = 10, n = 4;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CBarsEffect bars(1);
    auto frame = FrameAt(bars, *a, *b, n, 1);  // f = 10
    for (int x = 0; x < w; ++x) {
        EXPECT_TRUE(SamePixel(*frame, x, 2, x < 30 ? *a : *b, x < 30 ? x + 10 : x, 2)) << "lower " << x;
        EXPECT_TRUE(SamePixel(*frame, x, 7, x >= 10 ? *a : *b, x >= 10 ? x - 10 : x, 7)) << "upper " << x;
    }
}

TEST(CrossSlideExact, OpenMovesAsBottomLeftQuadrantTowardItsCorner) {
    const int w = 40, h = 20, n = 4;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CCrossSlideEffect slide(1);
    auto frame = FrameAt(slide, *a, *b, n, 1);  // e = 5, f = 2
    EXPECT_TRUE(SamePixel(*frame, 0, 0, *a, 5, 2));
    EXPECT_TRUE(SamePixel(*frame, 14, 7, *a, 19, 9));
    EXPECT_TRUE(SamePixel(*frame, 16, 9, *b, 16, 9)) << "the gap at the centre shows B";
}

// ---- dissolves ----

TEST(DissolveExact, CrossDissolveFramesAreExactFractionsOfTheWay) {
    const int w = 7, h = 5, n = 3;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CCrossDissolveEffect dissolve;
    dissolve.Init(a.get(), b.get(), n);
    for (int k = 1; k <= n; ++k) {
        const CDibPicture* frame = dissolve.NextFrame();
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < 3 * w; ++i) {
                const int av = a->GetRow(y)[i], bv = b->GetRow(y)[i];
                EXPECT_EQ(frame->GetRow(y)[i], (n * av + k * (bv - av)) / n) << "k=" << k;
            }
    }
}

TEST(DissolveExact, OneFrameCrossDissolveIsB) {
    auto a = test::PatternA(37, 23), b = test::PatternB(37, 23);
    CCrossDissolveEffect dissolve;
    auto last = test::RunToEnd(dissolve, *a, *b, 1);
    EXPECT_TRUE(test::SamePixels(*last, *b));
}

TEST(DissolveExact, SpeedJumpsSeveralStepsPerFrame) {
    auto x = test::Solid(4, 4, 10, 200, 0), y = test::Solid(4, 4, 211, 1, 255);
    CCrossDissolveEffect dissolve;
    dissolve.SetSpeed(25.0);
    dissolve.Init(x.get(), y.get(), 50);
    const CDibPicture* frame = dissolve.NextFrame();
    uint8_t r, g, bl;
    frame->GetPixel(1, 1, r, g, bl);
    EXPECT_EQ(r, 110);             // 10 + 201 / 2 = 110.5
    EXPECT_EQ(g, 100);             // 200 - 199 / 2 = 100.5
    EXPECT_EQ(bl, 127);            // 255 / 2 = 127.5
    frame = dissolve.NextFrame();  // 50 of 50 steps
    frame->GetPixel(1, 1, r, g, bl);
    EXPECT_EQ(r, 211);
    EXPECT_EQ(g, 1);
    EXPECT_EQ(bl, 255);
    frame = dissolve.NextFrame();  // beyond B: clamped, never wrapped
    frame->GetPixel(1, 1, r, g, bl);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(bl, 255);
}

TEST(DissolveExact, AdditionalDissolvePassesThroughTheSum) {
    auto a = test::PatternA(9, 7), b = test::PatternB(9, 7);
    CTwoStageDissolveEffect additional(1), subtractive(2);
    auto middle = FrameAt(additional, *a, *b, 4, 2);
    auto half = FrameAt(additional, *a, *b, 4, 1);
    auto difference = FrameAt(subtractive, *a, *b, 4, 2);
    for (int y = 0; y < 7; ++y)
        for (int i = 0; i < 27; ++i) {
            const int av = a->GetRow(y)[i], bv = b->GetRow(y)[i];
            const int m = std::min(255, av + bv);
            EXPECT_EQ(middle->GetRow(y)[i], m);
            EXPECT_EQ(half->GetRow(y)[i], (2 * av + (m - av)) / 2);
            EXPECT_EQ(difference->GetRow(y)[i], std::max(0, bv - av));
        }
    // With one frame the first stage is empty and the second goes straight to B.
    auto single = FrameAt(additional, *a, *b, 1, 1);
    EXPECT_TRUE(test::SamePixels(*single, *b));
}

// ---- shape wipes ----

TEST(IrisExact, FrameKShowsBInsideRadiusRkOverN) {
    const int w = 37, h = 23, n = 5;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CIrisEffect iris;
    iris.Init(a.get(), b.get(), n);
    const int cx = w / 2, cy = h / 2;
    const double radius = std::trunc(std::sqrt(double(cx * cx + cy * cy)));
    for (int k = 1; k < n; ++k) {
        const CDibPicture* frame = iris.NextFrame();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double d = std::hypot(x - cx, y - cy);
                ASSERT_TRUE(SamePixel(*frame, x, y, d <= radius * k / n ? *b : *a, x, y))
                    << k << ":" << x << "," << y;
            }
    }
}

TEST(FanExact, FanOpensFromTheVerticalCentreLine) {
    const int w = 40, h = 20, n = 2;
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CFanEffect fan;
    auto frame = FrameAt(fan, *a, *b, n, 1);  // angles below 45 degrees
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double t = std::fabs(std::atan((20.0 - x) / (1e-6 - y))) * 180.0 / std::numbers::pi;
            ASSERT_TRUE(SamePixel(*frame, x, y, t < 45.0 ? *b : *a, x, y)) << x << "," << y;
        }
}

TEST(BrightnessExact, DarkPixelsTurnFirst) {
    const int n = 4;  // s = 64
    CDibPicture a;
    a.Create(4, 1);
    a.SetPixel(0, 0, 10, 10, 10);     // brightness 10: frame 1
    a.SetPixel(1, 0, 70, 60, 65);     // 65: frame 2
    a.SetPixel(2, 0, 200, 190, 180);  // 190: frame 3
    a.SetPixel(3, 0, 255, 255, 255);  // 255: frame 4
    auto b = test::Solid(4, 1, 1, 2, 3);
    CBrightnessFadeEffect fade(1);
    fade.Init(&a, b.get(), n);
    for (int k = 1; k <= n; ++k) {
        const CDibPicture* frame = fade.NextFrame();
        for (int x = 0; x < 4; ++x)
            EXPECT_TRUE(SamePixel(*frame, x, 0, x < k ? *b : a, x, 0)) << k << " " << x;
    }
}

// ---- mosaic ----

TEST(MosaicExact, BlocksTakeTheColourAtTheirCentre) {
    const int w = 41, h = 31, n = 4;  // s_max = 15, na = 2: frame 1 has side trunc(15 / 4) + 1 = 4
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CMosaicEffect mosaic;
    auto frame = FrameAt(mosaic, *a, *b, n, 1);
    // Centres on (20 + 4i, 15 + 4j); the block of centre (20, 15) spans [18, 22) x [13, 17).
    for (int y = 13; y < 17; ++y)
        for (int x = 18; x < 22; ++x) EXPECT_TRUE(SamePixel(*frame, x, y, *a, 20, 15)) << x << "," << y;
    // The first centre column is 20 - 5 * 4 = 0: the block of (0, 3) spans columns [0, 2).
    EXPECT_TRUE(SamePixel(*frame, 1, 4, *a, 0, 3));
}

// ---- flow wipe: both parameter sets against the formula, at the reference height ----

TEST(FlowWipeExact, BothParameterSetsFollowTheWaveFormula) {
    const int w = 96, h = 288, n = 20;  // H = 288: amplitudes and margin unscaled
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    struct Set {
        double phase[5], amplitude[5], speed[5], frequency[5], margin;
    };
    const Set sets[2] = {
        {{5, 276, 352, 98, 345}, {10, 21, 3, 10, 6}, {3, 4, 7, 0, -10}, {6.8, 2.6, 4.1, 6.5, 1.0}, 50},
        {{252, 302, 163, 339, 285}, {27, 18, 6, 11, 8}, {-2, -5, 2, -5, 9}, {1.7, 2.6, 0.8, 4.8, 6.3}, 70}};
    for (int which = 1; which <= 2; ++which) {
        const Set& set = sets[which - 1];
        auto wave = [&](int x, int k) {
            double y = 0;
            for (int i = 0; i < 5; ++i)
                y +=
                    set.amplitude[i] * h / 288.0 *
                    std::sin((x * set.frequency[i] * 384.0 / w - k * set.speed[i] * 25.0 / n - set.phase[i]) *
                             std::numbers::pi / 180.0);
            return y;
        };
        int m0 = 0;
        for (int x = 0; x < w; ++x) m0 = std::max(m0, int(wave(x, 0)));
        const double v = (h + set.margin + m0 + 1) / n;
        CFlowWipeEffect flow;
        flow.SetParameterSet(which);
        flow.Init(a.get(), b.get(), n);
        EXPECT_EQ(flow.GetParameterSet(), which);
        for (int k = 1; k <= n; ++k) {
            const CDibPicture* frame = flow.NextFrame();
            const int base = int(k * v - m0);
            for (int x = 0; x < w; x += 5) {
                const int e = int(wave(x, k) + base);
                for (int y = 0; y < h; y += 3)
                    ASSERT_TRUE(SamePixel(*frame, x, y, y < h - e ? *a : *b, x, y))
                        << "set " << which << " k=" << k << " x=" << x << " y=" << y;
            }
        }
    }
}

// ---- RGB move ----

TEST(RgbMoveExact, ChannelsOfAMoveApartAlongTheirDirections) {
    const int w = 40, h = 20, n = 4;  // half = 2; frame 1: m = 1, q = 4: offsets (10, 5)
    auto a = test::PatternA(w, h), b = test::PatternB(w, h);
    CRgbMoveEffect rgb;
    auto frame = FrameAt(rgb, *a, *b, n, 1);
    const int signX[4] = {-1, 1, 1, -1}, signY[4] = {-1, -1, 1, 1};
    std::set<int> codes;
    for (int channel = 0; channel < 3; ++channel) {
        const int code = rgb.GetDirection(0, channel);
        codes.insert(code);
        const int dx = 10 * signX[code], dy = 5 * signY[code];
        const int byte = 2 - channel;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int tx = x + dx, ty = y + dy;
                if (tx < 0 || tx >= w || ty < 0 || ty >= h) continue;
                ASSERT_EQ(frame->GetRow(ty)[3 * tx + byte], a->GetRow(y)[3 * x + byte]) << channel;
            }
    }
    EXPECT_EQ(codes.size(), 3u) << "three different directions";
    EXPECT_LT(rgb.GetDirection(0, 0), rgb.GetDirection(0, 1));
    EXPECT_LT(rgb.GetDirection(0, 1), rgb.GetDirection(0, 2));
}

}  // namespace
}  // namespace trov
