// The audio settings dialog and the add colour fading dialog: thin widgets over
// CAudioSettingsModel and the colour fading choices.
#pragma once

#include <QDialog>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/SoundPlayer.h"
#include "ui/AudioSettingsModel.h"
#include "ui/ColorFadingModel.h"
#include "ui/MainViewCommands.h"
#include "ui/qt/DialogTexts.h"

class QAbstractButton;
class QGroupBox;
class QLabel;
class QPushButton;

namespace trov {

class CAudioSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // output plays the short example (the process-wide sound output in the program).
    CAudioSettingsDialog(CAudioSettingsModel& model, const CWndLanguageManager& mainLanguage,
                         CMainViewChooser& chooser, CUserPrompt& prompt, CSoundOutput& output,
                         QWidget* parent = nullptr);

    QWidget* Control(AudioControl control) const;
    // The button or label of a language key.
    QWidget* Control(const std::string& languageKey) const;
    // What the last "Play short example" said.
    QLabel* StatusLine() const { return m_status; }

    // The commands (also the buttons).
    void Browse();
    void PlayShortExample();
    void ResetSettings();
    void SetFadeOption(int option);
    void SetSynchronize(bool on);
    // "Use new settings": refused numbers and a file that is no WAV keep the dialog open.
    void accept() override;

private:
    void BuildControls();
    QGroupBox* BuildOptionsGroup();
    void Refresh();
    // Reads the controls; false (after the message) when a number was refused.
    bool ReadControls();

    CAudioSettingsModel& m_model;
    CMainViewChooser& m_chooser;
    CUserPrompt& m_prompt;
    CSoundOutput& m_output;
    CDialogTexts m_texts{kAudioSettingsDlgSection};
    CSettingsWndCommunicator m_binder;
    std::map<AudioControl, QWidget*> m_widgets;
    std::map<std::string, QWidget*> m_controls;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    QLabel* m_status = nullptr;
};

class CAddColorFadingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAddColorFadingDialog(const CWndLanguageManager& mainLanguage, QWidget* parent = nullptr);
    // The button of a choice (1, 2, 3 in the dialog's order).
    QPushButton* ChoiceButton(int choice) const;
    ColorFadingPreset Choice() const { return m_choice; }

private:
    CDialogTexts m_texts{kAddColorFadingDlgSection};
    std::vector<QPushButton*> m_buttons;
    ColorFadingPreset m_choice = ColorFadingPreset::Black;
};

}  // namespace trov
