// Picture buffer: layout, creation, fill, rectangle copies, blend, pixel access, display images.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ImagingTestUtil.h"
#include "imaging/DibPicture.h"

namespace trov {
namespace {

using test::BackgroundScope;
using test::MakePattern;
using test::PatternByte;
using test::SamePixels;

TEST(PictureLayout, StrideIsThreeBytesPerPixelRoundedUpToFour) {
    EXPECT_EQ(CPicture::StrideFor(1), 4);
    EXPECT_EQ(CPicture::StrideFor(3), 12);
    EXPECT_EQ(CPicture::StrideFor(4), 12);
    EXPECT_EQ(CPicture::StrideFor(37), 112);
    for (int w : {1, 2, 3, 4, 5, 37}) {
        CDibPicture p;
        ASSERT_TRUE(p.Create(w, 23));
        EXPECT_EQ(p.GetStride(), CPicture::StrideFor(w));
        EXPECT_EQ(p.GetImageSize(), CPicture::StrideFor(w) * 23);
        // The spec'd formula of the image size: 3 * width + width mod 4, times height.
        EXPECT_EQ(p.GetImageSize(), (3 * w + w % 4) * 23);
    }
}

TEST(PictureLayout, HeaderDirectlyPrecedesPixelsWithStandardFields) {
    CDibPicture p;
    ASSERT_TRUE(p.Create(37, 23));
    const BitmapInfoHeader* h = p.GetHeader();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(h) + 40, p.GetBits());
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biWidth, 37);
    EXPECT_EQ(h->biHeight, 23);
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biBitCount, 24);
    EXPECT_EQ(h->biCompression, 0u);
    EXPECT_EQ(h->biSizeImage, 112u * 23u);
    EXPECT_EQ(h->biClrUsed, 0u);
    EXPECT_EQ(p.GetBlockSize(), 40u + 112u * 23u);
    // Row 0 is the bottom row: SetPixel(x, 0) writes the first bytes of the block's pixels.
    p.SetPixel(1, 0, 10, 20, 30);
    EXPECT_EQ(p.GetBits()[3], 30);
    EXPECT_EQ(p.GetBits()[4], 20);
    EXPECT_EQ(p.GetBits()[5], 10);
    p.SetPixel(0, 1, 1, 2, 3);
    EXPECT_EQ(p.GetBits()[112], 3);
    EXPECT_EQ(p.GetRow(1), p.GetBits() + 112);
}

TEST(PictureCreate, EmptyStateAndRefusedSizes) {
    CDibPicture p;
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_EQ(p.GetWidth(), -1);
    EXPECT_EQ(p.GetHeight(), -1);
    EXPECT_EQ(p.GetImageSize(), -1);
    EXPECT_EQ(p.GetHeader(), nullptr);
    EXPECT_EQ(p.GetBits(), nullptr);
    for (auto [w, h] :
         std::vector<std::pair<int, int>>{{0, 5}, {5, 0}, {-3, 4}, {4, -1}, {70000, 2}, {40000, 40000}}) {
        EXPECT_FALSE(p.Create(w, h)) << w << "x" << h;
        EXPECT_TRUE(p.IsEmpty());
        EXPECT_FALSE(p.GetLastError().empty());
    }
    ASSERT_TRUE(p.Create(3, 2));
    p.SetFileName("x");
    p.Reset();
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_EQ(p.GetFileName(), "");
}

TEST(PictureCreate, FilledWithTheDefaultBackgroundColour) {
    {
        CDibPicture p;
        ASSERT_TRUE(p.Create(5, 3));
        for (int i = 0; i < p.GetImageSize(); ++i) ASSERT_EQ(p.GetBits()[i], 0) << i;
    }
    {
        BackgroundScope bg(MakeColour(10, 20, 30));
        CDibPicture p;
        ASSERT_TRUE(p.Create(5, 3));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(p.GetColour(x, y), MakeColour(10, 20, 30));
        EXPECT_EQ(p.GetRow(0)[15], 0);  // padding of a non-grey fill stays 0
    }
    {
        BackgroundScope bg(0x404040);
        CDibPicture p;
        ASSERT_TRUE(p.Create(5, 3));
        for (int i = 0; i < p.GetImageSize(); ++i) ASSERT_EQ(p.GetBits()[i], 0x40) << i;
    }
    EXPECT_EQ(CPicture::GetDefaultBackgroundColour(), 0u);
}

