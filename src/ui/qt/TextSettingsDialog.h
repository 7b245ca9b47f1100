// The text settings dialog (caption position, caption fade effects, a live preview of the caption)
// and the special text edit dialog: thin widgets over CTextSettingsModel.
#pragma once

#include <QDialog>
#include <map>
#include <memory>
#include <string>

#include "ui/MainViewCommands.h"
#include "ui/TextSettingsModel.h"
#include "ui/qt/DialogTexts.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace trov {

class CPreviewWidget;

class CTextSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // model is preset by the command; object is the first selected object (the preview's picture).
    CTextSettingsDialog(CTextSettingsModel& model, CMainViewCommands& commands, int object,
                        const CWndLanguageManager& mainLanguage, QWidget* parent = nullptr);

    QPushButton* PositionButton(int code) const;
    QLineEdit* PositionBox() const { return m_positionBox; }
    QComboBox* FadeInList() const { return m_fadeIn; }
    QComboBox* FadeOutList() const { return m_fadeOut; }
    QPushButton* ResetButton() const { return m_reset; }
    QWidget* Control(const std::string& languageKey) const;
    CPreviewWidget* Preview() const { return m_preview; }
    // How many previews were drawn (one per position change).
    int PreviewsDrawn() const { return m_previews; }

    void SetPosition(int code);
    void ResetFadings();
    void accept() override;

private:
    void BuildControls();
    void FillEffectLists();
    void ShowPosition();
    void DrawPreview();

    CTextSettingsModel& m_model;
    CMainViewCommands& m_commands;
    int m_object;
    CDialogTexts m_texts{kTextSettingsDlgSection};
    std::map<int, QPushButton*> m_positionButtons;
    std::map<std::string, QWidget*> m_controls;
    QLineEdit* m_positionBox = nullptr;
    QComboBox* m_fadeIn = nullptr;
    QComboBox* m_fadeOut = nullptr;
    QPushButton* m_reset = nullptr;
    CPreviewWidget* m_preview = nullptr;
    QLabel* m_previewNote = nullptr;
    int m_previews = 0;
};

class CSpecialTextEditDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSpecialTextEditDialog(const CWndLanguageManager& mainLanguage, QWidget* parent = nullptr);
    QLineEdit* SearchBox() const { return m_search; }
    QPushButton* StartButton() const { return m_start; }
    QPushButton* CloseButton() const { return m_close; }
    // The search text "Start" closed the dialog with.
    std::string SearchText() const;

private:
    CDialogTexts m_texts{kSpecialTextEditDlgSection};
    QLineEdit* m_search = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace trov
