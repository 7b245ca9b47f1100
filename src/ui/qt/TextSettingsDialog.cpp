// The text settings and special text edit dialogs' widgets.
#include "ui/qt/TextSettingsDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "creation/Creation.h"
#include "ui/qt/PreviewWidget.h"
#include "ui/qt/QtControls.h"

namespace trov {

// ---- text settings --------------------------------------------------------------------------------

CTextSettingsDialog::CTextSettingsDialog(CTextSettingsModel& model, CMainViewCommands& commands, int object,
                                         const CWndLanguageManager& mainLanguage, QWidget* parent)
    : QDialog(parent), m_model(model), m_commands(commands), m_object(object) {
    BuildControls();
    m_texts.Apply(mainLanguage);
    FillEffectLists();
    ShowPosition();
}

void CTextSettingsDialog::BuildControls() {
    m_texts.Add("TextSettings", this);
    setWindowTitle(m_texts.Default("TextSettings"));
    auto add = [this](const char* key, QWidget* w) {
        m_texts.Add(key, w);
        m_controls[key] = w;
        return w;
    };
    auto* position =
        static_cast<QGroupBox*>(add("TextPosition", new QGroupBox(m_texts.Default("TextPosition"))));
    auto* grid = new QGridLayout(position);
    m_positionBox = new QLineEdit;
    m_positionBox->setReadOnly(true);
    grid->addWidget(m_positionBox, 0, 0, 1, 3);
    // The buttons sit where their caption goes: top row first.
    const int rows[9] = {3, 3, 3, 2, 2, 1, 1, 1, 2};
    const int columns[9] = {0, 1, 2, 0, 2, 0, 1, 2, 1};
    const auto& buttons = CTextSettingsModel::PositionButtons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        auto* b = new QPushButton(m_texts.Default(buttons[i].key));
        b->setAutoDefault(false);
        add(buttons[i].key, b);
        m_positionButtons[buttons[i].code] = b;
        grid->addWidget(b, rows[i], columns[i]);
        const int code = buttons[i].code;
        connect(b, &QPushButton::clicked, this, [this, code] { SetPosition(code); });
    }

    auto* fading =
        static_cast<QGroupBox*>(add("StaticTextFading", new QGroupBox(m_texts.Default("StaticTextFading"))));
    auto* fadingGrid = new QGridLayout(fading);
    fadingGrid->addWidget(add("StaticTextFadeIn", new QLabel(m_texts.Default("StaticTextFadeIn"))), 0, 0);
    m_fadeIn = new QComboBox;
    m_fadeIn->setMinimumContentsLength(24);
    fadingGrid->addWidget(m_fadeIn, 0, 1);
    fadingGrid->addWidget(add("StaticTextFadeOut", new QLabel(m_texts.Default("StaticTextFadeOut"))), 1, 0);
    m_fadeOut = new QComboBox;
    m_fadeOut->setMinimumContentsLength(24);
    fadingGrid->addWidget(m_fadeOut, 1, 1);
    m_reset = static_cast<QPushButton*>(
        add("ResetTextFadings", new QPushButton(m_texts.Default("ResetTextFadings"))));
    m_reset->setAutoDefault(false);
    fadingGrid->addWidget(m_reset, 0, 2, 2, 1);
    connect(m_reset, &QPushButton::clicked, this, &CTextSettingsDialog::ResetFadings);

    // The caption on the selected picture, drawn by the creation's own caption renderer.
    m_preview = new CPreviewWidget;
    int w = 640, h = 480;
    m_commands.MovieSize(w, h);
    m_preview->SetFrameSize(w, h);
    m_preview->setMinimumSize(320, 320 * h / std::max(1, w));
    m_previewNote = new QLabel;
    m_previewNote->setWordWrap(true);

