// Captions: placement formulas, line breaks and wrapping, outline offsets and pixels, font mapping,
// the box outside which nothing changes, the white mask.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "ImagingTestUtil.h"
#include "imaging/PictureTools.h"
#include "infra/MessagePipelines.h"

namespace trov {
namespace {

using test::Black;
using test::MakePattern;

// Changed pixels between two pictures, as a rectangle in screen coordinates (row 0 = top).
struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
    bool Empty() const { return left > right; }
};

Box ChangedBox(const CPicture& before, const CPicture& after) {
    Box b;
    const int H = before.GetHeight();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < before.GetWidth(); ++x)
            if (before.GetColour(x, y) != after.GetColour(x, y)) {
                const int sy = H - 1 - y;
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, sy);
                b.bottom = std::max(b.bottom, sy);
            }
    return b;
}

CaptionSettings Caption(const std::string& text, int backWidth, Colour text_ = 0xFFFFFF,
                        Colour back = 0x0000FF) {
    CaptionSettings s;
    s.text = text;
    s.backWidth = backWidth;
    s.textColour = text_;
    s.backColour = back;
    return s;
}

LogFont PlainFont(int height = -30) {
    LogFont f = LogFont::Default();
    f.height = height;
    f.width = 0;
    f.weight = 400;
    return f;
}

TEST(CaptionPlacement, OneLineAtBottomLeftOf640x480) {
    CPictureTools tools;
    const LogFont font = LogFont::Default();
    for (int bw : {0, 3, 10}) {
        const CaptionSettings s = Caption("Hello there at the lake", bw);  // no descenders
        CaptionPlacement pl;
        ASSERT_TRUE(CPictureTools::MeasureCaption(640, 480, s, font, kCaptionBottomLeft, pl));
        EXPECT_EQ(pl.lines, 1);
        EXPECT_EQ(pl.left, 10);
        // The block ends 21 + backWidth rows above the bottom edge.
        EXPECT_EQ(480 - (pl.top + pl.height), 21 + bw);

        auto before = Black(640, 480);
        auto pic = Black(640, 480);
        ASSERT_TRUE(tools.DrawCaption(pic.get(), &s, &font, kCaptionBottomLeft));
        const Box b = ChangedBox(*before, *pic);
        ASSERT_FALSE(b.Empty());
        EXPECT_GE(b.left, 10 - bw);
        EXPECT_LE(b.left, 10 - bw + 4);  // the H's left side bearing
        // The outline reaches backWidth below the block, which ends at row 480 - 22 - backWidth.
        EXPECT_LE(b.bottom, 480 - 22);
        EXPECT_GE(b.top, pl.top - bw);
    }
}

TEST(CaptionPlacement, NinePositionsFollowTheFormulas) {
    CPictureTools tools;
    const LogFont font = PlainFont();
    const int W = 640, H = 480, bw = 2;
    const int positions[] = {1, 2, 3, 4, 5, 6, 7, 8, 100};
    for (int pos : positions) {
        SCOPED_TRACE(CaptionPositionName(pos));
        const CaptionSettings s = Caption("Mm Hh Nn", bw);
        CaptionPlacement pl;
        ASSERT_TRUE(CPictureTools::MeasureCaption(W, H, s, font, pos, pl));
        const bool left = pos == 1 || pos == 4 || pos == 6, right = pos == 3 || pos == 5 || pos == 8;
        const bool bottom = pos <= 3, top = pos >= 6 && pos <= 8;
        const int wantL = left ? 10 : right ? W - pl.width - 10 : (W - pl.width) / 2;
        const int wantT = bottom ? H - 21 - bw - pl.height
                          : top  ? 19 - bw
                                 : H - 1 - pl.height - bw - (H - pl.height) / 2;
        EXPECT_EQ(pl.left, wantL);
        EXPECT_EQ(pl.top, wantT);

        auto before = Black(W, H);
        auto pic = Black(W, H);
        ASSERT_TRUE(tools.DrawCaption(pic.get(), &s, &font, pos));
        const Box b = ChangedBox(*before, *pic);
        ASSERT_FALSE(b.Empty());
        // The ink (with outline) sits on the block, grown by the outline and a few pixels of
        // side bearing / ascender space.
        EXPECT_GE(b.left, pl.left - bw - 1);
        EXPECT_LE(b.left, pl.left + 4);
        EXPECT_LE(b.right, pl.left + pl.width + bw);
        EXPECT_GE(b.right, pl.left + pl.width - 4);
        EXPECT_GE(b.top, pl.top - bw);
        EXPECT_LE(b.top, pl.top + 10);
        EXPECT_LE(b.bottom, pl.top + pl.height + bw);
        EXPECT_GE(b.bottom, pl.top + pl.height - 12);
    }
}

