// The main window's form: builds the controls, binds them and hands every action to the commands.
#include "ui/qt/MainView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "creation/Creation.h"
#include "effects/FadingEffectManager.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "ui/qt/PreviewLoader.h"
#include "ui/qt/PreviewWidget.h"
#include "ui/qt/ThumbnailLoader.h"

namespace trov {

namespace {

QString DefaultQText(const char* key) {
    return QString::fromStdString(CMainView::DefaultText(key));
}

}  // namespace

CMainView::CMainView(CTROVManager& manager, CMainViewChooser& chooser, CUserPrompt& prompt, QWidget* parent)
    : QWidget(parent), m_manager(manager) {
    BuildControls();
    m_list = std::make_unique<CQtPictureList>(m_tree);
    m_commands = std::make_unique<CMainViewCommands>(manager, *m_list, chooser, prompt);
    m_commands->readControls = [this] { ReadControls(); };
    m_commands->refreshControls = [this] { RefreshControls(); };
    m_commands->showPreview = [this](int index) { return ShowPreviewOf(index); };
    m_commands->projectChanged = [this] {
        ShowPlayLength();
        ApplyThumbnails();
        emit projectChanged();
    };
    m_thumbnails = std::make_unique<CThumbnailLoader>();
    m_previewLoader = std::make_unique<CPreviewLoader>(
        m_commands->GetPicturePreparation(), [this](int generation, std::shared_ptr<CDibPicture> picture) {
            OnPreviewReady(generation, picture);
        });
    connect(m_thumbnails.get(), &CThumbnailLoader::ready, this, &CMainView::OnThumbnail,
            Qt::QueuedConnection);
    m_thumbnailTimer.setSingleShot(true);
    m_thumbnailTimer.setInterval(60);
    connect(&m_thumbnailTimer, &QTimer::timeout, this, [this] { ApplyThumbnails(); });
    Bind();
    Connect();
    int w = 0, h = 0;
    m_commands->MovieSize(w, h);
    m_preview->SetFrameSize(w, h);
    RefreshControls();
}

CMainView::~CMainView() = default;

void CMainView::BuildControls() {
    auto text = [this](const char* key, QWidget* widget) {
        auto adapter = std::make_unique<CQtWindowControl>(widget);
        m_textControls[key] = adapter.get();
        m_adapters.push_back(std::move(adapter));
    };
    auto button = [&](const char* key) {
        auto* b = new QPushButton(DefaultQText(key));
        b->setAutoDefault(false);
        text(key, b);
        m_buttons[key] = b;
        return b;
    };
    auto label = [&](const char* key) {
        auto* l = new QLabel(DefaultQText(key));
        text(key, l);
        return l;
    };
    auto check = [&](const char* key) {
        auto* c = new QCheckBox(DefaultQText(key));
        text(key, c);
        return c;
    };
    auto readOnly = [] {
        auto* e = new QLineEdit;
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);
        return e;
    };

    // ---- the list with its buttons and the preview ----
    m_listFrame = new QGroupBox(DefaultQText("PictureList"));
    text("PictureList", m_listFrame);
    m_tree = new QTreeWidget;
    m_tree->setColumnCount(0);
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setAlternatingRowColors(true);
    m_tree->setIconSize(QSize(CThumbnailLoader::kWidth, CThumbnailLoader::kHeight));
    m_tree->setAcceptDrops(true);
    m_tree->viewport()->setAcceptDrops(true);
    m_tree->setDragDropMode(QAbstractItemView::DropOnly);
    m_tree->viewport()->installEventFilter(this);
    m_tree->header()->setSectionsClickable(true);
    m_tree->header()->setStretchLastSection(false);
    m_tree->setMinimumHeight(140);

    auto* side = new QVBoxLayout;
    side->addWidget(button("MoveToFirst"));
    side->addWidget(button("MoveUp"));
    side->addWidget(button("MoveDown"));
    side->addWidget(button("MoveToEnd"));
    m_changePosition = check("ChangePicturePos");
    side->addWidget(m_changePosition);
    side->addWidget(button("SelectAll"));
    side->addSpacing(6);
    m_preview = new CPreviewWidget;
    side->addWidget(m_preview, 1);
    auto* previewChecks = new QHBoxLayout;
    m_showPreview = check("ShowPreview");
    m_fullPreview = check("FullPreview");
    previewChecks->addWidget(m_showPreview);
    previewChecks->addWidget(m_fullPreview);
    previewChecks->addStretch();
    side->addLayout(previewChecks);