    auto* ok = static_cast<QPushButton*>(add("OK", new QPushButton(m_texts.Default("OK"))));
    ok->setDefault(true);
    auto* cancel = static_cast<QPushButton*>(add("Cancel", new QPushButton(m_texts.Default("Cancel"))));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CTextSettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addWidget(position);
    left->addWidget(fading);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(m_preview, 1);
    right->addWidget(m_previewNote);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
}

void CTextSettingsDialog::FillEffectLists() {
    std::vector<std::string> names =
        CTextSettingsModel::CaptionEffectNames(m_commands.GetManager().GetCreation().GetEffects());
    for (QComboBox* list : {m_fadeIn, m_fadeOut}) {
        // The lists sort themselves.
        CQtComboControl sorted(list, true);
        for (const std::string& name : names) sorted.AddItem(name);
    }
    m_fadeIn->setCurrentIndex(m_fadeIn->findText(Q(m_model.GetFadeIn())));
    m_fadeOut->setCurrentIndex(m_fadeOut->findText(Q(m_model.GetFadeOut())));
}

QPushButton* CTextSettingsDialog::PositionButton(int code) const {
    auto it = m_positionButtons.find(code);
    return it == m_positionButtons.end() ? nullptr : it->second;
}

QWidget* CTextSettingsDialog::Control(const std::string& languageKey) const {
    auto it = m_controls.find(languageKey);
    return it == m_controls.end() ? nullptr : it->second;
}

void CTextSettingsDialog::SetPosition(int code) {
    if (m_model.SetPosition(code)) ShowPosition();
}

void CTextSettingsDialog::ShowPosition() {
    m_positionBox->setText(Q(m_model.PositionName(m_texts.Language())));
    DrawPreview();
}

void CTextSettingsDialog::DrawPreview() {
    CMainViewCommands::PreviewRequest request;
    std::unique_ptr<CDibPicture> picture;
    if (m_commands.MakePreviewRequest(m_object, request)) {
        request.object = m_model.PreviewObject(request.object);
        request.withCaption = true;
        picture = CMainViewCommands::PreparePreviewPicture(m_commands.GetPicturePreparation(), request);
    }
    m_previewNote->setText(picture ? QString() : Q(viewtext::kCanNotRead + request.object.GetFileName()));
    m_preview->SetPicture(std::move(picture));
    ++m_previews;
}

void CTextSettingsDialog::ResetFadings() {
    m_model.ResetFadings();
    m_fadeIn->setCurrentIndex(m_fadeIn->findText(Q(m_model.GetFadeIn())));
    m_fadeOut->setCurrentIndex(m_fadeOut->findText(Q(m_model.GetFadeOut())));
}

void CTextSettingsDialog::accept() {
    m_model.SetFadeIn(S(m_fadeIn->currentText()));
    m_model.SetFadeOut(S(m_fadeOut->currentText()));
    QDialog::accept();
}

// ---- special text edit ----------------------------------------------------------------------------

CSpecialTextEditDialog::CSpecialTextEditDialog(const CWndLanguageManager& mainLanguage, QWidget* parent)
    : QDialog(parent) {
    m_texts.Add("MainTitle", this);
    setWindowTitle(m_texts.Default("MainTitle"));
    auto* label = new QLabel(m_texts.Default("Removes"));
    label->setWordWrap(true);
    m_texts.Add("Removes", label);
    m_search = new QLineEdit;
    m_search->setMinimumWidth(280);
    m_start = new QPushButton(m_texts.Default("StartRemovingLetters"));
    m_start->setDefault(true);
    m_texts.Add("StartRemovingLetters", m_start);
    m_close = new QPushButton(m_texts.Default("CloseWithoutEditing"));
    m_close->setAutoDefault(false);
    m_texts.Add("CloseWithoutEditing", m_close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_search);
    layout->addLayout(buttons);
    m_texts.Apply(mainLanguage);
    connect(m_start, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

std::string CSpecialTextEditDialog::SearchText() const {
    return S(m_search->text());
}

}  // namespace trov
