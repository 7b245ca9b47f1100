// JPEG inputs the fuzzer found (fuzz/regressions/jpeg) and the behaviour they showed.
#include <gtest/gtest.h>

#include <string>

#include "JpegTestEncoder.h"
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

// 260 bytes declaring 63781 x 4096 in three colours, with a scan of one colour only: the decoder
// must then keep every coefficient of the picture, 1.5 GB, even for a thumbnail at an eighth,
// and a few hundred such bytes made a load take seconds and that much memory. The file is
// refused with a plain reason, in full or scaled, before anything so large is taken: not even
// the 783 MB of the picture itself.
TEST(JpegFuzzRegression, AFileWhoseScansNeedGigabytesIsRefusedEvenAsAThumbnail) {
    const std::string bytes =
        test::ReadFileBytes(std::string(TROV_SOURCE_DIR_VALUE) +
                            "/fuzz/regressions/jpeg/one-colour-scan-of-260-bytes-declaring-63781x4096");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (int hint : {0, 1, 1280}) {
        CJpegPicture picture;
        picture.SetSizeHint(hint, hint * 9 / 16 + (hint > 0));
        EXPECT_FALSE(picture.LoadFromMemory(data, bytes.size(), "declared.jpg"));
        EXPECT_TRUE(picture.IsEmpty());
        EXPECT_NE(picture.GetLastError().find("more than 1024 MB of working memory"), std::string::npos)
            << picture.GetLastError();
    }
}

// The bound falls only on files of several scans: a progressive picture needing more than it is
// refused, the same picture in one scan is not, and with room the progressive one loads whole.
TEST(JpegFuzzRegression, TheDecoderMemoryBoundFallsOnlyOnFilesOfSeveralScans) {
    auto encode = [](bool progressive) {
        test::EncodeOptions o;
        o.progressive = progressive;
        o.quality = 50;
        return test::EncodeJpeg(
            1024, 1024, [](int x, int y, JSAMPLE* px) { px[0] = px[1] = px[2] = JSAMPLE((x ^ y) & 255); }, o);
    };
    const test::JpegBytes progressive = encode(true), baseline = encode(false);
    const int64_t kept = CJpegPicture::DecoderMemoryLimit();
    CJpegPicture::SetDecoderMemoryLimit(int64_t(4) << 20);  // the coefficients alone are 6 MB
    CJpegPicture refused, single;
    EXPECT_FALSE(refused.LoadFromMemory(progressive.data(), progressive.size(), "p.jpg"));
    EXPECT_NE(refused.GetLastError().find("more than 4 MB"), std::string::npos) << refused.GetLastError();
    EXPECT_TRUE(single.LoadFromMemory(baseline.data(), baseline.size(), "b.jpg")) << single.GetLastError();
    CJpegPicture::SetDecoderMemoryLimit(int64_t(16) << 20);
    CJpegPicture roomy;
    EXPECT_TRUE(roomy.LoadFromMemory(progressive.data(), progressive.size(), "p.jpg"))
        << roomy.GetLastError();
    EXPECT_EQ(roomy.GetWidth(), 1024);
    EXPECT_FALSE(roomy.IsDamaged());
    CJpegPicture::SetDecoderMemoryLimit(kept);
}

}  // namespace
}  // namespace trov