    auto* listLayout = new QHBoxLayout(m_listFrame);
    listLayout->addWidget(m_tree, 1);
    auto* sideWidget = new QWidget;
    sideWidget->setLayout(side);
    side->setContentsMargins(0, 0, 0, 0);
    sideWidget->setFixedWidth(250);
    listLayout->addWidget(sideWidget);

    // ---- the settings of the selection ----
    m_settingsFrame = new QGroupBox(DefaultQText("StaticSettings"));
    text("StaticSettings", m_settingsFrame);
    auto* grid = new QGridLayout(m_settingsFrame);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    auto update = [&](const char* key) {
        QPushButton* b = button(key);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return b;
    };
    auto field = [&](EditField f, const char* labelKey, const char* updateKey, int row, int column) {
        auto* edit = new QLineEdit;
        m_edits[f] = edit;
        grid->addWidget(label(labelKey), row, column);
        grid->addWidget(edit, row, column + 1);
        grid->addWidget(update(updateKey), row, column + 2, Qt::AlignLeft);
        return edit;
    };
    field(EditField::TextFadeIn, "FramesTextFadeIn", "UpdateFTFI", 0, 0)->setMaximumWidth(90);
    field(EditField::ShowPicture, "FramesShowingPicture", "UpdateFSP", 0, 3)->setMaximumWidth(90);
    field(EditField::TextFadeOut, "FramesTextFadeOut", "UpdateFTFO", 1, 0)->setMaximumWidth(90);
    field(EditField::Fade2NextPicture, "FramesFading2NextPicture", "UpdateF2NP", 1, 3)->setMaximumWidth(90);
    field(EditField::TextBackWidth, "TextBackWidth", "UpdateTextBackWidth", 2, 0)->setMaximumWidth(90);
    grid->addWidget(label("FadeEffect"), 2, 3);
    m_effects = new QComboBox;
    m_effects->setMinimumContentsLength(18);
    m_effects->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    grid->addWidget(m_effects, 2, 4);
    grid->addWidget(update("UpdateFadeEffect"), 2, 5, Qt::AlignLeft);
    grid->addWidget(label("PictureText"), 3, 0);
    auto* pictureText = new QLineEdit;
    m_edits[EditField::PictureText] = pictureText;
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(pictureText, 1);
    textRow->addWidget(update("UpdatePictureText"));
    textRow->addWidget(update("SpecialTextEdit"));
    grid->addLayout(textRow, 3, 1, 1, 5);
    // The space goes to the gaps after the Update buttons and to the effect list.
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(4, 1);
    grid->setColumnStretch(5, 1);

    auto* commandRow1 = new QHBoxLayout;
    for (const char* key :
         {"AudioSettings", "AddColorFading", "AddRandomFadings", "ShowFadingPreview", "TextSettings"})
        commandRow1->addWidget(button(key));
    auto* commandRow2 = new QHBoxLayout;
    for (const char* key : {"Choose Font", "TextColor", "TextBackgroundColor", "SpecialPictureSettings"})
        commandRow2->addWidget(button(key));
    grid->addLayout(commandRow1, 4, 0, 1, 6);
    grid->addLayout(commandRow2, 5, 0, 1, 6);

    // ---- creation controls and progress ----
    auto* creation = new QGridLayout;
    creation->addWidget(label("CompletePlayLength"), 0, 0);
    m_playLength = readOnly();
    m_playLength->setMaximumWidth(130);
    creation->addWidget(m_playLength, 0, 1);
    creation->addWidget(label("ThreadPriority"), 0, 3);
    m_priority = new QComboBox;
    for (const std::string& name : CMainViewCommands::ThreadPriorityNames()) m_priority->addItem(Q(name));
    m_priority->setCurrentText(CMainViewCommands::kDefaultThreadPriority);
    creation->addWidget(m_priority, 0, 4);
    QPushButton* start = button("StartCreation");
    start->setMinimumWidth(140);
    creation->addWidget(start, 0, 5);

