// The translation engine: windows register their translatable parts (texts, list columns, the
// menu) under keys grouped into categories; applying a category sets every part's text from the
// loaded language file, or from the built-in default where the file has no entry.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "infra/MessagePipelines.h"
#include "infra/UserPrompt.h"
#include "infra/Utf16Order.h"
#include "settings/SettingsStore.h"
#include "ui/ListControlManager.h"
#include "ui/UiControls.h"

namespace trov {

// The language-file version this program was written for; other versions get a warning.
inline constexpr const char* kLanguageFileVersion = "3.7";
inline constexpr const char* kLanguageVersionWarning =
    "Your current language file version is different from the current version of TROV. So maybe not all "
    "controls could be translated!";

// One translatable part. Owned by its manager; the target is not owned and must outlive the
// manager (or the manager must not be applied after the target is gone).
class CControlTranslator {
public:
    virtual ~CControlTranslator() = default;
    // Sets the target's text(s) from language; false when there is no target.
    virtual bool Apply(const CSettingsStore& language) = 0;
};

// A window text. Mode 1: the value (or the default text when the key is missing) becomes the
// text. Mode 2: default text when the key is missing, else default text + " - " + value. Other
// modes change nothing.
class CWndTextTranslator : public CControlTranslator {
public:
    CWndTextTranslator(CWindowControl* target, std::string section, std::string key, std::string defaultText,
                       int mode);
    bool Apply(const CSettingsStore& language) override;
    const std::string& GetSection() const { return m_section; }
    const std::string& GetKey() const { return m_key; }
    const std::string& GetDefaultText() const { return m_defaultText; }
    int GetMode() const { return m_mode; }

private:
    CWindowControl* m_target;
    std::string m_section;
    std::string m_key;
    std::string m_defaultText;
    int m_mode;
};

// A list's columns: keeps the rows, rebuilds the columns from the section (a section without
// "Columns", or with fewer than 1, leaves the columns as they are), refills the rows.
class CListColumnTranslator : public CControlTranslator {
public:
    CListColumnTranslator(CListControl* target, std::string section);
    bool Apply(const CSettingsStore& language) override;

private:
    CListControl* m_target;
    std::string m_section;
    CListControlManager m_listManager;
};

// The menu bar's texts, copied by position from the menu described in the section.
class CMenuTranslator : public CControlTranslator {
public:
    CMenuTranslator(CMenuControl* target, std::string section);
    bool Apply(const CSettingsStore& language) override;

private:
    CMenuControl* m_target;
    std::string m_section;
};

class CWndLanguageManager {
public:
    CWndLanguageManager() = default;
    CWndLanguageManager(const CWndLanguageManager&) = delete;
    CWndLanguageManager& operator=(const CWndLanguageManager&) = delete;

    // Diagnostics ("DEBUG" pipeline) go here when set; not owned.
    void SetPipelines(CMessagePipelines* pipelines) { m_pipelines = pipelines; }

    // Registers a window text under the map key section + key, appended to category (none when
    // empty). Mode 2 takes the window's current text as the default text. False, nothing created,
    // without a window or when the map key is taken.
    bool AddControl(CWindowControl* window, const std::string& defaultText, const std::string& section,
                    const std::string& key, const std::string& category, int mode = 1);
    // Registers a list's columns under key (also the language section). Same refusals.
    bool AddListCtrl(CListControl* list, const std::string& key, const std::string& category);
    // Registers the menu bar under key (also the language section). Same refusals.
    bool AddMenu(CMenuControl* menu, const std::string& key, const std::string& category);

    // Applies one translator; false (and a diagnostic) when no translator has that key.
    bool UpdateControl(const std::string& mapKey);
    // Applies every translator of category in registration order.
    bool UpdateCategory(const std::string& category);

    // Clears the language store and loads the file into it. False, store left empty, when the file
    // cannot be read (every text then falls back to its default).
    bool LoadLanguageFile(const std::string& path);
    // For a dialog's manager: its language store becomes a copy of section of main's store.
    void CopySectionFrom(const CWndLanguageManager& main, const std::string& section);

    // Lists the language files (*.ini, any case) of folder into the combo and info stores; files
    // without "LANGUAGE"/"Language" are skipped. Returns the number listed.
    int ScanLanguageFiles(const std::string& folder);
    // The path of the file listed under languageName; empty when not listed.
    std::string GetLanguageFileName(const std::string& languageName) const;

    // True when language has "LANGUAGE"/"Version" and it differs from kLanguageFileVersion
    // (case-sensitive text comparison).
    static bool VersionDiffers(const CSettingsStore& language);

    // The main window's language load: looks up languageName, loads its file (or nothing), warns
    // through prompt (after beep, when given) on a version mismatch when warnOnVersion, merges the
    // file's "TEXTS" into messageTexts (when given), then applies the categories "Main" and
    // "MainView". Returns true when a file was loaded.
    bool LoadLanguage(const std::string& languageName, bool warnOnVersion, CUserPrompt& prompt,
                      CSettingsStore* messageTexts, const std::function<void()>& beep = {});

    // The text of section/key: the language store's, else the registered default, else fallback.
    std::string GetText(const std::string& section, const std::string& key,
                        const std::string& fallback = {}) const;

    CSettingsStore& GetLanguageStore() { return m_language; }
    const CSettingsStore& GetLanguageStore() const { return m_language; }
    // One section per category: "SubCategories" (count), "SubCategory<i>" (map keys in order).
    const CSettingsStore& GetCategoryStore() const { return m_categories; }
    // The default texts registered by AddControl, in the language file's layout.
    const CSettingsStore& GetDefaultsStore() const { return m_defaults; }
    // "LANGUAGE_FILES_COMBOBOX": "Entries", "Entry<i>", "EntrySelected" (for the combo manager).
    const CSettingsStore& GetComboStore() const { return m_combo; }
    // "LANGUAGE_INFO": "Entries", "Entry<i>"; one section per language name with "FileName".
    const CSettingsStore& GetInfoStore() const { return m_info; }
    size_t GetTranslatorCount() const { return m_translators.size(); }

private:
    bool Register(const std::string& mapKey, std::unique_ptr<CControlTranslator> translator,
                  const std::string& category);
    void Debug(const std::string& text) const;

    CMessagePipelines* m_pipelines = nullptr;
    CSettingsStore m_language;
    CSettingsStore m_categories;
    CSettingsStore m_defaults;
    CSettingsStore m_combo;
    CSettingsStore m_info;
    std::map<std::string, std::unique_ptr<CControlTranslator>, Utf16Less> m_translators;
};

// The About text of a language file as the options dialog shows it.
std::string LanguageFileAboutText(const std::string& languageName, const std::string& path,
                                  const CSettingsStore& languageFile);

}  // namespace trov
