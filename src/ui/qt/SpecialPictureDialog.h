// "Special Picture Settings" and "Panorama Scrolling Settings": the widgets show and forward;
// the decisions are CSpecialPictureModel's.
#pragma once

#include <QDialog>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/SettingsWndCommunicator.h"
#include "ui/SpecialPictureModel.h"
#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"

class QCheckBox;
class QPushButton;

namespace trov {

class CMainViewCommands;

// A dialog's texts: copies its section from the main language store, registers the widget of
// every key of the section found in widgets (through adapters kept in adapters) and applies them.
void TranslateMotionDialog(const CWndLanguageManager& mainLanguage, CWndLanguageManager& language,
                           const char* section, const std::map<std::string, QWidget*>& widgets,
                           std::vector<std::unique_ptr<CWindowControl>>& adapters);
// The English default of section/key (the key itself when the table has none).
QString DefaultText(const char* section, const char* key);

// The direction buttons; each closes the dialog with OK and its code, Cancel with none (0).
class CPanoramaScrollingDialog : public QDialog {
    Q_OBJECT
public:
    CPanoramaScrollingDialog(const CWndLanguageManager& mainLanguage, QWidget* parent = nullptr);
    // The chosen direction code; 0 when the dialog was cancelled.
    int ChosenCode() const { return m_code; }
    QPushButton* Button(const std::string& key) const;

private:
    CWndLanguageManager m_language;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    std::map<std::string, QWidget*> m_widgets;
    int m_code = 0;
};

class CSpecialPictureDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on a copy of object index's motion settings.
    CSpecialPictureDialog(CMainViewCommands& commands, const CWndLanguageManager& mainLanguage, int index,
                          QWidget* parent = nullptr);
    ~CSpecialPictureDialog() override;

    CSpecialPictureModel& Model() { return m_model; }
    QCheckBox* PanoramaBox() const { return m_panorama; }
    QCheckBox* PictureMoveBox() const { return m_move; }
    QPushButton* Button(const std::string& key) const;

    // The two "Configure" buttons.
    void ConfigurePanorama();
    void ConfigurePictureMove();
    // OK: the copy goes into the object and the project; the list shows it.
    void AcceptSettings();

private:
    void BuildControls();

    CMainViewCommands& m_commands;
    const CWndLanguageManager& m_mainLanguage;
    int m_index;
    CSpecialPictureModel m_model;
    CWndLanguageManager m_language;
    CSettingsWndCommunicator m_binder;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    std::map<std::string, QWidget*> m_widgets;
    QCheckBox* m_panorama = nullptr;
    QCheckBox* m_move = nullptr;
};

// The command of the menu item and the view's button: opens the dialog for the first selected
// object (videos get the refusal in a message box). True when the user confirmed a change.
bool OpenSpecialPictureSettings(CMainViewCommands& commands, const CWndLanguageManager& mainLanguage,
                                QWidget* parent);
// The dialog for object index (the double click on a row). True when confirmed.
bool OpenSpecialPictureSettingsFor(CMainViewCommands& commands, const CWndLanguageManager& mainLanguage,
                                   int index, QWidget* parent);

}  // namespace trov