    auto bar = [&](QProgressBar*& progress, QLabel*& percent, int row, const char* key) {
        creation->addWidget(label(key), row, 0);
        progress = new QProgressBar;
        progress->setRange(0, CProgressMeter::kRange);
        progress->setTextVisible(false);
        creation->addWidget(progress, row, 1, 1, 2);
        percent = new QLabel(QStringLiteral("0 %"));
        percent->setMinimumWidth(44);
        creation->addWidget(percent, row, 3);
    };
    bar(m_currentBar, m_currentPercent, 1, "CurrentProcess");
    bar(m_completeBar, m_completePercent, 2, "CompleteProcess");
    creation->addWidget(label("CurrentTime"), 1, 4, Qt::AlignRight);
    m_currentTime = readOnly();
    m_currentTime->setMaximumWidth(130);
    creation->addWidget(m_currentTime, 1, 5);
    creation->addWidget(label("RemainingTime"), 2, 4, Qt::AlignRight);
    m_remainingTime = readOnly();
    m_remainingTime->setMaximumWidth(130);
    creation->addWidget(m_remainingTime, 2, 5);
    creation->setColumnStretch(2, 1);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);
    root->addWidget(m_listFrame, 1);
    root->addWidget(m_settingsFrame);
    root->addLayout(creation);

    // Start Creation works once a handler is set (SetStartCreationHandler).
    start->setEnabled(false);
}

void CMainView::Bind() {
    m_stateBinder.SetSettings(&m_commands->GetGuiState());
    for (const auto& [field, edit] : m_edits) {
        auto adapter = std::make_unique<CQtWindowControl>(edit);
        m_stateBinder.AddBinding(adapter.get(), EditFieldSection(field), guistate::kValue, kBindText);
        m_adapters.push_back(std::move(adapter));
    }
    m_effectControl = std::make_unique<CQtComboControl>(m_effects, false);
    m_stateBinder.AddBinding(m_effectControl.get(), guistate::kFadingName, guistate::kValue, kBindDropDown);
    // The Update buttons and the selection commands need a selection.
    for (const char* key :
         {"UpdateFTFI", "UpdateFSP", "UpdateFTFO", "UpdateF2NP", "UpdateTextBackWidth", "UpdateFadeEffect",
          "UpdatePictureText", "AddRandomFadings", "Choose Font", "TextColor", "TextBackgroundColor",
          "SpecialTextEdit", "AudioSettings", "AddColorFading", "TextSettings"})
        m_stateBinder.AddBinding(m_textControls[key], guistate::kTemp, guistate::kObjectsSelected, "1",
                                 kBindEnableIfEqual);

    m_optionsBinder.SetSettings(&m_manager.GetAppSettings());
    auto checkBinding = [this](QCheckBox* box, const char* key) {
        auto adapter = std::make_unique<CQtCheckControl>(box);
        m_optionsBinder.AddBinding(adapter.get(), kTrovSettings, key, kBindCheck);
        m_adapters.push_back(std::move(adapter));
    };
    checkBinding(m_changePosition, appkey::kMovePicturePosition);
    checkBinding(m_showPreview, appkey::kShowPreview);
    checkBinding(m_fullPreview, appkey::kFullPreview);
}

void CMainView::Connect() {
    CMainViewCommands& c = *m_commands;
    auto on = [this](const char* key, auto fn) { connect(m_buttons[key], &QPushButton::clicked, this, fn); };
    on("MoveToFirst", [&c] { c.MoveSelected(kMoveToFirst); });
    on("MoveUp", [&c] { c.MoveSelected(kMoveUp); });
    on("MoveDown", [&c] { c.MoveSelected(kMoveDown); });
    on("MoveToEnd", [&c] { c.MoveSelected(kMoveToEnd); });
    on("SelectAll", [&c] { c.SelectAll(); });
    on("UpdateFTFI", [&c] { c.Update(EditField::TextFadeIn); });
    on("UpdateFSP", [&c] { c.Update(EditField::ShowPicture); });
    on("UpdateFTFO", [&c] { c.Update(EditField::TextFadeOut); });
    on("UpdateF2NP", [&c] { c.Update(EditField::Fade2NextPicture); });
    on("UpdateTextBackWidth", [&c] { c.Update(EditField::TextBackWidth); });
    on("UpdateFadeEffect", [&c] { c.Update(EditField::FadingEffect); });
    on("UpdatePictureText", [&c] { c.Update(EditField::PictureText); });
    on("AddRandomFadings", [&c] { c.AddRandomFadings(); });
    on("Choose Font", [&c] { c.ChooseFont(); });
    on("TextColor", [&c] { c.ChooseTextColour(false); });
    on("TextBackgroundColor", [&c] { c.ChooseTextColour(true); });
    on("StartCreation", [this] {
        if (m_startHandler) m_startHandler();
    });
    // Return in an edit presses its Update button.
    for (const auto& [field, edit] : m_edits) {
        EditField f = field;
        connect(edit, &QLineEdit::returnPressed, this, [&c, f] { c.Update(f); });
    }

    auto option = [this, &c](QCheckBox* box, const char* key) {
        connect(box, &QCheckBox::toggled, this, [this, &c, key](bool on) {
            c.SetOption(key, on);
            RefreshControls();
        });
    };
    option(m_changePosition, appkey::kMovePicturePosition);
    option(m_showPreview, appkey::kShowPreview);
    option(m_fullPreview, appkey::kFullPreview);

    connect(m_priority, &QComboBox::currentTextChanged, this,
            [&c](const QString& name) { c.SetThreadPriority(S(name)); });
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, [&c] { c.SelectionChanged(); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this, &c](QTreeWidgetItem* item, int) { c.DoubleClick(m_tree->indexOfTopLevelItem(item)); });
    connect(m_tree->header(), &QHeaderView::sectionClicked, this,
            [&c](int column) { c.HeaderClicked(column); });
}

