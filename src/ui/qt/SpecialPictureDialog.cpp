// The special picture settings and panorama dialogs' widgets (see the header).
#include "ui/qt/SpecialPictureDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "creation/TROVManager.h"
#include "ui/LanguageTable.h"
#include "ui/MainViewCommands.h"
#include "ui/PictureMoveEditorModel.h"
#include "ui/qt/PictureMoveEditor.h"

namespace trov {

namespace {
constexpr const char* kSpecialSection = "SPECIAL_PICTURE_SETTINGS_DLG";
constexpr const char* kPanoramaSection = "PANORAMA_SCROLLING_DLG";
}  // namespace

void TranslateMotionDialog(const CWndLanguageManager& mainLanguage, CWndLanguageManager& language,
                           const char* section, const std::map<std::string, QWidget*>& widgets,
                           std::vector<std::unique_ptr<CWindowControl>>& adapters) {
    OpenDialogLanguage(mainLanguage, language, section, [&](std::string_view key) -> CWindowControl* {
        auto it = widgets.find(std::string(key));
        if (it == widgets.end()) return nullptr;
        adapters.push_back(std::make_unique<CQtWindowControl>(it->second));
        return adapters.back().get();
    });
}

QString DefaultText(const char* section, const char* key) {
    const char* text = FindDefaultText(section, key);
    return QString::fromUtf8(text ? text : key);
}

// ---- panorama scrolling ----

CPanoramaScrollingDialog::CPanoramaScrollingDialog(const CWndLanguageManager& mainLanguage, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PanoramaScrolling"));
    m_widgets["MainTitle"] = this;
    auto* root = new QVBoxLayout(this);
    auto* info = new QLabel(DefaultText(kPanoramaSection, "Information"));
    info->setWordWrap(true);
    m_widgets["Information"] = info;
    root->addWidget(info);
    auto* group = new QGroupBox(DefaultText(kPanoramaSection, "ScrollFrom"));
    m_widgets["ScrollFrom"] = group;
    auto* grid = new QGridLayout(group);
    // Laid out as the directions point: the horizontal pair in a row, the vertical pair in a column.
    const int cells[4][2] = {{1, 0}, {1, 2}, {0, 1}, {2, 1}};
    int i = 0;
    for (const SPanoramaDirection& d : PanoramaDirections()) {
        auto* b = new QPushButton(DefaultText(kPanoramaSection, d.key));
        b->setObjectName(QString::fromUtf8(d.key));
        b->setAutoDefault(false);
        m_widgets[d.key] = b;
        grid->addWidget(b, cells[i][0], cells[i][1]);
        ++i;
        const int code = d.code;
        connect(b, &QPushButton::clicked, this, [this, code] {
            m_code = code;
            accept();
        });
    }
    root->addWidget(group);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* cancel = new QPushButton(DefaultText(kPanoramaSection, "Cancel"));
    cancel->setObjectName(QStringLiteral("Cancel"));
    m_widgets["Cancel"] = cancel;
    bottom->addWidget(cancel);
    root->addLayout(bottom);
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_code = 0;
        reject();
    });
    TranslateMotionDialog(mainLanguage, m_language, kPanoramaSection, m_widgets, m_adapters);
    setMinimumWidth(460);
}

QPushButton* CPanoramaScrollingDialog::Button(const std::string& key) const {
    auto it = m_widgets.find(key);
    return it == m_widgets.end() ? nullptr : qobject_cast<QPushButton*>(it->second);
}

// ---- special picture settings ----

CSpecialPictureDialog::CSpecialPictureDialog(CMainViewCommands& commands,
                                             const CWndLanguageManager& mainLanguage, int index,
                                             QWidget* parent)
    : QDialog(parent),
      m_commands(commands),
      m_mainLanguage(mainLanguage),
      m_index(index),
      m_model(*commands.GetManager().GetObject(index)) {
    setObjectName(QStringLiteral("SpecialPictureSettings"));
    BuildControls();
    TranslateMotionDialog(mainLanguage, m_language, kSpecialSection, m_widgets, m_adapters);
    // The check boxes show the scratch store; each Configure button is usable while its box is ticked.
    m_binder.SetSettings(&m_model.Store());
    auto check = [this](QCheckBox* box, const char* key) {
        m_adapters.push_back(std::make_unique<CQtCheckControl>(box));
        m_binder.AddBinding(m_adapters.back().get(), specialpic::kTemp, key, kBindCheck);
    };
    check(m_panorama, specialpic::kPanorama);
    check(m_move, specialpic::kPictureMove);
    auto enable = [this](const char* buttonKey, const char* key) {
        m_adapters.push_back(std::make_unique<CQtWindowControl>(Button(buttonKey)));
        m_binder.AddBinding(m_adapters.back().get(), specialpic::kTemp, key, "0", kBindEnableIfDifferent);
    };
    enable("ConfigurePanoramaScrolling", specialpic::kPanorama);
    enable("ConfigurePictureMove", specialpic::kPictureMove);
    m_binder.UpdateAllControls();
}

