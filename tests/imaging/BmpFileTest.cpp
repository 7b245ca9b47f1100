// BMP files: the writer's header, round trips of every depth and compression the reader takes,
// and malformed files that must be refused without harm.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "ImagingTestUtil.h"
#include "imaging/BmpCopy.h"
#include "imaging/DibPicture.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::MakePattern;
using test::SamePixels;
using test::TempDir;

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
uint32_t Get32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(s[at + size_t(i)]);
    return v;
}
std::string ToString(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// A BMP file: file header, 40-byte (or other) information header, extra bytes (masks), colour
// table, pixels. height < 0 writes a top-down file.
Bytes MakeBmp(int width, int height, int bits, uint32_t compression, const Bytes& extra, const Bytes& palette,
              const Bytes& pixels, uint32_t clrUsed = 0) {
    const size_t off = 14 + 40 + extra.size() + palette.size();
    Bytes b(off + pixels.size(), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, uint32_t(off));
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(height));
    Put16(b, 26, 1);
    Put16(b, 28, uint32_t(bits));
    Put32(b, 30, compression);
    Put32(b, 34, uint32_t(pixels.size()));
    Put32(b, 46, clrUsed);
    std::copy(extra.begin(), extra.end(), b.begin() + 54);
    std::copy(palette.begin(), palette.end(), b.begin() + ptrdiff_t(54 + extra.size()));
    std::copy(pixels.begin(), pixels.end(), b.begin() + ptrdiff_t(off));
    return b;
}

// A palette of n colours, B, G, R, 0 each; entry i is (i*37, 255 - i*11, i*5) mod 256 as R, G, B.
Bytes MakePalette(int n) {
    Bytes p;
    for (int i = 0; i < n; ++i) {
        p.push_back(uint8_t(i * 5));
        p.push_back(uint8_t(255 - i * 11));
        p.push_back(uint8_t(i * 37));
        p.push_back(0);
    }
    return p;
}
Colour PaletteColour(int i) {
    return MakeColour(uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5));
}

constexpr int kW = 37, kH = 23;
// Colour index of pixel (x, y) (y = 0 bottom) for an n-colour picture; long runs and single pixels.
int IndexAt(int x, int y, int n) {
    return ((x / 5) * 3 + y + (x % 7 == 0 ? 1 : 0)) % n;
}

// Packs indexed rows (bottom-up or top-down) of `bits` bits per pixel, rows padded to 4 bytes.
Bytes PackIndexed(int bits, int n, bool topDown) {
    const size_t stride = ((size_t(kW) * size_t(bits) + 31) / 32) * 4;
    Bytes px(stride * kH, 0);
    for (int r = 0; r < kH; ++r) {
        const int y = topDown ? kH - 1 - r : r;
        for (int x = 0; x < kW; ++x) {
            const int v = IndexAt(x, y, n);
            const size_t bit = size_t(x) * size_t(bits);
            px[size_t(r) * stride + bit / 8] |= uint8_t(v << (8 - bits - int(bit % 8)));
        }
    }
    return px;
}

