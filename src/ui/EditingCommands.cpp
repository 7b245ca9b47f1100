// The editing commands around their dialogs.
#include "ui/EditingCommands.h"

namespace trov {

CEditingCommands::CEditingCommands(CMainViewCommands& commands, CPictureListControl& list)
    : m_commands(commands), m_list(list) {}

void CEditingCommands::Changed(const std::vector<int>& selectObjects) {
    m_commands.RefreshList();
    // Rows are in object order, so the objects' indexes are their rows.
    m_list.SetSelectedRows(selectObjects);
    m_commands.SetModified(true);
    m_commands.SelectionChanged();
}

bool CEditingCommands::ProjectSettings(const std::function<bool(CProjectSettingsModel&)>& dialog) {
    if (m_commands.IsCreationRunning()) return false;
    CProjectSettingsModel model(m_commands.GetManager());
    if (!dialog(model)) return false;
    model.Apply();
    Changed(m_commands.SelectedObjects());
    return true;
}

bool CEditingCommands::TextSettings(const std::function<bool(CTextSettingsModel&, int firstObject)>& dialog) {
    if (m_commands.IsCreationRunning()) return false;
    std::vector<int> objects = m_commands.SelectedObjects();
    if (objects.empty()) return false;
    CTextSettingsModel model;
    model.Preset(*m_commands.GetManager().GetObject(objects.front()));
    if (!dialog(model, objects.front())) return false;
    model.Apply(m_commands.GetManager(), objects);
    Changed(objects);
    return true;
}

bool CEditingCommands::SpecialTextEdit(const std::function<bool(std::string& search)>& dialog) {
    if (m_commands.IsCreationRunning()) return false;
    std::vector<int> objects = m_commands.SelectedObjects();
    if (objects.empty()) return false;
    std::string search;
    if (!dialog(search)) return false;
    ApplySpecialTextEdit(m_commands.GetManager(), objects, search);
    Changed(objects);
    return true;
}

bool CEditingCommands::AudioSettings(const std::function<bool(CAudioSettingsModel&)>& dialog) {
    if (m_commands.IsCreationRunning()) return false;
    std::vector<int> objects = m_commands.SelectedObjects();
    if (objects.empty()) {
        m_commands.Prompt().Message(viewtext::kSelectOneElement);
        return false;
    }
    CAudioSettingsModel model(m_commands.GetManager(), objects.front());
    // The dialog's "Use new settings" has written the fields (Accept) when it returns true.
    if (!dialog(model)) return false;
    Changed(objects);
    return true;
}

bool CEditingCommands::AddColorFading(const std::function<bool(ColorFadingPreset&)>& dialog) {
    if (m_commands.IsCreationRunning()) return false;
    std::vector<int> objects = m_commands.SelectedObjects();
    if (objects.empty()) return false;
    ColorFadingPreset preset = ColorFadingPreset::Black;
    if (!dialog(preset)) return false;
    std::vector<int> inserted = AddColorFadings(m_commands.GetManager(), objects, preset);
    // The objects that were selected, where they are now.
    std::vector<int> selected;
    for (int index : objects) {
        int shift = 0;
        for (int at : inserted)
            if (at <= index + shift) ++shift;
        selected.push_back(index + shift);
    }
    Changed(selected);
    return true;
}

}  // namespace trov
