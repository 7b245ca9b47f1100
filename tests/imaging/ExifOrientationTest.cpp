// EXIF orientation: reading it from JPEG files made here, the eight ways a picture is turned
// upright, and entry pictures that apply it under the entry's own rotation; the cause of a
// refused entry picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImagingTestUtil.h"
#include "JpegTestEncoder.h"
#include "imaging/JpegPicture.h"
#include "imaging/PictureTools.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using Bytes = std::vector<unsigned char>;
using test::MakePattern;
using test::SamePixels;
using test::TempDir;

// The payload of an APP1 "Exif" segment whose first directory holds `entries` (tag, type, count,
// value) in the given byte order, the value left-aligned in its four bytes.
struct Entry {
    unsigned tag, type;
    uint32_t count;
    unsigned value;
};
Bytes ExifPayload(bool bigEndian, const std::vector<Entry>& entries) {
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](unsigned v) {
        if (bigEndian) {
            b.push_back(uint8_t(v >> 8));
            b.push_back(uint8_t(v));
        } else {
            b.push_back(uint8_t(v));
            b.push_back(uint8_t(v >> 8));
        }
    };
    auto u32 = [&](uint32_t v) {
        if (bigEndian) {
            u16(v >> 16);
            u16(v & 0xFFFF);
        } else {
            u16(v & 0xFFFF);
            u16(v >> 16);
        }
    };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    u16(42);
    u32(8);
    u16(unsigned(entries.size()));
    for (const Entry& e : entries) {
        u16(e.tag);
        u16(e.type);
        u32(e.count);
        u16(e.value);
        u16(0);
    }
    u32(0);  // no next directory
    return b;
}

// A JPEG with the segment inserted right after the start of image.
Bytes WithSegment(const Bytes& jpeg, unsigned char marker, const Bytes& payload) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.push_back(0xFF);
    out.push_back(marker);
    const size_t length = payload.size() + 2;
    out.push_back(uint8_t(length >> 8));
    out.push_back(uint8_t(length));
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

int Parse(const Bytes& payload) {
    return ParseExifOrientation(payload.data(), payload.size());
}

TEST(ExifOrientation, ParsedInBothByteOrdersAndRefusedWhenMalformed) {
    for (bool big : {false, true}) {
        for (unsigned v = 1; v <= 8; ++v)
            EXPECT_EQ(Parse(ExifPayload(big, {{0x010F, 2, 4, 0}, {0x0112, 3, 1, v}})), int(v)) << big;
        EXPECT_EQ(Parse(ExifPayload(big, {{0x0112, 3, 1, 9}})), 1);  // out of range
        EXPECT_EQ(Parse(ExifPayload(big, {{0x0112, 3, 1, 0}})), 1);
        EXPECT_EQ(Parse(ExifPayload(big, {{0x0112, 4, 1, 6}})), 1);  // not a SHORT
        EXPECT_EQ(Parse(ExifPayload(big, {{0x0112, 3, 2, 6}})), 1);  // two values
        EXPECT_EQ(Parse(ExifPayload(big, {{0x0110, 2, 4, 6}})), 1);  // no orientation tag
    }
    Bytes good = ExifPayload(false, {{0x0112, 3, 1, 6}});
    for (size_t cut = 0; cut < good.size(); ++cut) {
        Bytes part(good.begin(), good.begin() + ptrdiff_t(cut));
        const int v = Parse(part);
        EXPECT_TRUE(v == 1 || (v == 6 && cut >= good.size() - 4)) << cut;
    }
    Bytes badOffset = good;
    badOffset[6 + 4] = 0xF0;  // first directory far past the end
    EXPECT_EQ(Parse(badOffset), 1);
    // 255 entries announced, one there: the one there counts, the search stops at the end.
    Bytes manyEntries = good;
    manyEntries[6 + 8] = 0xFF;
    EXPECT_EQ(Parse(manyEntries), 6);
    Bytes manyOthers = ExifPayload(false, {{0x0110, 2, 4, 6}});
    manyOthers[6 + 8] = 0xFF;
    EXPECT_EQ(Parse(manyOthers), 1);
    EXPECT_EQ(ParseExifOrientation(nullptr, 0), 1);
}

Bytes SmallJpeg() {
    test::EncodeOptions o;
    return test::EncodeJpeg(
        16, 8, [](int x, int, JSAMPLE* px) { px[0] = px[1] = px[2] = JSAMPLE(x * 8); }, o);
}

