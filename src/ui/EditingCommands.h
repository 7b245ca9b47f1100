// What the main window's editing commands do around their dialogs: which object they work on,
// what they do when nothing is selected or a creation runs, and what OK changes in the list. The
// dialogs themselves are handed in as functions (true for OK), so tests run every command without
// a window.
#pragma once

#include <functional>
#include <string>

#include "ui/AudioSettingsModel.h"
#include "ui/ColorFadingModel.h"
#include "ui/MainViewCommands.h"
#include "ui/ProjectSettingsModel.h"
#include "ui/TextSettingsModel.h"

namespace trov {

class CEditingCommands {
public:
    CEditingCommands(CMainViewCommands& commands, CPictureListControl& list);

    // "Project Settings": the dialog edits a copy; OK makes it the project's and refreshes the list.
    bool ProjectSettings(const std::function<bool(CProjectSettingsModel&)>& dialog);
    // "Change Text Position" / "Text Settings": preset from the first selected object; OK gives every
    // selected object the position and the caption effects. No selection: nothing.
    bool TextSettings(const std::function<bool(CTextSettingsModel&, int firstObject)>& dialog);
    // "Special Text Edit": the search text of the dialog cuts every selected caption.
    bool SpecialTextEdit(const std::function<bool(std::string& search)>& dialog);
    // "Audio Settings": the first selected object's audio fields. No selection: the message that
    // asks for one.
    bool AudioSettings(const std::function<bool(CAudioSettingsModel&)>& dialog);
    // "Add Color Fading": one colour fading per selected object with the chosen preset; the
    // selected objects stay selected. No selection: nothing.
    bool AddColorFading(const std::function<bool(ColorFadingPreset&)>& dialog);

private:
    // The list, the totals, the selection's fields and the modified mark after a change.
    void Changed(const std::vector<int>& selectObjects);

    CMainViewCommands& m_commands;
    CPictureListControl& m_list;
};

}  // namespace trov