void ExpectIndexedPicture(const CPicture& p, int n) {
    ASSERT_EQ(p.GetWidth(), kW);
    ASSERT_EQ(p.GetHeight(), kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ASSERT_EQ(p.GetColour(x, y), PaletteColour(IndexAt(x, y, n))) << x << "," << y;
}

bool LoadBytes(CDibPicture& p, const Bytes& b) {
    return p.LoadFromMemory(b.data(), b.size(), "test.bmp");
}

TEST(BmpWrite, FileHeaderAndPixelsAsSpecified) {
    TempDir dir;
    auto p = MakePattern(kW, kH);
    ASSERT_TRUE(p->SaveFile(dir / "a.bmp"));
    const std::string f = test::ReadFileBytes(dir / "a.bmp");
    const uint32_t imageSize = 112u * kH;
    ASSERT_EQ(f.size(), 54u + imageSize);
    EXPECT_EQ(f.substr(0, 2), "BM");
    EXPECT_EQ(Get32(f, 2), imageSize + 54);
    EXPECT_EQ(Get32(f, 6), 0u);
    EXPECT_EQ(Get32(f, 10), 54u);
    EXPECT_EQ(f.compare(14, 40, std::string(reinterpret_cast<const char*>(p->GetHeader()), 40)), 0);
    EXPECT_EQ(f.compare(54, imageSize, std::string(reinterpret_cast<const char*>(p->GetBits()), imageSize)),
              0);

    CDibPicture empty;
    EXPECT_FALSE(empty.SaveFile(dir / "b.bmp"));
    EXPECT_FALSE(p->SaveFile(dir / "missing-dir/c.bmp"));
}

// The picture cache writes prepared pictures without copying them first: the file must be the
// one a copy would have written, whatever the original's information header holds.
TEST(BmpWrite, CopyWithoutCopyingIsTheClonesFile) {
    TempDir dir;
    auto p = MakePattern(kW, kH);
    p->GetHeader()->biXPelsPerMeter = 2835;  // as a loaded file may carry
    ASSERT_TRUE(SaveBmpCopy(*p, dir / "direct.bmp"));
    ASSERT_TRUE(p->Clone()->SaveFile(dir / "clone.bmp"));
    EXPECT_EQ(test::ReadFileBytes(dir / "direct.bmp"), test::ReadFileBytes(dir / "clone.bmp"));

    CDibPicture empty;
    EXPECT_FALSE(SaveBmpCopy(empty, dir / "empty.bmp"));
    EXPECT_FALSE(SaveBmpCopy(*p, dir / "missing-dir/c.bmp"));
}

TEST(BmpRead, TwentyFourBitRoundTripAndLoadOnce) {
    TempDir dir;
    auto p = MakePattern(kW, kH);
    ASSERT_TRUE(p->SaveFile(dir / "a.bmp"));
    CDibPicture q;
    ASSERT_TRUE(q.LoadFile(dir / "a.bmp", false));
    EXPECT_TRUE(SamePixels(q, *p));
    EXPECT_EQ(q.GetFileName(), dir / "a.bmp");
    EXPECT_FALSE(q.IsDamaged());

    // The same path without force keeps the picture; with force the file is read again.
    CDibPicture other;
    ASSERT_TRUE(other.Create(3, 3));
    ASSERT_TRUE(other.SaveFile(dir / "a.bmp"));
    EXPECT_TRUE(q.LoadFile(dir / "a.bmp", false));
    EXPECT_EQ(q.GetWidth(), kW);
    EXPECT_TRUE(q.LoadFile(dir / "a.bmp", true));
    EXPECT_EQ(q.GetWidth(), 3);
}

TEST(BmpRead, IndexedDepthsBottomUpAndTopDown) {
    for (int bits : {1, 4, 8}) {
        const int n = bits == 8 ? 200 : (1 << bits);
        for (bool topDown : {false, true}) {
            const Bytes file = MakeBmp(kW, topDown ? -kH : kH, bits, 0, {}, MakePalette(n),
                                       PackIndexed(bits, n, topDown), bits == 8 ? uint32_t(n) : 0);
            CDibPicture p;
            ASSERT_TRUE(LoadBytes(p, file)) << bits << " " << p.GetLastError();
            SCOPED_TRACE(std::to_string(bits) + (topDown ? " top-down" : " bottom-up"));
            ExpectIndexedPicture(p, n);
            EXPECT_EQ(p.GetHeader()->biBitCount, 24);
            EXPECT_EQ(p.GetHeader()->biHeight, kH);
        }
    }
}

// Direct colour: expected value of a channel stored with `bitsOfChannel` bits.
uint8_t Expand(uint32_t v, int bitsOfChannel) {
    const double max = double((1u << bitsOfChannel) - 1);
    return uint8_t(std::lround(v * 255.0 / max));
}

TEST(BmpRead, SixteenAndThirtyTwoBitsWithAndWithoutBitfields) {
    struct Case {
        int bits;
        uint32_t compression;
        uint32_t rMask, gMask, bMask;
        int rBits, gBits, bBits, rShift, gShift, bShift;
    };
    const Case cases[] = {
        {16, 0, 0, 0, 0, 5, 5, 5, 10, 5, 0},                                 // 5-5-5 default
        {16, 3, 0xF800, 0x07E0, 0x001F, 5, 6, 5, 11, 5, 0},                  // 5-6-5
        {32, 0, 0, 0, 0, 8, 8, 8, 16, 8, 0},                                 // B, G, R, unused
        {32, 3, 0x000000FF, 0x0000FF00, 0x00FF0000, 8, 8, 8, 0, 8, 16},      // R, G, B order by masks
        {32, 3, 0x3FF00000, 0x000FFC00, 0x000003FF, 10, 10, 10, 20, 10, 0},  // 10-bit channels
    };
    for (const Case& c : cases) {
        for (bool topDown : {false, true}) {
            const size_t bpp = size_t(c.bits) / 8;
            const size_t stride = ((size_t(kW) * bpp + 3) / 4) * 4;
            Bytes px(stride * kH, 0);
            auto chan = [](int x, int y, int k, int nbits) {
                return uint32_t((x * 11 + y * 17 + k * 5) % (1 << nbits));
            };
            for (int r = 0; r < kH; ++r) {
                const int y = topDown ? kH - 1 - r : r;
                for (int x = 0; x < kW; ++x) {
                    const uint32_t v = (chan(x, y, 0, c.rBits) << c.rShift) |
                                       (chan(x, y, 1, c.gBits) << c.gShift) |
                                       (chan(x, y, 2, c.bBits) << c.bShift);
                    for (size_t i = 0; i < bpp; ++i)
                        px[size_t(r) * stride + size_t(x) * bpp + i] = uint8_t(v >> (8 * i));
                }
            }
            Bytes masks;
            if (c.compression == 3) {
                masks.assign(12, 0);
                Put32(masks, 0, c.rMask);
                Put32(masks, 4, c.gMask);
                Put32(masks, 8, c.bMask);
            }
            const Bytes file = MakeBmp(kW, topDown ? -kH : kH, c.bits, c.compression, masks, {}, px);
            CDibPicture p;
            SCOPED_TRACE(std::to_string(c.bits) + " bits, compression " + std::to_string(c.compression) +
                         (topDown ? ", top-down" : ""));
            ASSERT_TRUE(LoadBytes(p, file)) << p.GetLastError();
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const Colour want = MakeColour(Expand(chan(x, y, 0, c.rBits), c.rBits),
                                                   Expand(chan(x, y, 1, c.gBits), c.gBits),
                                                   Expand(chan(x, y, 2, c.bBits), c.bBits));
                    ASSERT_EQ(p.GetColour(x, y), want) << x << "," << y;
                }
        }
    }
}

