// The project settings dialog: thin widgets over CProjectSettingsModel.
#pragma once

#include <QDialog>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/MainViewCommands.h"
#include "ui/ProjectSettingsModel.h"
#include "ui/qt/DialogTexts.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QLabel;

namespace trov {

class CProjectSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // model is the command's copy; mainLanguage gives the texts, chooser the file and colour
    // dialogs, prompt the messages.
    CProjectSettingsDialog(CProjectSettingsModel& model, const CWndLanguageManager& mainLanguage,
                           CMainViewChooser& chooser, CUserPrompt& prompt, QWidget* parent = nullptr);

    // The box bound to a "PROJECT_SETTINGS" key; the button or label of a language key.
    QLineEdit* Box(const std::string& key) const;
    QWidget* Control(const std::string& languageKey) const;
    QLabel* ColourSwatch() const { return m_swatch; }

    // The commands (also the buttons).
    void ChooseOutput();
    void ChangeBackgroundColour();
    void SaveSettings();
    void LoadSettings();
    void SetAsDefault();
    // OK: the controls into the copy; a refused number keeps the dialog open with its message.
    void accept() override;

private:
    void BuildControls();
    QGroupBox* BuildSettingsGroup();
    QGroupBox* BuildColourAndCropGroups(QGroupBox*& crop);
    // New widgets registered under their language key (boxes under their settings key).
    QPushButton* NewButton(const char* key);
    QLabel* NewLabel(const char* key);
    QLineEdit* NewBox(const char* key, int maximumWidth);
    QGroupBox* NewGroup(const char* key);
    void ShowSwatch();
    // Reads the controls; false (after the message) when a number was refused.
    bool ReadControls();

    CProjectSettingsModel& m_model;
    CMainViewChooser& m_chooser;
    CUserPrompt& m_prompt;
    CDialogTexts m_texts{kProjectSettingsDlgSection};
    CSettingsWndCommunicator m_binder;
    std::map<std::string, QLineEdit*> m_boxes;
    std::map<std::string, QWidget*> m_controls;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    QLabel* m_swatch = nullptr;
};

}  // namespace trov
