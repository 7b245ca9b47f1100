// Cache indexes that were cut short or damaged, and index writes that fail half-way.
#include <gtest/gtest.h>

#include <filesystem>

#include "project/FileCache.h"
#include "support/FileSizeLimit.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::string Entry(const std::string& key, const std::string& path) {
    return CFileCache::KeyDigest(key) + "\r\n" + path + "\r\n";
}

TEST(FileCacheIndexDamage, ACutShortLastPathIsNotTrusted) {
    TempDir dir;
    CFileCache cache;
    cache.SetDirectory(dir.Path().string());
    // "…/pic_12" cut to "…/pic_1" would name another cached picture.
    WriteFileBytes(dir.Path() / "cache1.cache",
                   Entry("a", "/t/pic_1") + Entry("b", "/t/pic_12").substr(0, 40));
    ASSERT_TRUE(cache.LoadIndex("cache1.cache"));
    EXPECT_EQ(cache.GetIndexSize(), 1u);
    EXPECT_EQ(cache.Lookup("a").value_or(""), "/t/pic_1");
    EXPECT_FALSE(cache.Lookup("b").has_value());
}

TEST(FileCacheIndexDamage, ALostLineCostsOnlyItsOwnEntry) {
    TempDir dir;
    CFileCache cache;
    cache.SetDirectory(dir.Path().string());
    // The path of "a" and the digest of "c" are gone; "b" and "d" still pair up afterwards.
    std::string text =
        CFileCache::KeyDigest("a") + "\r\n" + Entry("b", "/t/b") + "/t/c\r\n" + Entry("d", "/t/d");
    WriteFileBytes(dir.Path() / "cache2.cache", text);
    ASSERT_TRUE(cache.LoadIndex("cache2.cache"));
    EXPECT_EQ(cache.GetIndexSize(), 2u);
    EXPECT_EQ(cache.Lookup("b").value_or(""), "/t/b");
    EXPECT_EQ(cache.Lookup("d").value_or(""), "/t/d");
    EXPECT_FALSE(cache.Lookup("a").has_value());
    // Two digests in a row: the first has no path.
    WriteFileBytes(dir.Path() / "cache3.cache", CFileCache::KeyDigest("x") + "\r\n" + Entry("y", "/t/y"));
    ASSERT_TRUE(cache.LoadIndex("cache3.cache"));
    EXPECT_EQ(cache.GetIndexSize(), 1u);
    EXPECT_EQ(cache.Lookup("y").value_or(""), "/t/y");
}

TEST(FileCacheIndexDamage, AnIndexWriteThatFailsLeavesTheOldIndex) {
    TempDir dir;
    CFileCache cache;
    cache.SetDirectory(dir.Path().string());
    cache.Add("a", "/t/a");
    ASSERT_TRUE(cache.SaveIndex("cache1.cache"));
    const std::string old = ReadFileBytes(dir.Path() / "cache1.cache");
    for (int i = 0; i < 500; ++i) cache.Add("k" + std::to_string(i), "/t/part" + std::to_string(i));
    int code =
        test::RunWithFileSizeLimit(old.size() * 4, [&] { return cache.SaveIndex("cache1.cache") ? 1 : 0; });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(dir.Path() / "cache1.cache"), old);
    size_t files = 0;
    for (auto it = fs::directory_iterator(dir.Path()); it != fs::directory_iterator(); ++it) ++files;
    EXPECT_EQ(files, 1u);
    CFileCache again;
    again.SetDirectory(dir.Path().string());
    ASSERT_TRUE(again.LoadIndex("cache1.cache"));
    EXPECT_EQ(again.GetIndexSize(), 1u);
}

}  // namespace
}  // namespace trov
