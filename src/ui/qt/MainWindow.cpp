// The main frame: builds the menu from the language table and hands every item to the commands.
#include "ui/qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTreeWidget>

#include "audio/SoundPlayer.h"
#include "creation/Creation.h"
#include "infra/ProgramDirectory.h"
#include "ui/CheckEffectsModel.h"
#include "ui/LanguageTable.h"
#include "ui/ListControlManager.h"
#include "ui/OptionsModel.h"
#include "ui/qt/CheckEffectsDialog.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/EditingLauncher.h"
#include "ui/qt/FadingPreviewWindow.h"
#include "ui/qt/FirstVideoWizard.h"
#include "ui/qt/MainView.h"
#include "ui/qt/PreviewWidget.h"
#include "ui/qt/SpecialPictureDialog.h"
#include "ui/qt/SynchronizeDlg.h"

namespace trov {

namespace {

void AddItems(QMenu* menu, const std::vector<CMainMenuItem>& items,
              std::map<std::string, QAction*>& actions) {
    for (const CMainMenuItem& item : items) {
        if (item.IsSeparator()) {
            menu->addSeparator();
        } else if (!item.items.empty()) {
            AddItems(menu->addMenu(QString::fromUtf8(item.text)), item.items, actions);
        } else {
            QAction* a = menu->addAction(QString::fromUtf8(item.text));
            if (item.shortcut[0]) a->setShortcut(QKeySequence(QString::fromUtf8(item.shortcut)));
            actions[item.id] = a;
        }
    }
}

}  // namespace

CMainWindow::CMainWindow(CTROVManager& manager, CUserPrompt& prompt, CMainViewChooser& chooser,
                         QWidget* parent)
    : QMainWindow(parent), m_manager(manager), m_prompt(prompt) {
    m_view = new CMainView(manager, chooser, prompt, this);
    setCentralWidget(m_view);
    m_status = new QLabel;
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(m_status, 1);
    BuildMenu();
    ConnectMenu();
    // The editing dialogs' menu items and buttons (the launcher is the window's child).
    new CEditingLauncher(*this);
    connect(m_view, &CMainView::projectChanged, this, &CMainWindow::UpdateTitle);
    // Small enough for a 1024 x 768 screen, never smaller than the controls need.
    setMinimumSize(QSize(980, 640).expandedTo(minimumSizeHint()));
    resize(QSize(1280, 800).expandedTo(minimumSize()));
    UpdateTitle();
}

CMainWindow::~CMainWindow() = default;

void CMainWindow::BuildMenu() {
    QMenuBar* bar = menuBar();
    for (const CMainMenuItem& item : MainMenuItems()) {
        if (!item.items.empty()) {
            AddItems(bar->addMenu(QString::fromUtf8(item.text)), item.items, m_actions);
        } else {
            QAction* a = bar->addAction(QString::fromUtf8(item.text));
            m_actions[item.id] = a;
        }
    }
    m_menuControl = std::make_unique<CQtMenuControl>(bar);
}

QAction* CMainWindow::Action(const std::string& id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainWindow::Trigger(const char* id, std::function<void()> fn) {
    if (QAction* a = Action(id)) connect(a, &QAction::triggered, this, [fn = std::move(fn)] { fn(); });
}

void CMainWindow::ConnectMenu() {
    CMainViewCommands& c = m_view->Commands();
    Trigger("ProjectReset", [&c] { c.ResetProject(); });
    Trigger("ProjectOpen", [&c] { c.OpenProject(); });
    Trigger("ProjectSave", [&c] { c.SaveProject(); });
    Trigger("ProjectMakeComplete", [&c] { c.MakeCompleteProject(); });
    Trigger("ProjectPathsRelative", [&c] { c.MakePathsRelative(); });
    Trigger("ProjectPathsAbsolute", [&c] { c.MakePathsAbsolute(); });
    Trigger("ProjectSavePreviewPicture",
            [this, &c] { c.SavePreviewPicture(m_view->Preview()->GetPicture()); });
    Trigger("ProjectExit", [this] { close(); });
    Trigger("ObjectsAddPictures", [this, &c] {
        if (c.IsCreationRunning()) return;
        std::vector<std::string> files = c.Chooser().ChooseFilesToOpen(viewtext::kMediaFilter, true);
        if (!files.empty()) m_view->AddFilesResponsive(files);
    });
    Trigger("ObjectsAddAudio", [&c] { c.AddAudio(); });
    Trigger("ObjectsAddPictureDirectory", [this, &c] {
        if (c.IsCreationRunning()) return;
        std::string folder = c.Chooser().ChooseFolder(viewtext::kPictureDirectoryTitle);
        if (!folder.empty()) m_view->AddFilesResponsive(CMainViewCommands::PictureDirectoryFiles(folder));
    });
    Trigger("ObjectsAddRandomFading", [&c] { c.AddRandomFadings(); });
    Trigger("ObjectsChooseFont", [&c] { c.ChooseFont(); });
    Trigger("ObjectsChooseTextColor", [&c] { c.ChooseTextColour(false); });
    Trigger("ObjectsChooseTextBackgroundColor", [&c] { c.ChooseTextColour(true); });
    Trigger("ObjectsCopy", [&c] { c.CopySelected(); });
    Trigger("ObjectsPaste", [&c] { c.PasteObjects(); });
    Trigger("ObjectsDelete", [&c] { c.DeleteSelected(); });
    Trigger("SelectAll", [&c] { c.SelectAll(); });
    Trigger("SelectAllWithText", [&c] { c.SelectAllWithText(); });
    Trigger("RotateClockwise", [&c] { c.Rotate(90); });
    Trigger("Rotate180", [&c] { c.Rotate(180); });
    Trigger("RotateCounterclockwise", [&c] { c.Rotate(-90); });
    auto specialPicture = [this, &c] { OpenSpecialPictureSettings(c, m_language, this); };
    Trigger("ObjectsSpecialPictureSettings", specialPicture);
    connect(m_view->Button("SpecialPictureSettings"), &QPushButton::clicked, this, specialPicture);
    c.openMotionSettings = [this, &c](int index) {
        return OpenSpecialPictureSettingsFor(c, m_language, index, this);
    };
    Trigger("ObjectsSynchronize", [this] { ShowSynchronize(); });
    Trigger("WizardFirstVideo", [this] { ShowFirstVideoWizard(); });
    Trigger("OptionsOptions", [this] { ShowOptions(); });
    Trigger("ObjectsShowFadingPreview", [this] { ShowCheckEffects(true); });
    Trigger("OptionsCheckEffects", [this] { ShowCheckEffects(false); });
    Trigger("OptionsCreateFadingPreview", [this, &c] {
        if (CreateFadingPreviews(*this, m_manager, m_prompt, c.Chooser(), false)) FadingPreview().Reload();
    });
    Trigger("OptionsCreateFadingPreviewOwn", [this, &c] {
        if (CreateFadingPreviews(*this, m_manager, m_prompt, c.Chooser(), true)) FadingPreview().Reload();
    });
    Trigger("OptionsShowHideFadingPreview", [this] { FadingPreview().Toggle(); });
    connect(m_view->Button("ShowFadingPreview"), &QPushButton::clicked, this,
            [this] { ShowCheckEffects(true); });
    Trigger("About", [this] { ShowAbout(); });

    // Ctrl+Up / Ctrl+Down move the selection one place.
    auto* up = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up), this);
    connect(up, &QShortcut::activated, this, [&c] { c.MoveSelected(kMoveUp); });
    auto* down = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down), this);
    connect(down, &QShortcut::activated, this, [&c] { c.MoveSelected(kMoveDown); });
}

