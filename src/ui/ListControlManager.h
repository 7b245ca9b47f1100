// Builds a list's columns from a settings section and saves or restores its rows through one.
#pragma once

#include <string>

#include "infra/MessagePipelines.h"
#include "settings/SettingsStore.h"
#include "ui/UiControls.h"

namespace trov {

class CListControlManager {
public:
    static constexpr int kMaxColumns = 100;

    // Diagnostics ("DEBUG" pipeline) go here when set; not owned.
    void SetPipelines(CMessagePipelines* pipelines) { m_pipelines = pipelines; }

    // Rebuilds the columns from section: "Columns" (count), "Column<i>_Name" (empty when missing),
    // "Column<i>_Width" (pixels; missing or -1: the title's text width). Deletes every row and
    // column first. False, list unchanged, when the section has no "Columns" or a negative one. At
    // most kMaxColumns.
    bool InitializeList(const CSettingsStore& store, const std::string& section, CListControl& list);

    // Stores every cell: section prefix + "_COLUMN<i>", key "Entry<j>" = text of row j, column i.
    // Earlier entries of those sections are removed first, so a shorter list leaves no stale rows.
    bool SaveRows(CSettingsStore& store, const std::string& prefix, const CListControl& list);

    // Empties the list and refills it from such sections: column 0 creates the rows, later columns
    // set their cells; the first column section without "Entry0" ends the restore.
    bool RestoreRows(const CSettingsStore& store, const std::string& prefix, CListControl& list);

private:
    CMessagePipelines* m_pipelines = nullptr;
};

}  // namespace trov
