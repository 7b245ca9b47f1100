// The project settings dialog's widgets; what the buttons do is CProjectSettingsModel's.
#include "ui/qt/ProjectSettingsDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/ApplicationSettings.h"

namespace trov {

namespace pst = projectsettingstext;

CProjectSettingsDialog::CProjectSettingsDialog(CProjectSettingsModel& model,
                                               const CWndLanguageManager& mainLanguage,
                                               CMainViewChooser& chooser, CUserPrompt& prompt,
                                               QWidget* parent)
    : QDialog(parent), m_model(model), m_chooser(chooser), m_prompt(prompt) {
    BuildControls();
    m_texts.Apply(mainLanguage);
    m_model.Bind(m_binder, [this](const char* key) -> CWindowControl* {
        QLineEdit* box = Box(key);
        if (!box) return nullptr;
        m_adapters.push_back(std::make_unique<CQtWindowControl>(box));
        return m_adapters.back().get();
    });
    m_model.ShowInControls(m_binder);
    ShowSwatch();
}

QPushButton* CProjectSettingsDialog::NewButton(const char* key) {
    auto* b = new QPushButton(m_texts.Default(key));
    b->setAutoDefault(false);
    m_texts.Add(key, b);
    m_controls[key] = b;
    return b;
}

QLabel* CProjectSettingsDialog::NewLabel(const char* key) {
    auto* l = new QLabel(m_texts.Default(key));
    m_texts.Add(key, l);
    m_controls[key] = l;
    return l;
}

QLineEdit* CProjectSettingsDialog::NewBox(const char* key, int maximumWidth) {
    auto* e = new QLineEdit;
    e->setObjectName(key);
    if (maximumWidth > 0) e->setMaximumWidth(maximumWidth);
    m_boxes[key] = e;
    return e;
}

QGroupBox* CProjectSettingsDialog::NewGroup(const char* key) {
    auto* g = new QGroupBox(m_texts.Default(key));
    m_texts.Add(key, g);
    m_controls[key] = g;
    return g;
}

QGroupBox* CProjectSettingsDialog::BuildSettingsGroup() {
    QGroupBox* settings = NewGroup("Settings");
    auto* grid = new QGridLayout(settings);
    QPushButton* output = NewButton("ChooseOutputAVI");
    connect(output, &QPushButton::clicked, this, &CProjectSettingsDialog::ChooseOutput);
    grid->addWidget(output, 0, 0);
    QLineEdit* outputBox = NewBox(projkey::kOutputAVI, 0);
    outputBox->setMinimumWidth(360);
    grid->addWidget(outputBox, 0, 1, 1, 3);
    const std::pair<const char*, const char*> frames[] = {
        {"FramesTextFadeIn", projkey::kFramesTextFadeIn},
        {"FramesShowingPicture", projkey::kFramesShowingPicture},
        {"FramesTextFadeOut", projkey::kFramesTextFadeOut},
        {"FramesFading2NextPicture", projkey::kFramesFading2NextPicture},
    };
    int row = 1;
    for (const auto& [text, key] : frames) {
        grid->addWidget(NewLabel(text), row, 0);
        grid->addWidget(NewBox(key, 90), row++, 1);
    }
    grid->addWidget(NewLabel("MovieSize"), row, 0);
    auto* size = new QHBoxLayout;
    size->addWidget(NewBox(projkey::kMovieSizeX, 70));
    size->addWidget(new QLabel(QStringLiteral("x")));
    size->addWidget(NewBox(projkey::kMovieSizeY, 70));
    size->addStretch();
    grid->addLayout(size, row++, 1, 1, 3);
    grid->addWidget(NewLabel("FramesPerSeconds"), row, 0);
    grid->addWidget(NewBox(projkey::kFramesPerSeconds, 90), row++, 1);
    grid->setColumnStretch(3, 1);
    return settings;
}

QGroupBox* CProjectSettingsDialog::BuildColourAndCropGroups(QGroupBox*& crop) {
    QGroupBox* colour = NewGroup("StaticGlobalBackgroundColor");
    auto* colourRow = new QHBoxLayout(colour);
    m_swatch = new QLabel;
    m_swatch->setFixedSize(48, 24);
    m_swatch->setFrameShape(QFrame::Box);
    colourRow->addWidget(m_swatch);
    QPushButton* changeColour = NewButton("ChangeGlobalBackgroundColor");
    connect(changeColour, &QPushButton::clicked, this, &CProjectSettingsDialog::ChangeBackgroundColour);
    colourRow->addWidget(changeColour);
    colourRow->addStretch();

    crop = NewGroup("CropInPixel");
    auto* cropGrid = new QGridLayout(crop);
    const std::pair<const char*, const char*> crops[] = {
        {"CropTop", projkey::kCropTop},
        {"CropLeft", projkey::kCropLeft},
        {"CropRight", projkey::kCropRight},
        {"CropBottom", projkey::kCropBottom},
    };
    int column = 0;
    for (const auto& [text, key] : crops) {
        cropGrid->addWidget(NewLabel(text), 0, column++);
        cropGrid->addWidget(NewBox(key, 70), 0, column++);
    }
    cropGrid->setColumnStretch(column, 1);
    return colour;
}

void CProjectSettingsDialog::BuildControls() {
    m_texts.Add("MainTitle", this);
    setWindowTitle(m_texts.Default("MainTitle"));
    QGroupBox* settings = BuildSettingsGroup();
    QGroupBox* crop = nullptr;
    QGroupBox* colour = BuildColourAndCropGroups(crop);

    QGroupBox* commands = NewGroup("Commands");
    auto* commandRow = new QHBoxLayout(commands);
    QPushButton* setDefault = NewButton("SetAsDefault");
    QPushButton* load = NewButton("LoadSettings");
    QPushButton* save = NewButton("SaveSettings");
    commandRow->addWidget(setDefault);
    commandRow->addWidget(load);
    commandRow->addWidget(save);
    commandRow->addStretch();

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    m_controls["OK"] = ok;
    QPushButton* cancel = NewButton("Cancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settings);
    layout->addWidget(colour);
    layout->addWidget(crop);
    layout->addWidget(commands);
    layout->addLayout(buttons);

    connect(save, &QPushButton::clicked, this, &CProjectSettingsDialog::SaveSettings);
    connect(load, &QPushButton::clicked, this, &CProjectSettingsDialog::LoadSettings);
    connect(setDefault, &QPushButton::clicked, this, &CProjectSettingsDialog::SetAsDefault);
    connect(ok, &QPushButton::clicked, this, &CProjectSettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QLineEdit* CProjectSettingsDialog::Box(const std::string& key) const {
    auto it = m_boxes.find(key);
    return it == m_boxes.end() ? nullptr : it->second;
}

QWidget* CProjectSettingsDialog::Control(const std::string& languageKey) const {
    auto it = m_controls.find(languageKey);
    return it == m_controls.end() ? nullptr : it->second;
}

void CProjectSettingsDialog::ShowSwatch() {
    Colour c = m_model.GetBackgroundColour();
    m_swatch->setStyleSheet(QStringLiteral("background-color: rgb(%1, %2, %3);")
                                .arg(ColourRed(c))
                                .arg(ColourGreen(c))
                                .arg(ColourBlue(c)));
}

bool CProjectSettingsDialog::ReadControls() {
    std::string refused = m_model.ReadControls(m_binder);
    if (refused.empty()) return true;
    m_model.ShowInControls(m_binder);
    m_prompt.Message(refused);
    return false;
}

void CProjectSettingsDialog::ChooseOutput() {
    std::string path = m_chooser.ChooseFileToSave(pst::kOutputFilter, pst::kOutputSuffix);
    if (path.empty()) return;
    // The other boxes keep what was typed into them.
    if (!ReadControls()) return;
    m_model.SetOutputFile(path);
    m_model.ShowInControls(m_binder);
}

void CProjectSettingsDialog::ChangeBackgroundColour() {
    Colour colour = m_model.GetBackgroundColour();
    if (!m_chooser.ChooseColour(colour)) return;
    m_model.SetBackgroundColour(colour);
    ShowSwatch();
}

void CProjectSettingsDialog::SaveSettings() {
    if (!ReadControls()) return;
    std::string path = m_chooser.ChooseFileToSave(pst::kSettingsFilter, pst::kSettingsSuffix);
    if (!path.empty()) m_model.SaveSettings(path, m_prompt);
}

void CProjectSettingsDialog::LoadSettings() {
    std::vector<std::string> files = m_chooser.ChooseFilesToOpen(pst::kSettingsFilter, false);
    if (files.empty() || !m_model.LoadSettings(files.front(), m_prompt)) return;
    m_model.ShowInControls(m_binder);
    ShowSwatch();
}

void CProjectSettingsDialog::SetAsDefault() {
    if (ReadControls()) m_model.SetAsDefault(m_prompt);
}

void CProjectSettingsDialog::accept() {
    if (ReadControls()) QDialog::accept();
}

}  // namespace trov
