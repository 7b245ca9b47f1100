// The text table: "MAIN_VIEW", the menu, the list columns and the message texts, and the writing
// and checking of language files. The dialogs' sections are in LanguageDialogTexts.cpp.
#include "ui/LanguageTable.h"

#include <algorithm>

#include "ui/LanguageTableParts.h"
#include "ui/WndLanguageManager.h"

namespace trov {

using languagetable::DialogSections;
using languagetable::kUpdate;

namespace {

CLanguageSection MainViewTexts() {
    return {"main view",
            kMainViewSection,
            kMainViewCategory,
            {
                {"PictureList", "Picture List"},
                {"ChangePicturePos", "Change picture position"},
                {"MoveToFirst", "Move to first"},
                {"MoveUp", "Move up"},
                {"MoveDown", "Move Down"},
                {"MoveToEnd", "Move to end"},
                {"SelectAll", "Select All"},
                {"StaticSettings", "Settings"},
                {"ShowPreview", "Show Preview"},
                {"FullPreview", "Full"},
                {"FramesTextFadeIn", "Frames for Text-Fade-In:"},
                {"FramesShowingPicture", "Frames for showing Picture:"},
                {"FramesTextFadeOut", "Frames for Text-Fade-Out:"},
                {"FramesFading2NextPicture", "Frames fading to next picture:"},
                {"TextBackWidth", "Text back width:"},
                {"FadeEffect", "Fade-Effect:"},
                {"PictureText", "Picture Text:"},
                {"SpecialTextEdit", "Special"},
                {"UpdateFTFI", kUpdate},
                {"UpdateFSP", kUpdate},
                {"UpdateFTFO", kUpdate},
                {"UpdateF2NP", kUpdate},
                {"UpdateTextBackWidth", kUpdate},
                {"UpdateFadeEffect", kUpdate},
                {"UpdatePictureText", kUpdate},
                {"CompletePlayLength", "Complete Play Length:"},
                {"ThreadPriority", "Thread Priority:"},
                {"StartCreation", "Start &Creation"},
                {"AudioSettings", "&Audio Settings"},
                {"AddColorFading", "Add Color Fading"},
                {"AddRandomFadings", "Add Random Fadings"},
                {"ShowFadingPreview", "Show &Fading Preview"},
                {"Choose Font", "Choose Font"},
                {"TextColor", "Text Color"},
                {"TextBackgroundColor", "Text Background Color"},
                {"TextSettings", "Text Settings"},
                {"SpecialPictureSettings", "Special Picture Settings"},
                {"CurrentProcess", "Current Process:"},
                {"CompleteProcess", "Complete Process:"},
                {"CurrentTime", "Current Time:"},
                {"RemainingTime", "Remain. Time:"},
            }};
}

std::vector<CLanguageSection> BuildSections() {
    std::vector<CLanguageSection> s{MainViewTexts()};
    for (CLanguageSection& dialog : DialogSections()) s.push_back(std::move(dialog));
    return s;
}

std::vector<CMainMenuItem> BuildMenu() {
    const CMainMenuItem sep{"", "", "", {}};
    return {
        {"",
         "Project",
         "",
         {
             {"ProjectReset", "&Reset", "Ctrl+R", {}},
             {"ProjectOpen", "&Open Project", "Ctrl+O", {}},
             {"ProjectSave", "&Save Project", "Ctrl+S", {}},
             sep,
             {"ProjectMakeComplete", "Make complete Project", "F8", {}},
             sep,
             {"ProjectSettings", "&Project Settings", "Ctrl+P", {}},
             sep,
             {"ProjectPathsRelative", "Make directory paths relative to saved project", "", {}},
             {"ProjectPathsAbsolute", "Make directory paths absolute to saved project", "", {}},
             sep,
             {"ProjectSavePreviewPicture", "Save Preview Picture", "Ctrl+E", {}},
             sep,
             {"ProjectExit", "E&xit", "", {}},
         }},
        {"",
         "Objects",
         "",
         {
             {"ObjectsAddPictures", "Add Pictures", "F3", {}},
             {"ObjectsAddAudio", "Add Audio", "", {}},
             {"ObjectsAddPictureDirectory", "Add Picture Directory", "F4", {}},
             sep,
             {"ObjectsAudioSettings", "Audio Settings", "Ctrl+A", {}},
             {"ObjectsAddColorFading", "Add Color Fading", "", {}},
             {"ObjectsAddRandomFading", "Add Random Fading", "", {}},
             sep,
             {"ObjectsChooseFont", "Choose Font", "", {}},
             {"ObjectsChooseTextColor", "Choose Text Color", "", {}},
             {"ObjectsChooseTextBackgroundColor", "Choose Text Background Color", "", {}},
             {"ObjectsChangeTextPosition", "Change Text Position", "", {}},
             {"ObjectsSpecialTextEdit", "Special Text Edit", "", {}},
             sep,
             {"ObjectsSpecialPictureSettings", "Special Picture Settings", "", {}},
             {"ObjectsShowFadingPreview", "Show Fading Preview", "Ctrl+F", {}},
             sep,
             {"ObjectsCopy", "Copy Objects", "Ctrl+Ins", {}},
             {"ObjectsPaste", "Paste Objects", "Shift+Ins", {}},
             {"ObjectsDelete", "Delete Objects", "Del", {}},
             sep,
             {"ObjectsSynchronize", "Synchronize Audio and Video", "F10", {}},
         }},
        {"",
         "Select && Manipulate",
         "",
         {
             {"SelectAll", "Select all objects", "", {}},
             {"SelectAllWithText", "Select all objects with text", "", {}},
             sep,
             {"RotateClockwise", "Rotate 90 clockwise", "", {}},
             {"Rotate180", "Rotate 180", "", {}},
             {"RotateCounterclockwise", "Rotate 90 counterclockwise", "", {}},
         }},
        {"", "Start Creation", "", {{"StartCreation", "Start Creation", "F5", {}}}},
        {"", "Wizards", "", {{"WizardFirstVideo", "Wizard 1: My First Video", "", {}}}},
        {"",
         "Options",
         "",
         {
             {"OptionsCheckEffects", "Check Effects", "", {}},
             sep,
             {"OptionsCreateFadingPreview", "Create Realtime Fading Effects Preview", "", {}},
             {"OptionsCreateFadingPreviewOwn",
              "Create Realtime Fading Effects Preview with own pictures",
              "",
              {}},
             {"OptionsShowHideFadingPreview", "Show / Hide Realtime Fading Effects Preview", "F2", {}},
             sep,
             {"OptionsOptions", "Options", "", {}},
         }},
        {"About", "&About", "", {}},
    };
}

// Platform menu flags kept in the file for readers of the format: a separator's type, a popup's state.
constexpr int kSeparatorType = 0x800;

void AppendTree(const std::vector<CMainMenuItem>& items, std::vector<CMenuTreeItem>& out) {
    for (const CMainMenuItem& item : items) {
        CMenuTreeItem node;
        node.text = item.text;
        if (item.shortcut[0] != '\0') node.text += std::string("\t") + item.shortcut;
        if (item.IsSeparator()) node.type = kSeparatorType;
        if (!item.items.empty()) {
            node.hasSubMenu = true;
            AppendTree(item.items, node.items);
        }
        out.push_back(std::move(node));
    }
}

void CheckMenu(const CSettingsStore& file, const std::string& section, const std::vector<CMenuTreeItem>& tree,
               std::vector<std::string>& problems, std::vector<std::string>& visited) {
    visited.push_back(section);
    const CSettingsSection* s = file.GetSection(section);
    if (!s) {
        problems.push_back("missing section [" + section + "]");
        return;
    }
    std::vector<std::string> expected{"ItemCount"};
    for (size_t i = 0; i < tree.size(); ++i) {
        for (const char* k : {"ItemName", "SubMenu", "State", "Type"})
            expected.push_back(k + std::to_string(i));
    }
    int count = -1;
    file.GetInt(section, "ItemCount", count);
    if (count != static_cast<int>(tree.size())) {
        problems.push_back("[" + section + "] ItemCount is " + std::to_string(count) + ", the menu has " +
                           std::to_string(tree.size()) + " positions");
    }
    for (const std::string& key : expected) {
        if (!s->Has(key)) problems.push_back("[" + section + "] missing key " + key);
    }
    for (const auto& [key, value] : s->GetEntries()) {
        if (std::find(expected.begin(), expected.end(), key) == expected.end()) {
            problems.push_back("[" + section + "] unused key " + key);
        }
    }
    for (size_t i = 0; i < tree.size(); ++i) {
        const std::string n = std::to_string(i);
        std::string text;
        file.GetString(section, "ItemName" + n, text);
        const bool separator = tree[i].type == kSeparatorType;
        if (separator != text.empty()) {
            problems.push_back("[" + section + "] ItemName" + n +
                               (separator ? " must be empty (a separator)" : " is empty"));
        }
        // The shortcut text after the tab is shown as the translator writes it ("Strg+O"); the key
        // itself stays. An item with a shortcut must keep one, an item without must not gain one.
        const bool hasShortcut = tree[i].text.find('\t') != std::string::npos;
        if (!separator && hasShortcut != (text.find('\t') != std::string::npos)) {
            problems.push_back(
                "[" + section + "] ItemName" + n +
                (hasShortcut ? " must end in a tab and its shortcut" : " must have no shortcut"));
        }
        int sub = 0;
        file.GetInt(section, "SubMenu" + n, sub);
        if ((sub == 1) != tree[i].hasSubMenu)
            problems.push_back("[" + section + "] SubMenu" + n + " is wrong");
        if (tree[i].hasSubMenu) CheckMenu(file, section + "\\" + n, tree[i].items, problems, visited);
    }
}

void CheckKeys(const CSettingsStore& file, const std::string& section,
               const std::vector<std::pair<std::string, std::string>>& keys,
               std::vector<std::string>& problems) {
    const CSettingsSection* s = file.GetSection(section);
    if (!s) {
        problems.push_back("missing section [" + section + "]");
        return;
    }
    for (const auto& [key, text] : keys) {
        std::string value;
        if (!s->Get(key, value)) {
            problems.push_back("[" + section + "] missing key " + key);
        } else if (Placeholders(value) != Placeholders(text)) {
            problems.push_back("[" + section + "] " + key + ": placeholders differ from \"" + text + "\"");
        } else if (value.empty() && !text.empty()) {
            problems.push_back("[" + section + "] " + key + " is empty");
        }
    }
    for (const auto& entry : s->GetEntries()) {
        // A named reference, not a structured binding: clang 14 (the fuzz build) cannot capture those.
        const std::string& key = entry.first;
        const bool known =
            std::any_of(keys.begin(), keys.end(), [&](const auto& k) { return k.first == key; });
        if (!known) problems.push_back("[" + section + "] unused key " + key);
    }
}

std::vector<std::pair<std::string, std::string>> ColumnKeys(const std::vector<CColumnDefault>& columns) {
    std::vector<std::pair<std::string, std::string>> keys{{"Columns", ""}};
    for (size_t i = 0; i < columns.size(); ++i) {
        keys.emplace_back("Column" + std::to_string(i) + "_Name", columns[i].name);
        keys.emplace_back("Column" + std::to_string(i) + "_Width", "");
    }
    return keys;
}

void WriteColumns(CSettingsStore& store, const std::string& section,
                  const std::vector<CColumnDefault>& columns) {
    store.SetInt(section, "Columns", static_cast<int>(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i) {
        store.SetString(section, "Column" + std::to_string(i) + "_Name", columns[i].name);
        store.SetInt(section, "Column" + std::to_string(i) + "_Width", columns[i].width);
    }
}

}  // namespace

const std::vector<CLanguageSection>& LanguageSections() {
    static const std::vector<CLanguageSection> sections = BuildSections();
    return sections;
}

const CLanguageSection* FindLanguageSection(std::string_view section) {
    for (const CLanguageSection& s : LanguageSections()) {
        if (section == s.section) return &s;
    }
    return nullptr;
}

const char* FindDefaultText(std::string_view section, std::string_view key) {
    if (const CLanguageSection* s = FindLanguageSection(section)) {
        for (const CLanguageKey& k : s->keys) {
            if (key == k.key) return k.text;
        }
    }
    return nullptr;
}

int RegisterLanguageSection(CWndLanguageManager& manager, const CLanguageSection& section,
                            const std::function<CWindowControl*(std::string_view key)>& controlFor) {
    int registered = 0;
    for (const CLanguageKey& k : section.keys) {
        if (k.mode == 0) continue;
        CWindowControl* control = controlFor(k.key);
        if (control &&
            manager.AddControl(control, k.text, section.section, k.key, section.category, k.mode)) {
            ++registered;
        }
    }
    return registered;
}

int OpenDialogLanguage(const CWndLanguageManager& mainManager, CWndLanguageManager& dialogManager,
                       std::string_view section,
                       const std::function<CWindowControl*(std::string_view key)>& controlFor) {
    const CLanguageSection* table = FindLanguageSection(section);
    if (!table) return 0;
    dialogManager.CopySectionFrom(mainManager, table->section);
    const int registered = RegisterLanguageSection(dialogManager, *table, controlFor);
    dialogManager.UpdateCategory(table->category);
    return registered;
}

const std::vector<CMainMenuItem>& MainMenuItems() {
    static const std::vector<CMainMenuItem> menu = BuildMenu();
    return menu;
}

std::vector<CMenuTreeItem> MainMenuTree() {
    std::vector<CMenuTreeItem> tree;
    AppendTree(MainMenuItems(), tree);
    return tree;
}

const std::vector<CColumnDefault>& PictureListColumns() {
    static const std::vector<CColumnDefault> columns{
        {"Position", 60},
        {"File Name", 400},
        {"Text-FadeIn", 100},
        {"ShowPicture", 100},
        {"Text-FadeOut", 100},
        {"Fade2NextPicture", 100},
        {"Fading-Type to next picture", 180},
        {"Text", 500},
        {"Font", 150},
        {"Special Picture Settings", 250},
        {"Audio", 250},
        {"Start Time", 100},
        {"Fading Time", 100},
        {"Fade Option", 100},
        {"Rotation", 100},
    };
    return columns;
}

const std::vector<CColumnDefault>& CodecSettingsListColumns() {
    static const std::vector<CColumnDefault> columns{{"Filename", 100}, {"Video", 150}, {"Audio", 150}};
    return columns;
}

const std::vector<CLanguageKey>& MessageTexts() {
    static const std::vector<CLanguageKey> texts{
        {"CanNotFindFadingEffect", "Can not find specified fading effect:"},
        {"MaybeUpdateTROVOrUseDLL",
         "This error means, that you have selected one fading, that is not installed to TROV. Please update "
         "your project or update TROV or add the DLL with the plug-in for the fading you have selected!"},
        {"AddAFadingEffect",
         "Please set a fading effect to this picture! If you don´t want a fading effect to the next picture, "
         "please also add a fading effect to the picture; then set the frames fading to next picture to 0."},
    };
    return texts;
}

CSettingsStore DefaultLanguageStore() {
    CSettingsStore store;
    store.SetString(kLanguageInfoSection, "Language", "English");
    store.SetString(kLanguageInfoSection, "Version", kLanguageFileVersion);
    store.SetString(kLanguageInfoSection, "Author", "Trovamatic");
    store.SetString(kLanguageInfoSection, "Comment", "The built-in English texts.");
    for (const CLanguageKey& k : MessageTexts()) store.SetString(kTextsSection, k.key, k.text);
    WriteMenuTree(store, kMainMenuSection, MainMenuTree());
    WriteColumns(store, kPictureListSection, PictureListColumns());
    WriteColumns(store, kCodecSettingsListSection, CodecSettingsListColumns());
    for (const CLanguageSection& s : LanguageSections()) {
        for (const CLanguageKey& k : s.keys) store.SetString(s.section, k.key, k.text);
    }
    return store;
}

namespace {
class FileWriter {
public:
    void Section(const std::string& name) {
        if (!m_text.empty()) m_text += "\r\n";
        m_text += "[" + name + "]\r\n";
    }
    void Key(const std::string& key, const std::string& value) { m_text += key + "=" + value + "\r\n"; }
    void Key(const std::string& key, int value) { Key(key, std::to_string(value)); }
    void Menu(const std::string& section, const std::vector<CMenuTreeItem>& items) {
        Section(section);
        Key("ItemCount", static_cast<int>(items.size()));
        for (size_t i = 0; i < items.size(); ++i) {
            const std::string n = std::to_string(i);
            Key("ItemName" + n, items[i].text);
            Key("SubMenu" + n, items[i].hasSubMenu ? 1 : 0);
            Key("State" + n, items[i].state);
            Key("Type" + n, items[i].type);
        }
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].hasSubMenu) Menu(section + "\\" + std::to_string(i), items[i].items);
        }
    }
    void Columns(const std::string& section, const std::vector<CColumnDefault>& columns) {
        Section(section);
        Key("Columns", static_cast<int>(columns.size()));
        for (size_t i = 0; i < columns.size(); ++i) {
            Key("Column" + std::to_string(i) + "_Name", columns[i].name);
            Key("Column" + std::to_string(i) + "_Width", columns[i].width);
        }
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};
}  // namespace

