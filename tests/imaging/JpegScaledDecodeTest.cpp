// JPEG decoding with a size hint: the decoder's n/8 scaling picks the smallest output that still
// covers the keep-aspect fit, the pixels agree with a full decode shrunk afterwards, and pictures
// without a hint (or with a box they already fit into) decode at full size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "ImagingTestUtil.h"
#include "JpegTestEncoder.h"
#include "imaging/JpegPicture.h"
#include "imaging/PictureTools.h"
#include "support/TestSupport.h"

extern "C" {
#include <jpeglib.h>
}

namespace trov {
namespace {

using test::TempDir;
using Bytes = std::vector<unsigned char>;

// Encodes width x height samples (top row first) in colour space `input`, 4:4:4, quality 95.
Bytes Encode(int width, int height, J_COLOR_SPACE input,
             const std::function<void(int, int, JSAMPLE*)>& sample) {
    test::EncodeOptions o;
    o.input = input;
    o.quality = 95;
    return test::EncodeJpeg(width, height, sample, o);
}

// A smooth 800 x 600 colour picture: gentle gradients, no edges a scaled IDCT would blur.
Bytes SmoothRgb(int w = 800, int h = 600) {
    return Encode(w, h, JCS_RGB, [w, h](int x, int y, JSAMPLE* px) {
        px[0] = JSAMPLE(40 + 160 * x / w);
        px[1] = JSAMPLE(30 + 180 * y / h);
        px[2] = JSAMPLE(200 - 100 * (x + y) / (w + h));
    });
}

std::unique_ptr<CJpegPicture> Decode(const Bytes& b, int hintW, int hintH) {
    auto p = std::make_unique<CJpegPicture>();
    p->SetSizeHint(hintW, hintH);
    if (!p->LoadFromMemory(b.data(), b.size(), "test.jpg")) return nullptr;
    return p;
}

// The rectangle a keep-aspect resize of w x h into a box fills (CPictureTools::ResizeWith rounding).
void Fit(int w, int h, int boxW, int boxH, int& fw, int& fh) {
    const double ratio = double(w) / double(h);
    fw = boxW;
    fh = boxH;
    if (double(boxW) / double(boxH) <= ratio)
        fh = int(boxW / ratio);
    else
        fw = int(boxH * ratio);
    fw = std::clamp(fw, 1, boxW);
    fh = std::clamp(fh, 1, boxH);
}

void WriteFile(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

TEST(JpegScaledDecode, HintDecodesSmallerAndMatchesFullDecodeShrunk) {
    const Bytes jpeg = SmoothRgb();
    auto full = Decode(jpeg, 0, 0);
    auto scaled = Decode(jpeg, 200, 150);
    ASSERT_TRUE(full && scaled);
    EXPECT_EQ(full->GetWidth(), 800);
    EXPECT_EQ(full->GetHeight(), 600);
    EXPECT_GE(scaled->GetWidth(), 200);
    EXPECT_GE(scaled->GetHeight(), 150);
    EXPECT_LT(scaled->GetWidth(), 800);
    EXPECT_LT(scaled->GetHeight(), 600);
    EXPECT_FALSE(scaled->IsDamaged());

    CPictureTools tools;
    auto a = tools.ResizeWith(full.get(), 200, 150, true, kQualityProduction);
    auto b = tools.ResizeWith(scaled.get(), 200, 150, true, kQualityProduction);
    ASSERT_TRUE(a && b);
    int worst = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            const Colour ca = a->GetColour(x, y), cb = b->GetColour(x, y);
            worst = std::max({worst, std::abs(ColourRed(ca) - ColourRed(cb)),
                              std::abs(ColourGreen(ca) - ColourGreen(cb)),
                              std::abs(ColourBlue(ca) - ColourBlue(cb))});
        }
    EXPECT_LE(worst, 4);
}

TEST(JpegScaledDecode, PicksTheSmallestEighthCoveringTheFit) {
    const Bytes jpeg = SmoothRgb();
    // Boxes of every shape: wider and taller than 4:3, exact eighths, just above them, tiny.
    const int boxes[][2] = {{200, 150},  {300, 225}, {301, 226}, {100, 75}, {99, 74},    {2000, 150},
                            {200, 1000}, {640, 480}, {799, 599}, {1, 1},    {1280, 720}, {720, 1280}};
    for (const auto& box : boxes) {
        auto p = Decode(jpeg, box[0], box[1]);
        ASSERT_TRUE(p) << box[0] << "x" << box[1];
        const int w = p->GetWidth(), h = p->GetHeight();
        // Some eighth of the full size (libjpeg rounds up).
        int n = 0;
        for (int k = 1; k <= 8; ++k)
            if (w == (800 * k + 7) / 8 && h == (600 * k + 7) / 8) n = k;
        ASSERT_GT(n, 0) << box[0] << "x" << box[1] << " gave " << w << "x" << h;
        // Covers its own fit, so the later resize only shrinks (a box larger than the picture
        // gets the full picture: there are no more pixels to give)...
        int fw = 0, fh = 0;
        Fit(w, h, box[0], box[1], fw, fh);
        if (n < 8) {
            EXPECT_GE(w, fw) << box[0] << "x" << box[1];
            EXPECT_GE(h, fh) << box[0] << "x" << box[1];
        }
        // ...and the next smaller eighth would not.
        if (n > 1) {
            const int sw = (800 * (n - 1) + 7) / 8, sh = (600 * (n - 1) + 7) / 8;
            Fit(sw, sh, box[0], box[1], fw, fh);
            EXPECT_TRUE(sw < fw || sh < fh) << box[0] << "x" << box[1] << " could use " << n - 1 << "/8";
        }
    }
}

TEST(JpegScaledDecode, NoHintOrABoxThePictureFitsDecodesFullSize) {
    const Bytes jpeg = SmoothRgb();
    for (auto [bw, bh] : {std::pair{0, 0}, std::pair{800, 600}, std::pair{1600, 1200}, std::pair{900, 2000},
                          std::pair{-5, 150}, std::pair{200, 0}}) {
        auto p = Decode(jpeg, bw, bh);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->GetWidth(), 800) << bw << "x" << bh;
        EXPECT_EQ(p->GetHeight(), 600) << bw << "x" << bh;
    }
    // No hint gives exactly the bytes of a fresh reader; clearing a hint restores that.
    auto plain = Decode(jpeg, 0, 0);
    CJpegPicture cleared;
    cleared.SetSizeHint(200, 150);
    cleared.SetSizeHint(0, 0);
    ASSERT_TRUE(cleared.LoadFromMemory(jpeg.data(), jpeg.size(), "test.jpg"));
    EXPECT_TRUE(test::SamePixels(*plain, cleared));
}

TEST(JpegScaledDecode, GreyscaleAndCmykScaleToo) {
    // Grey ramp: equal channels at the reduced size, the ramp still rising left to right.
    const Bytes grey =
        Encode(800, 600, JCS_GRAYSCALE, [](int x, int, JSAMPLE* px) { px[0] = JSAMPLE(20 + x / 4); });
    auto g = Decode(grey, 200, 150);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->GetWidth(), 200);
    EXPECT_EQ(g->GetHeight(), 150);
    for (int x = 0; x < 200; x += 37) {
        const Colour c = g->GetColour(x, 75);
        EXPECT_EQ(ColourRed(c), ColourGreen(c));
        EXPECT_EQ(ColourGreen(c), ColourBlue(c));
        EXPECT_NEAR(ColourRed(c), 20 + (4 * x + 2) / 4, 3) << x;
    }
    // Flat CMYK with the Adobe marker (libjpeg's default for CMYK), so the samples are read as
    // inverted inks, i.e. the amount of white each ink leaves.
    const JSAMPLE ink[4] = {255, 127, 0, 255};
    const Bytes cmyk =
        Encode(800, 600, JCS_CMYK, [&](int, int, JSAMPLE* px) { std::copy(ink, ink + 4, px); });
    auto full = Decode(cmyk, 0, 0);
    auto k = Decode(cmyk, 200, 150);
    ASSERT_TRUE(full && k);
    EXPECT_EQ(k->GetWidth(), 200);
    EXPECT_EQ(k->GetHeight(), 150);
    // Inverted samples are white-left amounts: R = 255*255/255, G = 127, B = 0.
    const Colour want = MakeColour(255, 127, 0);
    for (const CPicture* p :
         {static_cast<const CPicture*>(full.get()), static_cast<const CPicture*>(k.get())}) {
        const Colour c = p->GetColour(p->GetWidth() / 2, p->GetHeight() / 2);
        EXPECT_NEAR(ColourRed(c), ColourRed(want), 3);
        EXPECT_NEAR(ColourGreen(c), ColourGreen(want), 3);
        EXPECT_NEAR(ColourBlue(c), ColourBlue(want), 3);
    }
}

