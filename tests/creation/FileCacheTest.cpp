// CFileCache: digests, index files, file list and clearing.
#include <gtest/gtest.h>

#include <filesystem>

#include "project/FileCache.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

TEST(FileCacheDigest, Md5MatchesTheRfc1321TestSuite) {
    EXPECT_EQ(CFileCache::Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(CFileCache::Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(CFileCache::Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(CFileCache::Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(CFileCache::Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(CFileCache::Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(CFileCache::Md5Hex(
                  "12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(FileCacheDigest, BlockBoundariesHashLikeOneBuffer) {
    // 55, 56, 63, 64 and 65 bytes straddle the padding cases of the last block.
    for (size_t n : {55u, 56u, 63u, 64u, 65u, 128u}) {
        std::string a(n, 'x');
        std::string b(n, 'x');
        b.back() = 'y';
        EXPECT_NE(CFileCache::Md5Hex(a), CFileCache::Md5Hex(b)) << n;
        EXPECT_EQ(CFileCache::Md5Hex(a).size(), 32u);
    }
    EXPECT_EQ(CFileCache::Md5Hex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(FileCacheDigest, KeysAreHashedInTheEightBitCodePage) {
    // "café" in UTF-8 hashes as the four Latin-1 bytes.
    EXPECT_EQ(CFileCache::KeyDigest("caf\xC3\xA9"), CFileCache::Md5Hex("caf\xE9"));
    EXPECT_EQ(CFileCache::KeyDigest("plain"), CFileCache::Md5Hex("plain"));
    // Two different texts beyond Latin-1 must not share a digest (a lossy "?" conversion would).
    EXPECT_NE(CFileCache::KeyDigest("\xE6\x97\xA5"), CFileCache::KeyDigest("\xE6\x9C\x88"));
}

TEST(FileCacheIndex, AddKeepsTheFirstPathAndLookupFindsIt) {
    CFileCache cache;
    EXPECT_FALSE(cache.Lookup("k").has_value());
    cache.Add("k", "/tmp/one");
    cache.Add("k", "/tmp/two");
    ASSERT_TRUE(cache.Lookup("k").has_value());
    EXPECT_EQ(*cache.Lookup("k"), "/tmp/one");
    EXPECT_FALSE(cache.Lookup("K").has_value());
    EXPECT_EQ(cache.GetIndexSize(), 1u);
}

TEST(FileCacheIndex, SaveAndLoadRoundTripWithAlternatingLines) {
    test::TempDir dir;
    CFileCache a;
    a.SetDirectory(dir.Path().string());
    a.Add("first", "/x/pic_1");
    a.Add("second", "/x/\xC3\xA4rger");  // Latin-1 path stays 8-bit
    ASSERT_TRUE(a.SaveIndex("cache1.cache"));
    std::string bytes = test::ReadFileBytes(dir.Path() / "cache1.cache");
    // Digest line, path line, digest line, path line; sorted by digest.
    std::string d1 = CFileCache::KeyDigest("first"), d2 = CFileCache::KeyDigest("second");
    std::string expect = d1 < d2 ? d1 + "\r\n/x/pic_1\r\n" + d2 + "\r\n/x/\xE4rger\r\n"
                                 : d2 + "\r\n/x/\xE4rger\r\n" + d1 + "\r\n/x/pic_1\r\n";
    EXPECT_EQ(bytes, expect);

    CFileCache b;
    b.SetDirectory(dir.Path().string());
    b.Add("stale", "/gone");
    ASSERT_TRUE(b.LoadIndex("cache1.cache"));
    EXPECT_FALSE(b.Lookup("stale").has_value());
    EXPECT_EQ(b.Lookup("first").value_or(""), "/x/pic_1");
    EXPECT_EQ(b.Lookup("second").value_or(""), "/x/\xC3\xA4rger");
}

TEST(FileCacheIndex, PathsBeyondLatin1SurviveAsUtf16) {
    test::TempDir dir;
    CFileCache a;
    a.SetDirectory(dir.Path().string());
    a.Add("k", "/photos/\xE6\x97\xA5\xF0\x9F\x98\x80.jpg");
    ASSERT_TRUE(a.SaveIndex("cache2.cache"));
    std::string bytes = test::ReadFileBytes(dir.Path() / "cache2.cache");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    CFileCache b;
    b.SetDirectory(dir.Path().string());
    ASSERT_TRUE(b.LoadIndex("cache2.cache"));
    EXPECT_EQ(b.Lookup("k").value_or(""), "/photos/\xE6\x97\xA5\xF0\x9F\x98\x80.jpg");
}

TEST(FileCacheIndex, MissingOrDamagedIndexFilesLeaveUsableCaches) {
    test::TempDir dir;
    CFileCache cache;
    cache.SetDirectory(dir.Path().string());
    cache.Add("k", "/p");
    EXPECT_FALSE(cache.LoadIndex("nothing.cache"));
    EXPECT_EQ(cache.GetIndexSize(), 0u);

    // Odd line count, a non-digest line, an empty path: only the sound pair is taken.
    std::string good = CFileCache::KeyDigest("ok");
    test::WriteFileBytes(dir.Path() / "bad.cache", "garbage\n/not/a/pair\n" + good + "\n/ok/file\n" +
                                                       CFileCache::KeyDigest("e") + "\n\n" + "dangling");
    EXPECT_TRUE(cache.LoadIndex("bad.cache"));
    EXPECT_EQ(cache.GetIndexSize(), 1u);
    EXPECT_EQ(cache.Lookup("ok").value_or(""), "/ok/file");

    // Binary junk is read without crashing.
    test::WriteFileBytes(dir.Path() / "junk.cache", std::string("\xFF\xFE\x00\xD8\x41", 5));
    EXPECT_TRUE(cache.LoadIndex("junk.cache"));
    EXPECT_EQ(cache.GetIndexSize(), 0u);
}

TEST(FileCacheIndex, SaveIntoAMissingDirectoryFails) {
    CFileCache cache;
    cache.SetDirectory("/nonexistent/dir/for/trov");
    cache.Add("k", "/p");
    EXPECT_FALSE(cache.SaveIndex("cache1.cache"));
}

TEST(FileCacheFiles, ClearDeletesOnlyRegisteredFilesWhenAsked) {
    test::TempDir dir;
    CFileCache cache;
    cache.SetDirectory(dir.Path().string());
    std::string a = dir / "a.bmp", b = dir / "b.bmp", other = dir / "other.txt";
    test::WriteFileBytes(a, "A");
    test::WriteFileBytes(b, "B");
    test::WriteFileBytes(other, "O");
    cache.RegisterFile(a);
    cache.RegisterFile(b);
    cache.RegisterFile(dir / "never-written");
    cache.Add("a", a);
    EXPECT_EQ(cache.GetFileCount(), 3);

    cache.Clear(false);
    EXPECT_EQ(cache.GetFileCount(), 0);
    EXPECT_EQ(cache.GetIndexSize(), 0u);
    EXPECT_TRUE(std::filesystem::exists(a));

    cache.RegisterFile(a);
    cache.RegisterFile(b);
    cache.Clear(true);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_FALSE(std::filesystem::exists(b));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(cache.MakePath("x"), (dir.Path() / "x").string());
}

}  // namespace
}  // namespace trov