// RLE8/RLE4 encoder: even rows as runs, odd rows in absolute mode where a stretch allows it.
Bytes EncodeRle(int n, bool four) {
    Bytes out;
    for (int y = 0; y < kH; ++y) {
        std::vector<int> row(kW);
        for (int x = 0; x < kW; ++x) row[size_t(x)] = IndexAt(x, y, n);
        int x = 0;
        while (x < kW) {
            if (y % 2 == 1 && kW - x >= 3) {
                const int len = std::min(kW - x, four ? 12 : 200);
                out.push_back(0);
                out.push_back(uint8_t(len));
                size_t bytes = 0;
                if (four) {
                    for (int k = 0; k < len; k += 2) {
                        const int hi = row[size_t(x + k)], lo = k + 1 < len ? row[size_t(x + k + 1)] : 0;
                        out.push_back(uint8_t((hi << 4) | lo));
                        ++bytes;
                    }
                } else {
                    for (int k = 0; k < len; ++k) out.push_back(uint8_t(row[size_t(x + k)]));
                    bytes = size_t(len);
                }
                if (bytes % 2) out.push_back(0);
                x += len;
            } else {
                int len = 1;
                while (x + len < kW && row[size_t(x + len)] == row[size_t(x)] && len < 255) ++len;
                out.push_back(uint8_t(len));
                out.push_back(uint8_t(four ? (row[size_t(x)] << 4) | row[size_t(x)] : row[size_t(x)]));
                x += len;
            }
        }
        out.push_back(0);
        out.push_back(0);  // end of line
    }
    out.push_back(0);
    out.push_back(1);  // end of bitmap
    return out;
}

