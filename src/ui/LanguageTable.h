// Every translatable text of the program in one table: the language sections of the main view
// and of every dialog (keys in registration order with their English defaults), the main menu,
// the picture list's columns and the message texts. Windows register from it; the shipped
// language files are written and checked against it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ApplicationSettings.h"  // kTextsSection
#include "settings/SettingsStore.h"
#include "ui/MenuTree.h"
#include "ui/UiControls.h"

namespace trov {

inline constexpr const char* kMainMenuSection = "MainMenu";
inline constexpr const char* kPictureListSection = "PictureListColumnTexts";
inline constexpr const char* kCodecSettingsListSection = "CodecSettingsList";  // creation settings dialog
inline constexpr const char* kMainViewSection = "MAIN_VIEW";
inline constexpr const char* kLanguageInfoSection = "LANGUAGE";
inline constexpr const char* kMainCategory = "Main";  // the menu and the picture list columns
inline constexpr const char* kMainViewCategory = "MainView";

struct CLanguageKey {
    const char* key;
    const char* text;  // the English default
    // The translator mode of CWndLanguageManager::AddControl; 0: a text the window looks up itself
    // (CWndLanguageManager::GetText), not registered with a control.
    int mode = 1;
};

// The translatable controls of one window.
struct CLanguageSection {
    const char* window;              // what the window is, for readers ("options dialog")
    const char* section;             // "OPTIONS_DLG"
    const char* category;            // "OptionsDlg"
    std::vector<CLanguageKey> keys;  // in registration order
};

// "MAIN_VIEW" first (41 keys), then every dialog.
const std::vector<CLanguageSection>& LanguageSections();
// The section of that name; nullptr when none.
const CLanguageSection* FindLanguageSection(std::string_view section);
// The default text of section/key; nullptr when the table has no such key.
const char* FindDefaultText(std::string_view section, std::string_view key);

class CWndLanguageManager;

// Registers the texts of section with manager, in table order, under the section's category:
// controlFor names the window of each key (nullptr: the window has no such control; skipped).
// Keys of mode 0 are looked up by the window and not registered. Returns the number registered.
int RegisterLanguageSection(CWndLanguageManager& manager, const CLanguageSection& section,
                            const std::function<CWindowControl*(std::string_view key)>& controlFor);

// What a dialog does when it opens: copies its section from the main window's language store,
// registers its controls and applies its category. Returns the number registered.
int OpenDialogLanguage(const CWndLanguageManager& mainManager, CWndLanguageManager& dialogManager,
                       std::string_view section,
                       const std::function<CWindowControl*(std::string_view key)>& controlFor);

// One item of the main menu. A separator has an empty text and no id.
struct CMainMenuItem {
    const char* id;        // a stable name for the command ("FileOpenProject"), "" for menus/separators
    const char* text;      // with "&" accelerator markers
    const char* shortcut;  // "Ctrl+O", "" when none
    std::vector<CMainMenuItem> items;  // a submenu when not empty
    bool IsSeparator() const { return text[0] == '\0' && items.empty(); }
};

// The menu bar, position by position (separators included; language files count them).
const std::vector<CMainMenuItem>& MainMenuItems();
// The menu bar as a language file describes it: item texts carry "\t" + shortcut when they have one.
std::vector<CMenuTreeItem> MainMenuTree();

struct CColumnDefault {
    const char* name;
    int width;  // pixels
};
// The 15 picture list columns.
const std::vector<CColumnDefault>& PictureListColumns();
// The creation settings dialog's codec settings list (registered under kCodecSettingsListSection;
// that dialog copies this section from the main language store besides its own).
const std::vector<CColumnDefault>& CodecSettingsListColumns();

// The "TEXTS" keys and their defaults.
const std::vector<CLanguageKey>& MessageTexts();

// The whole English language file: "LANGUAGE" (Language, Version, Author, Comment), "TEXTS",
// "MainMenu" with its submenu sections, "PictureListColumnTexts", "CodecSettingsList", "MAIN_VIEW"
// and every dialog.
CSettingsStore DefaultLanguageStore();

// The same content as file text in reading order (sections as listed above, keys in registration
// order, "\r\n" line ends, UTF-8): the shipped English.ini is exactly this text.
std::string DefaultLanguageFileText();

// Compares a language file with the table: every key the table has must be there, none other
// (the "LANGUAGE" section excepted), and each text must hold the same printf placeholders (%d, %s,
// %%...) in the same order as its default. One readable line per problem; empty when it matches.
std::vector<std::string> CheckLanguageFile(const CSettingsStore& file);

// The printf placeholders of text in order ("%d", "%s", "%%", "%5.2f" ...).
std::vector<std::string> Placeholders(std::string_view text);

}  // namespace trov
