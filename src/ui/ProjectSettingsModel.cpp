// The project settings dialog's copy and its commands.
#include "ui/ProjectSettingsModel.h"

#include <algorithm>

#include "settings/ApplicationSettings.h"

namespace trov {

namespace pst = projectsettingstext;

CProjectSettingsModel::CProjectSettingsModel(CTROVManager& manager)
    : m_manager(manager), m_copy(manager.GetProjectSettings()) {}

const std::vector<const char*>& CProjectSettingsModel::BoundKeys() {
    static const std::vector<const char*> keys{
        projkey::kOutputAVI,
        projkey::kFramesTextFadeIn,
        projkey::kFramesShowingPicture,
        projkey::kFramesTextFadeOut,
        projkey::kFramesFading2NextPicture,
        projkey::kMovieSizeX,
        projkey::kMovieSizeY,
        projkey::kFramesPerSeconds,
        projkey::kCropTop,
        projkey::kCropLeft,
        projkey::kCropRight,
        projkey::kCropBottom,
    };
    return keys;
}

const std::vector<NumberField>& CProjectSettingsModel::NumberFields() {
    // Frame counts as the project loader clamps them; sizes an encoder can take.
    static const std::vector<NumberField> fields{
        {kProjectSettings, projkey::kFramesTextFadeIn, "Frames Text-Fade-In:", false, 0, kMaxFrameCount},
        {kProjectSettings, projkey::kFramesShowingPicture, "Frames Showing Picture:", false, 0,
         kMaxFrameCount},
        {kProjectSettings, projkey::kFramesTextFadeOut, "Frames Text-Fade-Out:", false, 0, kMaxFrameCount},
        {kProjectSettings, projkey::kFramesFading2NextPicture, "Frames fading to next picture:", false, 0,
         kMaxFrameCount},
        {kProjectSettings, projkey::kMovieSizeX, "Movie-Size: (width)", false, 16, 8192},
        {kProjectSettings, projkey::kMovieSizeY, "Movie-Size: (height)", false, 16, 8192},
        {kProjectSettings, projkey::kFramesPerSeconds, "Frames per seconds:", true, 0.01, 1000},
        {kProjectSettings, projkey::kCropTop, "Crop in Pixel: Top", false, 0, 8192},
        {kProjectSettings, projkey::kCropLeft, "Crop in Pixel: Left", false, 0, 8192},
        {kProjectSettings, projkey::kCropRight, "Crop in Pixel: Right", false, 0, 8192},
        {kProjectSettings, projkey::kCropBottom, "Crop in Pixel: Bottom", false, 0, 8192},
    };
    return fields;
}

void CProjectSettingsModel::Bind(CSettingsWndCommunicator& binder,
                                 const std::function<CWindowControl*(const char* key)>& controlFor) {
    binder.SetSettings(&m_copy);
    for (const char* key : BoundKeys())
        if (CWindowControl* control = controlFor(key)) {
            binder.AddBinding(control, kProjectSettings, key, kBindText);
            m_controls.emplace_back(key, control);
        }
}

void CProjectSettingsModel::ShowInControls(CSettingsWndCommunicator& binder) {
    binder.UpdateAllControls();
    for (const auto& [key, control] : m_controls)
        if (!m_copy.HasKey(kProjectSettings, key)) control->SetText("");
}

std::string CProjectSettingsModel::ReadControls(CSettingsWndCommunicator& binder) {
    CSettingsStore before = m_copy;
    binder.UpdateAllSettings();
    for (const auto& [key, control] : m_controls)
        if (!before.HasKey(kProjectSettings, key) && CSettingsStore::Trim(control->GetText()).empty())
            m_copy.RemoveKey(kProjectSettings, key);
    return RefuseBadNumbers(m_copy, before, NumberFields());
}

void CProjectSettingsModel::SetOutputFile(const std::string& path) {
    if (!path.empty()) m_copy.SetString(kProjectSettings, projkey::kOutputAVI, path);
}

Colour CProjectSettingsModel::GetBackgroundColour() const {
    int rgb[3] = {0, 0, 0};
    const char* keys[3] = {projkey::kBackgroundR, projkey::kBackgroundG, projkey::kBackgroundB};
    for (int i = 0; i < 3; ++i)
        if (!m_copy.GetInt(kProjectSettings, keys[i], rgb[i])) return MakeColour(0, 0, 0);
    auto c = [](int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); };
    return MakeColour(c(rgb[0]), c(rgb[1]), c(rgb[2]));
}

void CProjectSettingsModel::SetBackgroundColour(Colour colour) {
    m_copy.SetInt(kProjectSettings, projkey::kBackgroundR, ColourRed(colour));
    m_copy.SetInt(kProjectSettings, projkey::kBackgroundG, ColourGreen(colour));
    m_copy.SetInt(kProjectSettings, projkey::kBackgroundB, ColourBlue(colour));
}

bool CProjectSettingsModel::SaveSettings(const std::string& path, CUserPrompt& prompt) const {
    CSettingsStore file = m_copy;
    if (path.empty() || !file.Save(path, CTextFile::k8Bit)) {
        prompt.Message(pst::kCanNotWrite + path);
        return false;
    }
    prompt.Message(pst::kWritten);
    return true;
}

bool CProjectSettingsModel::LoadSettings(const std::string& path, CUserPrompt& prompt) {
    CSettingsStore scratch;
    if (path.empty() || !scratch.Load(path)) {
        prompt.Message(pst::kCanNotRead + path);
        return false;
    }
    m_copy.Clear();
    m_copy.MergeFrom(scratch);
    return true;
}

bool CProjectSettingsModel::SetAsDefault(CUserPrompt& prompt) {
    const std::string& path = m_manager.GetSettingsPath();
    CSettingsStore file;
    if (path.empty() || !file.Load(path)) {
        prompt.Message(pst::kCanNotRead + path);
        return false;
    }
    file.CopySection(m_copy, kProjectSettings);
    if (!file.Save(path, CTextFile::k8Bit)) {
        prompt.Message(pst::kCanNotWrite + path);
        return false;
    }
    m_manager.GetAppSettings().CopySection(m_copy, kProjectSettings);
    return true;
}

void CProjectSettingsModel::Apply() {
    m_manager.GetProjectSettings() = m_copy;
    m_manager.ApplyGlobalBackgroundColour();
    m_manager.RefreshProject();
}

}  // namespace trov
