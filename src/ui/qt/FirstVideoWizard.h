// "Wizard 1: My First Video": the five pages as modal dialogs. What the pages do and the order they
// come in are CFirstVideoWizardModel's; a page only shows its texts and forwards its buttons.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/FirstVideoWizardModel.h"
#include "ui/WndLanguageManager.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace trov {

class CMainViewCommands;
class CWindowControl;

// One page; it ends with a result code of WizardResult (0 for Cancel and closing).
class CWizardPageDialog : public QDialog {
    Q_OBJECT
public:
    CWizardPageDialog(int page, CFirstVideoWizardModel& model, const CWndLanguageManager& mainLanguage,
                      QWidget* parent = nullptr);
    ~CWizardPageDialog() override;
    int Page() const { return m_page; }
    // The page's buttons by language key ("Next", "Back", "AddPictures", "Browse", "Finish" ...).
    QPushButton* Button(const std::string& key) const;
    QLineEdit* SecondsBox() const { return m_seconds; }
    QLineEdit* OutputBox() const { return m_output; }
    QLabel* ErrorLabel() const { return m_error; }

private:
    void Build();
    void AddText(const char* key, bool title = false);
    QPushButton* MakeButton(const char* key);
    void RegisterTexts(const CWndLanguageManager& mainLanguage);
    void Next();

    int m_page;
    CFirstVideoWizardModel& m_model;
    CWndLanguageManager m_language;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    std::map<std::string, QWidget*> m_widgets;
    QVBoxLayout* m_body = nullptr;
    QLineEdit* m_seconds = nullptr;
    QLineEdit* m_output = nullptr;
    QLabel* m_error = nullptr;
};

class CFirstVideoWizard {
public:
    // startCreation: what "Start Creation" does in the window.
    CFirstVideoWizard(CMainViewCommands& commands, const CWndLanguageManager& mainLanguage,
                      std::function<void()> startCreation, QWidget* parent);
    // Shows the pages from the welcome page on; true when the creation was started.
    bool Run();

private:
    CFirstVideoWizardModel m_model;
    const CWndLanguageManager& m_language;
    std::function<void()> m_startCreation;
    QWidget* m_parent;
};

}  // namespace trov
