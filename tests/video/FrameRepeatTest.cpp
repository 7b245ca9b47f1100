// Repeating a frame by its packet (intra-only codecs) and the direct BGR -> YUV 4:2:0 conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "VideoTestUtil.h"
#include "support/TestSupport.h"
#include "video/AVIContainer.h"
#include "video/FrameConversion.h"
#include "video/VideoCodecs.h"

namespace trov::test {
namespace {

constexpr int kW = 64, kH = 48;

class RepeatEveryEncoder : public ::testing::TestWithParam<std::string> {};

TEST_P(RepeatEveryEncoder, RepeatsReadBackAsTheFrameOrAreRefused) {
    TempDir dir;
    const std::string path = dir / "repeat.avi";
    const std::string copyPath = dir / "part.avi";
    ASSERT_EQ(WriteMovie(copyPath, Options(GetParam().c_str()), kW, kH, 25.0, 2, 20).fccHandler,
              FourCCFromString(GetParam()));
    {
        CAVIContainer out;
        ASSERT_TRUE(out.CreateFile(path));
        auto first = PatternFrame(kW, kH, 1);
        auto made = out.CreateVideoStream(*first->GetHeader(), 1.0, 25.0);
        ASSERT_TRUE(made);
        const CompressionOptions options = Options(GetParam().c_str());
        ASSERT_TRUE(made->CreateCompressedStream(*first->GetHeader(), &options));
        ASSERT_EQ(out.AddStream(std::move(made)), 0);
        CAVIStream* v = out.GetStream(0);
        // Nothing written yet: nothing to repeat.
        EXPECT_FALSE(v->RepeatLastFrame());
        ASSERT_TRUE(v->WriteFrame(*first));
        if (!v->CanRepeatFrames()) {
            // Inter codecs refuse and write nothing; the creation encodes the frame again.
            EXPECT_FALSE(v->RepeatLastFrame());
            EXPECT_EQ(v->GetVideoWritePosition(), 1);
            return;
        }
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(v->RepeatLastFrame()) << v->GetLastError();
        ASSERT_TRUE(v->WriteFrame(*PatternFrame(kW, kH, 2)));
        ASSERT_TRUE(v->RepeatLastFrame());
        // After a paste the last frame is the pasted one, which this stream never encoded.
        CAVIContainer part;
        ASSERT_TRUE(part.Open(copyPath, false));
        ASSERT_TRUE(out.PasteStreams(*part.GetStream(part.GetFirstVideoStreamIndex()), 0, 0, 2));
        EXPECT_FALSE(v->RepeatLastFrame());
        ASSERT_TRUE(v->WriteFrame(*PatternFrame(kW, kH, 3)));
        ASSERT_TRUE(v->RepeatLastFrame());
        EXPECT_EQ(v->GetVideoWritePosition(), 10 - 2);  // pasted frames are not written frames
        EXPECT_EQ(v->GetLength(), 10);
        ASSERT_TRUE(out.Close()) << out.GetLastError();
    }
    EXPECT_EQ(ProbeCountedFrames(path), 10);
    EXPECT_EQ(DecodeErrors(path), "");
    CAVIContainer in;
    ASSERT_TRUE(in.Open(path, false));
    CAVIStream* v = in.GetStream(in.GetFirstVideoStreamIndex());
    ASSERT_TRUE(v);
    const std::vector<int> expected{1, 1, 1, 1, 2, 2, 20, 21, 3, 3};
    ASSERT_EQ(v->GetLength(), int(expected.size()));
    for (int i = 0; i < v->GetLength(); ++i) {
        EXPECT_EQ(FrameIdOf(v->GetFrame(i)), expected[size_t(i)]) << "frame " << i;
        EXPECT_TRUE(v->IsKeyFrame(i)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Offered, RepeatEveryEncoder, ::testing::ValuesIn(OfferedCodes()), Printable);

// ---- conversion ----

struct Yuv {
    double y, u, v;
};

// BT.601 straight from its definition, in floating point.
Yuv Reference(double r, double g, double b, bool full) {
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    const double u = (b - y) / 1.772, v = (r - y) / 1.402;
    if (full) return {y, 128 + u, 128 + v};
    return {16 + y * 219 / 255, 128 + u * 224 / 255, 128 + v * 224 / 255};
}

struct Planes {
    std::vector<uint8_t> y, u, v;
    int cw = 0, ch = 0;
};

Planes Convert(const CPicture& pic, bool full) {
    Planes p;
    const int w = pic.GetWidth(), h = pic.GetHeight();
    p.cw = (w + 1) / 2;
    p.ch = (h + 1) / 2;
    p.y.assign(size_t(w) * size_t(h), 0);
    p.u.assign(size_t(p.cw) * size_t(p.ch), 0);
    p.v.assign(p.u.size(), 0);
    ConvertBgrToYuv420(pic.GetBits(), CPicture::StrideFor(w), w, h, full,
                       Yuv420Planes{p.y.data(), p.u.data(), p.v.data(), w, p.cw, p.cw});
    return p;
}

TEST(FrameConversion, ColoursMatchTheDefinitionInBothRanges) {
    struct Colour {
        int r, g, b;
    };
    const Colour colours[] = {{0, 0, 0},       {255, 255, 255}, {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                              {128, 128, 128}, {250, 20, 90},   {17, 200, 33}, {255, 255, 0}, {3, 250, 251}};
    for (bool full : {false, true}) {
        for (const Colour& c : colours) {
            CDibPicture pic;
            ASSERT_TRUE(pic.Create(6, 4));
            pic.Fill(MakeColour(uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)));
            Planes p = Convert(pic, full);
            const Yuv ref = Reference(c.r, c.g, c.b, full);
            // Rounded, so never more than half a level (plus the fixed-point error) away.
            EXPECT_LE(std::abs(p.y[0] - ref.y), 0.51) << c.r << "," << c.g << "," << c.b << " full " << full;
            EXPECT_LE(std::abs(p.u[0] - std::min(ref.u, 255.0)), 0.51) << c.r << "," << c.g << "," << c.b;
            EXPECT_LE(std::abs(p.v[0] - std::min(ref.v, 255.0)), 0.51) << c.r << "," << c.g << "," << c.b;
        }
    }
    // The ends of the scales are exact.
    CDibPicture white;
    ASSERT_TRUE(white.Create(2, 2));
    white.Fill(MakeColour(255, 255, 255));
    EXPECT_EQ(Convert(white, false).y[0], 235);
    EXPECT_EQ(Convert(white, true).y[0], 255);
    EXPECT_EQ(Convert(white, false).u[0], 128);
}

// The AVX2 row kernel and the plain one give the same planes: noise (every byte value) at widths
// around its eight-pixel steps and its tail, both ranges, sizes that the conversion splits
// between two threads and sizes it does not.
TEST(FrameConversion, VectorAndPlainKernelsGiveTheSamePlanes) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto [w, h] : {std::pair{1, 1}, std::pair{7, 3}, std::pair{8, 2}, std::pair{10, 5}, std::pair{11, 4},
                        std::pair{12, 3}, std::pair{19, 6}, std::pair{21, 2}, std::pair{22, 3},
                        std::pair{33, 9}, std::pair{38, 2}, std::pair{97, 7}, std::pair{640, 401}}) {
        CDibPicture pic;
        ASSERT_TRUE(pic.Create(w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3 * w; ++x) pic.GetRow(y)[x] = uint8_t(byte(rng));
        for (bool full : {false, true}) {
            // The widest kernel the processor has (AVX-512 or AVX2), AVX2, plain.
            Planes vector = Convert(pic, full);
            SetWideVectorConversion(false);
            Planes narrow = Convert(pic, full);
            SetVectorConversion(false);
            Planes plain = Convert(pic, full);
            SetVectorConversion(true);
            SetWideVectorConversion(true);
            for (const Planes* p : {&vector, &narrow}) {
                EXPECT_EQ(p->y, plain.y) << w << "x" << h << " full " << full;
                EXPECT_EQ(p->u, plain.u) << w << "x" << h << " full " << full;
                EXPECT_EQ(p->v, plain.v) << w << "x" << h << " full " << full;
            }
        }
    }
}

TEST(FrameConversion, RowsComeOutTopDownAndOddEdgesAverageOnlyTheirPixels) {
    // 5 x 3: column 4 and row 2 have no partner; the top row is red, the rest blue, and the last
    // column green. The picture stores its bottom row first (memory row 2 is the top).
    CDibPicture pic;
    ASSERT_TRUE(pic.Create(5, 3));
    pic.Fill(MakeColour(0, 0, 255));
    for (int x = 0; x < 5; ++x) pic.SetPixel(x, 2, 255, 0, 0);
    for (int y = 0; y < 3; ++y) pic.SetPixel(4, y, 0, 255, 0);
    Planes p = Convert(pic, true);
    ASSERT_EQ(p.cw, 3);
    ASSERT_EQ(p.ch, 2);
    EXPECT_NEAR(p.y[0], Reference(255, 0, 0, true).y, 0.51);      // top left is red
    EXPECT_NEAR(p.y[2 * 5], Reference(0, 0, 255, true).y, 0.51);  // bottom left is blue
    EXPECT_NEAR(p.y[4], Reference(0, 255, 0, true).y, 0.51);      // top right is green
    // Top-left chroma: two red and two blue pixels.
    const Yuv mix = Reference(127.5, 0, 127.5, true);
    EXPECT_NEAR(p.u[0], mix.u, 0.51);
    EXPECT_NEAR(p.v[0], mix.v, 0.51);
    // The odd right column and bottom row average only the pixels there are.
    EXPECT_NEAR(p.u[2], Reference(0, 255, 0, true).u, 0.51);
    EXPECT_NEAR(p.u[3], Reference(0, 0, 255, true).u, 0.51);
    EXPECT_NEAR(p.v[5], Reference(0, 255, 0, true).v, 0.51);
}

}  // namespace
}  // namespace trov::test
