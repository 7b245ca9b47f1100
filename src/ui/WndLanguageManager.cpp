#include "ui/WndLanguageManager.h"

#include <filesystem>
#include <system_error>

#include "infra/TextEncoding.h"
#include "ui/MenuTree.h"

namespace trov {

namespace {
constexpr const char* kSubCategories = "SubCategories";
constexpr const char* kSubCategory = "SubCategory";
constexpr const char* kComboSection = "LANGUAGE_FILES_COMBOBOX";
constexpr const char* kInfoSection = "LANGUAGE_INFO";
}  // namespace

CWndTextTranslator::CWndTextTranslator(CWindowControl* target, std::string section, std::string key,
                                       std::string defaultText, int mode)
    : m_target(target),
      m_section(std::move(section)),
      m_key(std::move(key)),
      m_defaultText(std::move(defaultText)),
      m_mode(mode) {}

bool CWndTextTranslator::Apply(const CSettingsStore& language) {
    if (!m_target) return false;
    std::string value;
    const bool found = language.GetString(m_section, m_key, value);
    if (m_mode == 1) {
        m_target->SetText(found ? value : m_defaultText);
    } else if (m_mode == 2) {
        m_target->SetText(found ? m_defaultText + " - " + value : m_defaultText);
    }
    return true;
}

CListColumnTranslator::CListColumnTranslator(CListControl* target, std::string section)
    : m_target(target), m_section(std::move(section)) {}

bool CListColumnTranslator::Apply(const CSettingsStore& language) {
    if (!m_target) return false;
    // Without a usable "Columns" the list keeps its columns and, with them, its rows; a list left
    // without any column would show nothing at all.
    int columns = 0;
    if (!language.GetInt(m_section, "Columns", columns) || columns < 1) return true;
    CSettingsStore scratch;
    m_listManager.SaveRows(scratch, "Temp", *m_target);
    m_listManager.InitializeList(language, m_section, *m_target);
    m_listManager.RestoreRows(scratch, "Temp", *m_target);
    return true;
}

CMenuTranslator::CMenuTranslator(CMenuControl* target, std::string section)
    : m_target(target), m_section(std::move(section)) {}

bool CMenuTranslator::Apply(const CSettingsStore& language) {
    if (!m_target) return false;
    ApplyMenuTree(*m_target, ReadMenuTree(language, m_section));
    m_target->Redraw();
    return true;
}

void CWndLanguageManager::Debug(const std::string& text) const {
    if (m_pipelines) m_pipelines->Send("DEBUG", text);
}

bool CWndLanguageManager::Register(const std::string& mapKey, std::unique_ptr<CControlTranslator> translator,
                                   const std::string& category) {
    if (m_translators.count(mapKey)) {
        Debug("CWndLanguageManager::AddListCtrl: Doppeltes Objekt als Hash-Wert genommen: " + mapKey);
        return false;
    }
    m_translators.emplace(mapKey, std::move(translator));
    if (!category.empty()) {
        int n = 0;
        m_categories.GetInt(category, kSubCategories, n);
        m_categories.SetString(category, kSubCategory + std::to_string(n), mapKey);
        m_categories.SetInt(category, kSubCategories, n + 1);
    }
    return true;
}

bool CWndLanguageManager::AddControl(CWindowControl* window, const std::string& defaultText,
                                     const std::string& section, const std::string& key,
                                     const std::string& category, int mode) {
    if (!window) return false;
    const std::string mapKey = section + key;
    if (m_translators.count(mapKey)) {
        Debug("CWndLanguageManager::AddListCtrl: Doppeltes Objekt als Hash-Wert genommen: " + mapKey);
        return false;
    }
    const std::string text = mode == 2 ? window->GetText() : defaultText;
    m_defaults.SetString(section, key, text);
    return Register(mapKey, std::make_unique<CWndTextTranslator>(window, section, key, text, mode), category);
}

bool CWndLanguageManager::AddListCtrl(CListControl* list, const std::string& key,
                                      const std::string& category) {
    if (!list) return false;
    return Register(key, std::make_unique<CListColumnTranslator>(list, key), category);
}

bool CWndLanguageManager::AddMenu(CMenuControl* menu, const std::string& key, const std::string& category) {
    if (!menu) return false;
    return Register(key, std::make_unique<CMenuTranslator>(menu, key), category);
}

bool CWndLanguageManager::UpdateControl(const std::string& mapKey) {
    auto it = m_translators.find(mapKey);
    if (it == m_translators.end()) {
        Debug("CWndLanguageManager::UpdateControl: Hash-Wert nicht gefunden: " + mapKey);
        return false;
    }
    return it->second->Apply(m_language);
}

bool CWndLanguageManager::UpdateCategory(const std::string& category) {
    int n = 0;
    m_categories.GetInt(category, kSubCategories, n);
    std::string mapKey;
    for (int i = 0; i < n; ++i) {
        if (m_categories.GetString(category, kSubCategory + std::to_string(i), mapKey)) UpdateControl(mapKey);
    }
    return true;
}

bool CWndLanguageManager::LoadLanguageFile(const std::string& path) {
    m_language.Clear();
    if (path.empty()) return false;
    CSettingsStore loaded;
    if (!loaded.Load(path)) return false;
    m_language = std::move(loaded);
    return true;
}

void CWndLanguageManager::CopySectionFrom(const CWndLanguageManager& main, const std::string& section) {
    m_language.Clear();
    m_language.CopySection(main.GetLanguageStore(), section);
}

int CWndLanguageManager::ScanLanguageFiles(const std::string& folder) {
    m_combo.Clear();
    m_info.Clear();
    int n = 0;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        if (AsciiLower(path.extension().string()) != ".ini") continue;
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc)) continue;
        CSettingsStore scratch;
        std::string name;
        if (!scratch.Load(path.string()) || !scratch.GetString("LANGUAGE", "Language", name)) continue;
        const std::string entry = "Entry" + std::to_string(n);
        m_combo.SetString(kComboSection, entry, name);
        m_info.SetString(kInfoSection, entry, name);
        m_info.SetString(name, "FileName", path.string());
        ++n;
    }
    m_combo.SetInt(kComboSection, "Entries", n);
    m_combo.SetInt(kComboSection, "EntrySelected", 0);
    m_info.SetInt(kInfoSection, "Entries", n);
    return n;
}

