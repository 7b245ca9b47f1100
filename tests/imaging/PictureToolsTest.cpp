// Picture tools: creation, loading by extension, rotation, both resampling filters, entry pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ImagingTestUtil.h"
#include "imaging/JpegPicture.h"
#include "imaging/PictureTools.h"
#include "infra/MessagePipelines.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::BackgroundScope;
using test::MakePattern;
using test::SamePixels;
using test::TempDir;

// Records every number sent on the progress pipelines.
class ProgressRecorder : public CMessagePipelineListener {
public:
    void OnMessage(const std::string& pipeline, int32_t value) override {
        values.emplace_back(pipeline, value);
    }
    void OnMessage(const std::string&, const std::string&) override {}
    std::vector<std::pair<std::string, int32_t>> values;
    int32_t Last(const std::string& name) const {
        for (auto it = values.rbegin(); it != values.rend(); ++it)
            if (it->first == name) return it->second;
        return -1;
    }
};

struct PipelinesWithRecorder {
    PipelinesWithRecorder() {
        pipes.Create(pipeline::kMaxProgress);
        pipes.Create(pipeline::kCurrentProgress);
        recorder.deleteWithPipeline = false;
        pipes.AddListener(pipeline::kMaxProgress, &recorder, false);
        pipes.AddListener(pipeline::kCurrentProgress, &recorder, false);
    }
    ProgressRecorder recorder;
    CMessagePipelines pipes;
};

TEST(ToolsCreate, SizeColourAndName) {
    CPictureTools tools;
    auto p = tools.CreatePicture(5, 4, MakeColour(1, 2, 3), "made");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetFileName(), "made");
    EXPECT_EQ(p->GetColour(4, 3), MakeColour(1, 2, 3));
    BackgroundScope bg(0x00FF00);
    auto q = tools.CreatePicture(2, 2);
    EXPECT_EQ(q->GetColour(0, 0), 0x00FF00u);
    EXPECT_EQ(tools.CreatePicture(0, 3), nullptr);
}

TEST(ToolsRotate, QuarterTurnsMapPixelsAndComposeToIdentity) {
    CPictureTools tools;
    auto src = MakePattern(37, 23);
    const int W = 37, H = 23;
    auto r90 = tools.Rotate(src.get(), 90);
    auto r180 = tools.Rotate(src.get(), 180);
    auto r270 = tools.Rotate(src.get(), 270);
    ASSERT_TRUE(r90 && r180 && r270);
    EXPECT_EQ(r90->GetWidth(), H);
    EXPECT_EQ(r90->GetHeight(), W);
    EXPECT_EQ(r180->GetWidth(), W);
    EXPECT_EQ(r270->GetHeight(), W);
    EXPECT_EQ(r90->GetFileName(), "");
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Colour c = src->GetColour(x, y);
            ASSERT_EQ(r90->GetColour(y, W - 1 - x), c);
            ASSERT_EQ(r180->GetColour(W - 1 - x, H - 1 - y), c);
            ASSERT_EQ(r270->GetColour(H - 1 - y, x), c);
        }
    // Four quarter turns, two half turns, and 90 then 270 give the original back.
    std::unique_ptr<CPicture> p = src->Clone();
    for (int i = 0; i < 4; ++i) p = tools.Rotate(p.get(), 90);
    EXPECT_TRUE(SamePixels(*p, *src));
    EXPECT_TRUE(SamePixels(*tools.Rotate(r180.get(), 180), *src));
    EXPECT_TRUE(SamePixels(*tools.Rotate(r90.get(), 270), *src));
    // Angles are brought into 0..359.
    EXPECT_TRUE(SamePixels(*tools.Rotate(src.get(), 450), *r90));
    EXPECT_TRUE(SamePixels(*tools.Rotate(src.get(), -90), *r270));
    EXPECT_TRUE(SamePixels(*tools.Rotate(src.get(), -540), *r180));
    EXPECT_EQ(tools.Rotate(src.get(), 45), nullptr);
    EXPECT_EQ(tools.Rotate(src.get(), 0), nullptr);
    EXPECT_EQ(tools.Rotate(src.get(), 360), nullptr);
    EXPECT_EQ(tools.Rotate(nullptr, 90), nullptr);
    CDibPicture empty;
    EXPECT_EQ(tools.Rotate(&empty, 90), nullptr);
}

