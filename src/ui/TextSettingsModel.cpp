// Caption position and fade effects of the selected objects; cutting captions at a search text.
#include "ui/TextSettingsModel.h"

#include <algorithm>

namespace trov {

const std::vector<CaptionPositionButton>& CTextSettingsModel::PositionButtons() {
    static const std::vector<CaptionPositionButton> buttons{
        {"BottomLeft", kCaptionBottomLeft},     {"BottomCenter", kCaptionBottomCenter},
        {"BottomRight", kCaptionBottomRight},   {"CenterLeft", kCaptionCenterLeft},
        {"CenterRight", kCaptionCenterRight},   {"TopLeft", kCaptionTopLeft},
        {"TopCenter", kCaptionTopCenter},       {"TopRight", kCaptionTopRight},
        {"CenterCenter", kCaptionCenterCenter},
    };
    return buttons;
}

void CTextSettingsModel::Preset(const CProjectObject& object) {
    m_position = object.textPosition;
    m_fadeIn = object.textFadeInEffectName;
    m_fadeOut = object.textFadeOutEffectName;
}

bool CTextSettingsModel::SetPosition(int code) {
    const auto& b = PositionButtons();
    if (std::none_of(b.begin(), b.end(), [code](const CaptionPositionButton& p) { return p.code == code; }))
        return false;
    m_position = code;
    return true;
}

std::string CTextSettingsModel::PositionName(const CWndLanguageManager& language) const {
    for (const CaptionPositionButton& b : PositionButtons())
        if (b.code == m_position) return language.GetText(kTextSettingsDlgSection, b.key, b.key);
    // A code no button stores (an edited project file): shown as the number it is.
    return std::to_string(m_position);
}

std::vector<std::string> CTextSettingsModel::CaptionEffectNames(const CFadingEffectManager& effects) {
    std::vector<std::string> names;
    for (CFadingEffect* e : effects.InRegistrationOrder())
        if (e && e->IsTextCapable()) names.push_back(e->GetName());
    return names;
}

void CTextSettingsModel::ResetFadings() {
    m_fadeIn = m_fadeOut = kDefaultTextEffect;
}

int CTextSettingsModel::Apply(CTROVManager& manager, const std::vector<int>& indexes) const {
    int changed = 0;
    for (int index : indexes) {
        CProjectObject* o = manager.GetObject(index);
        if (!o) continue;
        o->textPosition = m_position;
        if (!m_fadeIn.empty()) o->textFadeInEffectName = m_fadeIn;
        if (!m_fadeOut.empty()) o->textFadeOutEffectName = m_fadeOut;
        ++changed;
    }
    return changed;
}

CProjectObject CTextSettingsModel::PreviewObject(const CProjectObject& object) const {
    CProjectObject preview = object;
    preview.textPosition = m_position;
    return preview;
}

std::string CutCaptionAt(const std::string& caption, const std::string& search) {
    if (search.empty()) return caption;
    size_t at = caption.find(search);
    if (at == std::string::npos) return caption;
    return caption.substr(at + search.size());
}

int ApplySpecialTextEdit(CTROVManager& manager, const std::vector<int>& indexes, const std::string& search) {
    int changed = 0;
    for (int index : indexes) {
        CProjectObject* o = manager.GetObject(index);
        if (!o) continue;
        std::string cut = CutCaptionAt(o->pictureText, search);
        if (cut != o->pictureText) {
            o->pictureText = cut;
            ++changed;
        }
    }
    return changed;
}

}  // namespace trov
