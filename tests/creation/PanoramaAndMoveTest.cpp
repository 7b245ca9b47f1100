// Panorama scrolling windows and picture-move geometry, checked against hand-computed positions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "creation/PanoramaScrollingEffect.h"
#include "creation/PictureMove.h"
#include "settings/SettingsStore.h"
#include "support/TestPictures.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::CodedPicture;

// The source position a coded pixel came from.
std::pair<int, int> SourceOf(const CPicture& p, int x, int y) {
    uint8_t r = 0, g = 0, b = 0;
    p.GetPixel(x, y, r, g, b);
    return {int(g) * 256 + b, r};
}

TEST(Panorama, LeftToRightStartsOneStepInAndEndsAtTheFarEnd) {
    // A picture three times the movie width over 50 frames: distance = 2W.
    const int w = 64, h = 48;
    auto src = CodedPicture(3 * w, h);
    CPanoramaScrollingEffect fx;
    fx.SetOutputSize(w, h);
    fx.SetDirection(kPanoramaLeftToRight);
    fx.Init(src.get(), nullptr, 50);
    EXPECT_EQ(fx.GetDistance(), 2 * w);
    std::vector<int> starts;
    while (CDibPicture* f = fx.NextFrame()) {
        ASSERT_EQ(f->GetWidth(), w);
        ASSERT_EQ(f->GetHeight(), h);
        starts.push_back(SourceOf(*f, 0, 0).first);
        EXPECT_EQ(SourceOf(*f, w - 1, h - 1), std::make_pair(starts.back() + w - 1, h - 1));
    }
    ASSERT_EQ(starts.size(), 50u);
    EXPECT_EQ(starts.front(), (2 * w) / 50);
    EXPECT_EQ(starts.back(), 2 * w);
    for (size_t i = 1; i < starts.size(); ++i) EXPECT_GE(starts[i], starts[i - 1]);
    EXPECT_EQ(fx.NextFrame(), nullptr);
}

TEST(Panorama, EachDirectionStartsAndEndsAtItsEdges) {
    const int w = 40, h = 30;
    struct Case {
        int direction, sw, sh;
        std::pair<int, int> firstOrigin, lastOrigin, startOrigin;
    };
    // distance 60 over 4 frames: step 15.
    const Case cases[] = {
        {kPanoramaLeftToRight, 100, 30, {15, 0}, {60, 0}, {0, 0}},
        {kPanoramaRightToLeft, 100, 30, {45, 0}, {0, 0}, {60, 0}},
        {kPanoramaTopToBottom, 40, 90, {0, 45}, {0, 0}, {0, 60}},
        {kPanoramaBottomToTop, 40, 90, {0, 15}, {0, 60}, {0, 0}},
    };
    for (const Case& c : cases) {
        auto src = CodedPicture(c.sw, c.sh);
        auto start = GetPanoramaStartFrame(*src, c.direction, w, h);
        ASSERT_TRUE(start);
        EXPECT_EQ(SourceOf(*start, 0, 0), c.startOrigin) << c.direction;
        CPanoramaScrollingEffect fx;
        fx.SetOutputSize(w, h);
        fx.SetDirection(c.direction);
        fx.SetKeepLastFrame(true);
        fx.Init(src.get(), nullptr, 4);
        CDibPicture* f = fx.NextFrame();
        ASSERT_TRUE(f);
        EXPECT_EQ(SourceOf(*f, 0, 0), c.firstOrigin) << c.direction;
        for (int i = 0; i < 3; ++i) f = fx.NextFrame();
        ASSERT_TRUE(f);
        EXPECT_EQ(SourceOf(*f, 0, 0), c.lastOrigin) << c.direction;
        ASSERT_TRUE(fx.GetLastFrame());
        EXPECT_EQ(SourceOf(*fx.GetLastFrame(), 0, 0), c.lastOrigin);
        EXPECT_EQ(fx.NextFrame(), nullptr);
    }
}

TEST(Panorama, PictureSmallerThanTheMovieIsCentredWithoutScrolling) {
    CPicture::SetDefaultBackgroundColour(0);
    auto src = CodedPicture(20, 30);
    CPanoramaScrollingEffect fx;
    fx.SetOutputSize(40, 30);
    fx.SetDirection(kPanoramaLeftToRight);
    fx.Init(src.get(), nullptr, 3);
    EXPECT_EQ(fx.GetDistance(), 0);
    CDibPicture* f = fx.NextFrame();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->GetColour(0, 5), 0u);
    EXPECT_EQ(SourceOf(*f, 10, 5), std::make_pair(0, 5));
    EXPECT_EQ(SourceOf(*f, 29, 5), std::make_pair(19, 5));
    EXPECT_EQ(f->GetColour(30, 5), 0u);
}