TEST(ToolsResize, SameSizeIsAnIdenticalCopyAndBadInputsAreNull) {
    CPictureTools tools;
    auto src = MakePattern(37, 23);
    for (int q : {0, 1}) {
        auto r = tools.ResizeWith(src.get(), 37, 23, q == 1, q);
        ASSERT_NE(r, nullptr);
        EXPECT_NE(r.get(), src.get());
        EXPECT_EQ(std::memcmp(r->GetBits(), src->GetBits(), size_t(src->GetImageSize())), 0);
    }
    EXPECT_EQ(tools.Resize(nullptr, 10, 10, false), nullptr);
    CDibPicture empty;
    EXPECT_EQ(tools.Resize(&empty, 10, 10, false), nullptr);
    EXPECT_EQ(tools.Resize(src.get(), 0, 10, false), nullptr);
    EXPECT_EQ(tools.Resize(src.get(), 10, -1, false), nullptr);
}

TEST(ToolsResize, ConstantPictureStaysConstantThroughBothFilters) {
    CPictureTools tools;
    const std::vector<std::pair<int, int>> sources = {{37, 23}, {1, 1}, {2, 3}, {400, 300}};
    const std::vector<std::pair<int, int>> targets = {{13, 7}, {100, 71},  {1, 1},
                                                      {1, 9},  {640, 480}, {3, 300}};
    for (int q : {0, 1})
        for (auto [sw, sh] : sources)
            for (auto [tw, th] : targets) {
                CDibPicture src;
                ASSERT_TRUE(src.Create(sw, sh));
                src.Fill(MakeColour(200, 17, 255));
                auto r = tools.ResizeWith(&src, tw, th, false, q);
                ASSERT_NE(r, nullptr);
                for (int y = 0; y < th; ++y)
                    for (int x = 0; x < tw; ++x)
                        ASSERT_EQ(r->GetColour(x, y), MakeColour(200, 17, 255))
                            << "q" << q << " " << sw << "x" << sh << " -> " << tw << "x" << th << " at " << x
                            << "," << y;
            }
}

TEST(ToolsResize, AreaFilterAveragesAndTruncates) {
    CPictureTools tools;
    CDibPicture src;
    ASSERT_TRUE(src.Create(2, 2));
    src.SetPixel(0, 0, 10, 0, 255);
    src.SetPixel(1, 0, 20, 1, 255);
    src.SetPixel(0, 1, 30, 1, 254);
    src.SetPixel(1, 1, 41, 1, 254);
    auto r = tools.ResizeWith(&src, 1, 1, false, kQualityProduction);
    ASSERT_NE(r, nullptr);
    uint8_t red, g, b;
    r->GetPixel(0, 0, red, g, b);
    EXPECT_EQ(red, 25);  // 101 / 4 = 25.25
    EXPECT_EQ(g, 0);     // 3 / 4 = 0.75
    EXPECT_EQ(b, 254);   // 1018 / 4 = 254.5

    // Halving: each target pixel is the truncated mean of its 2 x 2 block.
    auto pat = MakePattern(38, 24);
    auto half = tools.ResizeWith(pat.get(), 19, 12, false, kQualityProduction);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 19; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int k = 0; k < 4; ++k) sum += pat->GetRow(2 * y + k / 2)[3 * (2 * x + k % 2) + c];
                ASSERT_EQ(half->GetRow(y)[3 * x + c], sum / 4) << x << "," << y << " c" << c;
            }

    // Enlarging by 3 repeats each pixel in a 3 x 3 block.
    auto triple = tools.ResizeWith(pat.get(), 114, 72, false, kQualityProduction);
    for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 114; ++x) ASSERT_EQ(triple->GetColour(x, y), pat->GetColour(x / 3, y / 3));
}

