// The main window's form: the picture list, the settings of the selection with their Update
// buttons, the preview, the creation controls and the progress bars. A thin adapter: every
// button calls CMainViewCommands, which says what it does.
#pragma once

#include <QHash>
#include <QIcon>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/MainViewCommands.h"
#include "ui/SettingsWndCommunicator.h"
#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace trov {

class CPreviewWidget;
class CThumbnailLoader;
class CPreviewLoader;

class CMainView : public QWidget {
    Q_OBJECT
public:
    CMainView(CTROVManager& manager, CMainViewChooser& chooser, CUserPrompt& prompt,
              QWidget* parent = nullptr);
    ~CMainView() override;

    CMainViewCommands& Commands() { return *m_commands; }
    CQtPictureList& List() { return *m_list; }
    QTreeWidget* Tree() const { return m_tree; }
    CPreviewWidget* Preview() const { return m_preview; }

    // Registers the picture list's columns and the 41 main view texts with the main window's
    // language manager (after the menu, which the window registers).
    void RegisterTexts(CWndLanguageManager& language);
    // The English default of a "MAIN_VIEW" key (the key itself when the table lacks it).
    static std::string DefaultText(const char* key);
    // The control registered under a "MAIN_VIEW" key; null for an unknown key.
    CWindowControl* TextControl(const std::string& key) const;
    // Fills the effect list from the registry and refreshes every bound control.
    void FillEffectList();
    // Shows the GUI state and the options in the controls.
    void RefreshControls();
    // Reads the bound controls into the GUI state.
    void ReadControls();
    // Rows and totals from the project (after any change made outside the commands).
    void RefreshFromProject();
    // The same, selecting the rows given (taken before the list was emptied).
    void RefreshFromProject(const std::vector<int>& selectedRows);
    // Disables the controls while a creation runs; Start Creation becomes "Cancel Creation".
    void SetCreationRunning(bool running, const QString& cancelText = QStringLiteral("Cancel Creation"));
    // Offers Start Creation as a button that can cancel a running batch creation.
    void SetStartCreationHandler(std::function<void()> handler);

    // What the pipelines report, on the GUI thread.
    void ShowProgress(bool complete, int position, const QString& percentText);
    void ShowTime(bool remaining, const QString& text);
    void ShowPlayLength();

    // Adds files as the "Add Pictures" command does, keeping the window responsive: events are
    // handled between files and the list fills as it goes.
    int AddFilesResponsive(const std::vector<std::string>& paths);

    QPushButton* Button(const std::string& key) const;
    QLineEdit* Edit(EditField field) const;
    QComboBox* EffectCombo() const { return m_effects; }
    QComboBox* PriorityCombo() const { return m_priority; }
    QProgressBar* ProgressBar(bool complete) const { return complete ? m_completeBar : m_currentBar; }
    QLabel* PercentLabel(bool complete) const { return complete ? m_completePercent : m_currentPercent; }
    QLineEdit* PlayLengthBox() const { return m_playLength; }
    // How many prepared previews were shown so far (tests wait for the next one).
    int PreviewsShown() const { return m_previewsShown; }

signals:
    // The project's title or modified state changed.
    void projectChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Bind();
    void Connect();
    bool ShowPreviewOf(int index);
    void OnPreviewReady(int generation, std::shared_ptr<CDibPicture> picture);
    void ApplyThumbnails();
    void OnThumbnail(const QString& key, const QImage& image);

    CTROVManager& m_manager;
    std::unique_ptr<CQtPictureList> m_list;
    std::unique_ptr<CMainViewCommands> m_commands;
    CSettingsWndCommunicator m_stateBinder;    // the GUI state store
    CSettingsWndCommunicator m_optionsBinder;  // the three check boxes, on the application settings
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    std::map<std::string, CWindowControl*> m_textControls;  // by "MAIN_VIEW" key
    std::map<std::string, QPushButton*> m_buttons;          // by "MAIN_VIEW" key
    std::map<EditField, QLineEdit*> m_edits;
    std::unique_ptr<CQtComboControl> m_effectControl;
    std::function<void()> m_startHandler;
    bool m_creationRunning = false;

    QGroupBox* m_listFrame = nullptr;
    QTreeWidget* m_tree = nullptr;
    QGroupBox* m_settingsFrame = nullptr;
    QCheckBox* m_changePosition = nullptr;
    QCheckBox* m_showPreview = nullptr;
    QCheckBox* m_fullPreview = nullptr;
    QComboBox* m_effects = nullptr;
    QComboBox* m_priority = nullptr;
    QLineEdit* m_playLength = nullptr;
    QLineEdit* m_currentTime = nullptr;
    QLineEdit* m_remainingTime = nullptr;
    QProgressBar* m_currentBar = nullptr;
    QProgressBar* m_completeBar = nullptr;
    QLabel* m_currentPercent = nullptr;
    QLabel* m_completePercent = nullptr;
    CPreviewWidget* m_preview = nullptr;

    std::unique_ptr<CThumbnailLoader> m_thumbnails;
    std::unique_ptr<CPreviewLoader> m_previewLoader;
    std::string m_previewFile;
    int m_previewsShown = 0;
    QHash<QString, QIcon> m_icons;
    QTimer m_thumbnailTimer;
    QString m_startText;
};

}  // namespace trov
