#include "ui/ListControlManager.h"

#include <algorithm>

namespace trov {

namespace {
std::string ColumnSection(const std::string& prefix, int column) {
    return prefix + "_COLUMN" + std::to_string(column);
}
std::string EntryKey(int row) {
    return "Entry" + std::to_string(row);
}
}  // namespace

bool CListControlManager::InitializeList(const CSettingsStore& store, const std::string& section,
                                         CListControl& list) {
    int columns = 0;
    // A negative count is no count: treated like a missing one.
    if (!store.GetInt(section, "Columns", columns) || columns < 0) {
        if (m_pipelines)
            m_pipelines->Send("DEBUG", "CListControlManager::InitializeList: Columns not found!");
        return false;
    }
    // A list holds at most kMaxColumns columns; a larger count in a file is cut there.
    columns = std::min(columns, kMaxColumns);
    list.DeleteAllRows();
    for (int i = list.GetColumnCount(); i > 0; --i) list.DeleteColumn(0);
    for (int i = 0; i < columns; ++i) {
        const std::string prefix = "Column" + std::to_string(i);
        std::string name;
        store.GetString(section, prefix + "_Name", name);
        int width = -1;
        store.GetInt(section, prefix + "_Width", width);
        if (width == -1) width = list.TextWidth(name);
        list.InsertColumn(i, name, width);
    }
    return true;
}

bool CListControlManager::SaveRows(CSettingsStore& store, const std::string& prefix,
                                   const CListControl& list) {
    const int columns = list.GetColumnCount();
    const int rows = list.GetRowCount();
    for (int i = 0; i < columns; ++i) {
        CSettingsSection& section = store.Section(ColumnSection(prefix, i));
        section.Clear();
        for (int j = 0; j < rows; ++j) section.Set(EntryKey(j), list.GetCellText(j, i));
    }
    // A column section left from a wider list would come back as an extra column.
    for (int i = columns; store.HasSection(ColumnSection(prefix, i)); ++i)
        store.RemoveSection(ColumnSection(prefix, i));
    return true;
}

bool CListControlManager::RestoreRows(const CSettingsStore& store, const std::string& prefix,
                                      CListControl& list) {
    list.DeleteAllRows();
    const int columns = list.GetColumnCount();
    for (int i = 0;; ++i) {
        const CSettingsSection* section = store.GetSection(ColumnSection(prefix, i));
        if (!section || !section->Has(EntryKey(0))) break;
        std::string text;
        for (int j = 0; section->Get(EntryKey(j), text); ++j) {
            if (i == 0) {
                list.InsertRow(j, text);
            } else if (i < columns && j < list.GetRowCount()) {
                list.SetCellText(j, i, text);
            }
        }
    }
    return true;
}

}  // namespace trov
