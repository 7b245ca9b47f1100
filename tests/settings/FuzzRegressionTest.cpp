// Inputs the fuzzer found (fuzz/regressions/text_file) and the behaviour they showed to be wrong.
#include <gtest/gtest.h>

#include "settings/SettingsStore.h"
#include "settings/TextFile.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::ReadFileBytes;
using test::TempDir;

// "Ã©" fits Latin-1, but its bytes C3 A9 are the UTF-8 of "é": written as 8-bit text it came back
// as another character, and a project caption or key changed with every save.
TEST(TextFileFuzzRegression, LatinTextWhoseBytesLookLikeUtf8IsWrittenAsUtf16AndReadsBackUnchanged) {
    TempDir dir;
    const std::vector<std::string> lines = {"[A]", "\xC3\x83\xC2\xA9=\xC3\xA2\xC2\x82\xC2\xAC"};
    CTextFile file;
    ASSERT_TRUE(file.Write(dir / "t.ini", CTextFile::k8Bit, lines));
    EXPECT_EQ(file.LastWriteEncoding(), CTextFile::kUtf16LE);
    CTextFile back;
    ASSERT_TRUE(back.Read(dir / "t.ini"));
    EXPECT_EQ(back.Lines(), (std::vector<std::string>{lines[0], lines[1], ""}));

    // Latin text that no reader can take for UTF-8 stays 8-bit.
    ASSERT_TRUE(file.Write(dir / "u.ini", CTextFile::k8Bit, {"caf\xC3\xA9", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(file.LastWriteEncoding(), CTextFile::k8Bit);
    EXPECT_EQ(ReadFileBytes(dir / "u.ini"), "caf\xE9\r\n\xE9t\xE9\r\n");
}

// The reader decodes 8-bit text sequence by sequence, so a stray byte elsewhere in the file does not
// stop "Ø\u009E" (Latin-1 D8 9E, the UTF-8 of U+061E) from being read as one other character; the
// writer only looked for UTF-8 in files that were UTF-8 as a whole.
TEST(TextFileFuzzRegression, LatinBytesThatFormUtf8BesideStrayBytesAreWrittenAsUtf16) {
    TempDir dir;
    const std::vector<std::string> lines = {"[A]", "T\xC3\xB8=\xC3\xBF", "x=\xC3\x98\xC2\x9E\xC3\xB2"};
    CTextFile file;
    ASSERT_TRUE(file.Write(dir / "t.ini", CTextFile::k8Bit, lines));
    EXPECT_EQ(file.LastWriteEncoding(), CTextFile::kUtf16LE);
    CTextFile back;
    ASSERT_TRUE(back.Read(dir / "t.ini"));
    EXPECT_EQ(back.Lines(), (std::vector<std::string>{lines[0], lines[1], lines[2], ""}));
}

// "ÿþ" and "þÿ" at the start of 8-bit text are the two UTF-16 byte order marks.
TEST(TextFileFuzzRegression, LatinTextStartingLikeAByteOrderMarkIsWrittenAsUtf16) {
    TempDir dir;
    for (std::string first : {"\xC3\xBF\xC3\xBEpoints", "\xC3\xBE\xC3\xBF"}) {
        CTextFile file;
        ASSERT_TRUE(file.Write(dir / "f.txt", CTextFile::k8Bit, {first, "1 2"}));
        EXPECT_EQ(file.LastWriteEncoding(), CTextFile::kUtf16LE);
        CTextFile back;
        ASSERT_TRUE(back.Read(dir / "f.txt"));
        EXPECT_EQ(back.Lines(), (std::vector<std::string>{first, "1 2", ""}));
    }
    // Further in, the same bytes are plain Latin-1.
    CTextFile file;
    ASSERT_TRUE(file.Write(dir / "g.txt", CTextFile::k8Bit, {"a\xC3\xBF\xC3\xBE"}));
    EXPECT_EQ(file.LastWriteEncoding(), CTextFile::k8Bit);
}

TEST(TextFileFuzzRegression, TheFoundSettingsFilesSurviveSavesInEveryEncoding) {
    for (const char* name :
         {"latin1-bytes-read-back-as-utf8", "latin1-bytes-beside-stray-bytes-read-back-as-utf8"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(TROV_SOURCE_DIR_VALUE) + "/fuzz/regressions/text_file/" + name;
        CSettingsStore store;
        ASSERT_TRUE(store.Load(path));
        ASSERT_FALSE(store.ToLines().empty());
        TempDir dir;
        for (int encoding : {CTextFile::k8Bit, CTextFile::kUtf16LE, CTextFile::kUtf16BE}) {
            ASSERT_TRUE(store.Save(dir / "s.ini", encoding));
            CSettingsStore again;
            ASSERT_TRUE(again.Load(dir / "s.ini"));
            EXPECT_EQ(again.ToLines(), store.ToLines()) << "encoding " << encoding;
        }
    }
}

}  // namespace
}  // namespace trov