TEST(JpegScaledDecode, TruncatedFileWithHintIsDamagedButLoads) {
    Bytes jpeg = SmoothRgb();
    jpeg.resize(jpeg.size() * 2 / 3);
    auto p = Decode(jpeg, 200, 150);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->IsDamaged());
    EXPECT_EQ(p->GetWidth(), 200);
    EXPECT_EQ(p->GetHeight(), 150);
}

TEST(JpegScaledDecode, LoadFileRereadsWhenTheHintChanges) {
    TempDir dir;
    const auto file = dir.Path() / "a.jpg";
    WriteFile(file, SmoothRgb());
    CJpegPicture p;
    ASSERT_TRUE(p.LoadFile(file.string(), false));
    EXPECT_EQ(p.GetWidth(), 800);
    p.SetSizeHint(200, 150);
    ASSERT_TRUE(p.LoadFile(file.string(), false));
    EXPECT_EQ(p.GetWidth(), 200);
    // Same hint, same file: kept without reading.
    p.SetPixel(0, 0, 1, 2, 3);
    ASSERT_TRUE(p.LoadFile(file.string(), false));
    EXPECT_EQ(p.GetColour(0, 0), MakeColour(1, 2, 3));
}

TEST(JpegScaledDecode, EntryPictureHintFollowsRotationAndKeepsTheKey) {
    TempDir dir;
    WriteFile(dir.Path() / "a.jpg", SmoothRgb());
    // Rotated a quarter turn the 800x600 photo is 600x800; fitted into 150x200 it needs 1/4.
    for (int rotation : {90, 270, -90}) {
        EntryPictureRequest req;
        req.file = "a.jpg";
        req.projectFolder = dir.Path().string();
        req.rotation = rotation;
        req.fitWidth = 150;
        req.fitHeight = 200;
        auto p = LoadEntryPicture(req);
        ASSERT_TRUE(p) << rotation;
        EXPECT_EQ(p->GetWidth(), 150) << rotation;
        EXPECT_EQ(p->GetHeight(), 200) << rotation;
        EXPECT_EQ(p->GetFileName(), EntryPictureKey("a.jpg", rotation));
    }
    EntryPictureRequest req;
    req.file = "a.jpg";
    req.projectFolder = dir.Path().string();
    req.rotation = 180;
    req.fitWidth = 200;
    req.fitHeight = 150;
    auto p = LoadEntryPicture(req);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->GetWidth(), 200);
    EXPECT_EQ(p->GetFileName(), EntryPictureKey("a.jpg", 180));
    // BMP files ignore the hint.
    auto bmp = test::MakePattern(80, 60);
    ASSERT_TRUE(bmp->SaveFile((dir.Path() / "b.bmp").string()));
    req.file = "b.bmp";
    req.rotation = 0;
    req.fitWidth = 20;
    req.fitHeight = 15;
    auto b = LoadEntryPicture(req);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->GetWidth(), 80);
    EXPECT_EQ(b->GetHeight(), 60);
}

}  // namespace
}  // namespace trov
