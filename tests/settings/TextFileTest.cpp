// Text files: encoding detection, line splitting, writing, hostile inputs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/TextFile.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::vector<std::string> ReadLines(const std::string& path, int* encoding = nullptr) {
    CTextFile f;
    EXPECT_TRUE(f.Read(path));
    if (encoding) *encoding = f.GetEncoding();
    return f.Lines();
}

TEST(TextFileRead, DetectsEncodingsFromTheFirstTwoBytes) {
    TempDir dir;
    int enc = 0;
    WriteFileBytes(dir / "le", std::string("\xFF\xFE"
                                           "a\0=\0\xE4\0\n\0",
                                           10));
    EXPECT_EQ(ReadLines(dir / "le", &enc), (std::vector<std::string>{"a=\xC3\xA4", ""}));
    EXPECT_EQ(enc, CTextFile::kUtf16LE);

    WriteFileBytes(dir / "be", std::string("\xFE\xFF\0a\0=\0\xE4\0\n", 10));
    EXPECT_EQ(ReadLines(dir / "be", &enc), (std::vector<std::string>{"a=\xC3\xA4", ""}));
    EXPECT_EQ(enc, CTextFile::kUtf16BE);

    WriteFileBytes(dir / "latin", "a=\xE4\n");
    EXPECT_EQ(ReadLines(dir / "latin", &enc), (std::vector<std::string>{"a=\xC3\xA4", ""}));
    EXPECT_EQ(enc, CTextFile::k8Bit);

    // UTF-16 text without a mark is read byte by byte.
    WriteFileBytes(dir / "nomark", std::string("a\0b\0", 4));
    EXPECT_EQ(ReadLines(dir / "nomark", &enc), (std::vector<std::string>{std::string("a\0b\0", 4)}));
    EXPECT_EQ(enc, CTextFile::k8Bit);

    WriteFileBytes(dir / "one", "x");
    EXPECT_TRUE(ReadLines(dir / "one", &enc).empty());
    EXPECT_EQ(enc, CTextFile::kUndetected);
}

TEST(TextFileRead, ValidMultibyteUtf8IsReadAsUtf8AndBrokenUtf8AsLatin1) {
    TempDir dir;
    WriteFileBytes(dir / "u8", "v=\xE2\x82\xAC \xC3\xA4\n");
    EXPECT_EQ(ReadLines(dir / "u8")[0], "v=\xE2\x82\xAC \xC3\xA4");
    // A lone 0xC3 is not UTF-8: that byte is its Latin-1 character, the valid pair before it stays UTF-8.
    WriteFileBytes(dir / "mixed", "v=\xC3\xA4\xC3\n");
    EXPECT_EQ(ReadLines(dir / "mixed")[0], "v=\xC3\xA4\xC3\x83");
}

TEST(TextFileRead, Utf8ByteOrderMarkIsNoPartOfTheFirstLine) {
    TempDir dir;
    int enc = 0;
    WriteFileBytes(dir / "bom", "\xEF\xBB\xBF[PROJECT_SETTINGS]\r\nk=\xE2\x82\xAC\r\n");
    EXPECT_EQ(ReadLines(dir / "bom", &enc),
              (std::vector<std::string>{"[PROJECT_SETTINGS]", "k=\xE2\x82\xAC", ""}));
    EXPECT_EQ(enc, CTextFile::k8Bit);
    // A mark in front of plain ASCII, and in front of Latin-1 bytes.
    WriteFileBytes(dir / "ascii", "\xEF\xBB\xBF[S]\n");
    EXPECT_EQ(ReadLines(dir / "ascii")[0], "[S]");
    WriteFileBytes(dir / "latin", "\xEF\xBB\xBF[S]\nk=M\xFCller\n");
    EXPECT_EQ(ReadLines(dir / "latin"), (std::vector<std::string>{"[S]", "k=M\xC3\xBCller", ""}));
    // Only the mark itself goes.
    WriteFileBytes(dir / "only", "\xEF\xBB\xBF");
    EXPECT_EQ(ReadLines(dir / "only"), (std::vector<std::string>{""}));
}

TEST(TextFileRead, LatinOneWithAnAppendedUtf8LineKeepsBothParts) {
    TempDir dir;
    // Written by an old 8-bit editor, then a line added by a UTF-8 one.
    WriteFileBytes(dir / "mixed",
                   "name=M\xFCller Stra\xDF"
                   "e\r\nnew=\xE2\x82\xAC 5 \xC3\xA4\xF0\x9F\x8E\x89\r\n");
    EXPECT_EQ(ReadLines(dir / "mixed"),
              (std::vector<std::string>{"name=M\xC3\xBCller Stra\xC3\x9F"
                                        "e",
                                        "new=\xE2\x82\xAC 5 \xC3\xA4\xF0\x9F\x8E\x89", ""}));
    // Truncated and overlong sequences and surrogates are Latin-1 bytes, one by one.
    WriteFileBytes(dir / "bad", "a\xE2\x82 \xC0\xAF \xED\xA0\x80\n");
    EXPECT_EQ(ReadLines(dir / "bad")[0], "a\xC3\xA2\xC2\x82 \xC3\x80\xC2\xAF \xC3\xAD\xC2\xA0\xC2\x80");
}

