#include <gtest/gtest.h>

#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"
#include "ui/LanguageTable.h"
#include "ui/UiFakes.h"
#include "ui/WndLanguageManager.h"

namespace trov {
namespace {

using test::FakeList;
using test::FakeMenu;
using test::FakeWindow;

TEST(WndLanguageManager, RegistrationRefusesMissingTargetsAndTakenKeys) {
    CMessagePipelines pipelines;
    pipelines.Create("DEBUG");
    auto* debug = new test::RecordingListener;
    pipelines.AddListener("DEBUG", debug, true);

    CWndLanguageManager manager;
    manager.SetPipelines(&pipelines);
    FakeWindow a, b;
    FakeList list;
    FakeMenu menu;
    EXPECT_FALSE(manager.AddControl(nullptr, "x", "S", "K", "Cat"));
    EXPECT_FALSE(manager.AddListCtrl(nullptr, "L", "Cat"));
    EXPECT_FALSE(manager.AddMenu(nullptr, "M", "Cat"));
    EXPECT_TRUE(manager.AddControl(&a, "first", "S", "K", "Cat"));
    // "S" + "K" and "SK" + "" give the same map key: the second is refused.
    EXPECT_FALSE(manager.AddControl(&b, "second", "SK", "", "Cat"));
    EXPECT_TRUE(manager.AddListCtrl(&list, "L", "Cat"));
    EXPECT_FALSE(manager.AddMenu(&menu, "L", "Cat"));
    EXPECT_TRUE(manager.AddMenu(&menu, "M", ""));
    EXPECT_EQ(manager.GetTranslatorCount(), 3u);

    const CSettingsStore& cats = manager.GetCategoryStore();
    int n = 0;
    std::string v;
    ASSERT_TRUE(cats.GetInt("Cat", "SubCategories", n));
    EXPECT_EQ(n, 2);
    EXPECT_TRUE(cats.GetString("Cat", "SubCategory0", v));
    EXPECT_EQ(v, "SK");
    EXPECT_TRUE(cats.GetString("Cat", "SubCategory1", v));
    EXPECT_EQ(v, "L");
    EXPECT_FALSE(cats.HasSection(""));  // an empty category records nothing

    EXPECT_FALSE(manager.UpdateControl("Nope"));
    ASSERT_EQ(debug->texts.size(), 3u);
    EXPECT_EQ(debug->texts[0],
              "CWndLanguageManager::AddListCtrl: Doppeltes Objekt als Hash-Wert genommen: SK");
    EXPECT_EQ(debug->texts[2], "CWndLanguageManager::UpdateControl: Hash-Wert nicht gefunden: Nope");
    // The refused registration did not overwrite the first default.
    EXPECT_EQ(manager.GetText("S", "K"), "first");
}

TEST(WndLanguageManager, TextModesAndMissingKeys) {
    CWndLanguageManager manager;
    FakeWindow one("old"), caption("Own caption"), untranslated("Own"), other("keep");
    manager.AddControl(&one, "Default", "SEC", "One", "C");
    manager.AddControl(&caption, "ignored", "SEC", "Caption", "C", 2);
    manager.AddControl(&untranslated, "ignored", "SEC", "Missing", "C", 2);
    manager.AddControl(&other, "Default", "SEC", "Other", "C", 7);
    manager.GetLanguageStore().SetString("SEC", "One", "Eins");
    manager.GetLanguageStore().SetString("SEC", "Caption", "Titel");
    manager.GetLanguageStore().SetString("SEC", "Other", "Anders");
    EXPECT_TRUE(manager.UpdateCategory("C"));
    EXPECT_EQ(one.text, "Eins");
    EXPECT_EQ(caption.text, "Own caption - Titel");
    EXPECT_EQ(untranslated.text, "Own");
    EXPECT_EQ(other.text, "keep");  // an unknown mode changes nothing
    EXPECT_EQ(manager.GetText("SEC", "Caption"), "Titel");
    EXPECT_EQ(manager.GetText("SEC", "Missing"), "Own");
    EXPECT_EQ(manager.GetText("SEC", "Nothing", "fallback"), "fallback");

    // Applying again does not append a second translation to a mode 2 caption.
    manager.UpdateCategory("C");
    EXPECT_EQ(caption.text, "Own caption - Titel");

    manager.GetLanguageStore().Clear();
    manager.UpdateCategory("C");
    EXPECT_EQ(one.text, "Default");
    EXPECT_TRUE(manager.UpdateCategory("NoSuchCategory"));
}

TEST(WndLanguageManager, MainViewSectionWithOnlyStartCreation) {
    const CLanguageSection& view = *FindLanguageSection("MAIN_VIEW");
    std::vector<FakeWindow> windows(view.keys.size(), FakeWindow("unset"));
    CWndLanguageManager manager;
    for (size_t i = 0; i < view.keys.size(); ++i) {
        ASSERT_TRUE(manager.AddControl(&windows[i], view.keys[i].text, view.section, view.keys[i].key,
                                       view.category, view.keys[i].mode));
    }
    manager.GetLanguageStore().SetString("MAIN_VIEW", "StartCreation", "&Erstellung starten");
    manager.UpdateCategory("MainView");
    for (size_t i = 0; i < view.keys.size(); ++i) {
        const std::string expected =
            std::string(view.keys[i].key) == "StartCreation" ? "&Erstellung starten" : view.keys[i].text;
        EXPECT_EQ(windows[i].text, expected) << view.keys[i].key;
    }
}

FakeList PictureList() {
    FakeList list;
    list.InsertColumn(0, "Position", 60);
    list.InsertColumn(1, "File Name", 400);
    list.InsertColumn(2, "Text", 500);
    list.InsertRow(0, "0");
    list.SetCellText(0, 1, "a.jpg");
    list.SetCellText(0, 2, "Hello");
    list.InsertRow(1, "1");
    list.SetCellText(1, 1, "b.jpg");
    return list;
}

TEST(WndLanguageManager, ListColumnsAreRebuiltAndRowsKept) {
    FakeList list = PictureList();
    CWndLanguageManager manager;
    manager.AddListCtrl(&list, "PictureListColumnTexts", "Main");

    // No "Columns": the list keeps its columns.
    manager.GetLanguageStore().SetString("PictureListColumnTexts", "Column0_Name", "Nr");
    manager.UpdateCategory("Main");
    ASSERT_EQ(list.GetColumnCount(), 3);
    EXPECT_EQ(list.GetColumnTitle(0), "Position");

    CSettingsStore& lang = manager.GetLanguageStore();
    lang.SetInt("PictureListColumnTexts", "Columns", 3);
    lang.SetString("PictureListColumnTexts", "Column1_Name", "Dateiname");
    lang.SetInt("PictureListColumnTexts", "Column1_Width", 321);
    lang.SetString("PictureListColumnTexts", "Column2_Name", "Text");
    lang.SetInt("PictureListColumnTexts", "Column2_Width", -1);
    manager.UpdateCategory("Main");
    ASSERT_EQ(list.GetColumnCount(), 3);
    EXPECT_EQ(list.GetColumnTitle(0), "Nr");
    EXPECT_EQ(list.GetColumnWidth(0), list.TextWidth("Nr"));  // width missing
    EXPECT_EQ(list.GetColumnWidth(1), 321);
    EXPECT_EQ(list.GetColumnWidth(2), list.TextWidth("Text"));  // width -1
    ASSERT_EQ(list.GetRowCount(), 2);
    EXPECT_EQ(list.GetCellText(0, 1), "a.jpg");
    EXPECT_EQ(list.GetCellText(0, 2), "Hello");
    EXPECT_EQ(list.GetCellText(1, 1), "b.jpg");
    EXPECT_EQ(list.GetCellText(1, 2), "");
}

TEST(WndLanguageManager, FewerColumnsInTheFileLeaveThatMany) {
    FakeList list;
    for (int i = 0; i < 15; ++i) list.InsertColumn(i, "C" + std::to_string(i), 50);
    list.InsertRow(0, "0");
    CWndLanguageManager manager;
    manager.AddListCtrl(&list, "PictureListColumnTexts", "Main");
    manager.GetLanguageStore().SetInt("PictureListColumnTexts", "Columns", 3);
    manager.UpdateCategory("Main");
    EXPECT_EQ(list.GetColumnCount(), 3);
    ASSERT_EQ(list.GetRowCount(), 1);
    EXPECT_EQ(list.GetCellText(0, 0), "0");
    // Zero columns would leave nothing to see: the list stays.
    manager.GetLanguageStore().SetInt("PictureListColumnTexts", "Columns", 0);
    manager.UpdateCategory("Main");
    EXPECT_EQ(list.GetColumnCount(), 3);
}

FakeMenu TwoMenus() {
    FakeMenu menu;
    menu.bar = {{"File", {{"Open", {}, false}, {"", {}, false}, {"Exit", {}, false}}, true},
                {"Help", {{"About", {}, false}}, true}};
    return menu;
}

TEST(WndLanguageManager, MenuTextsAreCopiedByPosition) {
    FakeMenu menu = TwoMenus();
    CWndLanguageManager manager;
    manager.AddMenu(&menu, "MainMenu", "Main");
    CSettingsStore& lang = manager.GetLanguageStore();
    lang.FromText(
        "[MainMenu]\nItemCount=2\nItemName0=Datei\nSubMenu0=1\nItemName1=\nSubMenu1=1\n"
        "[MainMenu\\0]\nItemCount=3\nItemName0=Öffnen\nItemName1=\nType1=2048\nItemName2=Beenden\n"
        "[MainMenu\\1]\nItemCount=1\nItemName0=Über\n");
    manager.UpdateCategory("Main");
    EXPECT_EQ(menu.GetItemText({0}), "Datei");
    EXPECT_EQ(menu.GetItemText({0, 0}), "Öffnen");
    EXPECT_EQ(menu.GetItemText({0, 1}), "");
    EXPECT_EQ(menu.GetItemText({0, 2}), "Beenden");
    EXPECT_EQ(menu.GetItemText({1}), "Help");  // an empty name leaves the item alone
    EXPECT_EQ(menu.GetItemText({1, 0}), "Über");
    EXPECT_EQ(menu.redraws, 1);
}

TEST(WndLanguageManager, MenuWithoutSeparatorNameShiftsLaterTexts) {
    FakeMenu menu = TwoMenus();
    CWndLanguageManager manager;
    manager.AddMenu(&menu, "MainMenu", "Main");
    manager.GetLanguageStore().FromText(
        "[MainMenu]\nItemCount=1\nItemName0=Datei\nSubMenu0=1\n"
        "[MainMenu\\0]\nItemCount=3\nItemName0=Öffnen\nType1=2048\nItemName2=Beenden\n");
    manager.UpdateCategory("Main");
    EXPECT_EQ(menu.GetItemText({0, 0}), "Öffnen");
    // "Beenden" moved up onto the separator's position; "Exit" keeps its text.
    EXPECT_EQ(menu.GetItemText({0, 1}), "Beenden");
    EXPECT_EQ(menu.GetItemText({0, 2}), "Exit");
}

TEST(WndLanguageManager, MenuTreeRoundTripAndHostileCounts) {
    const std::vector<CMenuTreeItem> tree = MainMenuTree();
    CSettingsStore store;
    WriteMenuTree(store, "MainMenu", tree);
    const std::vector<CMenuTreeItem> back = ReadMenuTree(store, "MainMenu");
    ASSERT_EQ(back.size(), tree.size());
    for (size_t i = 0; i < tree.size(); ++i) {
        EXPECT_EQ(back[i].text, tree[i].text);
        ASSERT_EQ(back[i].items.size(), tree[i].items.size());
        for (size_t j = 0; j < tree[i].items.size(); ++j)
            EXPECT_EQ(back[i].items[j].text, tree[i].items[j].text);
    }

    // A count of two billion with two items present reads the two, at once.
    CSettingsStore hostile;
    hostile.FromText(
        "[M]\nItemCount=2000000000\nItemName0=a\nItemName7=b\nSubMenu7=1\n[M\\7]\nItemCount=-5\n");
    const auto items = ReadMenuTree(hostile, "M");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].text, "b");
    EXPECT_TRUE(items[1].hasSubMenu);
    EXPECT_TRUE(items[1].items.empty());
    EXPECT_TRUE(ReadMenuTree(hostile, "Missing").empty());