TEST(BmpRead, RunLengthEncodedEightAndFourBits) {
    {
        const Bytes file = MakeBmp(kW, kH, 8, 1, {}, MakePalette(60), EncodeRle(60, false), 60);
        CDibPicture p;
        ASSERT_TRUE(LoadBytes(p, file)) << p.GetLastError();
        SCOPED_TRACE("RLE8");
        ExpectIndexedPicture(p, 60);
    }
    {
        const Bytes file = MakeBmp(kW, kH, 4, 2, {}, MakePalette(16), EncodeRle(16, true));
        CDibPicture p;
        ASSERT_TRUE(LoadBytes(p, file)) << p.GetLastError();
        SCOPED_TRACE("RLE4");
        ExpectIndexedPicture(p, 16);
    }
}

TEST(BmpRead, RunLengthDeltaLeavesSkippedPixelsInColourZero) {
    // 4 x 3, RLE8: row 0 "1 1", delta (1, 1), run "2 2" -> row 1 from x = 3; end of bitmap.
    const Bytes rle = {2, 1, 0, 2, 1, 1, 1, 2, 0, 1};
    const Bytes file = MakeBmp(4, 3, 8, 1, {}, MakePalette(3), rle, 3);
    CDibPicture p;
    ASSERT_TRUE(LoadBytes(p, file)) << p.GetLastError();
    EXPECT_EQ(p.GetColour(0, 0), PaletteColour(1));
    EXPECT_EQ(p.GetColour(1, 0), PaletteColour(1));
    EXPECT_EQ(p.GetColour(2, 0), PaletteColour(0));
    EXPECT_EQ(p.GetColour(2, 1), PaletteColour(0));
    EXPECT_EQ(p.GetColour(3, 1), PaletteColour(2));
    EXPECT_EQ(p.GetColour(0, 2), PaletteColour(0));
}

TEST(BmpRead, Os2CoreHeaderWithThreeByteColourTable) {
    // 12-byte header: size, 16-bit width and height, planes, depth; colour entries B, G, R.
    const int n = 16;
    Bytes palette;
    for (int i = 0; i < n; ++i) {
        const Bytes entry = MakePalette(n);
        palette.insert(palette.end(), entry.begin() + 4 * i, entry.begin() + 4 * i + 3);
    }
    const Bytes px = PackIndexed(4, n, false);
    Bytes b(14 + 12, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 10, uint32_t(14 + 12 + palette.size()));
    Put32(b, 14, 12);
    Put16(b, 18, kW);
    Put16(b, 20, kH);
    Put16(b, 22, 1);
    Put16(b, 24, 4);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), px.begin(), px.end());
    Put32(b, 2, uint32_t(b.size()));
    CDibPicture p;
    ASSERT_TRUE(LoadBytes(p, b)) << p.GetLastError();
    ExpectIndexedPicture(p, n);
}

TEST(BmpRead, PixelOffsetOfTheFileHeaderIsHonoured) {
    // A gap between the colour table and the pixels, as some writers leave.
    Bytes file = MakeBmp(kW, kH, 8, 0, {}, MakePalette(256), PackIndexed(8, 200, false));
    const size_t off = 14 + 40 + 1024;
    file.insert(file.begin() + ptrdiff_t(off), 6, 0xEE);
    Put32(file, 10, uint32_t(off + 6));
    CDibPicture p;
    ASSERT_TRUE(LoadBytes(p, file)) << p.GetLastError();
    ExpectIndexedPicture(p, 200);
}