TEST(TextFileRead, LinesAreCutAtTheLastCarriageReturnAndTheTailIsALine) {
    TempDir dir;
    WriteFileBytes(dir / "f", "a\r\nb\nc\rd\re\nlast");
    EXPECT_EQ(ReadLines(dir / "f"), (std::vector<std::string>{"a", "b", "c\rd", "last"}));
    WriteFileBytes(dir / "g", "a\n");
    EXPECT_EQ(ReadLines(dir / "g"), (std::vector<std::string>{"a", ""}));
}

TEST(TextFileRead, Utf16SurrogatePairsAndLoneSurrogates) {
    TempDir dir;
    // U+1F600 as D83D DE00, then a lone DC00, then an odd trailing byte.
    WriteFileBytes(dir / "s", std::string("\xFF\xFE\x3D\xD8\x00\xDE\x00\xDC"
                                          "A\0"
                                          "Z",
                                          11));
    EXPECT_EQ(ReadLines(dir / "s")[0],
              "\xF0\x9F\x98\x80\xEF\xBF\xBD"
              "A");
}

TEST(TextFileRead, MissingUnreadableAndDirectoryFailWithoutChangingTheObject) {
    TempDir dir;
    WriteFileBytes(dir / "ok", "keep\n");
    CTextFile f;
    ASSERT_TRUE(f.Read(dir / "ok"));
    EXPECT_FALSE(f.Read(dir / "missing"));
    EXPECT_FALSE(f.Read(dir.Path().string()));
    if (geteuid() != 0) {
        WriteFileBytes(dir / "locked", "x\n");
        chmod((dir / "locked").c_str(), 0);
        EXPECT_FALSE(f.Read(dir / "locked"));
    }
    // Opens, but every read fails (EIO), also for root.
    EXPECT_FALSE(f.Read("/proc/self/mem"));
    EXPECT_EQ(f.GetFileName(), dir / "ok");
    EXPECT_EQ(f.Lines()[0], "keep");
}

TEST(TextFileWrite, EncodingsWriteTheirMarksAndByteOrder) {
    TempDir dir;
    CTextFile f;
    std::vector<std::string> lines{"a\xC3\xA4"};
    ASSERT_TRUE(f.Write(dir / "1", CTextFile::k8Bit, lines));
    EXPECT_EQ(ReadFileBytes(dir / "1"), "a\xE4\r\n");
    ASSERT_TRUE(f.Write(dir / "2", CTextFile::kUtf16LE, lines));
    EXPECT_EQ(ReadFileBytes(dir / "2"), std::string("\xFF\xFE"
                                                    "a\0\xE4\0\r\0\n\0",
                                                    10));
    ASSERT_TRUE(f.Write(dir / "3", CTextFile::kUtf16BE, lines));
    EXPECT_EQ(ReadFileBytes(dir / "3"), std::string("\xFE\xFF\0a\0\xE4\0\r\0\n", 10));
    EXPECT_EQ(f.GetFileName(), dir / "3");
}

TEST(TextFileWrite, EightBitTextAboveLatin1IsWrittenAsUtf16InsteadOfLosingBytes) {
    TempDir dir;
    CTextFile f;
    ASSERT_TRUE(f.Write(dir / "e", CTextFile::k8Bit, {"v=\xE2\x82\xAC", "\xF0\x9F\x98\x80"}));
    EXPECT_EQ(f.LastWriteEncoding(), CTextFile::kUtf16LE);
    EXPECT_EQ(ReadFileBytes(dir / "e").substr(0, 8), std::string("\xFF\xFEv\0=\0\xAC\x20", 8));
    EXPECT_EQ(ReadLines(dir / "e"), (std::vector<std::string>{"v=\xE2\x82\xAC", "\xF0\x9F\x98\x80", ""}));
}

TEST(TextFileWrite, FailsWhenTheFileCannotBeCreated) {
    TempDir dir;
    CTextFile f;
    EXPECT_FALSE(f.Write(dir / "no/such/dir/x", CTextFile::k8Bit, {"a"}));
    EXPECT_FALSE(f.Write("/dev/full", CTextFile::k8Bit, {"a"}));
    EXPECT_TRUE(f.GetFileName().empty());
}

TEST(TextFileSplit, SplitTextDropsAnEmptyTail) {
    EXPECT_EQ(CTextFile::SplitText("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(CTextFile::SplitText("a\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(CTextFile::SplitText("\n\n"), (std::vector<std::string>{"", ""}));
    EXPECT_TRUE(CTextFile::SplitText("").empty());
}

TEST(TextFileHostile, BinaryZeroByteHugeAndLongLines) {
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 65536; ++i) binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    WriteFileBytes(dir / "bin", binary);
    CTextFile f;
    EXPECT_TRUE(f.Read(dir / "bin"));
    EXPECT_EQ(f.BufferLength(), binary.size());

    WriteFileBytes(dir / "zero", "");
    EXPECT_TRUE(f.Read(dir / "zero"));
    EXPECT_TRUE(f.Lines().empty());

    WriteFileBytes(dir / "huge", std::string(50u << 20, 'x'));
    ASSERT_TRUE(f.Read(dir / "huge"));
    ASSERT_EQ(f.Lines().size(), 1u);
    EXPECT_EQ(f.Lines()[0].size(), 50u << 20);
    f.Clear();
    EXPECT_EQ(f.BufferLength(), 0u);
    EXPECT_TRUE(f.Lines().empty());
}

}  // namespace
}  // namespace trov