    // Keys that no position is written as (leading zeros, beyond an int) or that lie beyond the
    // count: the fuzzer's file had such a key with a count of two billion, and the walk over the
    // positions never ended.
    CSettingsStore odd;
    odd.FromText(
        "[M]\nItemCount=2000000000\nItemName00=x\nItemName0007=y\nItemName3=c\nItemName99999999999=w\n"
        "[N]\nItemCount=5\nItemName4=d\nItemName2100000000=z\nItemName1=e\n");
    const auto m = ReadMenuTree(odd, "M");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "c");
    const auto n = ReadMenuTree(odd, "N");
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[0].text, "e");
    EXPECT_EQ(n[1].text, "d");
}

TEST(WndLanguageManager, ScanListsOnlyNamedLanguageFiles) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "English.ini", "[LANGUAGE]\r\nLanguage=English\r\nVersion=3.7\r\n");
    test::WriteFileBytes(dir / "Deutsch.INI", "[LANGUAGE]\r\nLanguage=Deutsch\r\n");
    test::WriteFileBytes(dir / "Nameless.ini", "[LANGUAGE]\r\nVersion=3.7\r\n");
    test::WriteFileBytes(dir / "Notes.txt", "[LANGUAGE]\r\nLanguage=Text\r\n");
    std::filesystem::create_directory(dir.Path() / "Folder.ini");

    CWndLanguageManager manager;
    EXPECT_EQ(manager.ScanLanguageFiles(dir.Path().string()), 2);
    int n = 0, selected = -1;
    manager.GetComboStore().GetInt("LANGUAGE_FILES_COMBOBOX", "Entries", n);
    manager.GetComboStore().GetInt("LANGUAGE_FILES_COMBOBOX", "EntrySelected", selected);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(selected, 0);
    manager.GetInfoStore().GetInt("LANGUAGE_INFO", "Entries", n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(manager.GetLanguageFileName("English"), dir / "English.ini");
    EXPECT_EQ(manager.GetLanguageFileName("Deutsch"), dir / "Deutsch.INI");
    EXPECT_EQ(manager.GetLanguageFileName("Text"), "");
    EXPECT_EQ(manager.GetLanguageFileName(""), "");

    // A second scan of a missing folder empties the lists.
    EXPECT_EQ(manager.ScanLanguageFiles((dir / "missing")), 0);
    EXPECT_EQ(manager.GetLanguageFileName("English"), "");
}