TEST(Panorama, ZeroFramesAndMissingSourceGiveNoFrames) {
    CPanoramaScrollingEffect fx;
    fx.SetOutputSize(10, 10);
    fx.SetDirection(kPanoramaBottomToTop);
    auto src = CodedPicture(10, 20);
    fx.Init(src.get(), nullptr, 0);
    EXPECT_EQ(fx.NextFrame(), nullptr);
    fx.Init(nullptr, nullptr, 5);
    EXPECT_EQ(fx.NextFrame(), nullptr);
    EXPECT_EQ(fx.GetName(), "Panorama Scrolling");
    EXPECT_FALSE(fx.IsTextCapable());
}

TEST(Panorama, PreparationScalesTheScrollingSideInProportion) {
    CPictureTools tools;
    CDibPicture pic;
    ASSERT_TRUE(pic.Create(1600, 600));
    auto h = PreparePanoramaPicture(pic, kPanoramaLeftToRight, 640, 480, tools);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->GetWidth(), 1280);
    EXPECT_EQ(h->GetHeight(), 480);
    // 333 x 1000 to width 640: 1000 * 640 / 333 = 1921.9 -> 1922.
    CDibPicture tall;
    ASSERT_TRUE(tall.Create(333, 1000));
    auto v = PreparePanoramaPicture(tall, kPanoramaBottomToTop, 640, 480, tools);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->GetWidth(), 640);
    EXPECT_EQ(v->GetHeight(), 1922);
    EXPECT_EQ(PreparePanoramaPicture(pic, kPanoramaNone, 640, 480, tools), nullptr);
}

TEST(PictureMoveSettings, ParseAcceptsExactlyEightBarTerminatedValues) {
    CSettingsStore store;
    EXPECT_TRUE(ParsePictureMoveSettings("1.5|2|3|4|25|25|25|25|", store));
    double v = 0;
    ASSERT_TRUE(store.GetDouble(kPictureMoveSection, "Left1", v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    ASSERT_TRUE(store.GetDouble(kPictureMoveSection, "Bottom2", v));
    EXPECT_DOUBLE_EQ(v, 25.0);

    for (const char* bad :
         {"1|2|3|4|5|6|7|", "1|2|3|4|5|6|7|8|9|", "1|2|3|4|5|6|7|8", "", "a|2|3|4|5|6|7|8|"}) {
        EXPECT_FALSE(ParsePictureMoveSettings(bad, store)) << bad;
    }
    ASSERT_TRUE(store.GetDouble(kPictureMoveSection, "Left1", v));
    EXPECT_DOUBLE_EQ(v, 1.5);
}

TEST(PictureMoveSettings, BuiltPositionsComeBackAsRectanglesIncludingTheirEdges) {
    // Positions on a 400 x 200 picture (y from the top), chosen to be exact in single precision.
    PixelRect p1{0, 0, 399, 199};
    PixelRect p2{100, 50, 199, 99};
    std::string text = BuildPictureMoveSettings(p1, p2, 400, 200);
    EXPECT_EQ(text, "0.000000|0.000000|0.000000|0.000000|25.000000|25.000000|25.000000|25.000000|");
    CSettingsStore store;
    ASSERT_TRUE(ParsePictureMoveSettings(text, store));
    EXPECT_EQ(GetPictureMoveRect(store, "1", 400, 200), (MoveRect{0, 0, 400, 200}));
    // x 100..299 inclusive -> columns 100 <= x < 300; rows from the top 50..149 -> bottom-up 50..150.
    EXPECT_EQ(GetPictureMoveRect(store, "2", 400, 200), (MoveRect{100, 50, 300, 150}));
}

TEST(PictureMoveGlide, SineFactorIsZeroHalfAndJustShortOfOne) {
    EXPECT_DOUBLE_EQ(PictureMoveFactor(0, 100), 0.0);
    EXPECT_NEAR(PictureMoveFactor(50, 100), 0.5, 1e-12);
    EXPECT_LT(PictureMoveFactor(99, 100), 1.0);
    EXPECT_GT(PictureMoveFactor(99, 100), 0.999);
    double prev = -1;
    for (int j = 0; j < 100; ++j) {
        double f = PictureMoveFactor(j, 100);
        EXPECT_GT(f, prev);
        prev = f;
    }
    // Slow start: the first step moves less than the middle one.
    EXPECT_LT(PictureMoveFactor(1, 100) - PictureMoveFactor(0, 100),
              PictureMoveFactor(51, 100) - PictureMoveFactor(50, 100));
    EXPECT_EQ(PictureMoveFactor(3, 0), 0.0);
}

TEST(PictureMoveGlide, HalfwayFromFullPictureToCentreQuarter) {
    CSettingsStore store;
    ASSERT_TRUE(ParsePictureMoveSettings("0|0|0|0|25|25|25|25|", store));
    EXPECT_EQ(PictureMoveFrameRect(store, 0, 10, 400, 200), (MoveRect{0, 0, 400, 200}));
    EXPECT_EQ(PictureMoveFrameRect(store, 5, 10, 400, 200), (MoveRect{50, 25, 350, 175}));
}

TEST(PictureMoveScale, QualityAndLimitDecideTheScale) {
    CSettingsStore store;
    // Both crops half the movie size.
    ASSERT_TRUE(ParsePictureMoveSettings("25|25|25|25|25|25|25|25|", store));
    EXPECT_DOUBLE_EQ(PictureMoveScale(1280, 960, 640, 480, store, 2.0, 2.0), 2.0);
    EXPECT_DOUBLE_EQ(PictureMoveScale(1280, 960, 640, 480, store, 2.0, 1.5), 1.5);
    // Whole-picture crops of a big picture need no magnification: never below 1.
    ASSERT_TRUE(ParsePictureMoveSettings("0|0|0|0|0|0|0|0|", store));
    EXPECT_DOUBLE_EQ(PictureMoveScale(2560, 1920, 640, 480, store, 2.0, 2.0), 1.0);
    // A crop of zero width is capped by the limit instead of dividing by zero.
    ASSERT_TRUE(ParsePictureMoveSettings("50|0|50|0|0|0|0|0|", store));
    EXPECT_DOUBLE_EQ(PictureMoveScale(640, 480, 640, 480, store, 2.0, 3.0), 3.0);
}

TEST(PictureMoveScale, SourceIsScaledToTheMovieAspect) {
    CPictureTools tools;
    CSettingsStore store;
    ASSERT_TRUE(ParsePictureMoveSettings("25|25|25|25|25|25|25|25|", store));
    CDibPicture same;
    ASSERT_TRUE(same.Create(128, 96));
    auto a = PreparePictureMoveSource(same, 64, 48, store, 2.0, 2.0, tools);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->GetWidth(), 256);
    EXPECT_EQ(a->GetHeight(), 192);
    // A wide picture (u > 1): height x s, width to the movie aspect.
    CDibPicture wide;
    ASSERT_TRUE(wide.Create(200, 50));
    auto b = PreparePictureMoveSource(wide, 64, 48, store, 2.0, 2.0, tools);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->GetHeight(), 64);  // C = 3.125, k = 100 / 64, s = 1.28, u = 3
    EXPECT_EQ(b->GetWidth(), 85);
}