TEST(ToolsResize, LanczosKeepsALinearRampInside) {
    CPictureTools tools;
    CDibPicture ramp;
    ASSERT_TRUE(ramp.Create(64, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x) ramp.SetPixel(x, y, uint8_t(3 * x + 20), uint8_t(3 * x + 20), 0);
    // Target pixel j samples the source at c = j / s.
    for (int tw : {128, 160, 40, 21}) {
        auto r = tools.ResizeWith(&ramp, tw, 4, false, kQualityFinalProduction);
        ASSERT_NE(r, nullptr);
        const double s = double(tw) / 64.0;
        const double support = s >= 1 ? 3.5 : 3.0 / s + 1;
        int previous = -1;
        for (int j = 0; j < tw; ++j) {
            const double c = j / s;
            uint8_t red, g, b;
            r->GetPixel(j, 2, red, g, b);
            if (c - support < 0 || c + support > 63) continue;  // near the edges reflection bends it
            EXPECT_NEAR(red, 3 * c + 20, 1.0) << "tw " << tw << " j " << j;
            EXPECT_GE(red, previous) << "tw " << tw << " j " << j;
            previous = red;
        }
    }
}

TEST(ToolsResize, QualitySettingChoosesTheFilter) {
    CPictureTools tools;
    auto pat = MakePattern(40, 30);
    auto area = tools.ResizeWith(pat.get(), 25, 17, false, kQualityProduction);
    auto lanczos = tools.ResizeWith(pat.get(), 25, 17, false, kQualityFinalProduction);
    EXPECT_FALSE(SamePixels(*area, *lanczos));
    CPictureTools::SetQuality(kQualityFinalProduction);
    EXPECT_TRUE(SamePixels(*tools.Resize(pat.get(), 25, 17, false), *lanczos));
    // A target side of 1 always uses the area filter.
    EXPECT_TRUE(SamePixels(*tools.Resize(pat.get(), 1, 17, false),
                           *tools.ResizeWith(pat.get(), 1, 17, false, kQualityProduction)));
    CPictureTools::SetQuality(kQualityProduction);
    EXPECT_TRUE(SamePixels(*tools.Resize(pat.get(), 25, 17, false), *area));
}

TEST(ToolsResize, ResultDoesNotDependOnTheThreadCount) {
    CPictureTools tools;
    auto pat = MakePattern(301, 203);
    for (int q : {0, 1}) {
        CPictureTools::SetThreadCount(1);
        auto one = tools.ResizeWith(pat.get(), 97, 61, false, q);
        auto rot = tools.Rotate(pat.get(), 90);
        CPictureTools::SetThreadCount(3);
        EXPECT_EQ(CPictureTools::GetThreadCount(), 3);
        auto three = tools.ResizeWith(pat.get(), 97, 61, false, q);
        EXPECT_TRUE(SamePixels(*one, *three));
        EXPECT_TRUE(SamePixels(*rot, *tools.Rotate(pat.get(), 90)));
        CPictureTools::SetThreadCount(0);
    }
}

TEST(ToolsResize, RegionResizesExactlyLikeACopyOfTheRegion) {
    CPictureTools tools;
    auto pat = MakePattern(301, 203);
    struct Region {
        int left, bottom, right, top, w, h;
    };
    const int oldQuality = CPictureTools::GetQuality();
    for (int q : {kQualityProduction, kQualityFinalProduction}) {
        CPictureTools::SetQuality(q);
        // Shrinking, enlarging, one side each way, the whole picture, and a same-size part.
        for (Region r : {Region{10, 20, 250, 180, 120, 80}, Region{100, 50, 140, 80, 200, 150},
                         Region{0, 0, 301, 203, 97, 61}, Region{5, 7, 65, 52, 200, 20},
                         Region{30, 40, 130, 90, 100, 50}}) {
            auto copy = tools.CreatePicture(r.right - r.left, r.top - r.bottom);
            copy->CopyRect(pat.get(), r.left, r.bottom, r.right, r.top, -r.left, -r.bottom);
            auto expected = tools.Resize(copy.get(), r.w, r.h, false);
            auto got = tools.ResizeRegion(pat.get(), r.left, r.bottom, r.right, r.top, r.w, r.h);
            ASSERT_TRUE(got);
            EXPECT_TRUE(SamePixels(*expected, *got))
                << "quality " << q << " region " << r.left << "," << r.bottom;
        }
    }
    CPictureTools::SetQuality(oldQuality);
    // A part reaching outside is clipped to the picture; an empty part or target gives nothing.
    auto clipped = tools.ResizeRegion(pat.get(), -20, -5, 400, 300, 60, 40);
    ASSERT_TRUE(clipped);
    EXPECT_TRUE(SamePixels(*clipped, *tools.Resize(pat.get(), 60, 40, false)));
    EXPECT_FALSE(tools.ResizeRegion(pat.get(), 50, 50, 50, 80, 10, 10));
    EXPECT_FALSE(tools.ResizeRegion(pat.get(), 0, 0, 10, 10, 0, 10));
    EXPECT_FALSE(tools.ResizeRegion(nullptr, 0, 0, 10, 10, 10, 10));
}

TEST(ToolsResize, KeepAspectCentresAndLeavesBarsInBackground) {
    BackgroundScope bg(MakeColour(0, 0, 255));
    CPictureTools tools;
    CDibPicture src;
    ASSERT_TRUE(src.Create(400, 200));
    src.Fill(MakeColour(255, 0, 0));
    for (int q : {0, 1}) {
        // Wider source: full width, height 300 / 2 = 150, centred at row 75.
        auto r = tools.ResizeWith(&src, 300, 300, true, q);
        ASSERT_NE(r, nullptr);
        for (int y = 0; y < 300; ++y) {
            const Colour want = (y >= 75 && y < 225) ? MakeColour(255, 0, 0) : MakeColour(0, 0, 255);
            ASSERT_EQ(r->GetColour(0, y), want) << y;
            ASSERT_EQ(r->GetColour(299, y), want) << y;
        }
        // Taller target ratio the other way: height stays, width 100 * 2 = 200, centred at 50.
        auto s = tools.ResizeWith(&src, 300, 100, true, q);
        for (int x = 0; x < 300; ++x) {
            const Colour want = (x >= 50 && x < 250) ? MakeColour(255, 0, 0) : MakeColour(0, 0, 255);
            ASSERT_EQ(s->GetColour(x, 50), want) << x;
        }
        // Without keepAspect the whole target is the picture.
        auto t = tools.ResizeWith(&src, 300, 300, false, q);
        EXPECT_EQ(t->GetColour(0, 0), MakeColour(255, 0, 0));
    }
    // A source far wider than the target still gives at least one row.
    CDibPicture strip;
    ASSERT_TRUE(strip.Create(5000, 1));
    strip.Fill(0xFFFFFF);
    auto r = tools.ResizeWith(&strip, 100, 100, true, kQualityProduction);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetColour(50, 49), 0xFFFFFFu);  // the one row, at (100 - 1) / 2
    EXPECT_EQ(r->GetColour(50, 50), MakeColour(0, 0, 255));
}

