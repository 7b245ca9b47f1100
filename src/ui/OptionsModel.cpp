// What the options dialog edits and what OK does with it.
#include "ui/OptionsModel.h"

#include <filesystem>
#include <system_error>

#include "creation/Creation.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"

namespace trov {

COptionsModel::COptionsModel(const CSettingsStore& appSettings, const CWndLanguageManager& mainLanguage)
    : m_copy(appSettings), m_language(mainLanguage) {}

std::string COptionsModel::GetTempDirectory() const {
    std::string folder;
    m_copy.GetString(kProjectSettings, projkey::kTempDir, folder);
    return folder;
}

void COptionsModel::SetTempDirectory(const std::string& folder) {
    if (!folder.empty()) m_copy.SetString(kProjectSettings, projkey::kTempDir, folder);
}

bool COptionsModel::GetConsistencyCheck() const {
    int on = 0;
    m_copy.GetInt(kTrovSettings, appkey::kConsistencyCheck, on);
    return on == 1;
}

void COptionsModel::SetConsistencyCheck(bool on) {
    m_copy.SetInt(kTrovSettings, appkey::kConsistencyCheck, on ? 1 : 0);
}

std::string CurrentLanguage(const CSettingsStore& appSettings) {
    std::string name = "English";
    appSettings.GetString(kLanguageSection, appkey::kCurrentLanguage, name);
    return name;
}

std::string COptionsModel::GetLanguage() const {
    return CurrentLanguage(m_copy);
}

void COptionsModel::Accept(const std::string& languageName) {
    if (!languageName.empty()) m_copy.SetString(kLanguageSection, appkey::kCurrentLanguage, languageName);
}

std::string COptionsModel::LanguageAbout(const std::string& languageName) const {
    std::string path = m_language.GetLanguageFileName(languageName);
    CSettingsStore file;
    if (path.empty() || !file.Load(path)) return "Language File: " + languageName + " (" + path + ")";
    return LanguageFileAboutText(languageName, path, file);
}

bool COptionsModel::Apply(CTROVManager& manager) const {
    std::string oldTemp = manager.GetTempDirectory();
    manager.GetAppSettings() = m_copy;
    bool saved = manager.SaveAppSettings();
    std::string newTemp = manager.GetTempDirectory();
    if (newTemp != oldTemp) {
        manager.SaveCaches();
        std::error_code ec;
        std::filesystem::create_directories(newTemp, ec);
        CFileCache* caches[3] = {&manager.GetPictureCache(), &manager.GetStreamCache(),
                                 &manager.GetWaveCache()};
        const char* names[3] = {kPictureCacheIndex, kStreamCacheIndex, kWaveCacheIndex};
        for (int i = 0; i < 3; ++i) {
            caches[i]->SetDirectory(newTemp);
            caches[i]->LoadIndex(names[i]);
        }
        // The project's copy of the setting follows, so the next creation uses the new folder.
        manager.GetProjectSettings().SetString(kProjectSettings, projkey::kTempDir, newTemp);
    }
    return saved;
}

}  // namespace trov