TEST(WndLanguageManager, LoadLanguageWarnsOnOtherVersionsOnlyAfterStartUp) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "Old.ini",
                         "[LANGUAGE]\r\nLanguage=Old\r\nVersion=3.70\r\n[MAIN_VIEW]\r\nStartCreation=Los\r\n"
                         "[TEXTS]\r\nAddAFadingEffect=Bitte\r\n");
    test::WriteFileBytes(dir / "Plain.ini", "[LANGUAGE]\r\nLanguage=Plain\r\n");
    test::WriteFileBytes(dir / "Same.ini", "[LANGUAGE]\r\nLanguage=Same\r\nVersion=3.7\r\n");

    CWndLanguageManager manager;
    manager.ScanLanguageFiles(dir.Path().string());
    FakeWindow start;
    manager.AddControl(&start, "Start &Creation", "MAIN_VIEW", "StartCreation", "MainView");
    CSettingsStore texts;
    texts.SetString("TEXTS", "AddAFadingEffect", "Please");
    texts.SetString("TEXTS", "CanNotFindFadingEffect", "Can not");

    test::CTextRecordingPrompt prompt;
    int beeps = 0;
    EXPECT_TRUE(manager.LoadLanguage("Old", false, prompt, &texts, [&] { ++beeps; }));
    EXPECT_TRUE(prompt.texts.empty());  // start-up: no warning yet
    EXPECT_EQ(start.text, "Los");
    std::string v;
    texts.GetString("TEXTS", "AddAFadingEffect", v);
    EXPECT_EQ(v, "Bitte");
    texts.GetString("TEXTS", "CanNotFindFadingEffect", v);
    EXPECT_EQ(v, "Can not");  // keys the file lacks keep their text

    EXPECT_TRUE(manager.LoadLanguage("Old", true, prompt, &texts, [&] { ++beeps; }));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], kLanguageVersionWarning);
    EXPECT_EQ(beeps, 1);

    EXPECT_TRUE(manager.LoadLanguage("Plain", true, prompt, &texts));
    EXPECT_TRUE(manager.LoadLanguage("Same", true, prompt, &texts));
    EXPECT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(start.text, "Start &Creation");

    // A name that is not listed loads nothing: defaults everywhere, no message.
    EXPECT_FALSE(manager.LoadLanguage("Klingon", true, prompt, &texts));
    EXPECT_EQ(start.text, "Start &Creation");
    EXPECT_EQ(prompt.texts.size(), 1u);
}

