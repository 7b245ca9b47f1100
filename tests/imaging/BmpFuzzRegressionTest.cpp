// BMP inputs the fuzzer found (fuzz/regressions/bmp) and the behaviour they showed to be wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/DibPicture.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

std::vector<uint8_t> Regression(const std::string& name) {
    std::string bytes =
        test::ReadFileBytes(std::string(TROV_SOURCE_DIR_VALUE) + "/fuzz/regressions/bmp/" + name);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// An RLE8 bitmap of width x height whose pixel data is `rle`, with a 2-colour table.
std::vector<uint8_t> Rle8(int width, int height, const std::vector<uint8_t>& rle) {
    std::vector<uint8_t> b(14 + 40 + 8, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 10, uint32_t(b.size()));
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(height));
    b[26] = 1;
    b[28] = 8;
    Put32(b, 30, 1);
    Put32(b, 46, 2);
    b[54 + 4] = 0xFF;  // colour 1 blue
    b.insert(b.end(), rle.begin(), rle.end());
    Put32(b, 2, uint32_t(b.size()));
    return b;
}

// 508 bytes claiming a 19,778 x 6,690 RLE4 picture: half a gigabyte and seconds of work for a
// file that cannot hold the drawing.
TEST(BmpFuzzRegression, TinyRunLengthFileClaimingAHugePictureIsRefused) {
    std::vector<uint8_t> bomb = Regression("rle4-header-claims-132-megapixels");
    CDibPicture p;
    EXPECT_FALSE(p.LoadFromMemory(bomb.data(), bomb.size(), "bomb.bmp"));
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_NE(p.GetLastError().find("19778 x 6690 pixels from"), std::string::npos) << p.GetLastError();
}

TEST(BmpFuzzRegression, RunLengthPicturesOfPlausibleCompressionStillLoad) {
    // 300 x 200 of colour 1: two runs and an end of line per row, then the end of the bitmap
    // (about 100 pixels per byte).
    std::vector<uint8_t> rle;
    for (int y = 0; y < 200; ++y) rle.insert(rle.end(), {255, 1, 45, 1, 0, 0});
    rle.insert(rle.end(), {0, 1});
    std::vector<uint8_t> file = Rle8(300, 200, rle);
    CDibPicture p;
    ASSERT_TRUE(p.LoadFromMemory(file.data(), file.size(), "runs.bmp")) << p.GetLastError();
    uint8_t r = 0, g = 0, b = 0;
    ASSERT_TRUE(p.GetPixel(299, 199, r, g, b));
    EXPECT_EQ(b, 0xFF);

    // A blank 1,000 x 1,000 picture written with end-of-line codes only: 500 pixels per byte.
    std::vector<uint8_t> blank;
    for (int y = 0; y < 1000; ++y) blank.insert(blank.end(), {0, 0});
    blank.insert(blank.end(), {0, 1});
    file = Rle8(1000, 1000, blank);
    ASSERT_TRUE(p.LoadFromMemory(file.data(), file.size(), "blank.bmp")) << p.GetLastError();
    EXPECT_EQ(p.GetWidth(), 1000);
}

}  // namespace
}  // namespace trov