TEST(ExifOrientation, ReadFromTheFileBehindOtherSegments) {
    TempDir dir;
    const Bytes plain = SmallJpeg();
    test::WriteFileBytes(dir / "plain.jpg", std::string(plain.begin(), plain.end()));
    EXPECT_EQ(ReadJpegExifOrientation(dir / "plain.jpg"), 1);
    // An XMP segment (also APP1) and a comment in front of the EXIF one.
    Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.', 'x', 'm', 'p', 0, 'x', 'x', 'x', 'x'};
    Bytes photo = WithSegment(plain, 0xE1, ExifPayload(true, {{0x0112, 3, 1, 8}}));
    photo = WithSegment(photo, 0xFE, Bytes{'h', 'i'});
    photo = WithSegment(photo, 0xE1, xmp);
    test::WriteFileBytes(dir / "photo.jpg", std::string(photo.begin(), photo.end()));
    EXPECT_EQ(ReadJpegExifOrientation(dir / "photo.jpg"), 8);
    // The segments do not disturb the decoder.
    CJpegPicture p;
    ASSERT_TRUE(p.LoadFile(dir / "photo.jpg", true)) << p.GetLastError();
    EXPECT_EQ(p.GetWidth(), 16);
    EXPECT_FALSE(p.IsDamaged());
    // Not JPEG, missing, cut inside a segment: upright.
    test::WriteFileBytes(dir / "text.jpg", "hello");
    EXPECT_EQ(ReadJpegExifOrientation(dir / "text.jpg"), 1);
    EXPECT_EQ(ReadJpegExifOrientation(dir / "missing.jpg"), 1);
    test::WriteFileBytes(dir / "cut.jpg", std::string(photo.begin(), photo.begin() + 30));
    EXPECT_EQ(ReadJpegExifOrientation(dir / "cut.jpg"), 1);
}

// Screen pixel (x, yTop) of a picture whose rows are stored bottom-up.
Colour At(const CPicture& p, int x, int yTop) {
    return p.GetColour(x, p.GetHeight() - 1 - yTop);
}

TEST(ExifOrientation, EachOrientationTurnsThePictureAsAViewerShowsIt) {
    const int w = 5, h = 3;
    auto stored = MakePattern(w, h);
    CPictureTools tools;
    EXPECT_EQ(tools.ApplyExifOrientation(stored.get(), 1), nullptr);
    EXPECT_EQ(tools.ApplyExifOrientation(stored.get(), 9), nullptr);
    EXPECT_EQ(tools.ApplyExifOrientation(nullptr, 6), nullptr);
    for (int o = 2; o <= 8; ++o) {
        auto shown = tools.ApplyExifOrientation(stored.get(), o);
        ASSERT_NE(shown, nullptr) << o;
        const bool swapped = o >= 5;
        ASSERT_EQ(shown->GetWidth(), swapped ? h : w) << o;
        ASSERT_EQ(shown->GetHeight(), swapped ? w : h) << o;
        for (int Y = 0; Y < shown->GetHeight(); ++Y)
            for (int X = 0; X < shown->GetWidth(); ++X) {
                // Where the shown pixel comes from in the stored picture (screen coordinates).
                int sx = X, sy = Y;
                switch (o) {
                    case 2:
                        sx = w - 1 - X;
                        break;
                    case 3:
                        sx = w - 1 - X;
                        sy = h - 1 - Y;
                        break;
                    case 4:
                        sy = h - 1 - Y;
                        break;
                    case 5:
                        sx = Y;
                        sy = X;
                        break;
                    case 6:
                        sx = Y;
                        sy = h - 1 - X;
                        break;
                    case 7:
                        sx = w - 1 - Y;
                        sy = h - 1 - X;
                        break;
                    case 8:
                        sx = w - 1 - Y;
                        sy = X;
                        break;
                }
                EXPECT_EQ(At(*shown, X, Y), At(*stored, sx, sy))
                    << "orientation " << o << " at " << X << "," << Y;
            }
    }
}

// A 48 x 32 JPEG of four flat quadrants with the given EXIF orientation.
const Colour kQuads[4] = {MakeColour(220, 30, 40), MakeColour(20, 200, 60), MakeColour(30, 40, 210),
                          MakeColour(240, 230, 20)};
Bytes QuadrantPhoto(int orientation) {
    test::EncodeOptions o;
    const Bytes plain = test::EncodeJpeg(
        48, 32,
        [](int x, int y, JSAMPLE* px) {
            const Colour c = kQuads[(y < 16 ? 0 : 2) + (x < 24 ? 0 : 1)];
            px[0] = ColourRed(c);
            px[1] = ColourGreen(c);
            px[2] = ColourBlue(c);
        },
        o);
    return WithSegment(plain, 0xE1, ExifPayload(false, {{0x0112, 3, 1, unsigned(orientation)}}));
}

void ExpectNear(Colour got, Colour want, const std::string& where) {
    EXPECT_NEAR(ColourRed(got), ColourRed(want), 8) << where;
    EXPECT_NEAR(ColourGreen(got), ColourGreen(want), 8) << where;
    EXPECT_NEAR(ColourBlue(got), ColourBlue(want), 8) << where;
}