std::string CWndLanguageManager::GetLanguageFileName(const std::string& languageName) const {
    int n = 0;
    m_info.GetInt(kInfoSection, "Entries", n);
    std::string name;
    for (int i = 0; i < n; ++i) {
        if (m_info.GetString(kInfoSection, "Entry" + std::to_string(i), name) && name == languageName) {
            std::string path;
            m_info.GetString(languageName, "FileName", path);
            return path;
        }
    }
    return {};
}

bool CWndLanguageManager::VersionDiffers(const CSettingsStore& language) {
    std::string version;
    return language.GetString("LANGUAGE", "Version", version) && version != kLanguageFileVersion;
}

bool CWndLanguageManager::LoadLanguage(const std::string& languageName, bool warnOnVersion,
                                       CUserPrompt& prompt, CSettingsStore* messageTexts,
                                       const std::function<void()>& beep) {
    const bool loaded = LoadLanguageFile(GetLanguageFileName(languageName));
    if (loaded && warnOnVersion && VersionDiffers(m_language)) {
        if (beep) beep();
        prompt.Message(kLanguageVersionWarning);
    }
    if (messageTexts) messageTexts->CopySection(m_language, "TEXTS");
    UpdateCategory("Main");
    UpdateCategory("MainView");
    return loaded;
}

std::string CWndLanguageManager::GetText(const std::string& section, const std::string& key,
                                         const std::string& fallback) const {
    std::string text;
    if (m_language.GetString(section, key, text) || m_defaults.GetString(section, key, text)) return text;
    return fallback;
}

std::string LanguageFileAboutText(const std::string& languageName, const std::string& path,
                                  const CSettingsStore& languageFile) {
    std::string version, author, comment;
    languageFile.GetString("LANGUAGE", "Version", version);
    languageFile.GetString("LANGUAGE", "Author", author);
    languageFile.GetString("LANGUAGE", "Comment", comment);
    return "Language File: " + languageName + " (" + path + ")\r\n" + "Version: " + version + "\r\n\r\n" +
           "Author: " + author + "\r\n\r\n" + "Comment: " + comment;
}

}  // namespace trov