TEST(PictureMoveFrame, FrameIsTheGlidedCropScaledToTheMovie) {
    CPictureTools tools;
    auto src = CodedPicture(128, 96);
    CSettingsStore store;
    // Both positions the same 64 x 48 window at columns 16.., rows from the top 24.. (bottom 24..).
    std::string s = BuildPictureMoveSettings({16, 24, 63, 47}, {16, 24, 63, 47}, 128, 96);
    ASSERT_TRUE(ParsePictureMoveSettings(s, store));
    MoveRect r = PictureMoveFrameRect(store, 3, 10, 128, 96);
    ASSERT_EQ(r.Width(), 64);
    ASSERT_EQ(r.Height(), 48);
    auto f = RenderPictureMoveFrame(store, 3, 10, *src, 64, 48, tools);
    ASSERT_TRUE(f);
    EXPECT_EQ(SourceOf(*f, 0, 0), std::make_pair(r.left, r.bottom));
    EXPECT_EQ(SourceOf(*f, 63, 47), std::make_pair(r.left + 63, r.bottom + 47));
}

// The show renders every frame into a recycled frame with one resampler: the crop changes each
// frame, so the tables are rebuilt in place; every frame must still be the one a fresh render makes.
TEST(PictureMoveFrame, FramesIntoOneRecycledFrameMatchFreshOnes) {
    CPictureTools tools;
    auto src = CodedPicture(300, 170);
    CSettingsStore store;
    ASSERT_TRUE(ParsePictureMoveSettings("0|0|0|0|20|15|10|25|", store));
    const int oldQuality = CPictureTools::GetQuality();
    for (int quality : {kQualityProduction, kQualityFinalProduction}) {
        CPictureTools::SetQuality(quality);
        CRegionResampler resampler;
        CDibPicture frame;
        ASSERT_TRUE(frame.Create(64, 36));
        for (int j = 0; j < 12; ++j) {
            ASSERT_TRUE(RenderPictureMoveFrame(store, j, 12, *src, frame, resampler, tools));
            auto fresh = RenderPictureMoveFrame(store, j, 12, *src, 64, 36, tools);
            ASSERT_TRUE(fresh);
            ASSERT_EQ(std::memcmp(fresh->GetBits(), frame.GetBits(), size_t(frame.GetImageSize())), 0)
                << "frame " << j << " quality " << quality;
        }
    }
    CPictureTools::SetQuality(oldQuality);
    CDibPicture empty;
    CRegionResampler resampler;
    EXPECT_FALSE(RenderPictureMoveFrame(store, 0, 12, *src, empty, resampler, tools));
}