std::string DefaultLanguageFileText() {
    const CSettingsStore store = DefaultLanguageStore();
    FileWriter w;
    w.Section(kLanguageInfoSection);
    for (const char* key : {"Language", "Version", "Author", "Comment"}) {
        std::string value;
        store.GetString(kLanguageInfoSection, key, value);
        w.Key(key, value);
    }
    w.Section(kTextsSection);
    for (const CLanguageKey& k : MessageTexts()) w.Key(k.key, k.text);
    w.Menu(kMainMenuSection, MainMenuTree());
    w.Columns(kPictureListSection, PictureListColumns());
    w.Columns(kCodecSettingsListSection, CodecSettingsListColumns());
    for (const CLanguageSection& s : LanguageSections()) {
        w.Section(s.section);
        for (const CLanguageKey& k : s.keys) w.Key(k.key, k.text);
    }
    return w.Text();
}

std::vector<std::string> Placeholders(std::string_view text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        size_t j = i + 1;
        while (j < text.size() &&
               std::string_view("-+ #0123456789.lhz").find(text[j]) != std::string_view::npos)
            ++j;
        if (j >= text.size()) break;
        // Only conversions count; a "%" followed by a letter that is none ("~40% more") is plain text.
        if (std::string_view("%dioupxXsScfeEgG").find(text[j]) == std::string_view::npos) continue;
        out.emplace_back(text.substr(i, j - i + 1));
        i = j;
    }
    return out;
}