TEST(WndLanguageManager, SameLanguageTwiceAndUtf16Files) {
    test::TempDir dir;
    CSettingsStore german;
    german.SetString("LANGUAGE", "Language", "Deutsch");
    german.SetString("MAIN_VIEW", "MoveUp", "Nach oben über");
    ASSERT_TRUE(german.Save(dir / "b.ini", CTextFile::kUtf16LE));
    german.SetString("MAIN_VIEW", "MoveUp", "Hoch");
    ASSERT_TRUE(german.Save(dir / "a.ini", CTextFile::k8Bit));

    CWndLanguageManager manager;
    EXPECT_EQ(manager.ScanLanguageFiles(dir.Path().string()), 2);
    // Both are listed; the one listed later is the one loaded.
    std::string first, second;
    manager.GetComboStore().GetString("LANGUAGE_FILES_COMBOBOX", "Entry0", first);
    manager.GetComboStore().GetString("LANGUAGE_FILES_COMBOBOX", "Entry1", second);
    EXPECT_EQ(first, "Deutsch");
    EXPECT_EQ(second, "Deutsch");
    const std::string path = manager.GetLanguageFileName("Deutsch");
    EXPECT_TRUE(path == dir / "a.ini" || path == dir / "b.ini");

    FakeWindow up;
    manager.AddControl(&up, "Move up", "MAIN_VIEW", "MoveUp", "MainView");
    ASSERT_TRUE(manager.LoadLanguageFile(dir / "b.ini"));
    manager.UpdateCategory("MainView");
    EXPECT_EQ(up.text, "Nach oben über");
    ASSERT_TRUE(manager.LoadLanguageFile(dir / "a.ini"));
    manager.UpdateCategory("MainView");
    EXPECT_EQ(up.text, "Hoch");
    EXPECT_FALSE(manager.LoadLanguageFile(dir / "missing.ini"));
    manager.UpdateCategory("MainView");
    EXPECT_EQ(up.text, "Move up");
    EXPECT_FALSE(manager.LoadLanguageFile(""));
}

