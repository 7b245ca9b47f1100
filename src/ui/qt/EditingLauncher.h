// Opens the editing dialogs from the main window's menu items and buttons: project settings, text
// settings, special text edit, audio settings, add colour fading. What each command decides is
// CEditingCommands'; this only puts the dialogs on the screen.
#pragma once

#include <QObject>

#include "ui/EditingCommands.h"

namespace trov {

class CMainWindow;
class CSoundOutput;

class CEditingLauncher : public QObject {
    Q_OBJECT
public:
    // Connects the menu items and the view's buttons of window; lives as the window's child.
    explicit CEditingLauncher(CMainWindow& window);
    CEditingCommands& Commands() { return m_commands; }

    bool ProjectSettings();
    bool TextSettings();
    bool SpecialTextEdit();
    bool AudioSettings();
    bool AddColorFading();

    // The menu item ids of the commands.
    static const char* const kMenuIds[5];

private:
    CMainWindow& m_window;
    CEditingCommands m_commands;
};

}  // namespace trov
