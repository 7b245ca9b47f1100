#include "ui/SettingsWndCommunicator.h"

#include <algorithm>

#include "infra/UserPrompt.h"
#include "ui/ComboBoxControlManager.h"

namespace trov {

void CSettingsWndCommunicator::AddBinding(CWindowControl* control, const std::string& section,
                                          const std::string& key, int kind) {
    AddBinding(control, section, key, {}, kind);
}

void CSettingsWndCommunicator::AddBinding(CWindowControl* control, const std::string& section,
                                          const std::string& key, const std::string& reference, int kind) {
    m_bindings.push_back(Binding{kind, section, key, reference, control});
}

void CSettingsWndCommunicator::SetFilter(int mode, const std::string& text) {
    m_filterMode = mode;
    m_filterText = text;
}

bool CSettingsWndCommunicator::Passes(const Binding& binding) const {
    return m_filterMode != kFilterSection || binding.section == m_filterText;
}

int CSettingsWndCommunicator::SliderPosition(int value, int maximum) {
    if (maximum <= 0) return 0;
    const double position = 10000.0 / maximum * value;
    return static_cast<int>(std::clamp(position, 0.0, 10000.0));
}

void CSettingsWndCommunicator::UpdateAllControls() {
    if (!m_store) {
        GetUserPrompt().Message(kNoSettingsMessage);
        return;
    }
    for (const Binding& b : m_bindings) {
        if (!b.control || !Passes(b)) continue;
        std::string text;
        switch (b.kind) {
            case kBindText:
                if (m_store->GetString(b.section, b.key, text)) b.control->SetText(text);
                break;
            case kBindCheck: {
                int state = 0;
                auto* check = dynamic_cast<CCheckControl*>(b.control);
                if (check && m_store->GetInt(b.section, b.key, state)) check->SetCheck(state != 0 ? 1 : 0);
                break;
            }
            case kBindEnableIfEqual:
                if (m_store->GetString(b.section, b.key, text)) b.control->SetEnabled(text == b.reference);
                break;
            case kBindEnableIfDifferent:
                if (m_store->GetString(b.section, b.key, text)) b.control->SetEnabled(text != b.reference);
                break;
            case kBindDropDown: {
                auto* combo = dynamic_cast<CComboControl*>(b.control);
                if (!combo || !m_store->GetString(b.section, b.key, text)) break;
                const int index = CComboBoxControlManager::FindPrefix(*combo, text);
                // No entry matches: the selection stays as it was.
                if (index >= 0) combo->SetSelection(index);
                break;
            }
            case kBindSlider: {
                auto* slider = dynamic_cast<CSliderControl*>(b.control);
                int value = 0;
                int maximum = 0;
                if (slider && m_store->GetInt(b.section, b.key, value) &&
                    m_store->GetInt(b.section, b.key + "_Max", maximum)) {
                    slider->SetRange(0, 10000);
                    slider->SetPosition(SliderPosition(value, maximum));
                }
                break;
            }
            default:
                break;
        }
    }
}

void CSettingsWndCommunicator::UpdateAllSettings() {
    if (!m_store) return;
    for (const Binding& b : m_bindings) {
        if (!b.control) continue;
        switch (b.kind) {
            case kBindText:
                m_store->SetString(b.section, b.key, b.control->GetText());
                break;
            case kBindCheck:
                if (auto* check = dynamic_cast<CCheckControl*>(b.control)) {
                    m_store->SetInt(b.section, b.key, check->GetCheck() != 0 ? 1 : 0);
                }
                break;
            case kBindDropDown:
                if (auto* combo = dynamic_cast<CComboControl*>(b.control)) {
                    if (combo->GetSelection() >= 0 && combo->GetSelection() < combo->GetCount()) {
                        m_store->SetString(b.section, b.key, CComboBoxControlManager::GetText(*combo));
                    }
                }
                break;
            default:
                break;
        }
    }
}

void CSettingsWndCommunicator::Clear() {
    m_bindings.clear();
    m_store = nullptr;
    m_filterText.clear();
    m_filterMode = kFilterAll;
}

}  // namespace trov
