#include <gtest/gtest.h>

#include <set>

#include "ui/LanguageTable.h"

namespace trov {
namespace {

TEST(LanguageTable, MainViewHasItsFortyOneKeysInOrder) {
    const CLanguageSection* view = FindLanguageSection("MAIN_VIEW");
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->keys.size(), 41u);
    EXPECT_STREQ(view->category, "MainView");
    EXPECT_STREQ(view->keys.front().key, "PictureList");
    EXPECT_STREQ(view->keys[27].key, "StartCreation");
    EXPECT_STREQ(view->keys[27].text, "Start &Creation");
    EXPECT_STREQ(view->keys[32].key, "Choose Font");
    EXPECT_STREQ(view->keys.back().key, "RemainingTime");
    EXPECT_STREQ(FindDefaultText("MAIN_VIEW", "RemainingTime"), "Remain. Time:");
    EXPECT_EQ(FindDefaultText("MAIN_VIEW", "NoSuchKey"), nullptr);
}

TEST(LanguageTable, SectionsAndKeysAreUnique) {
    std::set<std::string> sections;
    for (const CLanguageSection& s : LanguageSections()) {
        EXPECT_TRUE(sections.insert(s.section).second) << s.section;
        std::set<std::string> keys;
        for (const CLanguageKey& k : s.keys) EXPECT_TRUE(keys.insert(k.key).second) << s.section << "/" << k.key;
    }
    EXPECT_EQ(sections.size(), 18u);
}

}  // namespace
}  // namespace trov