TEST(BmpRead, MalformedFilesAreRefusedCleanly) {
    const Bytes good = MakeBmp(kW, kH, 8, 0, {}, MakePalette(200), PackIndexed(8, 200, false), 200);
    std::vector<std::pair<std::string, Bytes>> bad;
    bad.push_back({"empty", {}});
    bad.push_back({"shorter than the file header", Bytes(good.begin(), good.begin() + 10)});
    bad.push_back({"not BM", [&] {
                       Bytes b = good;
                       b[0] = 'X';
                       return b;
                   }()});
    {
        Bytes garbage = {'B', 'M'};
        uint32_t s = 12345;
        for (int i = 0; i < 300; ++i) {
            s = s * 1103515245u + 12345u;
            garbage.push_back(uint8_t(s >> 16));
        }
        bad.push_back({"BM then garbage", garbage});
    }
    bad.push_back({"ends inside the information header", Bytes(good.begin(), good.begin() + 40)});
    bad.push_back({"huge size claimed by a tiny file", MakeBmp(30000, 30000, 24, 0, {}, {}, Bytes(16, 0))});
    bad.push_back({"dimensions above the limit", MakeBmp(100000, 1, 24, 0, {}, {}, Bytes(300000, 0))});
    bad.push_back({"zero width", MakeBmp(0, 5, 24, 0, {}, {}, Bytes(64, 0))});
    bad.push_back({"zero height", MakeBmp(5, 0, 24, 0, {}, {}, Bytes(64, 0))});
    bad.push_back({"negative width", MakeBmp(-5, 5, 24, 0, {}, {}, Bytes(64, 0))});
    bad.push_back({"lowest height", MakeBmp(5, int(0x80000000u), 24, 0, {}, {}, Bytes(64, 0))});
    bad.push_back({"truncated pixels", Bytes(good.begin(), good.end() - 100)});
    bad.push_back({"depth 2", MakeBmp(4, 4, 2, 0, {}, MakePalette(4), Bytes(16, 0))});
    bad.push_back({"depth 0", MakeBmp(4, 4, 0, 0, {}, {}, Bytes(16, 0))});
    bad.push_back({"unknown compression", MakeBmp(4, 4, 24, 4, {}, {}, Bytes(48, 0))});
    bad.push_back({"RLE8 with 24 bits", MakeBmp(4, 4, 24, 1, {}, {}, Bytes(48, 0))});
    bad.push_back({"BITFIELDS without masks", MakeBmp(4, 1, 16, 3, {}, {}, {})});
    bad.push_back({"colour table larger than the depth allows",
                   MakeBmp(4, 4, 4, 0, {}, MakePalette(16), Bytes(8, 0), 17)});
    bad.push_back(
        {"colour table beyond the file", MakeBmp(4, 4, 8, 0, {}, MakePalette(10), Bytes(16, 0), 250)});
    {
        Bytes px = PackIndexed(8, 4, false);
        px[5] = 200;  // only 4 colours in the table
        bad.push_back({"colour index outside the table", MakeBmp(kW, kH, 8, 0, {}, MakePalette(4), px, 4)});
    }
    {
        Bytes rle = EncodeRle(60, false);
        rle.resize(rle.size() / 2);
        bad.push_back({"truncated RLE", MakeBmp(kW, kH, 8, 1, {}, MakePalette(60), rle, 60)});
    }
    bad.push_back({"RLE run with an index outside the table",
                   MakeBmp(4, 1, 8, 1, {}, MakePalette(2), {4, 9, 0, 1}, 2)});
    bad.push_back({"top-down RLE", MakeBmp(4, -1, 8, 1, {}, MakePalette(2), {4, 1, 0, 1}, 2)});
    {
        Bytes b = good;
        Put32(b, 14, 0xFFFFFFF0u);  // information header size
        bad.push_back({"absurd header size", b});
    }

    for (const auto& [what, bytes] : bad) {
        CDibPicture p;
        ASSERT_TRUE(p.Create(2, 2));
        EXPECT_FALSE(p.LoadFromMemory(bytes.data(), bytes.size(), "bad.bmp")) << what;
        EXPECT_TRUE(p.IsEmpty()) << what;
        EXPECT_NE(p.GetLastError().find("bad.bmp"), std::string::npos) << what << ": " << p.GetLastError();
    }

    // Through the file interface too, including a missing file.
    TempDir dir;
    test::WriteFileBytes(dir / "huge.bmp", ToString(MakeBmp(30000, 30000, 24, 0, {}, {}, Bytes(16, 0))));
    CDibPicture p;
    EXPECT_FALSE(p.LoadFile(dir / "huge.bmp", true));
    EXPECT_NE(p.GetLastError().find("header claims"), std::string::npos) << p.GetLastError();
    EXPECT_FALSE(p.LoadFile(dir / "missing.bmp", true));
    EXPECT_FALSE(p.LoadFile(dir.Path().string(), true));  // a directory
}