TEST(CaptionPlacement, UnknownPositionIsDrawnCentred) {
    CPictureTools tools;
    const LogFont font = PlainFont();
    const CaptionSettings s = Caption("Somewhere", 1);
    auto a = Black(320, 240);
    auto b = Black(320, 240);
    ASSERT_TRUE(tools.DrawCaption(a.get(), &s, &font, 42));
    ASSERT_TRUE(tools.DrawCaption(b.get(), &s, &font, kCaptionCenterCenter));
    EXPECT_TRUE(test::SamePixels(*a, *b));
}

TEST(CaptionLayout, BackslashNBreaksLinesAndLongTextWraps) {
    const LogFont font = PlainFont();
    CaptionPlacement one, two, three;
    ASSERT_TRUE(CPictureTools::MeasureCaption(640, 480, Caption("first second", 0), font, 1, one));
    ASSERT_TRUE(CPictureTools::MeasureCaption(640, 480, Caption("first\\nsecond", 0), font, 1, two));
    ASSERT_TRUE(CPictureTools::MeasureCaption(640, 480, Caption("a\\nb\\nc", 0), font, 1, three));
    EXPECT_EQ(one.lines, 1);
    EXPECT_EQ(two.lines, 2);
    EXPECT_EQ(three.lines, 3);
    EXPECT_NEAR(two.height, 2 * one.height, 1);
    EXPECT_LT(two.width, one.width);
    // A backslash before anything but n stays as it is.
    CaptionPlacement other;
    ASSERT_TRUE(CPictureTools::MeasureCaption(640, 480, Caption("C:\\temp", 0), font, 1, other));
    EXPECT_EQ(other.lines, 1);

    // Words wrap inside width - 20 and are not clipped.
    CaptionPlacement wrapped;
    const std::string longText = "the quick brown fox jumps over the lazy dog again and again";
    ASSERT_TRUE(CPictureTools::MeasureCaption(300, 400, Caption(longText, 0), font, 2, wrapped));
    EXPECT_GE(wrapped.lines, 3);
    EXPECT_LE(wrapped.width, 280);
    EXPECT_NEAR(wrapped.height, wrapped.lines * one.height, wrapped.lines);
}

TEST(CaptionLayout, InvalidUtf8IsReadAsLatin1) {
    const LogFont font = PlainFont();
    CaptionPlacement utf8, latin1;
    ASSERT_TRUE(
        CPictureTools::MeasureCaption(640, 480, Caption("Caf\xC3\xA9 cr\xC3\xA8me", 0), font, 1, utf8));
    ASSERT_TRUE(CPictureTools::MeasureCaption(640, 480, Caption("Caf\xE9 cr\xE8me", 0), font, 1, latin1));
    EXPECT_GT(latin1.width, 100);
    EXPECT_EQ(latin1.width, utf8.width);
    EXPECT_EQ(latin1.height, utf8.height);
}

