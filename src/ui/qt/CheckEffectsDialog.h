// "Check Effect": a thin window over CCheckEffectsModel (the sorted effect list, the frame number,
// the exclusion check box, stepping by hand or automatically at the movie's frame rate, the about
// box, and "OK and use new fading effect" when opened for a list entry).
#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>
#include <vector>

#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace trov {

class CCheckEffectsModel;
class CPreviewWidget;
class CTROVManager;
class CUserPrompt;

class CCheckEffectsDialog : public QDialog {
    Q_OBJECT
public:
    // model: set up for no entry or for an entry (not owned); mainLanguage: the loaded language
    // file's texts for the dialog's section.
    CCheckEffectsDialog(CTROVManager& manager, CCheckEffectsModel& model,
                        const CWndLanguageManager& mainLanguage, CUserPrompt& prompt,
                        QWidget* parent = nullptr);
    ~CCheckEffectsDialog() override;

    QComboBox* EffectList() const { return m_effects; }
    QLabel* FrameNumber() const { return m_frame; }
    QCheckBox* DisableBox() const { return m_disable; }
    QCheckBox* AutomaticBox() const { return m_automatic; }
    QPushButton* NextFrameButton() const { return m_next; }
    QPushButton* AboutButton() const { return m_about; }
    QPushButton* UseButton() const { return m_use; }
    QPushButton* DoneButton() const { return m_done; }
    CPreviewWidget* Picture() const { return m_picture; }
    // Shows the next frame (the button and each tick of automatic stepping).
    void ShowNextFrame();

private:
    void BuildTexts(const CWndLanguageManager& mainLanguage, const std::map<std::string, QWidget*>& widgets);
    void EffectChosen(const QString& name);
    void SetAutomatic(bool on);
    void done(int result) override;

    CTROVManager& m_manager;
    CCheckEffectsModel& m_model;
    CUserPrompt& m_prompt;
    CWndLanguageManager m_language;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    QComboBox* m_effects = nullptr;
    QLabel* m_frame = nullptr;
    QCheckBox* m_disable = nullptr;
    QCheckBox* m_automatic = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_about = nullptr;
    QPushButton* m_use = nullptr;
    QPushButton* m_done = nullptr;
    CPreviewWidget* m_picture = nullptr;
    QTimer m_timer;
};

}  // namespace trov