TEST(BmpRead, PackedDibConvertsAndIsValidated) {
    const Bytes file = MakeBmp(kW, kH, 4, 0, {}, MakePalette(16), PackIndexed(4, 16, false));
    CDibPicture p;
    ASSERT_TRUE(p.CreateFromPackedDib(file.data() + 14, file.size() - 14)) << p.GetLastError();
    EXPECT_EQ(p.GetFileName(), "Undefined");
    ExpectIndexedPicture(p, 16);
    EXPECT_FALSE(p.CreateFromPackedDib(file.data() + 14, 100));
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_FALSE(p.CreateFromPackedDib(nullptr, 100));

    auto pattern = MakePattern(kW, kH);
    CDibPicture q;
    ASSERT_TRUE(q.CreateFromPackedDib(pattern->GetHeader(), pattern->GetBlockSize()));
    EXPECT_TRUE(SamePixels(q, *pattern));
}

// Files laid out as a picture block (the picture cache's own) are read straight into the
// picture; they must come out byte for byte, padding included, as the general reader makes them,
// whatever the background colour, and every other layout must still take the general way.
TEST(BmpRead, PictureBlockFilesReadStraightInMatchTheGeneralReader) {
    TempDir dir;
    const Colour kept = CPicture::GetDefaultBackgroundColour();
    for (Colour background : {Colour(0), MakeColour(128, 128, 128), MakeColour(10, 200, 30)}) {
        CPicture::SetDefaultBackgroundColour(background);
        auto p = MakePattern(kW, kH);  // 37 columns: one padding byte a row
        ASSERT_TRUE(p->SaveFile(dir / "block.bmp"));
        const std::string bytes = test::ReadFileBytes(dir / "block.bmp");
        CDibPicture straight, general;
        ASSERT_TRUE(straight.LoadFile(dir / "block.bmp", true)) << straight.GetLastError();
        ASSERT_TRUE(
            general.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "b"));
        ASSERT_EQ(straight.GetImageSize(), general.GetImageSize());
        EXPECT_EQ(std::memcmp(straight.GetHeader(), general.GetHeader(), 40), 0);
        EXPECT_EQ(std::memcmp(straight.GetBits(), general.GetBits(), size_t(general.GetImageSize())), 0);
        EXPECT_EQ(straight.GetFileName(), dir / "block.bmp");
    }
    CPicture::SetDefaultBackgroundColour(kept);

    // Top-down rows, a colour table before the rows, 32 bits: read the general way, rightly.
    auto pattern = MakePattern(kW, kH);
    Bytes rows(size_t(pattern->GetImageSize()));
    for (int y = 0; y < kH; ++y)
        std::memcpy(&rows[size_t(y) * size_t(pattern->GetStride())], pattern->GetRow(kH - 1 - y),
                    3 * size_t(kW));
    test::WriteFileBytes(dir / "topdown.bmp", ToString(MakeBmp(kW, -kH, 24, 0, {}, {}, rows)));
    Bytes bottomUp(pattern->GetBits(), pattern->GetBits() + pattern->GetImageSize());
    test::WriteFileBytes(dir / "table.bmp",
                         ToString(MakeBmp(kW, kH, 24, 0, {}, MakePalette(2), bottomUp, 2)));
    for (const char* name : {"topdown.bmp", "table.bmp"}) {
        CDibPicture q;
        ASSERT_TRUE(q.LoadFile(dir / name, true)) << name << ": " << q.GetLastError();
        EXPECT_TRUE(SamePixels(q, *pattern)) << name;
    }
    // A block file cut short is refused with the general reader's reason, holding nothing.
    ASSERT_TRUE(pattern->SaveFile(dir / "cut.bmp"));
    std::string cut = test::ReadFileBytes(dir / "cut.bmp");
    cut.resize(cut.size() - 7);
    test::WriteFileBytes(dir / "cut.bmp", cut);
    CDibPicture q;
    EXPECT_FALSE(q.LoadFile(dir / "cut.bmp", true));
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_NE(q.GetLastError().find("header claims"), std::string::npos) << q.GetLastError();
}

}  // namespace
}  // namespace trov