std::vector<std::string> CheckLanguageFile(const CSettingsStore& file) {
    std::vector<std::string> problems;
    std::vector<std::string> known{kLanguageInfoSection, kTextsSection, kPictureListSection,
                                   kCodecSettingsListSection};
    {
        std::vector<std::pair<std::string, std::string>> keys;
        for (const CLanguageKey& k : MessageTexts()) keys.emplace_back(k.key, k.text);
        CheckKeys(file, kTextsSection, keys, problems);
    }
    if (!file.HasKey(kLanguageInfoSection, "Language")) problems.push_back("missing key [LANGUAGE] Language");
    if (const CSettingsSection* info = file.GetSection(kLanguageInfoSection)) {
        for (const auto& [key, value] : info->GetEntries()) {
            if (key != "Language" && key != "Version" && key != "Author" && key != "Comment")
                problems.push_back("[LANGUAGE] unused key " + key);
        }
    }
    CheckKeys(file, kPictureListSection, ColumnKeys(PictureListColumns()), problems);
    CheckKeys(file, kCodecSettingsListSection, ColumnKeys(CodecSettingsListColumns()), problems);
    CheckMenu(file, kMainMenuSection, MainMenuTree(), problems, known);
    for (const CLanguageSection& s : LanguageSections()) {
        known.push_back(s.section);
        std::vector<std::pair<std::string, std::string>> keys;
        for (const CLanguageKey& k : s.keys) keys.emplace_back(k.key, k.text);
        CheckKeys(file, s.section, keys, problems);
    }
    for (const auto& [name, section] : file.GetSections()) {
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            problems.push_back("unused section [" + name + "]");
        }
    }
    return problems;
}

}  // namespace trov