TEST(PictureFill, GreySetsPaddingColourKeepsIt) {
    CDibPicture p;
    ASSERT_TRUE(p.Create(5, 4));  // stride 16: one padding byte per row
    const int stride = p.GetStride();
    for (int y = 0; y < 4; ++y) p.GetRow(y)[stride - 1] = 0xAB;
    p.Fill(MakeColour(1, 2, 3));
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(p.GetRow(y)[stride - 1], 0xAB);
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(p.GetRow(y)[3 * x], 3);
            EXPECT_EQ(p.GetRow(y)[3 * x + 1], 2);
            EXPECT_EQ(p.GetRow(y)[3 * x + 2], 1);
        }
    }
    p.Fill(0x777777);
    for (int i = 0; i < p.GetImageSize(); ++i) ASSERT_EQ(p.GetBits()[i], 0x77);
    p.Fill(kNoColour);  // no colour: nothing changes
    for (int i = 0; i < p.GetImageSize(); ++i) ASSERT_EQ(p.GetBits()[i], 0x77);
    p.Clear();
    for (int i = 0; i < p.GetImageSize(); ++i) ASSERT_EQ(p.GetBits()[i], 0);
}

TEST(PicturePixels, OutsideIsIgnoredAndEmptyFails) {
    CDibPicture p;
    uint8_t r = 1, g = 2, b = 3;
    EXPECT_FALSE(p.GetPixel(0, 0, r, g, b));
    EXPECT_FALSE(p.SetPixel(0, 0, 9, 9, 9));
    ASSERT_TRUE(p.Create(4, 4));
    EXPECT_TRUE(p.SetPixel(-1, 0, 9, 9, 9));
    EXPECT_TRUE(p.SetPixel(4, 0, 9, 9, 9));
    EXPECT_TRUE(p.SetPixel(0, 4, 9, 9, 9));
    for (int i = 0; i < p.GetImageSize(); ++i) ASSERT_EQ(p.GetBits()[i], 0);
    EXPECT_TRUE(p.GetPixel(0, -1, r, g, b));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(b, 3);
    EXPECT_TRUE(p.SetPixel(3, 3, 200, 100, 50));
    EXPECT_TRUE(p.GetPixel(3, 3, r, g, b));
    EXPECT_EQ(r, 200);
    EXPECT_EQ(g, 100);
    EXPECT_EQ(b, 50);
    EXPECT_EQ(p.GetColour(3, 3), MakeColour(200, 100, 50));
    EXPECT_EQ(p.GetColour(4, 3), kNoColour);
}

// Pixel (x, y) of the pattern as a colour.
Colour PatternColour(int x, int y) {
    return MakeColour(PatternByte(x, y, 2), PatternByte(x, y, 1), PatternByte(x, y, 0));
}

TEST(PictureCopyRect, WholeCopyAndClippingAtRightAndTop) {
    auto src = MakePattern(37, 23);
    CDibPicture same;
    ASSERT_TRUE(same.Create(37, 23));
    same.CopyRect(src.get(), 0, 0, 37, 23, 0, 0);
    EXPECT_TRUE(SamePixels(same, *src));

    // A larger source only fills what fits to the right and top of the target.
    CDibPicture small;
    ASSERT_TRUE(small.Create(10, 8));
    small.Fill(0x0000FF);
    small.CopyRect(src.get(), 0, 0, 37, 23, 3, 2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const Colour want = (x >= 3 && y >= 2) ? PatternColour(x - 3, y - 2) : Colour(0x0000FF);
            ASSERT_EQ(small.GetColour(x, y), want) << x << "," << y;
        }
}

TEST(PictureCopyRect, DestinationOutsideCopiesNothing) {
    auto src = MakePattern(8, 8);
    CDibPicture t;
    ASSERT_TRUE(t.Create(10, 10));
    t.CopyRect(src.get(), 0, 0, 8, 8, 10, 0);
    t.CopyRect(src.get(), 0, 0, 8, 8, 0, 10);
    t.CopyRect(src.get(), 0, 0, 8, 8, -8, 0);
    t.CopyRect(src.get(), 0, 0, 8, 8, 0, -8);
    t.CopyRect(src.get(), 5, 5, 2, 2, 0, 0);  // empty rectangle
    t.CopyRect(nullptr, 0, 0, 8, 8, 0, 0);
    for (int i = 0; i < t.GetImageSize(); ++i) ASSERT_EQ(t.GetBits()[i], 0);
}

TEST(PictureCopyRect, NegativeDestinationCutsOffInsteadOfShifting) {
    auto src = MakePattern(8, 8);
    CDibPicture t;
    ASSERT_TRUE(t.Create(8, 8));
    t.CopyRect(src.get(), 0, 0, 8, 8, -3, -2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const Colour want = (x < 5 && y < 6) ? PatternColour(x + 3, y + 2) : Colour(0);
            ASSERT_EQ(t.GetColour(x, y), want) << x << "," << y;
        }
}

