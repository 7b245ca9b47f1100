// The audio settings and add colour fading dialogs' widgets.
#include "ui/qt/AudioSettingsDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/qt/QtControls.h"

namespace trov {

namespace {

// A check box or an option button as a check control (the binder's kind 2).
class CButtonCheck : public CCheckControl {
public:
    explicit CButtonCheck(QAbstractButton* button) : m_button(button) {}
    std::string GetText() const override { return S(m_button->text()); }
    void SetText(const std::string& text) override { m_button->setText(Q(text)); }
    void SetEnabled(bool enabled) override { m_button->setEnabled(enabled); }
    bool IsEnabled() const override { return m_button->isEnabled(); }
    int GetCheck() const override { return m_button->isChecked() ? 1 : 0; }
    void SetCheck(int state) override { m_button->setChecked(state == 1); }

private:
    QAbstractButton* m_button;
};

}  // namespace

// ---- audio settings -------------------------------------------------------------------------------

CAudioSettingsDialog::CAudioSettingsDialog(CAudioSettingsModel& model,
                                           const CWndLanguageManager& mainLanguage, CMainViewChooser& chooser,
                                           CUserPrompt& prompt, CSoundOutput& output, QWidget* parent)
    : QDialog(parent), m_model(model), m_chooser(chooser), m_prompt(prompt), m_output(output) {
    BuildControls();
    m_texts.Apply(mainLanguage);
    m_model.Bind(m_binder, [this](AudioControl c) -> CWindowControl* {
        QWidget* w = Control(c);
        if (!w) return nullptr;
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (button && button->isCheckable())
            m_adapters.push_back(std::make_unique<CButtonCheck>(button));
        else
            m_adapters.push_back(std::make_unique<CQtWindowControl>(w));
        return m_adapters.back().get();
    });
    Refresh();
}

void CAudioSettingsDialog::BuildControls() {
    m_texts.Add("MainTitle", this);
    setWindowTitle(m_texts.Default("MainTitle"));
    auto add = [this](const char* key, QWidget* w) {
        m_texts.Add(key, w);
        m_controls[key] = w;
        return w;
    };
    auto button = [&](const char* key) {
        auto* b = new QPushButton(m_texts.Default(key));
        b->setAutoDefault(false);
        add(key, b);
        return b;
    };
    auto check = [&](const char* key, AudioControl c) {
        auto* b = new QCheckBox(m_texts.Default(key));
        add(key, b);
        m_widgets[c] = b;
        return b;
    };
    auto* fileBox = new QLineEdit;
    fileBox->setMinimumWidth(380);
    m_widgets[AudioControl::FileBox] = fileBox;
    auto* startBox = new QLineEdit;
    startBox->setMaximumWidth(100);
    m_widgets[AudioControl::StartTimeBox] = startBox;
    auto* fadingBox = new QLineEdit;
    fadingBox->setMaximumWidth(100);
    m_widgets[AudioControl::FadingTimeBox] = fadingBox;

    auto* top = new QGridLayout;
    top->addWidget(add("AudioFile", new QLabel(m_texts.Default("AudioFile"))), 0, 0);
    top->addWidget(fileBox, 0, 1, 1, 2);
    QPushButton* browse = button("BrowseAudioFile");
    top->addWidget(browse, 0, 3);
    top->addWidget(check("NormalizeAudioFile", AudioControl::Normalize), 1, 0, 1, 4);
    top->addWidget(check("LoopAudio", AudioControl::Loop), 2, 0, 1, 4);
    top->addWidget(add("StartTime", new QLabel(m_texts.Default("StartTime"))), 3, 0);
    top->addWidget(startBox, 3, 1);
    QPushButton* play = button("PlayShortExample");
    m_widgets[AudioControl::PlayExample] = play;
    top->addWidget(play, 3, 2, Qt::AlignLeft);
    top->setColumnStretch(2, 1);

    QGroupBox* options = BuildOptionsGroup();

    m_status = new QLabel;
    m_status->setObjectName("status");
    m_status->setWordWrap(true);

    auto* use =
        static_cast<QPushButton*>(add("UseNewSettings", new QPushButton(m_texts.Default("UseNewSettings"))));
    use->setDefault(true);
    QPushButton* reset = button("ResetSettings");
    QPushButton* cancel = button("Cancel");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reset);
    buttons->addStretch();
    buttons->addWidget(use);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(options);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, &CAudioSettingsDialog::Browse);
    connect(play, &QPushButton::clicked, this, &CAudioSettingsDialog::PlayShortExample);
    connect(reset, &QPushButton::clicked, this, &CAudioSettingsDialog::ResetSettings);
    connect(use, &QPushButton::clicked, this, &CAudioSettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // A typed file name decides at once whether there is something to play.
    connect(fileBox, &QLineEdit::editingFinished, this, [this] {
        if (ReadControls()) Refresh();
    });
}