QString CMainWindow::StatusText() const {
    return m_status->text();
}

void CMainWindow::ShowStatus(const QString& text) {
    m_status->setText(text);
}

void CMainWindow::UpdateTitle() {
    setWindowTitle(Q(m_view->Commands().WindowTitle()));
}

void CMainWindow::InitializeTexts() {
    CSettingsStore defaults;
    CSettingsSection& columns = defaults.Section(kPictureListSection);
    const std::vector<CColumnDefault>& list = PictureListColumns();
    columns.Set("Columns", std::to_string(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
        columns.Set("Column" + std::to_string(i) + "_Name", list[i].name);
        columns.Set("Column" + std::to_string(i) + "_Width", std::to_string(list[i].width));
    }
    CListControlManager lists;
    CQtPictureList& picture = m_view->List();
    lists.InitializeList(defaults, kPictureListSection, picture);
    // Each column fits its title until a language file says otherwise.
    for (int c = 0; c < picture.GetColumnCount(); ++c)
        picture.Tree()->setColumnWidth(c, picture.TextWidth(picture.GetColumnTitle(c)));

    m_language.AddMenu(m_menuControl.get(), kMainMenuSection, kMainCategory);
    m_view->RegisterTexts(m_language);
    m_language.ScanLanguageFiles(ShippedLanguageDirectory());
}

bool CMainWindow::LoadLanguage(bool startupComplete) {
    std::string name = CurrentLanguage(m_manager.GetAppSettings());
    // The language file's list columns replace the list's, which empties it.
    const std::vector<int> selected = m_view->Commands().SelectedRows();
    bool loaded = m_language.LoadLanguage(name, startupComplete, m_prompt, &m_manager.GetTexts(),
                                          [] { QApplication::beep(); });
    m_view->RefreshFromProject(selected);
    return loaded;
}

void CMainWindow::ShowAbout() {
    CAboutDialog about(this);
    about.exec();
}

void CMainWindow::ShowOptions() {
    COptionsDialog dialog(m_manager, m_language, m_prompt, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The dialog's copy becomes the application settings, saved, and the language is reloaded.
    dialog.Model().Apply(m_manager);
    LoadLanguage(m_startupComplete);
}

void CMainWindow::ShowCheckEffects(bool forEntry) {
    CMainViewCommands& c = m_view->Commands();
    // The dialog steps the registry's effects, which a running creation uses.
    if (c.IsCreationRunning()) return;
    CCheckEffectsModel model(m_manager.GetCreation().GetEffects(), m_manager.GetAppSettings(),
                             m_manager.GetFrameRate());
    if (forEntry) {
        m_view->ReadControls();
        if (!model.OpenForEntry(c)) return;
    } else {
        int width = 0, height = 0;
        c.MovieSize(width, height);
        model.UseBuiltInPictures(width, height);
    }
    CCheckEffectsDialog dialog(m_manager, model, m_language, m_prompt, this);
    if (dialog.exec() == QDialog::Accepted) model.UseForEntry(c);
    model.Closed(m_manager);
}

CFadingPreviewWindow& CMainWindow::FadingPreview() {
    if (!m_fadingPreview) {
        m_fadingPreview = std::make_unique<CFadingPreviewWindow>(m_manager.GetProgramDirectory(), this);
        QComboBox* effects = m_view->EffectCombo();
        m_fadingPreview->SetEffect(S(effects->currentText()));
        connect(effects, &QComboBox::currentTextChanged, m_fadingPreview.get(),
                [this](const QString& name) { m_fadingPreview->SetEffect(S(name)); });
    }
    return *m_fadingPreview;
}

void CMainWindow::ShowSynchronize() {
    CMainViewCommands& c = m_view->Commands();
    if (c.IsCreationRunning()) return;
    CSynchronizeDlg dialog(m_manager, m_language, m_prompt, GetSoundOutput(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The frame counts changed: the list, the play length and the modified mark follow.
    c.RefreshList();
    c.SelectionChanged();
    c.SetModified(true);
    UpdateTitle();
}

void CMainWindow::ShowFirstVideoWizard() {
    CMainViewCommands& c = m_view->Commands();
    if (c.IsCreationRunning()) return;
    // "... create my first video now!" starts the creation as the Start Creation command does.
    CFirstVideoWizard wizard(
        c, m_language,
        [this] {
            if (QAction* start = Action("StartCreation")) start->trigger();
        },
        this);
    wizard.Run();
    UpdateTitle();
}

void CMainWindow::CloseWithoutQuestion() {
    m_closing = true;
    close();
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    CMainViewCommands& c = m_view->Commands();
    if (!m_closing && (c.IsCreationRunning() && !m_batch)) {
        // Files are being added or a creation runs: the window stays until it is done.
        event->ignore();
        return;
    }
    if (!m_closing && !c.AskExit(m_batch)) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace trov
