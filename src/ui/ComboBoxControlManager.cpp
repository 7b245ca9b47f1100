#include "ui/ComboBoxControlManager.h"

#include "ui/MenuTree.h"

namespace trov {

bool CComboBoxControlManager::InitializeList(const CSettingsStore& store, const std::string& section,
                                             CComboControl& combo) {
    int entries = 0;
    if (!store.GetInt(section, "Entries", entries)) {
        if (m_pipelines)
            m_pipelines->Send("DEBUG", "CComboBoxControlManager::InitializeList: Entries not found!");
        return false;
    }
    combo.ClearItems();
    // Only the entries present are visited, however large the count.
    std::string text;
    for (int i : IndexedKeys(*store.GetSection(section), "Entry")) {
        if (i >= entries) break;
        if (store.GetString(section, "Entry" + std::to_string(i), text)) combo.AddItem(text);
    }
    int selected = 0;
    if (store.GetInt(section, "EntrySelected", selected) && combo.GetCount() > 0 && selected >= 0 &&
        selected < combo.GetCount()) {
        combo.SetSelection(FindPrefix(combo, combo.GetItemText(selected)));
    }
    return true;
}

std::string CComboBoxControlManager::GetText(const CComboControl& combo) {
    const int selected = combo.GetSelection();
    if (selected < 0 || selected >= combo.GetCount()) return {};
    return combo.GetItemText(selected);
}

int CComboBoxControlManager::FindPrefix(const CComboControl& combo, const std::string& prefix) {
    const int count = combo.GetCount();
    for (int i = 0; i < count; ++i) {
        if (combo.GetItemText(i).starts_with(prefix)) return i;
    }
    return -1;
}

}  // namespace trov