int CountColour(const CPicture& p, Colour c) {
    int n = 0;
    for (int y = 0; y < p.GetHeight(); ++y)
        for (int x = 0; x < p.GetWidth(); ++x) n += p.GetColour(x, y) == c;
    return n;
}

TEST(FlightPath, OffsetsFormADiskAndItsRim) {
    CFlightPath path;
    path.Setup("", 255, 10);
    ASSERT_FALSE(path.DiskOffsets().empty());
    for (auto o : path.DiskOffsets()) {
        EXPECT_LT(std::hypot(o.dx, o.dy), 10.0);
        EXPECT_GE(o.dx, -10);
        EXPECT_LT(o.dx, 10);
    }
    for (auto o : path.RingOffsets()) EXPECT_GT(std::hypot(o.dx, o.dy), 8.0);
    EXPECT_LT(path.RingOffsets().size(), path.DiskOffsets().size());
    path.Setup("", 255, 1);
    ASSERT_EQ(path.DiskOffsets().size(), 1u);
    EXPECT_EQ(path.DiskOffsets()[0].dx, 0);
}

TEST(FlightPath, RouteGrowsByLengthOverFramesMinusOne) {
    // From (0 %, 50 %) to (100 %, 50 %) on 100 x 11: pixel x 0 .. 100, row 10 - rnd(5.5) = 4; L = 100.
    CDibPicture pic;
    CPicture::SetDefaultBackgroundColour(0);
    ASSERT_TRUE(pic.Create(100, 11));
    CFlightPath path;
    path.Setup("0|50|100|50|", MakeColour(255, 0, 0), 1);
    EXPECT_DOUBLE_EQ(path.Length(100, 11), 100.0);
    const int n = 11;  // 10 pixels per frame
    for (int j = 0; j < n; ++j) {
        path.DrawFrame(pic, j, n);
        int expected = j == 0 ? 0 : std::min(10 * j + 1, 100);
        EXPECT_EQ(CountColour(pic, MakeColour(255, 0, 0)), expected) << j;
    }
    EXPECT_EQ(pic.GetColour(50, 4), MakeColour(255, 0, 0));
}

TEST(FlightPath, SinglePointOrSingleFrameDrawsNothing) {
    CDibPicture pic;
    ASSERT_TRUE(pic.Create(50, 50));
    CFlightPath one;
    one.Setup("50|50|", 255, 3);
    for (int j = 0; j < 5; ++j) one.DrawFrame(pic, j, 5);
    CFlightPath two;
    two.Setup("0|0|100|100|", 255, 3);
    two.DrawFrame(pic, 0, 1);
    two.DrawFrame(pic, 1, 1);
    EXPECT_EQ(CountColour(pic, 255), 0);
    // Far-off points are clipped, not written out of bounds.
    CFlightPath wild;
    wild.Setup("-500|-500|900|900|", 255, 4);
    for (int j = 0; j < 4; ++j) wild.DrawFrame(pic, j, 4);
    EXPECT_GT(CountColour(pic, 255), 0);
}

TEST(FlightPath, HugePercentagesAreHeldNearThePicture) {
    // 1e30 % of any width is far beyond an int; the points are held four largest sides away, so
    // the route's direction inside the picture survives and nothing overflows.
    CFlightPath path;
    path.Setup("-1e30|50|1e30|50|50|-3e38|", MakeColour(0, 255, 0), 2);
    const double far = 4.0 * CPicture::kMaxSide;
    auto pts = path.PixelPoints(100, 11);
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts[0].x, static_cast<int>(-far + 0.5));
    EXPECT_EQ(pts[1].x, static_cast<int>(far + 0.5));
    EXPECT_EQ(pts[0].y, 10 - 6);
    EXPECT_EQ(pts[2].y, 10 - static_cast<int>(-far + 0.5));
    EXPECT_TRUE(std::isfinite(path.Length(100, 11)));
    CDibPicture pic;
    CPicture::SetDefaultBackgroundColour(0);
    ASSERT_TRUE(pic.Create(100, 11));
    // Two frames: the first draws nothing, the second the whole route, which crosses the picture.
    path.DrawFrame(pic, 0, 2);
    path.DrawFrame(pic, 1, 2);
    EXPECT_EQ(pic.GetColour(50, 4), MakeColour(0, 255, 0));
}