CSpecialPictureDialog::~CSpecialPictureDialog() = default;

void CSpecialPictureDialog::BuildControls() {
    m_widgets["MainTitle"] = this;
    auto button = [this](const char* key) {
        auto* b = new QPushButton(DefaultText(kSpecialSection, key));
        b->setObjectName(QString::fromUtf8(key));
        b->setAutoDefault(false);
        m_widgets[key] = b;
        return b;
    };
    auto* grid = new QGridLayout;
    m_panorama = new QCheckBox(DefaultText(kSpecialSection, "PanoramaScrolling"));
    m_panorama->setObjectName(QStringLiteral("PanoramaScrolling"));
    m_widgets["PanoramaScrolling"] = m_panorama;
    m_move = new QCheckBox(DefaultText(kSpecialSection, "PictureMove"));
    m_move->setObjectName(QStringLiteral("PictureMove"));
    m_widgets["PictureMove"] = m_move;
    QPushButton* configurePanorama = button("ConfigurePanoramaScrolling");
    QPushButton* configureMove = button("ConfigurePictureMove");
    grid->addWidget(m_panorama, 0, 0);
    grid->addWidget(configurePanorama, 0, 1);
    grid->addWidget(m_move, 1, 0);
    grid->addWidget(configureMove, 1, 1);
    grid->setColumnStretch(0, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    m_widgets["OK"] = ok;
    bottom->addWidget(ok);
    QPushButton* cancel = button("Cancel");
    bottom->addWidget(cancel);
    auto* root = new QVBoxLayout(this);
    root->addLayout(grid);
    root->addStretch();
    root->addLayout(bottom);
    setMinimumWidth(400);

    // The box's own toggle is replaced by the model's: one box ticked clears the other.
    connect(m_panorama, &QCheckBox::clicked, this, [this] {
        m_model.ClickPanorama();
        m_binder.UpdateAllControls();
    });
    connect(m_move, &QCheckBox::clicked, this, [this] {
        m_model.ClickPictureMove();
        m_binder.UpdateAllControls();
    });
    connect(configurePanorama, &QPushButton::clicked, this, &CSpecialPictureDialog::ConfigurePanorama);
    connect(configureMove, &QPushButton::clicked, this, &CSpecialPictureDialog::ConfigurePictureMove);
    connect(ok, &QPushButton::clicked, this, &CSpecialPictureDialog::AcceptSettings);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QPushButton* CSpecialPictureDialog::Button(const std::string& key) const {
    auto it = m_widgets.find(key);
    return it == m_widgets.end() ? nullptr : qobject_cast<QPushButton*>(it->second);
}

void CSpecialPictureDialog::ConfigurePanorama() {
    CPanoramaScrollingDialog dialog(m_mainLanguage, this);
    dialog.exec();
    m_model.PanoramaDialogEnded(dialog.ChosenCode());
    m_binder.UpdateAllControls();
}

void CSpecialPictureDialog::ConfigurePictureMove() {
    int w = 0, h = 0;
    m_commands.MovieSize(w, h);
    const CProjectObject& working = m_model.Working();
    auto picture = PictureMoveEditorPicture(m_commands.GetPicturePreparation(), working, w, h);
    if (!picture) {
        m_commands.Prompt().Message(viewtext::kCanNotRead + working.GetFileName());
        return;
    }
    CPictureMoveEditor editor(working, std::move(picture), m_commands.GetManager().GetProjectSettings(),
                              m_mainLanguage, m_commands.Prompt(), m_commands.Chooser(), this);
    if (editor.exec() != QDialog::Accepted) return;
    const CPictureMoveEditorModel& result = editor.Model();
    m_model.PictureMoveEdited(editor.Edited(), result.QualityText(), result.ScaleLimitText());
}

void CSpecialPictureDialog::AcceptSettings() {
    CTROVManager& manager = m_commands.GetManager();
    CProjectObject* object = manager.GetObject(m_index);
    if (object) m_model.Accept(*object, manager.GetProjectSettings());
    accept();
}

bool OpenSpecialPictureSettingsFor(CMainViewCommands& commands, const CWndLanguageManager& mainLanguage,
                                   int index, QWidget* parent) {
    if (!commands.GetManager().GetObject(index) || commands.IsCreationRunning()) return false;
    CSpecialPictureDialog dialog(commands, mainLanguage, index, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool OpenSpecialPictureSettings(CMainViewCommands& commands, const CWndLanguageManager& mainLanguage,
                                QWidget* parent) {
    if (commands.IsCreationRunning()) return false;
    std::string refusal;
    const int index = SpecialPictureTarget(commands.GetManager(), commands.SelectedObjects(), refusal);
    if (index < 0) {
        if (!refusal.empty()) commands.Prompt().Message(refusal);
        return false;
    }
    if (!OpenSpecialPictureSettingsFor(commands, mainLanguage, index, parent)) return false;
    commands.RefreshList();
    commands.SelectionChanged();
    commands.SetModified(true);
    return true;
}

}  // namespace trov
