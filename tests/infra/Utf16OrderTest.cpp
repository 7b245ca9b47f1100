// UTF-16 code-unit order over UTF-8 text, against a reference and on malformed bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "infra/TextEncoding.h"
#include "infra/Utf16Order.h"

namespace trov {
namespace {

std::u16string ToUtf16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp = NextCodePoint(s, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// `count` words of up to four pieces each, drawn with a fixed seed.
std::vector<std::string> RandomWords(const std::vector<std::string>& pieces, int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> words;
    for (int w = 0; w < count; ++w) {
        std::string s;
        int len = static_cast<int>(rng() % 5);
        for (int k = 0; k < len; ++k) s += pieces[rng() % pieces.size()];
        words.push_back(s);
    }
    return words;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(Utf16Order, MatchesCodeUnitOrderOfValidText) {
    // Pieces chosen around the places where UTF-8 byte order and UTF-16 order differ.
    const std::vector<std::string> pieces = {"a",
                                             "B",
                                             "_",
                                             "0",
                                             "\xC3\xA4",
                                             "\xE2\x82\xAC",
                                             "\xEF\xBD\x81",
                                             "\xEE\x80\x80",
                                             "\xF0\x9F\x98\x80",
                                             "\xF4\x8F\xBF\xBF",
                                             ""};
    std::vector<std::string> words = RandomWords(pieces, 400, 7);
    for (const auto& a : words)
        for (const auto& b : words) {
            std::u16string ua = ToUtf16(a), ub = ToUtf16(b);
            int expected = ua < ub ? -1 : (ub < ua ? 1 : 0);
            ASSERT_EQ(Sign(CompareUtf16(a, b)), expected) << a << " vs " << b;
        }
}

TEST(Utf16Order, SupplementaryCharactersSortBelowThePrivateUseArea) {
    EXPECT_LT(CompareUtf16("\xF0\x9F\x98\x80", "\xEE\x80\x80"), 0);  // D83D < E000
    EXPECT_GT(CompareUtf16("\xEF\xBD\x81", "\xF0\x9F\x98\x80"), 0);
    EXPECT_LT(CompareUtf16("B", "a"), 0);
    EXPECT_LT(CompareUtf16("a", "a0"), 0);
    EXPECT_EQ(CompareUtf16("", ""), 0);
}

TEST(Utf16Order, MalformedBytesGiveATotalOrder) {
    const std::vector<std::string> pieces = {"a", "\xC3", "\xA4", "\xE2\x82", "\xFF", "\x80", "z", "\xF0"};
    std::vector<std::string> words = RandomWords(pieces, 300, 11);
    for (const auto& a : words)
        for (const auto& b : words) {
            ASSERT_EQ(Sign(CompareUtf16(a, b)), -Sign(CompareUtf16(b, a)));
            ASSERT_EQ(CompareUtf16(a, b) == 0, a == b);
        }
    std::sort(words.begin(), words.end(), Utf16Less{});
    for (size_t i = 1; i < words.size(); ++i) ASSERT_LE(CompareUtf16(words[i - 1], words[i]), 0);
}

}  // namespace
}  // namespace trov
