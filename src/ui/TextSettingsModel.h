// What the text settings dialog decides (caption position code, the caption fade effects) and the
// special text edit (cutting captions at a search text); both change the selected objects.
#pragma once

#include <string>
#include <vector>

#include "creation/TROVManager.h"
#include "effects/FadingEffectManager.h"
#include "project/ProjectObject.h"
#include "ui/WndLanguageManager.h"

namespace trov {

inline constexpr const char* kTextSettingsDlgSection = "TEXT_SETTINGS_DLG";
inline constexpr const char* kSpecialTextEditDlgSection = "SPECIAL_TEXT_EDIT_DLG";

// One position button: its language key (also the position's name) and the code it stores.
struct CaptionPositionButton {
    const char* key;
    int code;
};

class CTextSettingsModel {
public:
    // The nine buttons in the dialog's order; "CenterCenter" stores 100.
    static const std::vector<CaptionPositionButton>& PositionButtons();

    // Presets from the first selected object: its position and both caption effect names.
    void Preset(const CProjectObject& object);

    int GetPosition() const { return m_position; }
    // A position button; codes outside the nine are refused (false, nothing changes).
    bool SetPosition(int code);
    // The box's text for the current position: the dialog's language text for its key, else the
    // registered default, else the key itself.
    std::string PositionName(const CWndLanguageManager& language) const;

    // The names of every registered effect that can fade a caption, in registry order.
    static std::vector<std::string> CaptionEffectNames(const CFadingEffectManager& effects);
    const std::string& GetFadeIn() const { return m_fadeIn; }
    const std::string& GetFadeOut() const { return m_fadeOut; }
    void SetFadeIn(const std::string& name) { m_fadeIn = name; }
    void SetFadeOut(const std::string& name) { m_fadeOut = name; }
    // "Reset": both lists back to the default caption effect.
    void ResetFadings();

    // "Use new settings": every object of indexes gets the position and both names (empty names,
    // as from a list without selection, leave that name alone). Returns how many changed.
    int Apply(CTROVManager& manager, const std::vector<int>& indexes) const;

    // The object as the preview draws it: its caption at the chosen position.
    CProjectObject PreviewObject(const CProjectObject& object) const;

private:
    int m_position = kCaptionBottomLeft;
    std::string m_fadeIn = kDefaultTextEffect;
    std::string m_fadeOut = kDefaultTextEffect;
};

// The special text edit's cut: everything from the start of caption up to and including the first
// occurrence of search (case-sensitive) goes; a caption without it, or an empty search, stays.
std::string CutCaptionAt(const std::string& caption, const std::string& search);
// "Start": the cut on every object of indexes; returns how many captions changed.
int ApplySpecialTextEdit(CTROVManager& manager, const std::vector<int>& indexes, const std::string& search);

}  // namespace trov