TEST(ToolsResize, ReportsProgressOnItsPipelines) {
    PipelinesWithRecorder pr;
    CPictureTools tools(&pr.pipes);
    auto pat = MakePattern(200, 160);
    tools.ResizeWith(pat.get(), 50, 40, false, kQualityProduction);
    EXPECT_EQ(pr.recorder.Last(pipeline::kMaxProgress), 160 / 4);
    EXPECT_EQ(pr.recorder.Last(pipeline::kCurrentProgress), 160 / 4);
    ASSERT_GE(pr.recorder.values.size(), 3u);
    EXPECT_EQ(pr.recorder.values[0], std::make_pair(std::string(pipeline::kCurrentProgress), 0));
    pr.recorder.values.clear();
    tools.ResizeWith(pat.get(), 50, 40, false, kQualityFinalProduction);
    const int32_t max = pr.recorder.Last(pipeline::kMaxProgress);
    EXPECT_GT(max, 0);
    EXPECT_EQ(pr.recorder.Last(pipeline::kCurrentProgress), max);
    // Progress never goes backwards.
    int32_t last = 0;
    for (auto& [name, v] : pr.recorder.values)
        if (name == pipeline::kCurrentProgress) {
            EXPECT_GE(v, last);
            last = v;
        }
}

TEST(ToolsLoad, ChoosesTheReaderByExtensionAndTriesBoth) {
    TempDir dir;
    auto pat = MakePattern(9, 7);
    ASSERT_TRUE(pat->SaveFile(dir / "a.BMP"));
    ASSERT_TRUE(pat->SaveFile(dir / "a.dat"));
    ASSERT_TRUE(pat->SaveFile(dir / "a.jpg"));  // a BMP under a JPEG name
    CPictureTools tools;
    auto a = tools.LoadPicture(dir / "a.BMP", false);
    ASSERT_NE(a, nullptr);
    EXPECT_NE(dynamic_cast<CDibPicture*>(a.get()), nullptr);
    EXPECT_TRUE(SamePixels(*a, *pat));
    EXPECT_EQ(a->GetFileName(), dir / "a.BMP");
    EXPECT_EQ(tools.LoadPicture(dir / "a.dat", false), nullptr);
    auto d = tools.LoadPicture(dir / "a.dat", true);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(SamePixels(*d, *pat));
    EXPECT_EQ(tools.LoadPicture(dir / "a.jpg", true), nullptr);  // the extension decides
    EXPECT_EQ(tools.LoadPicture(dir / "missing.bmp", true), nullptr);
    EXPECT_EQ(tools.LoadPicture(dir / "missing", true), nullptr);
}

