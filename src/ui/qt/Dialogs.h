// The about box, the fatal-exception report and the options dialog.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "ui/OptionsModel.h"
#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace trov {

inline constexpr const char* kAboutVersion = "Version 3.7";
inline constexpr const char* kReportCopyButton = "Copy message to clipboard and close dialog";

// "Version 3.7" and the buttons to the contact address and the home, tools and update pages.
class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
    // The addresses the buttons open, in the order mail, home, tools, updates.
    static std::vector<std::string> Addresses();
};

// The fatal-exception report: created hidden at start-up, shown by each report. Its button puts
// the report on the clipboard and hides the dialog; the text stays and later reports are appended.
class CFatalReportDialog : public QDialog {
    Q_OBJECT
public:
    explicit CFatalReportDialog(QWidget* parent = nullptr);
    // Makes the process-wide report show here (reports from any thread arrive queued).
    void Install();
    void ShowReport(const QString& wholeText);
    QString Text() const;
    QPushButton* CopyButton() const { return m_copy; }

private:
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_copy = nullptr;
};

// The options dialog on a copy of the application settings (COptionsModel); OK accepts it.
class COptionsDialog : public QDialog {
    Q_OBJECT
public:
    COptionsDialog(CTROVManager& manager, const CWndLanguageManager& mainLanguage, CUserPrompt& prompt,
                   QWidget* parent = nullptr);
    COptionsModel& Model() { return m_model; }
    QComboBox* LanguageList() const { return m_languages; }
    QLineEdit* TempDirectoryBox() const { return m_temp; }
    QCheckBox* ConsistencyBox() const { return m_consistency; }
    CWndLanguageManager& Language() { return m_language; }

    // The dialog's commands (also its buttons).
    void ShowLanguageAbout();
    void ChangeTempDirectory(const std::string& folder);
    void accept() override;

private:
    COptionsModel m_model;
    CUserPrompt& m_prompt;
    CWndLanguageManager m_language;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    std::unique_ptr<CQtComboControl> m_languageControl;
    QComboBox* m_languages = nullptr;
    QLineEdit* m_temp = nullptr;
    QCheckBox* m_consistency = nullptr;
};

}  // namespace trov
