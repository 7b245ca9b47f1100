// The shipped language files against the table of translatable texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "infra/ProgramDirectory.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"
#include "ui/LanguageTable.h"
#include "ui/UiFakes.h"
#include "ui/WndLanguageManager.h"

namespace trov {
namespace {

std::filesystem::path LanguageFolder() {
    return std::filesystem::path(std::getenv("TROV_SOURCE_DIR")) / "data" / "Language";
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
}

// Set TROV_WRITE_ENGLISH_INI=1 to rewrite data/Language/English.ini from the table.
TEST(LanguageFiles, EnglishIsTheTableExactly) {
    const std::filesystem::path path = LanguageFolder() / "English.ini";
    if (std::getenv("TROV_WRITE_ENGLISH_INI")) test::WriteFileBytes(path, DefaultLanguageFileText());
    EXPECT_EQ(test::ReadFileBytes(path), DefaultLanguageFileText())
        << "English.ini differs from the table; rerun with TROV_WRITE_ENGLISH_INI=1 to rewrite it";
    CSettingsStore english;
    ASSERT_TRUE(english.Load(path.string()));
    EXPECT_EQ(Joined(CheckLanguageFile(english)), "");
    EXPECT_EQ(english.ToText(), DefaultLanguageStore().ToText());
}

TEST(LanguageFiles, GermanIsCompleteAndTranslated) {
    CSettingsStore german;
    ASSERT_TRUE(german.Load((LanguageFolder() / "German.ini").string()));
    EXPECT_EQ(Joined(CheckLanguageFile(german)), "");
    std::string name, version;
    german.GetString("LANGUAGE", "Language", name);
    german.GetString("LANGUAGE", "Version", version);
    EXPECT_EQ(name, "Deutsch");
    EXPECT_EQ(version, kLanguageFileVersion);
    // Umlauts arrive as characters, not as bytes of another encoding.
    std::string text;
    german.GetString("MAIN_VIEW", "MoveUp", text);
    EXPECT_EQ(text, "Nach oben");
    german.GetString("OPTIONS_DLG", "ChooseLanguage", text);
    EXPECT_EQ(text, "Wählen Sie Ihre Sprache");

    // Most texts differ from English; the few equal ones are words both languages share.
    int same = 0, total = 0;
    std::string sameKeys;
    for (const CLanguageSection& s : LanguageSections()) {
        for (const CLanguageKey& k : s.keys) {
            german.GetString(s.section, k.key, text);
            ++total;
            if (text == k.text) {
                ++same;
                sameKeys += std::string(s.section) + "/" + k.key + " ";
            }
        }
    }
    EXPECT_LT(same * 10, total) << sameKeys;
}

TEST(LanguageFiles, CheckFindsMissingUnusedAndPlaceholderFaults) {
    CSettingsStore file = DefaultLanguageStore();
    EXPECT_TRUE(CheckLanguageFile(file).empty());
    file.RemoveKey("MAIN_VIEW", "MoveUp");
    file.SetString("MAIN_VIEW", "MoveSideways", "x");
    file.SetString("OPTIONS_DLG", "OK", "");
    file.SetString("TEXTS", "CanNotFindFadingEffect", "%s fehlt");
    file.SetString("Extra", "Key", "x");
    file.SetString("MainMenu\\9", "ItemCount", "0");
    file.SetString("MainMenu\\0", "ItemName0", "&Neu");  // the shortcut text is gone
    file.SetString("MainMenu\\0", "ItemName3", "Trenner");
    const std::string problems = Joined(CheckLanguageFile(file));
    EXPECT_NE(problems.find("[MAIN_VIEW] missing key MoveUp"), std::string::npos) << problems;
    EXPECT_NE(problems.find("[MAIN_VIEW] unused key MoveSideways"), std::string::npos) << problems;
    EXPECT_NE(problems.find("[OPTIONS_DLG] OK is empty"), std::string::npos) << problems;
    EXPECT_NE(problems.find("[TEXTS] CanNotFindFadingEffect: placeholders"), std::string::npos) << problems;
    EXPECT_NE(problems.find("unused section [Extra]"), std::string::npos) << problems;
    EXPECT_NE(problems.find("unused section [MainMenu\\9]"), std::string::npos) << problems;
    EXPECT_NE(problems.find("[MainMenu\\0] ItemName0 must end in a tab"), std::string::npos) << problems;
    EXPECT_NE(problems.find("[MainMenu\\0] ItemName3 must be empty"), std::string::npos) << problems;
    EXPECT_TRUE(CheckLanguageFile(CSettingsStore()).size() > 10);
}

TEST(LanguageFiles, PlaceholdersAreConversionsOnly) {
    EXPECT_EQ(Placeholders("%d %% of %s"), (std::vector<std::string>{"%d", "%%", "%s"}));
    EXPECT_EQ(Placeholders("%5.2f and %-3ld"), (std::vector<std::string>{"%5.2f", "%-3ld"}));
    EXPECT_TRUE(Placeholders("needs ~40% more time").empty());
    EXPECT_TRUE(Placeholders("100%").empty());
}

// Registers every text of the table the way the windows do, into fakes.
struct RegisteredWindows {
    explicit RegisteredWindows(CWndLanguageManager& manager) {
        for (const CLanguageSection& s : LanguageSections()) {
            for (const CLanguageKey& k : s.keys) {
                if (k.mode == 0) continue;
                windows.push_back(std::make_unique<test::FakeWindow>("unset"));
                EXPECT_TRUE(
                    manager.AddControl(windows.back().get(), k.text, s.section, k.key, s.category, k.mode));
                defaults.push_back(k.text);
                categories.push_back(s.category);
            }
        }
        for (const CMainMenuItem& m : MainMenuItems()) {
            test::FakeMenu::Item item{"unset", {}, !m.items.empty()};
            for (size_t i = 0; i < m.items.size(); ++i) item.items.push_back({"unset", {}, false});
            menu.bar.push_back(item);
        }
        for (int i = 0; i < 15; ++i) list.InsertColumn(i, "unset", 10);
        manager.AddMenu(&menu, kMainMenuSection, kMainCategory);
        manager.AddListCtrl(&list, kPictureListSection, kMainCategory);
    }
    void ApplyAll(CWndLanguageManager& manager) {
        manager.UpdateCategory(kMainCategory);
        for (const CLanguageSection& s : LanguageSections()) manager.UpdateCategory(s.category);
    }
    std::vector<std::unique_ptr<test::FakeWindow>> windows;
    std::vector<std::string> defaults;
    std::vector<std::string> categories;
    test::FakeMenu menu;
    test::FakeList list;
};

TEST(LanguageFiles, SwitchingToGermanChangesEveryRegisteredControl) {
    CWndLanguageManager manager;
    ASSERT_EQ(manager.ScanLanguageFiles(LanguageFolder().string()), 2);
    RegisteredWindows ui(manager);
    test::CTextRecordingPrompt prompt;

    ASSERT_TRUE(manager.LoadLanguage("Deutsch", true, prompt, nullptr));
    ui.ApplyAll(manager);
    EXPECT_TRUE(prompt.texts.empty());
    size_t changed = 0;
    for (size_t i = 0; i < ui.windows.size(); ++i) {
        if (ui.windows[i]->text != ui.defaults[i]) ++changed;
        EXPECT_NE(ui.windows[i]->text, "unset");
    }
    EXPECT_GT(changed * 10, ui.windows.size() * 9);
    EXPECT_EQ(ui.menu.GetItemText({0}), "Projekt");
    EXPECT_EQ(ui.list.GetColumnTitle(1), "Dateiname");

    ASSERT_TRUE(manager.LoadLanguage("English", true, prompt, nullptr));
    ui.ApplyAll(manager);
    for (size_t i = 0; i < ui.windows.size(); ++i) EXPECT_EQ(ui.windows[i]->text, ui.defaults[i]);
    EXPECT_EQ(ui.menu.GetItemText({0}), "Project");
    EXPECT_EQ(ui.menu.GetItemText({0, 1}), "&Open Project\tCtrl+O");
    EXPECT_EQ(ui.list.GetColumnTitle(1), "File Name");
    EXPECT_EQ(ui.list.GetColumnWidth(1), 400);
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(LanguageFiles, BrokenOrForeignFilesFallBackToTheDefaults) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "Binary.ini", std::string("\xff\xfe\x00\xd8\x00\x00[LANGUAGE]\x01\x02", 14));
    test::WriteFileBytes(dir / "Foreign.ini",
                         "[LANGUAGE]\r\nLanguage=Foreign\r\n[Colors]\r\nBackground=red\r\n[MAIN_VIEW\r\n"
                         "StartCreation\r\n=nothing\r\n[MainMenu]\r\nItemCount=99999999\r\n"
                         "[PictureListColumnTexts]\r\nColumns=-7\r\n");
    test::WriteFileBytes(dir / "Old.ini", "[LANGUAGE]\r\nLanguage=Old\r\nVersion=3.70\r\n");
    CWndLanguageManager manager;
    manager.ScanLanguageFiles(dir.Path().string());
    EXPECT_EQ(manager.GetLanguageFileName("Binary"), "");  // no language name: not listed
    RegisteredWindows ui(manager);
    test::CTextRecordingPrompt prompt;

    for (const char* language : {"Foreign", "Binary", "Missing"}) {
        manager.LoadLanguage(language, true, prompt, nullptr);
        ui.ApplyAll(manager);
        for (size_t i = 0; i < ui.windows.size(); ++i)
            EXPECT_EQ(ui.windows[i]->text, ui.defaults[i]) << language;
        EXPECT_EQ(ui.menu.GetItemText({0}), "unset") << language;  // no usable menu: items kept
    }
    EXPECT_EQ(ui.list.GetColumnCount(), 15);  // a negative "Columns" keeps the list as it was
    EXPECT_TRUE(prompt.texts.empty());

    manager.LoadLanguage("Old", true, prompt, nullptr);
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(
        prompt.texts[0],
        "Your current language file version is different from the current version of TROV. So maybe not "
        "all controls could be translated!");
}

TEST(LanguageFiles, FoundFromAnyProgramDirectory) {
    test::TempDir home;
    SetProgramDirectory(home.Path().string());
    const std::string folder = ShippedLanguageDirectory();
    SetProgramDirectory("");
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "English.ini")) << folder;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "German.ini")) << folder;
}

}  // namespace
}  // namespace trov