TEST(CaptionLayout, ArialHasLiberationSansMetrics) {
    // Known layout of Arial's metric twin at a 30-pixel em, wrapped at 200 pixels, centred.
    CaptionPlacement pl;
    ASSERT_TRUE(CPictureTools::MeasureCaption(220, 300, Caption("Hello wonderful\\nworld", 0), PlainFont(-30),
                                              2, pl));
    EXPECT_EQ(pl.lines, 3);
    EXPECT_NEAR(pl.width, 132, 1);
    EXPECT_NEAR(pl.height, 101, 1);
}

TEST(CaptionLayout, LogFontFieldsChangeTheMeasuredBlock) {
    const CaptionSettings s = Caption("Average text width", 0);
    auto measure = [&](const LogFont& f) {
        CaptionPlacement pl;
        EXPECT_TRUE(CPictureTools::MeasureCaption(1920, 1080, s, f, 1, pl));
        return pl;
    };
    // Negative height = em height (ascent + descent about 1.12 em); positive = cell height.
    EXPECT_NEAR(measure(PlainFont(-30)).height, 34, 1);
    EXPECT_NEAR(measure(PlainFont(30)).height, 30, 1);
    EXPECT_NEAR(measure(PlainFont(60)).height, 60, 1);
    // Width is the average character width: doubling it doubles the block width.
    LogFont narrow = PlainFont(-30), wide = PlainFont(-30);
    narrow.width = 10;
    wide.width = 20;
    const double ratio = double(measure(wide).width) / measure(narrow).width;
    EXPECT_NEAR(ratio, 2.0, 0.05);
    // 13.25 pixels is the natural average width of Arial at 30 pixels: no change.
    LogFont natural = PlainFont(-30);
    natural.width = 13;
    EXPECT_NEAR(measure(natural).width, measure(PlainFont(-30)).width * 13.0 / 13.25, 3);
    // Bold is wider; italic, underline and strike-out keep the block.
    LogFont bold = PlainFont(-30);
    bold.weight = 700;
    EXPECT_GT(measure(bold).width, measure(PlainFont(-30)).width);
    LogFont decorated = PlainFont(-30);
    decorated.underline = 1;
    decorated.strikeOut = 1;
    EXPECT_EQ(measure(decorated).width, measure(PlainFont(-30)).width);
}