TEST(PictureCopyRect, SourceRectangleClampedToSource) {
    auto src = MakePattern(6, 6);
    CDibPicture t;
    ASSERT_TRUE(t.Create(10, 10));
    t.CopyRect(src.get(), -4, -4, 20, 20, 2, 2);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool in = x >= 2 && x < 8 && y >= 2 && y < 8;
            ASSERT_EQ(t.GetColour(x, y), in ? PatternColour(x - 2, y - 2) : Colour(0)) << x << "," << y;
        }
}

TEST(PictureCopyRect, KeyColourSkipsExactlyThatColour) {
    auto src = MakePattern(9, 7);
    const Colour key = MakeColour(1, 2, 3);
    for (int i = 0; i < 9; ++i) src->SetPixel(i, i % 7, 1, 2, 3);
    src->SetPixel(0, 6, 1, 2, 4);  // near the key, but not it
    for (bool check : {false, true}) {
        CDibPicture t;
        ASSERT_TRUE(t.Create(9, 7));
        t.Fill(0xFFFFFF);
        t.CopyRect(src.get(), 0, 0, 9, 7, 0, 0, key, check);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) {
                const Colour s = src->GetColour(x, y);
                ASSERT_EQ(t.GetColour(x, y), s == key ? Colour(0xFFFFFF) : s)
                    << x << "," << y << " check=" << check;
            }
    }
    // Out-of-range rectangles and offsets are harmless in both variants and match each other.
    CDibPicture a, b;
    ASSERT_TRUE(a.Create(5, 5));
    ASSERT_TRUE(b.Create(5, 5));
    a.CopyRect(src.get(), -3, -3, 15, 15, 2, -1, key, false);
    b.CopyRect(src.get(), -3, -3, 15, 15, 2, -1, key, true);
    EXPECT_TRUE(SamePixels(a, b));
    EXPECT_EQ(a.GetColour(2, 0), src->GetColour(0, 1) == key ? 0 : src->GetColour(0, 1));
}

TEST(PictureCopyRect, OverlappingCopyWithinOnePicture) {
    for (auto [dx, dy] : std::vector<std::pair<int, int>>{{0, 1}, {0, -1}, {2, 0}, {-2, 0}, {1, 2}}) {
        auto p = MakePattern(11, 9);
        auto original = p->Clone();
        p->CopyRect(p.get(), 0, 0, 11, 9, dx, dy);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 11; ++x) {
                const int sx = x - dx, sy = y - dy;
                const bool moved = sx >= 0 && sx < 11 && sy >= 0 && sy < 9;
                ASSERT_EQ(p->GetColour(x, y), moved ? original->GetColour(sx, sy) : original->GetColour(x, y))
                    << dx << "," << dy << " at " << x << "," << y;
            }
    }
}

TEST(PictureCopyRect, CopyAtCroppedAndFrom) {
    auto src = MakePattern(12, 10);
    CDibPicture t;
    ASSERT_TRUE(t.Create(12, 10));
    t.CopyAt(src.get(), 4, 3);
    EXPECT_EQ(t.GetColour(4, 3), PatternColour(0, 0));
    EXPECT_EQ(t.GetColour(11, 9), PatternColour(7, 6));
    EXPECT_EQ(t.GetColour(3, 3), 0u);

    CDibPicture c;
    ASSERT_TRUE(c.Create(5, 4));
    c.CopyCropped(src.get(), 3, 2, 8, 6);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) ASSERT_EQ(c.GetColour(x, y), PatternColour(x + 3, y + 2));

    CDibPicture f;
    ASSERT_TRUE(f.Create(12, 9));
    f.CopyFrom(src.get());  // different height: nothing
    for (int i = 0; i < f.GetImageSize(); ++i) ASSERT_EQ(f.GetBits()[i], 0);
    ASSERT_TRUE(f.Create(12, 10));
    f.CopyFrom(src.get());
    EXPECT_TRUE(SamePixels(f, *src));
}

