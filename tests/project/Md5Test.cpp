// MD5: the RFC 1321 test suite, incremental feeding, files.
#include <gtest/gtest.h>

#include "project/Md5.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

TEST(Md5, Rfc1321TestSuite) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, FeedingInPiecesGivesTheSameDigest) {
    std::string data;
    for (int i = 0; i < 5000; ++i) data.push_back(static_cast<char>(i * 31));
    CMd5 md5;
    for (size_t pos = 0; pos < data.size(); pos += 1023) md5.Update(std::string_view(data).substr(pos, 1023));
    EXPECT_EQ(md5.FinalHex(), Md5Hex(data));
    // The object starts afresh after FinalHex.
    md5.Update("abc");
    EXPECT_EQ(md5.FinalHex(), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, FilesOfEveryBlockBoundaryAndMissingFiles) {
    test::TempDir dir;
    for (size_t size : {size_t(0), size_t(1023), size_t(1024), size_t(1025), size_t(3u << 20) + 7}) {
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
        test::WriteFileBytes(dir / "f", data);
        std::string hex;
        ASSERT_TRUE(Md5OfFile(dir / "f", hex));
        EXPECT_EQ(hex, Md5Hex(data)) << size;
    }
    std::string hex = "unchanged";
    EXPECT_FALSE(Md5OfFile(dir / "missing", hex));
    EXPECT_FALSE(Md5OfFile(dir.Path().string(), hex));
    EXPECT_EQ(hex, "unchanged");
}

}  // namespace
}  // namespace trov
