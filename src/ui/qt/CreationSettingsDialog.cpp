// The creation settings dialog's widgets (see the header).
#include "ui/qt/CreationSettingsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "ui/LanguageTable.h"
#include "ui/MainViewCommands.h"
#include "ui/qt/CodecDialogs.h"

namespace trov {

namespace {
constexpr const char* kSection = "CREATION_SETTINGS_DLG";
}

CCreationSettingsDialog::CCreationSettingsDialog(CTROVManager& manager, CCreation& creation,
                                                 const CWndLanguageManager& mainLanguage, CUserPrompt& prompt,
                                                 CMainViewChooser& chooser, int first, int last, int maxEnd,
                                                 std::string codecDirectory, std::string autoCodecFile,
                                                 QWidget* parent)
    : QDialog(parent),
      m_model(manager, creation, prompt, std::move(codecDirectory)),
      m_prompt(prompt),
      m_chooser(chooser),
      m_autoCodecFile(std::move(autoCodecFile)) {
    setObjectName(QStringLiteral("CreationSettings"));
    BuildControls();
    // 1. The texts and the list's columns.
    RegisterTexts(mainLanguage);
    m_model.SetTextLookup([this](const std::string& key, const std::string& fallback) {
        return m_language.GetText(kSection, key, fallback);
    });
    m_model.SetBeep([] { QApplication::beep(); });
    // 2., 3. and 5.: quality, codec texts, output file, range, cache switches.
    m_model.Open(first, last, maxEnd);
    ShowState();
    // 4. The codec settings files.
    {
        QSignalBlocker block(m_list);
        m_model.FillCodecList(*m_listControl);
        for (int c = 0; c < m_list->columnCount(); ++c) m_list->resizeColumnToContents(c);
    }
    // Room for the wrapped texts at their length in the language shown.
    resize(sizeHint().expandedTo(QSize(760, 700)));
    // 6. A batch run's codec settings, once the dialog is on the screen.
    if (!m_autoCodecFile.empty()) QTimer::singleShot(0, this, [this] { LoadAutoCodecFile(); });
}

CCreationSettingsDialog::~CCreationSettingsDialog() = default;

QWidget* CCreationSettingsDialog::Remember(const char* key, QWidget* widget) {
    m_widgets[key] = widget;
    return widget;
}

QPushButton* CCreationSettingsDialog::MakeButton(const char* key) {
    const char* text = FindDefaultText(kSection, key);
    auto* b = new QPushButton(Q(text ? text : key));
    b->setObjectName(Q(key));
    b->setAutoDefault(false);
    Remember(key, b);
    return b;
}

QLabel* CCreationSettingsDialog::MakeLabel(const char* key) {
    const char* text = FindDefaultText(kSection, key);
    auto* l = new QLabel(Q(text ? text : key));
    Remember(key, l);
    return l;
}

void CCreationSettingsDialog::BuildControls() {
    Remember("MainTitle", this);
    setMinimumWidth(720);
    auto* root = new QVBoxLayout(this);
    root->addWidget(BuildMovieGroup());
    root->addWidget(BuildCreationGroup());
    QLabel* note = MakeLabel("StaticInformation");
    note->setWordWrap(true);
    note->setStyleSheet(
        QStringLiteral("QLabel { padding: 4px; border: 1px solid #c8a000; background: #fff8d8; }"));
    root->addWidget(note);
    root->addLayout(BuildCodecRows());
    root->addWidget(BuildCodecList(), 1);
    QPushButton* save = MakeButton("SaveCodecSettings");
    root->addWidget(save, 0, Qt::AlignLeft);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton* start = MakeButton("StartCreation");
    start->setDefault(true);
    bottom->addWidget(start);
    bottom->addWidget(MakeButton("Cancel"));
    root->addLayout(bottom);
    ConnectControls();
}

// "Movie Settings": the output file and "Browse".
QGroupBox* CCreationSettingsDialog::BuildMovieGroup() {
    auto* movie = new QGroupBox;
    Remember("MovieSettings", movie);
    auto* grid = new QGridLayout(movie);
    grid->addWidget(MakeLabel("StaticFilename"), 0, 0);
    m_output = new QLineEdit;
    m_output->setObjectName(QStringLiteral("OutputFile"));
    m_output->setReadOnly(true);
    m_output->setMinimumWidth(420);
    grid->addWidget(m_output, 0, 1, 1, 4);
    grid->addWidget(MakeButton("BrowseFileName"), 0, 5);
    return movie;
}

// "Creation Settings": the range, the quality with its description, the cache switches.
QGroupBox* CCreationSettingsDialog::BuildCreationGroup() {
    auto* creation = new QGroupBox;
    Remember("StaticCreationSettings", creation);
    auto* column = new QVBoxLayout(creation);
    auto* grid = new QGridLayout;
    auto positionBox = [](const char* name) {
        auto* box = new QLineEdit;
        box->setObjectName(QString::fromUtf8(name));
        box->setMaximumWidth(80);
        return box;
    };
    grid->addWidget(MakeLabel("StaticStartPosition"), 0, 0);
    m_startBox = positionBox("StartPosition");
    grid->addWidget(m_startBox, 0, 1);
    grid->addWidget(MakeLabel("StaticEndPosition"), 0, 2);
    m_endBox = positionBox("EndPosition");
    grid->addWidget(m_endBox, 0, 3);
    grid->addWidget(MakeLabel("StaticQuality"), 1, 0);
    m_quality = new QComboBox;
    m_quality->setObjectName(QStringLiteral("Quality"));
    for (const SQualityChoice& q : QualityChoices()) m_quality->addItem(QString::fromUtf8(q.name));
    grid->addWidget(m_quality, 1, 1, 1, 3);
    grid->setColumnStretch(4, 1);
    column->addLayout(grid);
    m_qualityText = new QLabel;
    m_qualityText->setObjectName(QStringLiteral("QualityDescription"));
    m_qualityText->setWordWrap(true);
    column->addWidget(m_qualityText);
    m_streamCache = AddCheckRow(column, "EnableVideoStreamCache");
    m_permanentCache = AddCheckRow(column, "EnablePermanentCache");
    column->addWidget(MakeButton("ResetCache"), 0, Qt::AlignLeft);
    return creation;
}

// A check box whose long text wraps beside it (a check box's own text does not wrap).
QCheckBox* CCreationSettingsDialog::AddCheckRow(QVBoxLayout* column, const char* key) {
    auto* box = new QCheckBox;
    box->setObjectName(QString::fromUtf8(key));
    Remember(key, box);
    auto* text = new QLabel;
    text->setWordWrap(true);
    text->setBuddy(box);
    box->setProperty("trovTextLabel", QVariant::fromValue<QObject*>(text));
    auto* line = new QHBoxLayout;
    line->addWidget(box, 0, Qt::AlignTop);
    line->addWidget(text, 1);
    column->addLayout(line);
    return box;
}

// The two codec buttons, each with the text of what is set up.
QGridLayout* CCreationSettingsDialog::BuildCodecRows() {
    auto* codecs = new QGridLayout;
    auto codecText = [](const char* name) {
        auto* text = new QLineEdit;
        text->setObjectName(QString::fromUtf8(name));
        text->setReadOnly(true);
        return text;
    };
    codecs->addWidget(MakeButton("ChooseVideoCodec"), 0, 0);
    m_videoText = codecText("VideoCodecText");
    codecs->addWidget(m_videoText, 0, 1);
    codecs->addWidget(MakeButton("ChooseAudioCodec"), 1, 0);
    m_audioText = codecText("AudioCodecText");
    codecs->addWidget(m_audioText, 1, 1);
    codecs->setColumnStretch(1, 1);
    return codecs;
}

// The codec settings files: "Filename", "Video", "Audio".
QTreeWidget* CCreationSettingsDialog::BuildCodecList() {
    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("CodecSettingsList"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumHeight(120);
    m_list->installEventFilter(this);
    m_listControl = std::make_unique<CQtPictureList>(m_list);
    while (m_listControl->GetColumnCount() > 0) m_listControl->DeleteColumn(0);
    for (const CColumnDefault& c : CodecSettingsListColumns())
        m_listControl->InsertColumn(m_listControl->GetColumnCount(), c.name, c.width);
    return m_list;
}

void CCreationSettingsDialog::ConnectControls() {
    connect(Button("BrowseFileName"), &QPushButton::clicked, this, &CCreationSettingsDialog::Browse);
    connect(m_startBox, &QLineEdit::textChanged, this, [this] { PositionsEdited(); });
    connect(m_endBox, &QLineEdit::textChanged, this, [this] { PositionsEdited(); });
    connect(m_quality, &QComboBox::textActivated, this, [this](const QString& name) {
        if (m_model.SelectQuality(S(name))) m_qualityText->setText(Q(m_model.QualityDescription()));
    });
    connect(m_streamCache, &QCheckBox::clicked, this, [this](bool on) { m_model.SetStreamCache(on); });
    connect(m_permanentCache, &QCheckBox::clicked, this, [this](bool on) { m_model.SetPermanentCache(on); });
    connect(Button("ResetCache"), &QPushButton::clicked, this, [this] { m_model.ResetCache(); });
    connect(Button("ChooseVideoCodec"), &QPushButton::clicked, this, &CCreationSettingsDialog::ChooseVideo);
    connect(Button("ChooseAudioCodec"), &QPushButton::clicked, this, &CCreationSettingsDialog::ChooseAudio);
    connect(Button("SaveCodecSettings"), &QPushButton::clicked, this, &CCreationSettingsDialog::SaveCodecs);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { LoadSelected(); });
    connect(Button("StartCreation"), &QPushButton::clicked, this, &CCreationSettingsDialog::StartCreation);
    connect(Button("Cancel"), &QPushButton::clicked, this, &QDialog::reject);
}

void CCreationSettingsDialog::RegisterTexts(const CWndLanguageManager& mainLanguage) {
    const CLanguageSection* section = FindLanguageSection(kSection);
    if (!section) return;
    m_language.CopySectionFrom(mainLanguage, section->section);
    // The list's columns are a section of their own in the language file.
    m_language.GetLanguageStore().CopySection(mainLanguage.GetLanguageStore(), kCodecSettingsListSection);
    m_language.AddListCtrl(m_listControl.get(), kCodecSettingsListSection, section->category);
    for (const CLanguageKey& key : section->keys) {
        auto it = m_widgets.find(key.key);
        if (it == m_widgets.end() || key.mode == 0) continue;
        QWidget* target = it->second;
        // A check box's long text is shown by its wrapping label.
        if (auto* box = qobject_cast<QCheckBox*>(target))
            if (auto* text = qobject_cast<QLabel*>(box->property("trovTextLabel").value<QObject*>()))
                target = text;
        auto adapter = std::make_unique<CQtWindowControl>(target);
        m_language.AddControl(adapter.get(), key.text, section->section, key.key, section->category,
                              key.mode);
        m_adapters.push_back(std::move(adapter));
    }
    m_language.UpdateCategory(section->category);
}

QPushButton* CCreationSettingsDialog::Button(const std::string& key) const {
    auto it = m_widgets.find(key);
    return it == m_widgets.end() ? nullptr : qobject_cast<QPushButton*>(it->second);
}

void CCreationSettingsDialog::ShowState() {
    m_filling = true;
    {
        QSignalBlocker a(m_startBox), b(m_endBox), c(m_quality), d(m_streamCache), e(m_permanentCache);
        m_output->setText(Q(m_model.OutputFile()));
        m_startBox->setText(QString::number(m_model.StartPosition()));
        m_endBox->setText(QString::number(m_model.EndPosition()));
        m_quality->setCurrentText(Q(m_model.QualityName()));
        m_qualityText->setText(Q(m_model.QualityDescription()));
        m_streamCache->setChecked(m_model.StreamCacheChecked());
        m_permanentCache->setChecked(m_model.PermanentCacheChecked());
    }
    m_filling = false;
    RefreshCodecTexts();
}

void CCreationSettingsDialog::RefreshCodecTexts() {
    m_videoText->setText(Q(m_model.VideoText()));
    m_videoText->setStyleSheet(m_model.VideoFailed() ? QStringLiteral("color: #b00000;") : QString());
    m_audioText->setText(Q(m_model.AudioText()));
}

void CCreationSettingsDialog::PositionsEdited() {
    if (m_filling) return;
    m_model.PositionsChanged(S(m_startBox->text()), S(m_endBox->text()), [this] {
        // These rewrites come back as changes; the model ignores them.
        m_startBox->setText(QString::number(m_model.StartPosition()));
        m_endBox->setText(QString::number(m_model.EndPosition()));
    });
}

void CCreationSettingsDialog::Browse() {
    std::string path = m_chooser.ChooseFileToSave(kOutputFileFilter, kOutputFileSuffix);
    if (path.empty()) return;
    m_model.SetOutputFile(path);
    m_output->setText(Q(m_model.OutputFile()));
}

void CCreationSettingsDialog::ChooseVideo() {
    SetVideoChooserOutputPath(m_model.ResolvedOutputPath());
    m_model.ChooseVideoCodec();
    RefreshCodecTexts();
}

void CCreationSettingsDialog::ChooseAudio() {
    m_model.ChooseAudioCodec(this);
    RefreshCodecTexts();
}

void CCreationSettingsDialog::SaveCodecs() {
    QSignalBlocker block(m_list);
    if (m_model.SaveCodecSettings(*m_listControl).empty()) return;
    for (int c = 0; c < m_list->columnCount(); ++c) m_list->resizeColumnToContents(c);
}

void CCreationSettingsDialog::LoadSelected() {
    QList<QTreeWidgetItem*> rows = m_list->selectedItems();
    if (rows.isEmpty()) return;
    m_model.LoadCodecSettings(S(rows.front()->text(0)), this);
    RefreshCodecTexts();
}

void CCreationSettingsDialog::LoadAutoCodecFile() {
    bool loaded = m_model.LoadCodecSettings(m_autoCodecFile, this);
    RefreshCodecTexts();
    if (!loaded) {
        if (!m_model.VideoFailed()) {
            // The file itself could not be read: say so where the codec would be shown.
            m_videoText->setText(Q(std::string(kVideoCodecErrorText) + " (" + m_autoCodecFile + ")"));
            m_videoText->setStyleSheet(QStringLiteral("color: #b00000;"));
        }
        return;
    }
    StartCreation();
}

void CCreationSettingsDialog::StartCreation() {
    if (m_model.CheckStart()) accept();
    RefreshCodecTexts();
}

bool CCreationSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
            QTreeWidgetItem* item = m_list->currentItem();
            if (item) {
                QSignalBlocker block(m_list);
                m_model.DeleteCodecSettings(*m_listControl, m_list->indexOfTopLevelItem(item));
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace trov