TEST(EntryPicture, KeyRelativePathAndRotation) {
    TempDir dir;
    auto pat = MakePattern(9, 7);
    std::filesystem::create_directory(dir.Path() / "pics");
    ASSERT_TRUE(pat->SaveFile(dir / "pics/a.bmp"));
    BackgroundScope bg(MakeColour(1, 2, 3));
    EXPECT_EQ(EntryPictureKey("pics/a.bmp", 90), "pics/a.bmp#90##1#2#3");

    EntryPictureRequest req;
    req.file = "pics/a.bmp";
    req.projectFolder = dir.Path().string();
    auto p = LoadEntryPicture(req);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(SamePixels(*p, *pat));
    EXPECT_EQ(p->GetFileName(), "pics/a.bmp#0##1#2#3");

    req.file = "pics\\a.bmp";  // a path written with backslashes
    req.rotation = -90;
    auto r = LoadEntryPicture(req);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetWidth(), 7);
    EXPECT_EQ(r->GetHeight(), 9);
    EXPECT_EQ(r->GetFileName(), "pics\\a.bmp#-90##1#2#3");
    CPictureTools tools;
    EXPECT_TRUE(SamePixels(*r, *tools.Rotate(pat.get(), 270)));

    req.rotation = 33;  // cannot rotate: the unrotated picture is used
    auto u = LoadEntryPicture(req);
    ASSERT_NE(u, nullptr);
    EXPECT_TRUE(SamePixels(*u, *pat));

    req.file = "pics/missing.bmp";
    EXPECT_EQ(LoadEntryPicture(req), nullptr);
}

}  // namespace
}  // namespace trov
