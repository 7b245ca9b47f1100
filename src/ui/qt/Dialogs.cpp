// The about box, the fatal-exception report and the options dialog.
#include "ui/qt/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "infra/FatalReport.h"
#include "infra/Log.h"
#include "ui/ComboBoxControlManager.h"
#include "ui/LanguageTable.h"
#include "ui/qt/QtServices.h"

namespace trov {

// ---- about box ------------------------------------------------------------------------------------

std::vector<std::string> CAboutDialog::Addresses() {
    return {"mailto:contact@trovamatic.org", "https://trovamatic.org/", "https://trovamatic.org/tools/",
            "https://trovamatic.org/updates/"};
}

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About TROV"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(QString::fromUtf8(kProgramVersionText)));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* version = new QLabel(QString::fromUtf8(kAboutVersion));
    version->setObjectName("version");
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);
    auto* blurb = new QLabel(QStringLiteral("Pictures and clips become a slide-show movie."));
    blurb->setAlignment(Qt::AlignCenter);
    layout->addWidget(blurb);
    std::vector<std::string> addresses = Addresses();
    const char* labels[] = {"Contact", "Home Page", "Tools", "Updates"};
    auto* links = new QHBoxLayout;
    for (size_t i = 0; i < addresses.size(); ++i) {
        auto* b = new QPushButton(QString::fromUtf8(labels[i]));
        b->setAutoDefault(false);
        QUrl url(Q(addresses[i]));
        connect(b, &QPushButton::clicked, this, [url] { QDesktopServices::openUrl(url); });
        links->addWidget(b);
    }
    layout->addLayout(links);
    auto* done = new QPushButton(QStringLiteral("Done"));
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(done, 0, Qt::AlignCenter);
}

// ---- fatal-exception report ----------------------------------------------------------------------

CFatalReportDialog::CFatalReportDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Exception Handling"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QString::fromUtf8(kFatalReportIntro));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    m_text = new QPlainTextEdit;
    m_text->setReadOnly(true);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(m_text, 1);
    m_copy = new QPushButton(QString::fromUtf8(kReportCopyButton));
    connect(m_copy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(m_text->toPlainText());
        hide();
    });
    layout->addWidget(m_copy);
    resize(520, 320);
}

void CFatalReportDialog::Install() {
    QPointer<CFatalReportDialog> self(this);
    GetFatalReport().SetSink([self](const std::string& whole, const std::string&) {
        QString text = Q(whole);
        // The report may come from a worker thread: the dialog is shown by the GUI thread.
        PostToGuiThread([self, text] {
            if (self) self->ShowReport(text);
        });
    });
}

void CFatalReportDialog::ShowReport(const QString& wholeText) {
    QString text = wholeText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_text->setPlainText(text);
    m_text->moveCursor(QTextCursor::End);
    if (!isVisible()) show();
}

QString CFatalReportDialog::Text() const {
    return m_text->toPlainText();
}

// ---- options dialog -------------------------------------------------------------------------------

COptionsDialog::COptionsDialog(CTROVManager& manager, const CWndLanguageManager& mainLanguage,
                               CUserPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_model(manager.GetAppSettings(), mainLanguage), m_prompt(prompt) {
    const CLanguageSection* section = FindLanguageSection("OPTIONS_DLG");
    auto text = [section](const char* key) {
        const char* t = section ? FindDefaultText(section->section, key) : nullptr;
        return QString::fromUtf8(t ? t : key);
    };
    std::map<std::string, QWidget*> widgets;
    widgets["MainTitle"] = this;
    setWindowTitle(text("MainTitle"));

    auto* layout = new QVBoxLayout(this);
    auto* languageBox = new QGroupBox(text("ChooseLanguage"));
    widgets["ChooseLanguage"] = languageBox;
    auto* languageRow = new QHBoxLayout(languageBox);
    m_languages = new QComboBox;
    m_languages->setMinimumContentsLength(20);
    languageRow->addWidget(m_languages, 1);
    auto* about = new QPushButton(text("About"));
    widgets["About"] = about;
    languageRow->addWidget(about);
    layout->addWidget(languageBox);

    auto* tempBox = new QGroupBox(text("TempDirText"));
    widgets["TempDirText"] = tempBox;
    auto* tempRow = new QHBoxLayout(tempBox);
    m_temp = new QLineEdit;
    m_temp->setReadOnly(true);
    m_temp->setMinimumWidth(320);
    tempRow->addWidget(m_temp, 1);
    auto* change = new QPushButton(text("ChangeTempDir"));
    widgets["ChangeTempDir"] = change;
    tempRow->addWidget(change);
    layout->addWidget(tempBox);

    m_consistency = new QCheckBox(QStringLiteral("Consistency check before creating slide show"));
    layout->addWidget(m_consistency);

    auto* aboutTrov = new QPushButton(text("AboutTROV"));
    widgets["AboutTROV"] = aboutTrov;
    layout->addWidget(aboutTrov, 0, Qt::AlignLeft);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(text("OK"));
    ok->setDefault(true);
    widgets["OK"] = ok;
    auto* cancel = new QPushButton(text("Cancel"));
    widgets["Cancel"] = cancel;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    // Texts: the dialog's own manager with its section of the loaded language file.
    if (section) {
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

    // Values: the language list sorted, the current language selected.
    m_languageControl = std::make_unique<CQtComboControl>(m_languages, true);
    CComboBoxControlManager combos;
    combos.InitializeList(m_model.LanguageList(), "LANGUAGE_FILES_COMBOBOX", *m_languageControl);
    int current = m_languages->findText(Q(m_model.GetLanguage()));
    if (current >= 0) m_languages->setCurrentIndex(current);
    m_temp->setText(Q(m_model.GetTempDirectory()));
    m_consistency->setChecked(m_model.GetConsistencyCheck());

    connect(m_consistency, &QCheckBox::toggled, this, [this](bool on) { m_model.SetConsistencyCheck(on); });
    connect(about, &QPushButton::clicked, this, &COptionsDialog::ShowLanguageAbout);
    connect(change, &QPushButton::clicked, this, [this] {
        QString folder =
            QFileDialog::getExistingDirectory(this, QString::fromUtf8(kTempDirectoryTitle), m_temp->text());
        if (!folder.isEmpty()) ChangeTempDirectory(S(folder));
    });
    connect(aboutTrov, &QPushButton::clicked, this, [this] {
        CAboutDialog box(this);
        box.exec();
    });
    connect(ok, &QPushButton::clicked, this, &COptionsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void COptionsDialog::ShowLanguageAbout() {
    m_prompt.Message(m_model.LanguageAbout(S(m_languages->currentText())));
}

void COptionsDialog::ChangeTempDirectory(const std::string& folder) {
    m_model.SetTempDirectory(folder);
    m_temp->setText(Q(m_model.GetTempDirectory()));
}

void COptionsDialog::accept() {
    m_model.Accept(S(m_languages->currentText()));
    QDialog::accept();
}

}  // namespace trov
