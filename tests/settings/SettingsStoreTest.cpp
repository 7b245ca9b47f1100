// Settings store: parsing rules, canonical order, encodings, typed accessors, hostile files.
#include <gtest/gtest.h>

#include <clocale>
#include <random>

#include "settings/SettingsStore.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

CSettingsStore Parse(const std::string& text) {
    CSettingsStore s;
    s.FromText(text);
    return s;
}

std::string Get(const CSettingsStore& s, const std::string& sec, const std::string& key) {
    std::string v = "<missing>";
    s.GetString(sec, key, v);
    return v;
}

TEST(SettingsParse, LastValueWinsAndTheFirstEqualsSplits) {
    auto s = Parse("[A]\nx=1\nx=2\n[B]\n  x = a=b \n");
    int x = 0;
    EXPECT_TRUE(s.GetInt("A", "x", x));
    EXPECT_EQ(x, 2);
    EXPECT_EQ(Get(s, "B", "x"), "a=b");
}

TEST(SettingsParse, CommentsOnlyAtTheStartOfALine) {
    auto s = Parse("// top\n[A]\n   // a comment=1\nurl=http://x//y\n;semi=1\n#hash=2\n");
    EXPECT_EQ(Get(s, "A", "// a comment"), "<missing>");
    EXPECT_EQ(Get(s, "A", "url"), "http://x//y");
    EXPECT_EQ(Get(s, "A", ";semi"), "1");
    EXPECT_EQ(Get(s, "A", "#hash"), "2");
}

TEST(SettingsParse, HeadersKeepInnerBlanksAndIgnoreTrailingText) {
    auto s = Parse("[ My Sec ] trailing\nk=v\n[A]x\nk=w\n[A]\nj=1\n[broken\nz=9\n");
    EXPECT_EQ(Get(s, " My Sec ", "k"), "v");
    EXPECT_EQ(Get(s, "A", "k"), "w");
    EXPECT_EQ(Get(s, "A", "j"), "1");
    // "[broken" is no header, so the line and the one after it belong to A (the first has no "=").
    EXPECT_EQ(Get(s, "A", "z"), "9");
}

TEST(SettingsParse, TrimmingIsSpacesThenTabsOnePassEach) {
    auto s = Parse("[A]\nk1=\t \tv\nk2=v \t \t\n\t k3 =1\n");
    EXPECT_EQ(Get(s, "A", "k1"), " \tv");  // tabs go, then the space stops the tab pass
    EXPECT_EQ(Get(s, "A", "k2"), "v ");
    EXPECT_EQ(Get(s, "A", "k3"), "1");
}

TEST(SettingsParse, LinesBeforeAnyHeaderAndWithoutEqualsAreIgnored) {
    auto s = Parse("x=1\n[A]\nnoequals\ny=2\n");
    EXPECT_EQ(s.GetSections().size(), 1u);
    EXPECT_EQ(s.GetSection("A")->Size(), 1u);
}

TEST(SettingsParse, KeysAndSectionsAreCaseSensitive) {
    auto s = Parse("[A]\nKey=1\nkey=2\n[a]\nKey=3\n");
    EXPECT_EQ(Get(s, "A", "Key"), "1");
    EXPECT_EQ(Get(s, "A", "key"), "2");
    EXPECT_EQ(Get(s, "a", "Key"), "3");
}

TEST(SettingsWrite, CanonicalOrderCommentKeysAndEmptyLines) {
    CSettingsStore s;
    s.SetString("b", "z", "1");
    s.SetString("B", "y", "2");
    s.SetString("B", "a", "3");
    s.SetString("B", "//note", "ignored value");
    s.SetString("\xC3\xA4", "k", "4");  // U+00E4 sorts after every ASCII name
    EXPECT_EQ(s.ToText(), "//note\r\n[B]\r\na=3\r\ny=2\r\n\r\n[b]\r\nz=1\r\n\r\n[\xC3\xA4]\r\nk=4\r\n\r\n");
}

