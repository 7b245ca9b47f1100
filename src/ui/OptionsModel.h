// What the options dialog edits: a copy of the application settings (language, temp directory,
// consistency check), and what OK does with it.
#pragma once

#include <string>

#include "creation/TROVManager.h"
#include "settings/SettingsStore.h"
#include "ui/WndLanguageManager.h"

namespace trov {

inline constexpr const char* kTempDirectoryTitle = "Please select temp directory!";

// "LANGUAGE"/"CurrentLanguage" of the application settings ("English" when missing).
std::string CurrentLanguage(const CSettingsStore& appSettings);

class COptionsModel {
public:
    // Copies the application settings; language names and files come from the main window's manager.
    COptionsModel(const CSettingsStore& appSettings, const CWndLanguageManager& mainLanguage);

    CSettingsStore& Copy() { return m_copy; }
    const CSettingsStore& Copy() const { return m_copy; }

    // "PROJECT_SETTINGS"/"TempDir" of the copy.
    std::string GetTempDirectory() const;
    void SetTempDirectory(const std::string& folder);
    // "TROV_SETTINGS"/"ConsistencyCheck" (1 on, 0 off), stored in the copy at each click.
    bool GetConsistencyCheck() const;
    void SetConsistencyCheck(bool on);
    // "LANGUAGE"/"CurrentLanguage" of the copy.
    std::string GetLanguage() const;
    // OK: the selected language goes into the copy.
    void Accept(const std::string& languageName);

    // The language list's entries ("LANGUAGE_FILES_COMBOBOX") from the main window's manager.
    const CSettingsStore& LanguageList() const { return m_language.GetComboStore(); }
    // The About text of a listed language file, or a line saying why there is none.
    std::string LanguageAbout(const std::string& languageName) const;

    // After OK: the copy becomes the application settings and is saved; a changed temp directory
    // is handed to the caches (their indexes are saved in the old one first). False when the
    // settings file could not be written (the settings stay in effect in memory).
    bool Apply(CTROVManager& manager) const;

private:
    CSettingsStore m_copy;
    const CWndLanguageManager& m_language;
};

}  // namespace trov