TEST(CaptionOutline, OffsetsRoundTheirDistance) {
    const auto o2 = CaptionOutlineOffsets(2);
    EXPECT_EQ(o2.size(), 21u);  // 5 x 5 without the four corners
    auto has = [&](int dx, int dy) {
        return std::find(o2.begin(), o2.end(), std::make_pair(dx, dy)) != o2.end();
    };
    for (int sx : {-1, 1})
        for (int sy : {-1, 1}) {
            EXPECT_FALSE(has(2 * sx, 2 * sy));  // rounded distance 3
            EXPECT_TRUE(has(2 * sx, 1 * sy));   // rounded distance 2
            EXPECT_TRUE(has(1 * sx, 2 * sy));
        }
    // Drawing order: dx outer, dy inner.
    EXPECT_EQ(o2.front(), std::make_pair(-2, -1));
    EXPECT_EQ(o2[1], std::make_pair(-2, 0));
    EXPECT_EQ(o2.back(), std::make_pair(2, 1));
    EXPECT_EQ(CaptionOutlineOffsets(0), (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(CaptionOutlineOffsets(1).size(), 9u);
}

class Recorder : public CMessagePipelineListener {
public:
    void OnMessage(const std::string& p, int32_t v) override { values.emplace_back(p, v); }
    void OnMessage(const std::string&, const std::string&) override {}
    std::vector<std::pair<std::string, int32_t>> values;
};

TEST(CaptionOutline, ProgressCountsEveryOffsetVisited) {
    Recorder rec;  // outlives the pipelines, which it is not owned by
    rec.deleteWithPipeline = false;
    CMessagePipelines pipes;
    pipes.Create(pipeline::kMaxProgress);
    pipes.Create(pipeline::kCurrentProgress);
    pipes.AddListener(pipeline::kMaxProgress, &rec, false);
    pipes.AddListener(pipeline::kCurrentProgress, &rec, false);
    CPictureTools tools(&pipes);
    const LogFont font = PlainFont();
    const CaptionSettings s = Caption("Progress", 2);
    auto pic = Black(320, 240);
    ASSERT_TRUE(tools.DrawCaption(pic.get(), &s, &font, 1));
    std::vector<int32_t> current;
    int32_t max = -1;
    for (auto& [name, v] : rec.values) {
        if (name == pipeline::kMaxProgress) max = v;
        if (name == pipeline::kCurrentProgress) current.push_back(v);
    }
    EXPECT_EQ(max, 25);
    ASSERT_EQ(current.size(), 26u);
    for (int i = 0; i <= 25; ++i) EXPECT_EQ(current[size_t(i)], i);
}

TEST(CaptionOutline, OutlineShowsOnlyWithABackWidth) {
    CPictureTools tools;
    const LogFont font = PlainFont(-40);
    auto pureBack = [](const CPicture& p) {  // pixels of outline colour only (blue on black)
        int n = 0;
        for (int y = 0; y < p.GetHeight(); ++y)
            for (int x = 0; x < p.GetWidth(); ++x) {
                const Colour c = p.GetColour(x, y);
                if (ColourBlue(c) > 0 && ColourRed(c) == 0 && ColourGreen(c) == 0) ++n;
            }
        return n;
    };
    auto none = Black(400, 200);
    const CaptionSettings s0 = Caption("Outline", 0, 0xFFFFFF, MakeColour(0, 0, 255));
    ASSERT_TRUE(tools.DrawCaption(none.get(), &s0, &font, 100));
    EXPECT_EQ(pureBack(*none), 0);

    auto thick = Black(400, 200);
    const CaptionSettings s4 = Caption("Outline", 4, 0xFFFFFF, MakeColour(0, 0, 255));
    ASSERT_TRUE(tools.DrawCaption(thick.get(), &s4, &font, 100));
    EXPECT_GT(pureBack(*thick), 200);
    // The letters keep their colour: fully covered pixels are exactly white.
    int white = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x) white += thick->GetColour(x, y) == 0xFFFFFFu;
    EXPECT_GT(white, 100);
    // The outline grows the changed area by the radius on every side; a centred block also
    // moves up by the radius (T = H - 1 - th - backWidth - (H - th) / 2).
    const Box b0 = ChangedBox(*Black(400, 200), *none), b4 = ChangedBox(*Black(400, 200), *thick);
    EXPECT_NEAR(b0.left - b4.left, 4, 1);
    EXPECT_NEAR(b4.right - b0.right, 4, 1);
    EXPECT_NEAR(b0.top - b4.top, 4 + 4, 1);
    EXPECT_NEAR(b4.bottom - b0.bottom, 4 - 4, 1);
}

TEST(CaptionDrawing, PixelsOutsideTheBoxStayUntouched) {
    CPictureTools tools;
    LogFont font = LogFont::Default();
    font.italic = 1;
    for (int pos : {1, 5, 7}) {
        auto pic = MakePattern(500, 300);
        auto before = pic->Clone();
        const CaptionSettings s = Caption("Italic overhang fjord\\nand a second line", 6);
        ASSERT_TRUE(tools.DrawCaption(pic.get(), &s, &font, pos));
        CaptionPlacement pl;
        ASSERT_TRUE(CPictureTools::MeasureCaption(500, 300, s, font, pos, pl));
        const Box b = ChangedBox(*before, *pic);
        ASSERT_FALSE(b.Empty());
        EXPECT_GE(b.left, pl.left - 10 - 6);
        EXPECT_LE(b.right, pl.left + pl.width + 9 + 6);
        EXPECT_GE(b.top, pl.top - 10 - 6);
        EXPECT_LE(b.bottom, pl.top + pl.height + 9 + 6);
    }
}

TEST(CaptionDrawing, CentredLinesAreCentredInTheBlock) {
    CPictureTools tools;
    const LogFont font = PlainFont(-30);
    auto pic = Black(600, 300);
    const CaptionSettings s = Caption("WWWWWWWWWW\\nii", 0);
    ASSERT_TRUE(tools.DrawCaption(pic.get(), &s, &font, kCaptionTopCenter));
    CaptionPlacement pl;
    ASSERT_TRUE(CPictureTools::MeasureCaption(600, 300, s, font, kCaptionTopCenter, pl));
    // Ink of the second line (the lower half of the block).
    int left = INT_MAX, right = INT_MIN;
    for (int sy = pl.top + pl.height / 2 + 2; sy < pl.top + pl.height; ++sy)
        for (int x = 0; x < 600; ++x)
            if (pic->GetColour(x, 299 - sy) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_LE(left, right);
    EXPECT_NEAR((left + right) / 2.0, pl.left + pl.width / 2.0, 3.0);
    EXPECT_LT(right - left, pl.width / 3);
}

TEST(CaptionDrawing, MissingArgumentsDrawNothing) {
    CPictureTools tools;
    const LogFont font = PlainFont();
    const CaptionSettings s = Caption("x", 1);
    const CaptionSettings empty = Caption("", 1);
    auto pic = MakePattern(100, 50);
    auto before = pic->Clone();
    EXPECT_FALSE(tools.DrawCaption(nullptr, &s, &font, 1));
    EXPECT_FALSE(tools.DrawCaption(pic.get(), nullptr, &font, 1));
    EXPECT_FALSE(tools.DrawCaption(pic.get(), &s, nullptr, 1));
    EXPECT_FALSE(tools.DrawCaption(pic.get(), &empty, &font, 1));
    CDibPicture none;
    EXPECT_FALSE(tools.DrawCaption(&none, &s, &font, 1));
    EXPECT_TRUE(test::SamePixels(*pic, *before));
    // A picture smaller than the caption: drawn where it fits, no harm.
    auto tiny = MakePattern(3, 2);
    EXPECT_TRUE(tools.DrawCaption(tiny.get(), &s, &font, 1));
    const CaptionSettings huge = Caption("Huge outline", 1000);
    auto big = Black(200, 100);
    EXPECT_TRUE(tools.DrawCaption(big.get(), &huge, &font, 100));
}

TEST(CaptionDrawing, MaskIsWhiteOnBlack) {
    CPictureTools tools;
    const LogFont font = PlainFont(-40);
    const CaptionSettings s = Caption("Mask", 3, 0x123456, 0x654321);
    auto mask = tools.MakeCaptionMask(300, 200, s, font, 100);
    ASSERT_NE(mask, nullptr);
    int full = 0, partial = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const Colour c = mask->GetColour(x, y);
            ASSERT_EQ(ColourRed(c), ColourGreen(c));
            ASSERT_EQ(ColourGreen(c), ColourBlue(c));
            full += c == 0xFFFFFFu;
            partial += c != 0 && c != 0xFFFFFFu;
        }
    EXPECT_GT(full, 500);
    EXPECT_GT(partial, 20);
    // Same place and shape as the coloured caption on black.
    auto coloured = Black(300, 200);
    ASSERT_TRUE(tools.DrawCaption(coloured.get(), &s, &font, 100));
    const Box a = ChangedBox(*Black(300, 200), *mask), b = ChangedBox(*Black(300, 200), *coloured);
    EXPECT_NEAR(a.left, b.left, 1);
    EXPECT_NEAR(a.right, b.right, 1);
    EXPECT_NEAR(a.top, b.top, 1);
    EXPECT_NEAR(a.bottom, b.bottom, 1);
}

}  // namespace
}  // namespace trov