CWindowControl* CMainView::TextControl(const std::string& key) const {
    auto it = m_textControls.find(key);
    return it == m_textControls.end() ? nullptr : it->second;
}

QPushButton* CMainView::Button(const std::string& key) const {
    auto it = m_buttons.find(key);
    return it == m_buttons.end() ? nullptr : it->second;
}

QLineEdit* CMainView::Edit(EditField field) const {
    auto it = m_edits.find(field);
    return it == m_edits.end() ? nullptr : it->second;
}

void CMainView::FillEffectList() {
    QSignalBlocker block(m_effects);
    m_effects->clear();
    for (const std::string& name : m_manager.GetCreation().GetEffects().GetNames())
        m_effects->addItem(Q(name));
    m_effects->setCurrentIndex(-1);
    RefreshControls();
}

void CMainView::RefreshControls() {
    m_stateBinder.UpdateAllControls();
    m_optionsBinder.UpdateAllControls();
    bool canMove = m_commands->CanMove();
    for (const char* key : {"MoveToFirst", "MoveUp", "MoveDown", "MoveToEnd"})
        m_buttons[key]->setEnabled(canMove);
}

void CMainView::ReadControls() {
    m_stateBinder.UpdateAllSettings();
}

void CMainView::RefreshFromProject() {
    RefreshFromProject(m_commands->SelectedRows());
}

void CMainView::RefreshFromProject(const std::vector<int>& selectedRows) {
    m_commands->RefreshList(selectedRows);
    int w = 0, h = 0;
    m_commands->MovieSize(w, h);
    m_preview->SetFrameSize(w, h);
    m_commands->SelectionChanged();
}

void CMainView::SetCreationRunning(bool running, const QString& cancelText) {
    m_creationRunning = running;
    m_commands->SetCreationRunning(running);
    m_listFrame->setEnabled(!running);
    m_settingsFrame->setEnabled(!running);
    QPushButton* start = m_buttons["StartCreation"];
    if (running) {
        m_startText = start->text();
        start->setText(cancelText);
        start->setEnabled(static_cast<bool>(m_startHandler));
    } else {
        if (!m_startText.isEmpty()) start->setText(m_startText);
        start->setEnabled(static_cast<bool>(m_startHandler));
    }
}

void CMainView::SetStartCreationHandler(std::function<void()> handler) {
    m_startHandler = std::move(handler);
    if (!m_creationRunning) m_buttons["StartCreation"]->setEnabled(static_cast<bool>(m_startHandler));
}

void CMainView::ShowProgress(bool complete, int position, const QString& percentText) {
    (complete ? m_completeBar : m_currentBar)->setValue(position);
    (complete ? m_completePercent : m_currentPercent)->setText(percentText);
}

void CMainView::ShowTime(bool remaining, const QString& text) {
    (remaining ? m_remainingTime : m_currentTime)->setText(text);
}

void CMainView::ShowPlayLength() {
    m_playLength->setText(Q(m_manager.GetPlayLength()));
}

bool CMainView::ShowPreviewOf(int index) {
    CMainViewCommands::PreviewRequest request;
    if (index < 0 || !m_commands->MakePreviewRequest(index, request)) {
        m_previewLoader->Cancel();
        m_preview->SetPicture(nullptr);
        return true;
    }
    m_preview->SetFrameSize(request.width, request.height);
    m_previewFile = request.object.GetFileName();
    // Prepared on the loader's thread; a read error is reported when the result comes.
    m_previewLoader->Request(std::move(request));
    return true;
}