TEST(PictureBlend, MaskWeightsEachByte) {
    auto self = MakePattern(37, 23);
    auto other = std::make_unique<CDibPicture>();
    ASSERT_TRUE(other->Create(37, 23));
    for (int i = 0; i < other->GetImageSize(); ++i) other->GetBits()[i] = uint8_t(255 - (i * 31) % 256);
    CDibPicture mask;
    ASSERT_TRUE(mask.Create(37, 23));

    auto a = self->Clone();
    mask.Fill(0xFFFFFF);
    a->BlendWithMask(other.get(), &mask);
    EXPECT_EQ(std::memcmp(a->GetBits(), other->GetBits(), size_t(a->GetImageSize())), 0);

    auto b = self->Clone();
    mask.Fill(0);
    b->BlendWithMask(other.get(), &mask);
    EXPECT_EQ(std::memcmp(b->GetBits(), self->GetBits(), size_t(b->GetImageSize())), 0);

    // Hand-computed: o = 200, t = 100, m = 128 -> (200*128 + 100*127) / 255 = 150.19 -> 150.
    CDibPicture t1, o1, m1;
    ASSERT_TRUE(t1.Create(1, 1));
    ASSERT_TRUE(o1.Create(1, 1));
    ASSERT_TRUE(m1.Create(1, 1));
    t1.Fill(0x646464);
    o1.Fill(0xC8C8C8);
    m1.Fill(0x808080);
    m1.GetBits()[1] = 1;    // green weight 1: (200 + 100*254) / 255 = 100.39 -> 100
    m1.GetBits()[2] = 254;  // red weight 254: (200*254 + 100) / 255 = 199.6 -> 199
    t1.BlendWithMask(&o1, &m1);
    EXPECT_EQ(t1.GetBits()[0], 150);
    EXPECT_EQ(t1.GetBits()[1], 100);
    EXPECT_EQ(t1.GetBits()[2], 199);

    // Different sizes: nothing happens.
    CDibPicture wrong;
    ASSERT_TRUE(wrong.Create(36, 23));
    auto c = self->Clone();
    c->BlendWithMask(&wrong, &mask);
    c->BlendWithMask(other.get(), &wrong);
    c->BlendWithMask(nullptr, &mask);
    EXPECT_TRUE(SamePixels(*c, *self));
}

TEST(PictureDisplay, PackedTopDownRgbRoundTrip) {
    auto p = MakePattern(37, 23);
    const std::vector<uint8_t> rgb = p->ToPackedRgbTopDown();
    ASSERT_EQ(rgb.size(), size_t(37 * 23 * 3));
    // First packed row = top row of the picture (row 22), in R, G, B order.
    EXPECT_EQ(rgb[0], PatternByte(0, 22, 2));
    EXPECT_EQ(rgb[1], PatternByte(0, 22, 1));
    EXPECT_EQ(rgb[2], PatternByte(0, 22, 0));
    const size_t last = size_t(22) * 37 * 3 + 36 * 3;
    EXPECT_EQ(rgb[last], PatternByte(36, 0, 2));
    CDibPicture back;
    ASSERT_TRUE(back.FromPackedRgbTopDown(rgb.data(), 37, 23, 37 * 3));
    EXPECT_TRUE(SamePixels(back, *p));
    EXPECT_FALSE(back.FromPackedRgbTopDown(rgb.data(), 37, 23, 10));
    EXPECT_TRUE(CDibPicture().ToPackedRgbTopDown().empty());
}

// Loaders that write the rows themselves allocate without filling, then fill what they did not
// write: the rows a damaged file does not reach, and the padding. Both must be exactly what
// Create gives, for every kind of background.
TEST(PictureCreate, RowsAndPaddingFilledAfterAnUnfilledAllocationAreAsCreated) {
    for (Colour background : {Colour(0), Colour(0x404040), MakeColour(10, 20, 30), kNoColour}) {
        BackgroundScope bg(background);
        for (int width : {4, 5, 6}) {
            CDibPicture created, allocated;
            ASSERT_TRUE(created.Create(width, 3));
            ASSERT_TRUE(allocated.Allocate(width, 3));
            std::memset(allocated.GetBits(), 0xA5, size_t(allocated.GetImageSize()));
            allocated.FillRowsAsCreated(-1, 9);  // clipped to the picture
            EXPECT_EQ(std::memcmp(allocated.GetBits(), created.GetBits(), size_t(created.GetImageSize())), 0)
                << std::hex << background << " width " << width;
            EXPECT_EQ(std::memcmp(allocated.GetHeader(), created.GetHeader(), 40), 0);
            // Rows written elsewhere keep their pixels; only the padding is set.
            std::memset(allocated.GetBits(), 0xA5, size_t(allocated.GetImageSize()));
            allocated.SetPaddingAsCreated();
            for (int y = 0; y < 3; ++y) {
                EXPECT_EQ(std::memcmp(allocated.GetRow(y), std::string(3 * size_t(width), '\xA5').data(),
                                      3 * size_t(width)),
                          0);
                for (int i = 3 * width; i < allocated.GetStride(); ++i)
                    EXPECT_EQ(allocated.GetRow(y)[i], created.GetRow(y)[i]) << std::hex << background;
            }
        }
    }
}

TEST(PictureClone, CopiesPixelsAndName) {
    auto p = MakePattern(7, 5);
    p->SetFileName("a.bmp");
    auto c = p->Clone();
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c->GetBits(), p->GetBits());
    EXPECT_TRUE(SamePixels(*c, *p));
    EXPECT_EQ(c->GetFileName(), "a.bmp");
    EXPECT_EQ(CDibPicture().Clone(), nullptr);
}

}  // namespace
}  // namespace trov
