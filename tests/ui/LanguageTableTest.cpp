#include <gtest/gtest.h>

#include <map>
#include <set>

#include "settings/ApplicationSettings.h"
#include "ui/LanguageTable.h"
#include "ui/UiFakes.h"
#include "ui/WndLanguageManager.h"

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
        for (const CLanguageKey& k : s.keys)
            EXPECT_TRUE(keys.insert(k.key).second) << s.section << "/" << k.key;
    }
    EXPECT_EQ(sections.size(), 18u);
}

}  // namespace
}  // namespace trov

namespace trov {
namespace {

TEST(LanguageTable, MessageTextsAreTheCoreDefaults) {
    CSettingsStore core;
    SeedTextDefaults(core);
    const CSettingsSection* texts = core.GetSection("TEXTS");
    ASSERT_NE(texts, nullptr);
    EXPECT_EQ(texts->Size(), MessageTexts().size());
    for (const CLanguageKey& k : MessageTexts()) {
        std::string v;
        EXPECT_TRUE(texts->Get(k.key, v)) << k.key;
        EXPECT_EQ(v, k.text);
    }
}

TEST(LanguageTable, MenuHasTheCommandsInTheirPositions) {
    const auto& menu = MainMenuItems();
    ASSERT_EQ(menu.size(), 7u);
    EXPECT_STREQ(menu[6].text, "&About");
    EXPECT_TRUE(menu[6].items.empty());
    std::set<std::string> ids;
    int separators = 0, items = 0;
    for (const CMainMenuItem& bar : menu) {
        for (const CMainMenuItem& item : bar.items) {
            if (item.IsSeparator()) {
                ++separators;
                continue;
            }
            ++items;
            EXPECT_TRUE(ids.insert(item.id).second) << item.id;
        }
    }
    EXPECT_EQ(items, 38);  // every command of the menu table
    EXPECT_EQ(separators, 13);
    EXPECT_STREQ(menu[1].items[19].text, "Delete Objects");
    EXPECT_STREQ(menu[1].items[19].shortcut, "Del");
    const auto tree = MainMenuTree();
    EXPECT_EQ(tree[0].items[1].text, "&Open Project\tCtrl+O");
    EXPECT_EQ(tree[0].items[3].type, 0x800);
}

TEST(LanguageTable, DialogOpensInTheMainWindowsLanguage) {
    CWndLanguageManager main;
    main.GetLanguageStore().SetString("OPTIONS_DLG", "OK", "Gut");
    main.GetLanguageStore().SetString("OPTIONS_DLG", "Cancel", "Abbrechen");
    CWndLanguageManager dialog;
    std::map<std::string, test::FakeWindow, std::less<>> controls;
    // The dialog has no "About" button: that key is skipped.
    for (const CLanguageKey& k : FindLanguageSection("OPTIONS_DLG")->keys) {
        if (std::string_view(k.key) != "About") controls[k.key];
    }
    const int n =
        OpenDialogLanguage(main, dialog, "OPTIONS_DLG", [&](std::string_view key) -> CWindowControl* {
            auto it = controls.find(key);
            return it == controls.end() ? nullptr : &it->second;
        });
    EXPECT_EQ(n, 7);
    EXPECT_EQ(controls["OK"].text, "Gut");
    EXPECT_EQ(controls["Cancel"].text, "Abbrechen");
    EXPECT_EQ(controls["MainTitle"].text, "TROV Options");
    EXPECT_EQ(OpenDialogLanguage(main, dialog, "NO_SUCH_DLG", [](std::string_view) { return nullptr; }), 0);

    // Looked-up texts are not registered.
    CWndLanguageManager creation;
    const int registered =
        RegisterLanguageSection(creation, *FindLanguageSection("CREATION_SETTINGS_DLG"),
                                [&](std::string_view) -> CWindowControl* { return nullptr; });
    EXPECT_EQ(registered, 0);
    EXPECT_EQ(creation.GetTranslatorCount(), 0u);
}

}  // namespace
}  // namespace trov