void CMainView::OnPreviewReady(int generation, std::shared_ptr<CDibPicture> picture) {
    if (generation != m_previewLoader->Current()) return;
    if (!picture) {
        m_preview->SetPicture(nullptr);
        m_commands->PreviewFailed(m_previewFile);
        return;
    }
    m_preview->SetPicture(picture->Clone());
    m_commands->PreviewDone();
    ++m_previewsShown;
}

int CMainView::AddFilesResponsive(const std::vector<std::string>& paths) {
    CMainViewCommands& c = *m_commands;
    if (c.IsCreationRunning() || paths.empty()) return 0;
    std::unique_ptr<CAddFilesJob> job = c.BeginAdding(paths);
    // The other commands wait while files are added (the events handled in between could
    // otherwise change the list under the job).
    c.SetCreationRunning(true);
    m_listFrame->setEnabled(false);
    m_settingsFrame->setEnabled(false);
    QElapsedTimer sincePump;
    sincePump.start();
    int shown = m_manager.GetObjectCount();
    while (job->Step()) {
        // New rows appear as they are read; events are handled about every 15 ms.
        if (sincePump.elapsed() >= 15 || job->Done()) {
            std::vector<PictureListRow> rows;
            for (int i = shown; i < m_manager.GetObjectCount(); ++i)
                rows.push_back(PictureListRowTexts(*m_manager.GetObject(i), i));
            shown = m_manager.GetObjectCount();
            m_list->AppendRows(rows);
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            sincePump.restart();
        }
    }
    c.SetCreationRunning(false);
    m_listFrame->setEnabled(true);
    m_settingsFrame->setEnabled(true);
    c.FinishAdding(*job);
    return job->Added();
}

void CMainView::ApplyThumbnails() {
    // Colour fadings get a swatch, clips the style's video icon, pictures their decoded thumbnail.
    static const QIcon videoIcon = QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
    int n = std::min(m_tree->topLevelItemCount(), m_manager.GetObjectCount());
    const bool exif = m_commands->AppliesExifOrientation();
    for (int i = 0; i < n; ++i) {
        const CProjectObject* o = m_manager.GetObject(i);
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        if (o->IsColorFade()) {
            QPixmap swatch(CThumbnailLoader::kWidth, CThumbnailLoader::kHeight);
            swatch.fill(QColor(ColourRed(o->colorFadeColorRef), ColourGreen(o->colorFadeColorRef),
                               ColourBlue(o->colorFadeColorRef)));
            // A frame, so white and black swatches show on any row colour.
            QPainter frame(&swatch);
            frame.setPen(QColor(128, 128, 128));
            frame.drawRect(0, 0, swatch.width() - 1, swatch.height() - 1);
            frame.end();
            item->setIcon(kColFileName, QIcon(swatch));
            continue;
        }
        if (o->IsAVI()) {
            item->setIcon(kColFileName, videoIcon);
            continue;
        }
        std::string path = ResolveProjectPath(NativePath(o->GetFileName()));
        QString key = Q(path) + "#" + QString::number(o->rotation) + (exif ? "#exif" : "");
        auto it = m_icons.find(key);
        if (it != m_icons.end()) {
            item->setIcon(kColFileName, it.value());
        } else {
            m_thumbnails->Request(key, path, o->rotation, exif);
        }
    }
}

void CMainView::OnThumbnail(const QString& key, const QImage& image) {
    static const QIcon unreadable = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    m_icons.insert(key, image.isNull() ? unreadable : QIcon(QPixmap::fromImage(image)));
    // Thumbnails come in bursts: the rows take them in one pass a moment later.
    if (!m_thumbnailTimer.isActive()) m_thumbnailTimer.start();
}

bool CMainView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tree->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData()->hasUrls() && !m_commands->IsCreationRunning()) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            std::vector<std::string> paths;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile()) paths.push_back(S(url.toLocalFile()));
            drop->acceptProposedAction();
            // Dropped folders and files take the path of "Add Pictures" and "Add Picture Directory".
            std::vector<std::string> files = CMainViewCommands::DroppedFiles(paths);
            if (!files.empty()) AddFilesResponsive(files);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace trov
