// The cache index writer against the reader's encoding detection (found with the text fuzzer).
#include <gtest/gtest.h>

#include "project/FileCache.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::ReadFileBytes;
using test::TempDir;

// A path such as "/tmp/Ã©.bmp" fits Latin-1, but its Latin-1 bytes are valid UTF-8 for "é":
// the index named another file after the next start.
TEST(FileCacheIndex, PathsWhoseLatinBytesLookLikeUtf8ComeBackUnchanged) {
    TempDir dir;
    CFileCache cache;
    cache.SetDirectory(dir.Path().string());
    const std::string mojibake = "/tmp/\xC3\x83\xC2\xA9.bmp";
    const std::string latin = "/tmp/caf\xC3\xA9.bmp";
    cache.Add("a", mojibake);
    cache.Add("b", latin);
    ASSERT_TRUE(cache.SaveIndex("i.idx"));
    CFileCache again;
    again.SetDirectory(dir.Path().string());
    ASSERT_TRUE(again.LoadIndex("i.idx"));
    EXPECT_EQ(again.Lookup("a"), mojibake);
    EXPECT_EQ(again.Lookup("b"), latin);

    // An index of plain Latin-1 paths stays an 8-bit file.
    CFileCache plain;
    plain.SetDirectory(dir.Path().string());
    plain.Add("b", latin);
    ASSERT_TRUE(plain.SaveIndex("p.idx"));
    EXPECT_NE(ReadFileBytes(dir / "p.idx").find("caf\xE9.bmp"), std::string::npos);
}

}  // namespace
}  // namespace trov
