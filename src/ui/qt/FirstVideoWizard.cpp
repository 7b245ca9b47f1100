// The first-video wizard's pages (see the header).
#include "ui/qt/FirstVideoWizard.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/LanguageTable.h"
#include "ui/qt/QtControls.h"

namespace trov {

namespace {

QString DefaultText(int page, const char* key) {
    const char* text = FindDefaultText(WizardPageSection(page), key);
    return QString::fromUtf8(text ? text : key);
}

}  // namespace

CWizardPageDialog::CWizardPageDialog(int page, CFirstVideoWizardModel& model,
                                     const CWndLanguageManager& mainLanguage, QWidget* parent)
    : QDialog(parent), m_page(page), m_model(model) {
    setModal(true);
    Build();
    RegisterTexts(mainLanguage);
    // Room for the wrapped texts: a top-level dialog does not grow with a label's height for width.
    setMinimumSize(560, 260);
}

CWizardPageDialog::~CWizardPageDialog() = default;

QPushButton* CWizardPageDialog::MakeButton(const char* key) {
    auto* b = new QPushButton(DefaultText(m_page, key));
    b->setObjectName(QString::fromUtf8(key));
    b->setAutoDefault(false);
    m_widgets[key] = b;
    return b;
}

void CWizardPageDialog::AddText(const char* key, bool title) {
    auto* label = new QLabel(DefaultText(m_page, key));
    label->setWordWrap(true);
    if (title) {
        QFont f = label->font();
        f.setPointSizeF(f.pointSizeF() * 1.6);
        f.setBold(true);
        label->setFont(f);
    }
    m_widgets[key] = label;
    m_body->addWidget(label);
}

void CWizardPageDialog::Build() {
    m_widgets["TextSettings"] = this;
    setWindowTitle(DefaultText(m_page, "TextSettings"));
    auto* outer = new QVBoxLayout(this);
    auto* step = new QLabel(QStringLiteral("%1 / %2").arg(m_page + 1).arg(int(kWizardPageCount)));
    step->setAlignment(Qt::AlignRight);
    step->setStyleSheet(QStringLiteral("color: gray"));
    outer->addWidget(step);
    m_body = new QVBoxLayout;
    m_body->setSpacing(12);
    outer->addLayout(m_body, 1);

    QPushButton* next = nullptr;
    switch (m_page) {
        case kWizardWelcome:
            AddText("Welcome1", true);
            AddText("Welcome2");
            AddText("Welcome3");
            break;
        case kWizardPictures: {
            AddText("Step1");
            QPushButton* add = MakeButton("AddPictures");
            m_body->addWidget(add, 0, Qt::AlignLeft);
            connect(add, &QPushButton::clicked, this, [this] {
                m_model.AddPictures();
                if (QPushButton* n = Button("Next")) n->setEnabled(m_model.CanLeavePictures());
            });
            break;
        }
        case kWizardSeconds: {
            AddText("Step2");
            auto* row = new QHBoxLayout;
            auto* label = new QLabel(DefaultText(m_page, "TimeInSeconds"));
            m_widgets["TimeInSeconds"] = label;
            row->addWidget(label);
            m_seconds = new QLineEdit(QStringLiteral("3"));
            m_seconds->setObjectName(QStringLiteral("Seconds"));
            m_seconds->setMaximumWidth(90);
            connect(m_seconds, &QLineEdit::textEdited, this, [this] { m_error->hide(); });
            row->addWidget(m_seconds);
            row->addStretch();
            m_body->addLayout(row);
            break;
        }
        case kWizardDestination: {
            AddText("SelectDestination");
            auto* row = new QHBoxLayout;
            m_output = new QLineEdit(Q(m_model.OutputPath()));
            m_output->setReadOnly(true);
            m_output->setMinimumWidth(320);
            row->addWidget(m_output, 1);
            QPushButton* browse = MakeButton("Browse");
            row->addWidget(browse);
            m_body->addLayout(row);
            connect(browse, &QPushButton::clicked, this, [this] {
                std::string path = m_model.BrowseOutput();
                if (!path.empty()) m_output->setText(Q(path));
            });
            break;
        }
        case kWizardFinish: {
            AddText("Congratulation");
            QPushButton* create = MakeButton("FinishAndStartCreation");
            create->setMinimumHeight(40);
            m_body->addWidget(create);
            connect(create, &QPushButton::clicked, this, [this] { done(kWizardNextAndCreate); });
            break;
        }
        default:
            break;
    }
    m_error = new QLabel;
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00020"));
    m_error->hide();
    m_body->addWidget(m_error);
    m_body->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton* back = MakeButton("Back");
    back->setEnabled(m_page != kWizardWelcome);
    buttons->addWidget(back);
    next = MakeButton(m_page == kWizardFinish ? "Finish" : "Next");
    next->setDefault(true);
    buttons->addWidget(next);
    QPushButton* cancel = MakeButton("Cancel");
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    // Step 1 goes on once pictures are there (also when it is shown again after Back).
    if (m_page == kWizardPictures) next->setEnabled(m_model.CanLeavePictures());

    connect(back, &QPushButton::clicked, this, [this] { done(kWizardBack); });
    connect(next, &QPushButton::clicked, this, &CWizardPageDialog::Next);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CWizardPageDialog::Next() {
    if (m_page == kWizardSeconds) {
        std::string error;
        if (!m_model.ApplySeconds(S(m_seconds->text()), error)) {
            m_error->setText(Q(m_language.GetText(WizardPageSection(m_page), "WholeSeconds", error)));
            m_error->show();
            return;
        }
    }
    done(kWizardNext);
}

void CWizardPageDialog::RegisterTexts(const CWndLanguageManager& mainLanguage) {
    OpenDialogLanguage(mainLanguage, m_language, WizardPageSection(m_page),
                       [this](std::string_view key) -> CWindowControl* {
                           auto it = m_widgets.find(std::string(key));
                           if (it == m_widgets.end()) return nullptr;
                           m_adapters.push_back(std::make_unique<CQtWindowControl>(it->second));
                           return m_adapters.back().get();
                       });
}

QPushButton* CWizardPageDialog::Button(const std::string& key) const {
    auto it = m_widgets.find(key);
    return it == m_widgets.end() ? nullptr : qobject_cast<QPushButton*>(it->second);
}

CFirstVideoWizard::CFirstVideoWizard(CMainViewCommands& commands, const CWndLanguageManager& mainLanguage,
                                     std::function<void()> startCreation, QWidget* parent)
    : m_model(commands),
      m_language(mainLanguage),
      m_startCreation(std::move(startCreation)),
      m_parent(parent) {}

bool CFirstVideoWizard::Run() {
    return CFirstVideoWizardModel::Run(
        [this](int page) {
            CWizardPageDialog dialog(page, m_model, m_language, m_parent);
            return dialog.exec();
        },
        m_startCreation);
}

}  // namespace trov
