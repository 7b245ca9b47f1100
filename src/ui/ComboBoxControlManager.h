// Fills a drop-down list from a settings section.
#pragma once

#include <string>

#include "infra/MessagePipelines.h"
#include "settings/SettingsStore.h"
#include "ui/UiControls.h"

namespace trov {

class CComboBoxControlManager {
public:
    // Diagnostics ("DEBUG" pipeline) go here when set; not owned.
    void SetPipelines(CMessagePipelines* pipelines) { m_pipelines = pipelines; }

    // Fills combo from section: "Entries" (count), "Entry<i>" (0-based; missing ones skipped),
    // "EntrySelected" (index after the control's own sorting; the first entry beginning with that
    // entry's text is selected). False, combo unchanged, when "Entries" is missing.
    bool InitializeList(const CSettingsStore& store, const std::string& section, CComboControl& combo);

    // The selected entry's text; empty when nothing is selected.
    static std::string GetText(const CComboControl& combo);

    // The index of the first entry that begins with prefix (case-sensitive), -1 when none.
    static int FindPrefix(const CComboControl& combo, const std::string& prefix);

private:
    CMessagePipelines* m_pipelines = nullptr;
};

}  // namespace trov