TEST(SettingsWrite, SurrogatePairsSortByCodeUnitsNotCodePoints) {
    CSettingsStore s;
    s.SetString("S", "\xEF\xBD\x81", "fullwidth a U+FF41");
    s.SetString("S", "\xF0\x9F\x98\x80", "U+1F600 is D83D DE00");
    const auto& e = s.GetSection("S")->GetEntries();
    EXPECT_EQ(e.begin()->first, "\xF0\x9F\x98\x80");
}

TEST(SettingsRoundTrip, LoadOfASavedStoreGivesTheSameStoreInEveryEncoding) {
    TempDir dir;
    CSettingsStore s;
    s.SetString("PROJECT_SETTINGS", "Caption",
                "M\xC3\xBC"
                "nchen = sch\xC3\xB6n");
    s.SetString("PROJECT_SETTINGS", "Euro", "5 \xE2\x82\xAC");
    s.SetInt("PICTURE_1", "Frames", -12);
    s.SetFloat("PICTURE_1", "Rate", 29.97f);
    for (int enc : {1, 2, 3}) {
        std::string path = dir / ("s" + std::to_string(enc));
        ASSERT_TRUE(s.Save(path, enc));
        CSettingsStore r;
        ASSERT_TRUE(r.Load(path));
        EXPECT_EQ(r.ToText(), s.ToText()) << enc;
        EXPECT_EQ(r.GetFileName(), path);
    }
}

