// Binds controls to settings entries and moves all values at once in either direction.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"
#include "ui/UiControls.h"

namespace trov {

// Binding kinds.
enum : int {
    kBindText = 1,               // CWindowControl text <-> entry text
    kBindCheck = 2,              // CCheckControl state <-> entry as integer (0/1)
    kBindEnableIfEqual = 3,      // enabled when the entry equals the reference text (display only)
    kBindEnableIfDifferent = 4,  // enabled when the entry differs from the reference text (display only)
    kBindDropDown = 5,           // CComboControl: selects the first entry beginning with the entry's text
    kBindSlider = 6,             // CSliderControl 0..10000 from key and key + "_Max" (display only)
};

inline constexpr const char* kNoSettingsMessage =
    "Debug: CSettingsWndCommunicator::UpdateAllControls: No Settings are defined!";

class CSettingsWndCommunicator {
public:
    // Filter modes.
    enum : int { kFilterAll = 1, kFilterSection = 2 };

    // The store both directions use; not owned.
    void SetSettings(CSettingsStore* store) { m_store = store; }
    CSettingsStore* GetSettings() const { return m_store; }

    // Appends a binding (always succeeds). The control is not owned. A control of the wrong kind
    // for the binding (a plain window bound as a check box) is left alone by both directions.
    void AddBinding(CWindowControl* control, const std::string& section, const std::string& key, int kind);
    void AddBinding(CWindowControl* control, const std::string& section, const std::string& key,
                    const std::string& reference, int kind);

    // Mode kFilterAll uses every binding; kFilterSection only those whose section equals text.
    void SetFilter(int mode, const std::string& text = {});

    // Settings to controls for every binding passing the filter, in order. Missing entries leave
    // their controls unchanged. Without a store: the message kNoSettingsMessage through the
    // process-wide prompt, nothing else.
    void UpdateAllControls();
    // Controls to settings for every binding of kinds 1, 2 and 5 (the filter does not apply: a
    // confirmation stores everything). Without a store: nothing.
    void UpdateAllSettings();
    // Forgets every binding and the store; filter back to all.
    void Clear();

    size_t GetBindingCount() const { return m_bindings.size(); }

    // The slider position for value of maximum on a 0..10000 scale (10000 / maximum * value,
    // truncated, clamped to the range; 0 for a maximum <= 0).
    static int SliderPosition(int value, int maximum);

private:
    struct Binding {
        int kind;
        std::string section;
        std::string key;
        std::string reference;
        CWindowControl* control;
    };
    bool Passes(const Binding& binding) const;

    CSettingsStore* m_store = nullptr;
    std::vector<Binding> m_bindings;
    int m_filterMode = kFilterAll;
    std::string m_filterText;
};

}  // namespace trov
