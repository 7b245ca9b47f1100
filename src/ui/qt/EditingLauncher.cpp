// The editing dialogs on the screen.
#include "ui/qt/EditingLauncher.h"

#include <QAction>
#include <QPushButton>

#include "audio/SoundPlayer.h"
#include "ui/qt/AudioSettingsDialog.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/ProjectSettingsDialog.h"
#include "ui/qt/TextSettingsDialog.h"

namespace trov {

const char* const CEditingLauncher::kMenuIds[5] = {"ProjectSettings", "ObjectsChangeTextPosition",
                                                   "ObjectsSpecialTextEdit", "ObjectsAudioSettings",
                                                   "ObjectsAddColorFading"};

CEditingLauncher::CEditingLauncher(CMainWindow& window)
    : QObject(&window), m_window(window), m_commands(window.View().Commands(), window.View().List()) {
    using Command = bool (CEditingLauncher::*)();
    const Command commands[5] = {&CEditingLauncher::ProjectSettings, &CEditingLauncher::TextSettings,
                                 &CEditingLauncher::SpecialTextEdit, &CEditingLauncher::AudioSettings,
                                 &CEditingLauncher::AddColorFading};
    for (int i = 0; i < 5; ++i) {
        if (QAction* a = window.Action(kMenuIds[i]))
            connect(a, &QAction::triggered, this, [this, c = commands[i]] { (this->*c)(); });
    }
    const std::pair<const char*, Command> buttons[] = {
        {"TextSettings", &CEditingLauncher::TextSettings},
        {"SpecialTextEdit", &CEditingLauncher::SpecialTextEdit},
        {"AudioSettings", &CEditingLauncher::AudioSettings},
        {"AddColorFading", &CEditingLauncher::AddColorFading}};
    for (const auto& [key, command] : buttons)
        if (QPushButton* b = window.View().Button(key))
            connect(b, &QPushButton::clicked, this, [this, c = command] { (this->*c)(); });
}

bool CEditingLauncher::ProjectSettings() {
    CMainViewCommands& c = m_window.View().Commands();
    bool done = m_commands.ProjectSettings([&](CProjectSettingsModel& model) {
        CProjectSettingsDialog dialog(model, m_window.Language(), c.Chooser(), c.Prompt(), &m_window);
        return dialog.exec() == QDialog::Accepted;
    });
    if (done) m_window.View().RefreshFromProject();
    return done;
}

bool CEditingLauncher::TextSettings() {
    CMainViewCommands& c = m_window.View().Commands();
    return m_commands.TextSettings([&](CTextSettingsModel& model, int object) {
        CTextSettingsDialog dialog(model, c, object, m_window.Language(), &m_window);
        return dialog.exec() == QDialog::Accepted;
    });
}

bool CEditingLauncher::SpecialTextEdit() {
    return m_commands.SpecialTextEdit([&](std::string& search) {
        CSpecialTextEditDialog dialog(m_window.Language(), &m_window);
        if (dialog.exec() != QDialog::Accepted) return false;
        search = dialog.SearchText();
        return true;
    });
}

bool CEditingLauncher::AudioSettings() {
    CMainViewCommands& c = m_window.View().Commands();
    return m_commands.AudioSettings([&](CAudioSettingsModel& model) {
        CAudioSettingsDialog dialog(model, m_window.Language(), c.Chooser(), c.Prompt(), GetSoundOutput(),
                                    &m_window);
        return dialog.exec() == QDialog::Accepted;
    });
}

bool CEditingLauncher::AddColorFading() {
    return m_commands.AddColorFading([&](ColorFadingPreset& preset) {
        CAddColorFadingDialog dialog(m_window.Language(), &m_window);
        if (dialog.exec() != QDialog::Accepted) return false;
        preset = dialog.Choice();
        return true;
    });
}

}  // namespace trov
