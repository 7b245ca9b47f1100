// JPEG inputs the fuzzer found (fuzz/regressions/jpeg) and the behaviour they showed.
#include <gtest/gtest.h>

#include <string>

#include "imaging/JpegPicture.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

// 560 bytes of an Adobe CMYK file whose frame header declares 65289 x 254 pixels. Nothing
// refuses a picture for its size alone below the largest side a picture can have (a real
// panorama is that wide); its cost is that of any CMYK photo of 16.6 megapixels, which was
// three times higher while the ink inversion was decided per pixel. It decodes at its declared
// size, the rows past the data marked as damage, in full or scaled.
TEST(JpegFuzzRegression, ATruncatedWideCmykPictureDecodesAtItsDeclaredSizeAsDamaged) {
    const std::string bytes = test::ReadFileBytes(
        std::string(TROV_SOURCE_DIR_VALUE) + "/fuzz/regressions/jpeg/cmyk-560-bytes-declaring-65289x254");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    CJpegPicture full;
    ASSERT_TRUE(full.LoadFromMemory(data, bytes.size(), "wide.jpg"));
    EXPECT_EQ(full.GetWidth(), 65289);
    EXPECT_EQ(full.GetHeight(), 254);
    EXPECT_TRUE(full.IsDamaged()) << full.GetDamageMessage();

    CJpegPicture scaled;
    scaled.SetSizeHint(640, 360);
    ASSERT_TRUE(scaled.LoadFromMemory(data, bytes.size(), "wide.jpg"));
    EXPECT_LT(scaled.GetWidth(), 65289);
    EXPECT_GE(scaled.GetWidth(), 640);
    EXPECT_TRUE(scaled.IsDamaged());
}

}  // namespace
}  // namespace trov
