// The check effects dialog (see the header).
#include "ui/qt/CheckEffectsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "creation/TROVManager.h"
#include "ui/CheckEffectsModel.h"
#include "ui/LanguageTable.h"
#include "ui/qt/PreviewWidget.h"
#include "ui/qt/QtServices.h"

namespace trov {

CCheckEffectsDialog::CCheckEffectsDialog(CTROVManager& manager, CCheckEffectsModel& model,
                                         const CWndLanguageManager& mainLanguage, CUserPrompt& prompt,
                                         QWidget* parent)
    : QDialog(parent), m_manager(manager), m_model(model), m_prompt(prompt) {
    setObjectName(QStringLiteral("CheckEffects"));
    const CLanguageSection* section = FindLanguageSection(checkeffects::kSection);
    auto text = [section](const char* key) {
        const char* t = section ? FindDefaultText(section->section, key) : nullptr;
        return QString::fromUtf8(t ? t : key);
    };
    std::map<std::string, QWidget*> widgets;
    widgets["MainTitle"] = this;
    setWindowTitle(text("MainTitle"));

    m_effects = new QComboBox;
    m_effects->setObjectName(QStringLiteral("Effects"));
    m_effects->setMinimumContentsLength(30);
    for (const std::string& name : m_model.Names()) m_effects->addItem(Q(name));
    m_effects->setCurrentIndex(-1);
    auto* frameLabel = new QLabel(text("CurrentFrame"));
    widgets["CurrentFrame"] = frameLabel;
    m_frame = new QLabel(QStringLiteral("0"));
    m_frame->setObjectName(QStringLiteral("FrameNumber"));
    m_frame->setMinimumWidth(60);
    m_disable = new QCheckBox(text("DisableEffect"));
    widgets["DisableEffect"] = m_disable;
    m_next = new QPushButton(text("ShowNextFrame"));
    widgets["ShowNextFrame"] = m_next;
    m_about = new QPushButton(text("AboutCurrentFading"));
    widgets["AboutCurrentFading"] = m_about;
    m_automatic = new QCheckBox(QString::fromUtf8(checkeffects::kShowAutomatically));
    m_use = new QPushButton(QString::fromUtf8(checkeffects::kUseEffect));
    m_use->setVisible(m_model.IsForEntry());
    m_done = new QPushButton(QString::fromUtf8(checkeffects::kDone));
    m_done->setDefault(true);
    m_picture = new CPreviewWidget;
    if (const CPicture* a = m_model.PictureA()) m_picture->SetFrameSize(a->GetWidth(), a->GetHeight());
    m_picture->setMinimumSize(320, 240);

    auto* grid = new QGridLayout;
    grid->addWidget(m_effects, 0, 0, 1, 3);
    grid->addWidget(frameLabel, 1, 0);
    grid->addWidget(m_frame, 1, 1);
    grid->addWidget(m_disable, 2, 0, 1, 3);
    grid->addWidget(m_next, 3, 0, 1, 2);
    grid->addWidget(m_about, 3, 2);
    grid->addWidget(m_automatic, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_use);
    buttons->addWidget(m_done);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_picture, 1);
    layout->addLayout(buttons);
    BuildTexts(mainLanguage, widgets);

    m_timer.setInterval(m_model.StepIntervalMs());
    connect(&m_timer, &QTimer::timeout, this, &CCheckEffectsDialog::ShowNextFrame);
    connect(m_effects, &QComboBox::currentTextChanged, this, &CCheckEffectsDialog::EffectChosen);
    connect(m_next, &QPushButton::clicked, this, &CCheckEffectsDialog::ShowNextFrame);
    connect(m_disable, &QCheckBox::clicked, this, [this](bool on) { m_model.SetDisabled(on); });
    connect(m_about, &QPushButton::clicked, this, [this] {
        if (!m_model.Selected().empty()) m_prompt.Message(m_model.AboutText(), S(windowTitle()));
    });
    connect(m_automatic, &QCheckBox::toggled, this, &CCheckEffectsDialog::SetAutomatic);
    connect(m_use, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_done, &QPushButton::clicked, this, &QDialog::reject);

    if (!m_model.Selected().empty()) m_effects->setCurrentText(Q(m_model.Selected()));
    EffectChosen(m_effects->currentText());
    m_automatic->setChecked(m_manager.GetAutoShowNextPreviewFadingFrame());
    SetAutomatic(m_automatic->isChecked());
}

CCheckEffectsDialog::~CCheckEffectsDialog() = default;

void CCheckEffectsDialog::BuildTexts(const CWndLanguageManager& mainLanguage,
                                     const std::map<std::string, QWidget*>& widgets) {
    const CLanguageSection* section = FindLanguageSection(checkeffects::kSection);
    if (!section) return;
    m_language.CopySectionFrom(mainLanguage, section->section);
    for (const CLanguageKey& key : section->keys) {
        auto it = widgets.find(key.key);
        if (it == widgets.end() || key.mode == 0) continue;
        auto adapter = std::make_unique<CQtWindowControl>(it->second);
        m_language.AddControl(adapter.get(), key.text, section->section, key.key, section->category,
                              key.mode);
        m_adapters.push_back(std::move(adapter));
    }
    m_language.UpdateCategory(section->category);
}

void CCheckEffectsDialog::EffectChosen(const QString& name) {
    const bool chosen = m_model.Select(S(name));
    m_disable->setEnabled(chosen);
    m_about->setEnabled(chosen);
    m_use->setEnabled(chosen);
    m_disable->setChecked(chosen && m_model.IsDisabled());
    if (chosen) {
        ShowNextFrame();
    } else if (const CPicture* a = m_model.PictureA()) {
        // Nothing chosen yet: the picture the transition would start from.
        m_picture->SetPicture(a->Clone());
    }
}

void CCheckEffectsDialog::ShowNextFrame() {
    const CDibPicture* frame = m_model.Step();
    if (!frame) return;
    // The frame belongs to the effect; the window keeps a copy.
    m_picture->SetPicture(frame->Clone());
    m_frame->setText(QString::number(m_model.FrameNumber()));
}

void CCheckEffectsDialog::SetAutomatic(bool on) {
    m_next->setEnabled(!on);
    if (on)
        m_timer.start();
    else
        m_timer.stop();
    if (on != m_manager.GetAutoShowNextPreviewFadingFrame()) m_manager.SetAutoShowNextPreviewFadingFrame(on);
}

void CCheckEffectsDialog::done(int result) {
    // Stepping ends with the window, whichever way it closes.
    m_timer.stop();
    m_model.Stop();
    QDialog::done(result);
}

}  // namespace trov