TEST(EntryPicture, ExifOrientationIsAppliedWhenAskedAndTheRotationComesOnTop) {
    TempDir dir;
    const Bytes photo = QuadrantPhoto(6);  // stored lying on its side: to be turned clockwise
    test::WriteFileBytes(dir / "phone.jpg", std::string(photo.begin(), photo.end()));
    EntryPictureRequest req;
    req.file = "phone.jpg";
    req.projectFolder = dir.Path().string();

    // Not asked (a project without the setting): as stored, as before.
    EXPECT_EQ(EntryExifOrientation(req), 1);
    auto asStored = LoadEntryPicture(req);
    ASSERT_NE(asStored, nullptr);
    EXPECT_EQ(asStored->GetWidth(), 48);
    EXPECT_EQ(asStored->GetFileName().find("exif"), std::string::npos);

    req.applyExifOrientation = true;
    EXPECT_EQ(EntryExifOrientation(req), 6);
    auto upright = LoadEntryPicture(req);
    ASSERT_NE(upright, nullptr);
    ASSERT_EQ(upright->GetWidth(), 32);
    ASSERT_EQ(upright->GetHeight(), 48);
    EXPECT_EQ(upright->GetFileName(), EntryPictureKey("phone.jpg", 0, 6));
    EXPECT_NE(upright->GetFileName().find("#exif6"), std::string::npos);
    // Turned clockwise: the stored top-left quadrant is now top-right, bottom-left is top-left.
    ExpectNear(At(*upright, 24, 12), kQuads[0], "top right");
    ExpectNear(At(*upright, 8, 12), kQuads[2], "top left");
    ExpectNear(At(*upright, 24, 36), kQuads[1], "bottom right");
    ExpectNear(At(*upright, 8, 36), kQuads[3], "bottom left");

    // The entry's own quarter turn comes on top: 6 and a further 90 degrees make 180.
    req.rotation = 90;
    auto both = LoadEntryPicture(req);
    ASSERT_NE(both, nullptr);
    ASSERT_EQ(both->GetWidth(), 48);
    ExpectNear(At(*both, 36, 24), kQuads[0], "bottom right after both turns");
    ExpectNear(At(*both, 12, 8), kQuads[3], "top left after both turns");
    EXPECT_EQ(both->GetFileName(), EntryPictureKey("phone.jpg", 90, 6));

    // The size hint describes the upright picture: a 16 x 24 box decodes at half size and still
    // covers the fit.
    req.rotation = 0;
    req.fitWidth = 16;
    req.fitHeight = 24;
    auto hinted = LoadEntryPicture(req);
    ASSERT_NE(hinted, nullptr);
    EXPECT_EQ(hinted->GetWidth(), 16);
    EXPECT_EQ(hinted->GetHeight(), 24);

    // An upright photo and a BMP are left alone.
    const Bytes plain = QuadrantPhoto(1);
    test::WriteFileBytes(dir / "plain.jpg", std::string(plain.begin(), plain.end()));
    req.file = "plain.jpg";
    req.fitWidth = req.fitHeight = 0;
    auto same = LoadEntryPicture(req);
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->GetWidth(), 48);
    EXPECT_EQ(same->GetFileName(), EntryPictureKey("plain.jpg", 0));
}

TEST(EntryPicture, TheLoadersCauseOfARefusalIsHandedOn) {
    TempDir dir;
    // 70 bytes claiming 30000 x 30000 pixels.
    Bytes bmp(70, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[10] = 54;
    bmp[14] = 40;
    auto le32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    le32(18, 30000);
    le32(22, 30000);
    bmp[26] = 1;
    bmp[28] = 24;
    test::WriteFileBytes(dir / "huge.bmp", std::string(bmp.begin(), bmp.end()));
    EntryPictureRequest req;
    req.file = "huge.bmp";
    req.projectFolder = dir.Path().string();
    std::string why;
    req.failure = &why;
    EXPECT_EQ(LoadEntryPicture(req), nullptr);
    EXPECT_NE(why.find("header claims"), std::string::npos) << why;
    EXPECT_NE(why.find("huge.bmp"), std::string::npos) << why;

    // A JPEG name with no picture data, a name of neither kind, and a missing file.
    test::WriteFileBytes(dir / "empty.jpg", "");
    req.file = "empty.jpg";
    why.clear();
    EXPECT_EQ(LoadEntryPicture(req), nullptr);
    EXPECT_NE(why.find("empty.jpg"), std::string::npos) << why;
    test::WriteFileBytes(dir / "notes.dat", "BM but not really");
    req.file = "notes.dat";
    why.clear();
    EXPECT_EQ(LoadEntryPicture(req), nullptr);
    EXPECT_NE(why.find("CDibPicture"), std::string::npos) << why;  // it starts like a BMP
    req.file = "missing.jpg";
    why.clear();
    EXPECT_EQ(LoadEntryPicture(req), nullptr);
    EXPECT_NE(why.find("cannot open"), std::string::npos) << why;
    // The tools give the same cause directly.
    CPictureTools tools;
    why.clear();
    EXPECT_EQ(tools.LoadPicture(dir / "huge.bmp", true, 0, 0, &why), nullptr);
    EXPECT_NE(why.find("header claims"), std::string::npos) << why;
}

}  // namespace
}  // namespace trov