TEST(WndLanguageManager, VersionComparisonIsTextual) {
    CSettingsStore s;
    EXPECT_FALSE(CWndLanguageManager::VersionDiffers(s));
    for (const char* version : {"3.70", "3.6", "3.7 ", ""}) {
        s.SetString("LANGUAGE", "Version", version);
        EXPECT_TRUE(CWndLanguageManager::VersionDiffers(s)) << version;
    }
    s.SetString("LANGUAGE", "Version", "3.7");
    EXPECT_FALSE(CWndLanguageManager::VersionDiffers(s));
}

TEST(WndLanguageManager, DialogCopiesItsOwnSection) {
    CWndLanguageManager main;
    main.GetLanguageStore().SetString("OPTIONS_DLG", "OK", "Gut");
    main.GetLanguageStore().SetString("MAIN_VIEW", "OK", "Nein");
    CWndLanguageManager dialog;
    dialog.GetLanguageStore().SetString("OLD", "x", "y");
    dialog.CopySectionFrom(main, "OPTIONS_DLG");
    FakeWindow ok;
    dialog.AddControl(&ok, "OK", "OPTIONS_DLG", "OK", "OptionsDlg");
    dialog.UpdateCategory("OptionsDlg");
    EXPECT_EQ(ok.text, "Gut");
    EXPECT_FALSE(dialog.GetLanguageStore().HasSection("MAIN_VIEW"));
    EXPECT_FALSE(dialog.GetLanguageStore().HasSection("OLD"));
}

TEST(WndLanguageManager, AboutText) {
    CSettingsStore file;
    file.FromText("[LANGUAGE]\nLanguage=Deutsch\nVersion=3.7\nAuthor=Jemand\nComment=Hallo\n");
    EXPECT_EQ(
        LanguageFileAboutText("Deutsch", "/x/German.ini", file),
        "Language File: Deutsch (/x/German.ini)\r\nVersion: 3.7\r\n\r\nAuthor: Jemand\r\n\r\nComment: Hallo");
}

}  // namespace
}  // namespace trov