// Every step of the line, as the route is defined: a disk at the start, a ring per pixel after it.
void WalkWholeLine(const CFlightPath& path, CPicture& pic, double ax, double ay, double bx, double by) {
    auto rnd = [](double v) { return static_cast<int>(v + 0.5); };
    int sx = rnd(ax), sy = rnd(ay);
    double dx = rnd(bx) - sx, dy = rnd(by) - sy, t = std::sqrt(dx * dx + dy * dy);
    for (int m = 0; t > 0.0 && m <= static_cast<int>(t); ++m) {
        int cx = sx + rnd(m * dx / t), cy = sy + rnd(m * dy / t);
        for (auto o : m == 0 ? path.DiskOffsets() : path.RingOffsets()) {
            int x = cx + o.dx, y = cy + o.dy;
            if (x >= 0 && y >= 0 && x < pic.GetWidth() && y < pic.GetHeight()) pic.SetPixel(x, y, 255, 0, 0);
        }
    }
}

TEST(FlightPath, LinesReachingFarOutsideDrawExactlyTheirStepsInsideThePicture) {
    // Lines that leave, enter, cross or pass by the picture, some thousands of pixels long, some
    // nearly parallel to an edge: skipping the steps that cannot reach the picture must leave the
    // same pixels as walking every one.
    const double lines[][4] = {{20, 10, 5000, 900},    {-3000, -40, 30, 20},     {-2500, 15, 2600, 17},
                               {10, -700, 11, 4000},   {63.4, 35.6, 63.4, -2e4}, {-8, -8, -8, 500},
                               {-300, 60, 400, 61.49}, {70, 3, -9000, 2.6},      {-50, -50, 120, 90}};
    for (int radius : {1, 2, 5, 30}) {
        CFlightPath path;
        path.Setup("", MakeColour(255, 0, 0), radius);
        for (const auto& l : lines) {
            CDibPicture drawn, walked;
            CPicture::SetDefaultBackgroundColour(0);
            ASSERT_TRUE(drawn.Create(64, 36));
            ASSERT_TRUE(walked.Create(64, 36));
            path.DrawSegment(drawn, l[0], l[1], l[2], l[3]);
            WalkWholeLine(path, walked, l[0], l[1], l[2], l[3]);
            ASSERT_EQ(std::memcmp(drawn.GetBits(), walked.GetBits(), drawn.GetImageSize()), 0)
                << "radius " << radius << ", line " << l[0] << "," << l[1] << " to " << l[2] << "," << l[3];
        }
    }
}

TEST(FlightPath, AFlightPointMillionsOfPercentAwayIsDrawnWithoutWalkingItsDistantStretch) {
    // A point at 501000000 % of the height from a damaged project: the route runs straight off the
    // picture and back, 262,140 pixels out, with the widest pen. Walking the distant stretch would be
    // half a million rings of some 3,000 pixels; all frames must be drawn, the start disk covering
    // the picture as before.
    CFlightPath path;
    path.Setup("10|20|50|501000000|90|10|", MakeColour(255, 0, 0), 500);
    CDibPicture pic;
    CPicture::SetDefaultBackgroundColour(0);
    ASSERT_TRUE(pic.Create(160, 90));
    const int n = 50;
    for (int j = 0; j < n; ++j) path.DrawFrame(pic, j, n);
    EXPECT_EQ(CountColour(pic, MakeColour(255, 0, 0)), 160 * 90);
}

TEST(FlightPointFile, LinesSplitAtTheFirstCommaOthersSkipped) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "p.txt", "120,45\r\n120;45\r\n7,8,9\r\n");
    std::vector<std::pair<int, int>> pts;
    ASSERT_TRUE(ReadFlightPointFile(dir / "p.txt", pts));
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[0], std::make_pair(120, 45));
    EXPECT_EQ(pts[1].first, 7);
    ASSERT_TRUE(WriteFlightPointFile(dir / "q.txt", {{1, 2}, {30, 40}}));
    EXPECT_EQ(test::ReadFileBytes(dir.Path() / "q.txt"), "1,2\r\n30,40\r\n");
    EXPECT_FALSE(ReadFlightPointFile(dir / "missing.txt", pts));
}

}  // namespace
}  // namespace trov