TEST(SettingsRoundTrip, Latin1FileWithUmlautAndUtf16FilesLoadAlike) {
    TempDir dir;
    WriteFileBytes(dir / "l1", "[S]\r\nk=\xE4\r\n");
    WriteFileBytes(dir / "le", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE4\0\r\0\n\0", 22));
    WriteFileBytes(dir / "be", std::string("\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0\xE4\0\r\0\n", 22));
    for (const char* name : {"l1", "le", "be"}) {
        CSettingsStore s;
        ASSERT_TRUE(s.Load(dir / name));
        EXPECT_EQ(Get(s, "S", "k"), "\xC3\xA4") << name;
    }
    CSettingsStore s;
    ASSERT_TRUE(s.Load(dir / "l1"));
    ASSERT_TRUE(s.Save(dir / "out", 1));
    EXPECT_EQ(ReadFileBytes(dir / "out"), "[S]\r\nk=\xE4\r\n\r\n");
}

TEST(SettingsRoundTrip, EuroSignSurvivesAnEightBitSave) {
    TempDir dir;
    CSettingsStore s;
    s.SetString("S", "price", "3 \xE2\x82\xAC");
    ASSERT_TRUE(s.Save(dir / "e.ini", 1));
    EXPECT_EQ(s.GetSavedEncoding(), CTextFile::kUtf16LE);
    CSettingsStore r;
    ASSERT_TRUE(r.Load(dir / "e.ini"));
    EXPECT_EQ(Get(r, "S", "price"), "3 \xE2\x82\xAC");
}

TEST(SettingsLoad, MergesOverExistingContentAndFailsWithoutChange) {
    TempDir dir;
    WriteFileBytes(dir / "f", "[S]\nb=file\nc=new\n");
    CSettingsStore s;
    s.SetString("S", "a", "default");
    s.SetString("S", "b", "default");
    ASSERT_TRUE(s.Load(dir / "f"));
    EXPECT_EQ(Get(s, "S", "a"), "default");
    EXPECT_EQ(Get(s, "S", "b"), "file");
    EXPECT_EQ(Get(s, "S", "c"), "new");
    std::string before = s.ToText();
    EXPECT_FALSE(s.Load(dir / "missing"));
    EXPECT_EQ(s.ToText(), before);
    EXPECT_EQ(s.GetFileName(), dir / "f");
}

TEST(SettingsLoad, LoadBesideProgramJoinsTheDirectory) {
    TempDir dir;
    WriteFileBytes(dir / "Settings.ini", "[T]\nk=1\n");
    CSettingsStore s;
    std::string full;
    EXPECT_TRUE(s.LoadBesideProgram(dir.Path().string() + "/", "Settings.ini", full));
    EXPECT_EQ(full, dir / "Settings.ini");
    EXPECT_FALSE(s.LoadBesideProgram(dir.Path().string(), "Other.ini", full));
    EXPECT_EQ(full, dir / "Other.ini");
}

TEST(SettingsStoreOps, MergeCopySectionClear) {
    CSettingsStore a, b;
    a.SetString("S", "k", "a");
    a.SetString("S", "keep", "a");
    b.SetString("S", "k", "b");
    b.SetString("T", "t", "b");
    a.MergeFrom(b);
    EXPECT_EQ(Get(a, "S", "k"), "b");
    EXPECT_EQ(Get(a, "S", "keep"), "a");
    EXPECT_EQ(Get(a, "T", "t"), "b");

    CSettingsStore c;
    c.CopySection(b, "T", "NEW");
    c.CopySection(b, "T");
    c.CopySection(b, "absent", "X");
    EXPECT_EQ(Get(c, "NEW", "t"), "b");
    EXPECT_EQ(Get(c, "T", "t"), "b");
    EXPECT_FALSE(c.HasSection("X"));
    c.CopySection(c, "T", "T2");  // from itself
    EXPECT_EQ(Get(c, "T2", "t"), "b");
    c.Clear();
    EXPECT_TRUE(c.GetSections().empty());
}

TEST(SettingsStoreOps, ToTextFromTextRoundTripAndFromTextLineRules) {
    CSettingsStore s;
    s.SetString("X", "a", "1");
    s.SetString("X", "//c", "");
    s.SetString("Y", "b", "x=y");
    // Comment keys are written as comment lines, so they do not come back.
    CSettingsStore expected = s;
    expected.RemoveKey("X", "//c");
    EXPECT_EQ(Parse(s.ToText()).ToText(), expected.ToText());
    auto t = Parse("[S]\r\nk=v\r\nlast=no newline");
    EXPECT_EQ(Get(t, "S", "last"), "no newline");
}

TEST(SettingsAccessors, MissingKeysLeaveTheDefault) {
    CSettingsStore s;
    int i = 7;
    float f = 1.5f;
    double d = 2.5;
    std::string str = "def";
    bool b = true;
    EXPECT_FALSE(s.GetInt("S", "k", i));
    EXPECT_FALSE(s.GetFloat("S", "k", f));
    EXPECT_FALSE(s.GetDouble("S", "k", d));
    EXPECT_FALSE(s.GetString("S", "k", str));
    EXPECT_FALSE(s.GetBool("S", "k", b));
    EXPECT_EQ(i, 7);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(str, "def");
    EXPECT_TRUE(b);
}

TEST(SettingsAccessors, IntegerParse) {
    EXPECT_EQ(CSettingsStore::ParseInt("  -42abc"), -42);
    EXPECT_EQ(CSettingsStore::ParseInt("+17"), 17);
    EXPECT_EQ(CSettingsStore::ParseInt("abc"), 0);
    EXPECT_EQ(CSettingsStore::ParseInt(""), 0);
    EXPECT_EQ(CSettingsStore::ParseInt("12.9"), 12);
    EXPECT_EQ(CSettingsStore::ParseInt("99999999999999999999999"), 2147483647);
    EXPECT_EQ(CSettingsStore::ParseInt("-99999999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(CSettingsStore::ParseInt("- 5"), 0);
    CSettingsStore s;
    s.SetString("S", "bad", "xyz");
    int v = 5;
    EXPECT_TRUE(s.GetInt("S", "bad", v));  // found counts even when it does not convert
    EXPECT_EQ(v, 0);
    s.SetInt("S", "neg", -2147483647 - 1);
    EXPECT_EQ(Get(s, "S", "neg"), "-2147483648");
}

TEST(SettingsAccessors, FloatWriteAndReadIgnoreTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(CSettingsStore::FormatFloat(25.0f), "25.000000");
    EXPECT_EQ(CSettingsStore::FormatFloat(-0.5f), "-0.500000");
    EXPECT_EQ(CSettingsStore::FormatFloat(29.97f), "29.969999");  // the float's exact value, rounded
    float f = 0;
    EXPECT_TRUE(CSettingsStore::ParseFloat(" 12.5xyz", f));
    EXPECT_EQ(f, 12.5f);
    EXPECT_TRUE(CSettingsStore::ParseFloat("-1e2", f));
    EXPECT_EQ(f, -100.0f);
    f = 3.0f;
    EXPECT_FALSE(CSettingsStore::ParseFloat("abc", f));
    EXPECT_FALSE(CSettingsStore::ParseFloat("nan", f));
    EXPECT_FALSE(CSettingsStore::ParseFloat("1e999", f));
    EXPECT_FALSE(CSettingsStore::ParseFloat("+-1", f));
    EXPECT_EQ(f, 3.0f);
    CSettingsStore s;
    s.SetString("S", "f", "bad");
    EXPECT_TRUE(s.GetFloat("S", "f", f));
    EXPECT_EQ(f, 3.0f);
    std::setlocale(LC_NUMERIC, saved.c_str());
    (void)german;
}

TEST(SettingsAccessors, LenientDoubleReader) {
    EXPECT_DOUBLE_EQ(CSettingsStore::ParseLenientDouble("25,5"), 25.5);
    EXPECT_DOUBLE_EQ(CSettingsStore::ParseLenientDouble("25.5"), 25.5);
    EXPECT_DOUBLE_EQ(CSettingsStore::ParseLenientDouble("-1"), 1.0);
    EXPECT_DOUBLE_EQ(CSettingsStore::ParseLenientDouble("1.2.3"), 1.23);
    EXPECT_DOUBLE_EQ(CSettingsStore::ParseLenientDouble("1x5"), 105.0);
    EXPECT_DOUBLE_EQ(CSettingsStore::ParseLenientDouble("\xC3\xA4"
                                                        "7"),
                     7.0);  // one character, one digit
    EXPECT_DOUBLE_EQ(CSettingsStore::ParseLenientDouble(""), 0.0);
    EXPECT_DOUBLE_EQ(CSettingsStore::ParseLenientDouble("0,05"), 0.05);
}

TEST(SettingsHostile, BinaryZeroByteHugeAndLongLineFilesLoad) {
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 100000; ++i) binary.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    WriteFileBytes(dir / "bin", binary);
    CSettingsStore s;
    EXPECT_TRUE(s.Load(dir / "bin"));

    WriteFileBytes(dir / "zero", "");
    CSettingsStore z;
    EXPECT_TRUE(z.Load(dir / "zero"));
    EXPECT_TRUE(z.GetSections().empty());

    WriteFileBytes(dir / "huge", std::string(50u << 20, 'q'));
    CSettingsStore h;
    EXPECT_TRUE(h.Load(dir / "huge"));
    EXPECT_TRUE(h.GetSections().empty());

    std::string longValue(1u << 20, 'v');
    WriteFileBytes(dir / "long", "[S]\nk=" + longValue + "\n");
    CSettingsStore l;
    ASSERT_TRUE(l.Load(dir / "long"));
    EXPECT_EQ(Get(l, "S", "k"), longValue);

    EXPECT_FALSE(l.Load(dir.Path().string()));
}

TEST(SettingsHostile, RandomTextParsesIntoWellFormedEntries) {
    std::mt19937 rng(2024);
    const std::string alphabet = std::string("[]=/ \t\r\nab\xC3\xA4\xFF", 13);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        int len = static_cast<int>(rng() % 200);
        for (int i = 0; i < len; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
        CSettingsStore s;
        s.FromText(text);
        for (const auto& [name, section] : s.GetSections()) {
            EXPECT_EQ(name.find(']'), std::string::npos);
            EXPECT_EQ(name.find('\n'), std::string::npos);
            for (const auto& [key, value] : section.GetEntries()) {
                EXPECT_EQ(key.find('='), std::string::npos);
                EXPECT_NE(key.rfind("//", 0), 0u);
                EXPECT_EQ(value.find('\n'), std::string::npos);
            }
        }
        // The saved form parses back into the same sections.
        CSettingsStore again;
        again.FromText(s.ToText());
        EXPECT_EQ(again.GetSections().size(), s.GetSections().size());
    }
}

}  // namespace
}  // namespace trov