QGroupBox* CAudioSettingsDialog::BuildOptionsGroup() {
    auto* options = new QGroupBox(m_texts.Default("FadingOptions"));
    m_texts.Add("FadingOptions", options);
    m_controls["FadingOptions"] = options;
    auto* optionRows = new QGridLayout(options);
    const char* optionKeys[3] = {"Option1", "Option2", "Option3"};
    const AudioControl optionControls[3] = {AudioControl::Option1, AudioControl::Option2,
                                            AudioControl::Option3};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(m_texts.Default(optionKeys[i]));
        // The model keeps exactly one (or none) on; the window must be able to show none.
        b->setAutoExclusive(false);
        m_texts.Add(optionKeys[i], b);
        m_controls[optionKeys[i]] = b;
        m_widgets[optionControls[i]] = b;
        optionRows->addWidget(b, i, 0, 1, 3);
        connect(b, &QRadioButton::clicked, this, [this, i] { SetFadeOption(i + 1); });
    }
    auto* fadingLabel = new QLabel(m_texts.Default("FadingTime"));
    m_texts.Add("FadingTime", fadingLabel);
    m_controls["FadingTime"] = fadingLabel;
    m_widgets[AudioControl::FadingTimeLabel] = fadingLabel;
    optionRows->addWidget(fadingLabel, 3, 0);
    optionRows->addWidget(m_widgets[AudioControl::FadingTimeBox], 3, 1);
    optionRows->setColumnStretch(2, 1);
    auto* sync = new QCheckBox(m_texts.Default("Synchronize"));
    m_texts.Add("Synchronize", sync);
    m_controls["Synchronize"] = sync;
    m_widgets[AudioControl::Synchronize] = sync;
    optionRows->addWidget(sync, 4, 0, 1, 3);
    connect(sync, &QCheckBox::clicked, this, &CAudioSettingsDialog::SetSynchronize);
    return options;
}

QWidget* CAudioSettingsDialog::Control(AudioControl control) const {
    auto it = m_widgets.find(control);
    return it == m_widgets.end() ? nullptr : it->second;
}

QWidget* CAudioSettingsDialog::Control(const std::string& languageKey) const {
    auto it = m_controls.find(languageKey);
    return it == m_controls.end() ? nullptr : it->second;
}

void CAudioSettingsDialog::Refresh() {
    m_binder.UpdateAllControls();
}

bool CAudioSettingsDialog::ReadControls() {
    std::string refused = m_model.ReadControls(m_binder);
    if (refused.empty()) return true;
    Refresh();
    m_prompt.Message(refused);
    return false;
}

void CAudioSettingsDialog::Browse() {
    std::vector<std::string> files = m_chooser.ChooseFilesToOpen(audiosettings::kFilter, false);
    if (files.empty()) return;
    m_model.Browse(files.front());
    Refresh();
}

void CAudioSettingsDialog::PlayShortExample() {
    if (!ReadControls()) return;
    Refresh();
    m_status->setText(QStringLiteral("..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_status->setText(Q(m_model.PlayShortExample(m_output)));
    QApplication::restoreOverrideCursor();
}

void CAudioSettingsDialog::ResetSettings() {
    m_model.Reset();
    Refresh();
}

void CAudioSettingsDialog::SetFadeOption(int option) {
    // What was typed into the other boxes stays.
    ReadControls();
    m_model.SetFadeOption(option);
    Refresh();
}

void CAudioSettingsDialog::SetSynchronize(bool on) {
    ReadControls();
    m_model.SetSynchronize(on);
    Refresh();
}

void CAudioSettingsDialog::accept() {
    if (!ReadControls()) return;
    if (m_model.Accept(m_prompt)) QDialog::accept();
}

// ---- add colour fading ----------------------------------------------------------------------------

CAddColorFadingDialog::CAddColorFadingDialog(const CWndLanguageManager& mainLanguage, QWidget* parent)
    : QDialog(parent) {
    m_texts.Add("MainTitle", this);
    setWindowTitle(m_texts.Default("MainTitle"));
    auto* layout = new QVBoxLayout(this);
    for (const ColorFadingChoice& choice : ColorFadingChoices()) {
        auto* b = new QPushButton(m_texts.Default(choice.key));
        b->setAutoDefault(false);
        b->setMinimumWidth(260);
        m_texts.Add(choice.key, b);
        m_buttons.push_back(b);
        layout->addWidget(b);
        const ColorFadingPreset preset = choice.preset;
        connect(b, &QPushButton::clicked, this, [this, preset] {
            m_choice = preset;
            accept();
        });
    }
    m_texts.Apply(mainLanguage);
}

QPushButton* CAddColorFadingDialog::ChoiceButton(int choice) const {
    return choice >= 1 && choice <= int(m_buttons.size()) ? m_buttons[size_t(choice - 1)] : nullptr;
}

}  // namespace trov
