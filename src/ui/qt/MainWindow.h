// The main frame: menu bar, the main view, the status bar, the exit question.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>

#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/QtServices.h"

class QAction;
class QLabel;

namespace trov {

class CMainView;
class CFatalReportDialog;
class CFadingPreviewWindow;

class CMainWindow : public QMainWindow {
    Q_OBJECT
public:
    // prompt and chooser are not owned (the tests give fakes).
    CMainWindow(CTROVManager& manager, CUserPrompt& prompt, CMainViewChooser& chooser,
                QWidget* parent = nullptr);
    ~CMainWindow() override;

    CMainView& View() { return *m_view; }
    CWndLanguageManager& Language() { return m_language; }
    // The menu command by its id ("ProjectOpen", "ObjectsDelete" ...); null for an unknown id.
    QAction* Action(const std::string& id) const;
    QString StatusText() const;

    // Start-up: the picture list's columns from the built-in defaults sized to their titles,
    // then the language of the application settings. startupComplete: a reload (after the options
    // dialog) that warns about a language file of another version.
    void InitializeTexts();
    bool LoadLanguage(bool startupComplete);
    void SetStartupComplete() { m_startupComplete = true; }

    // An unattended run (-CREATE): the window closes by itself at the end, without the question.
    void SetBatchMode(bool batch) { m_batch = batch; }
    bool IsBatchMode() const { return m_batch; }
    // Closes without asking (the end of a batch run).
    void CloseWithoutQuestion();

    // The dialogs of the menu.
    void ShowAbout();
    void ShowOptions();
    // "Check Effects" (forEntry false) and "Show Fading Preview" (the first selected entry into
    // the next one).
    void ShowCheckEffects(bool forEntry);
    // The "Fading Effect" window (F2), made on first use.
    CFadingPreviewWindow& FadingPreview();
    // "Synchronize Audio and Video" and "Wizard 1: My First Video".
    void ShowSynchronize();
    void ShowFirstVideoWizard();

    // Shows the status text (GUI thread).
    void ShowStatus(const QString& text);
    void UpdateTitle();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void ConnectMenu();
    void Trigger(const char* id, std::function<void()> fn);

    CTROVManager& m_manager;
    CUserPrompt& m_prompt;
    CMainView* m_view = nullptr;
    CWndLanguageManager m_language;
    std::unique_ptr<CQtMenuControl> m_menuControl;
    std::unique_ptr<CFadingPreviewWindow> m_fadingPreview;
    std::map<std::string, QAction*> m_actions;
    QLabel* m_status = nullptr;
    bool m_startupComplete = false;
    bool m_batch = false;
    bool m_closing = false;
};

}  // namespace trov
