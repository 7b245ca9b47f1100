// Grabs the editing dialogs into PNG files: trov-gui-editing-screenshots OUTDIR PICTURE [LANGUAGE...].
// Each dialog is shown for the picture (a caption on it), in each language (default English and
// Deutsch); a label or button narrower than its text is listed on stdout as cut off.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/AudioSettingsDialog.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/ProjectSettingsDialog.h"
#include "ui/qt/TextSettingsDialog.h"

namespace {

// Labels and buttons whose text does not fit their width.
int ReportCutOff(QWidget* dialog, const QString& name) {
    int cut = 0;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(w);
        auto* button = qobject_cast<QAbstractButton*>(w);
        if ((!label || label->wordWrap()) && !button) continue;
        const QString text = label ? label->text() : button->text();
        if (text.isEmpty() || w->width() >= w->minimumSizeHint().width()) continue;
        std::printf("cut off in %s: \"%s\" (%d < %d)\n", qPrintable(name), qPrintable(text), w->width(),
                    w->minimumSizeHint().width());
        ++cut;
    }
    return cut;
}

int Shoot(QDialog& dialog, const std::string& out, const std::string& name, const std::string& language) {
    dialog.adjustSize();
    dialog.show();
    for (int i = 0; i < 10; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
    QString file =
        QString("%1/edit16a-%2-%3.png")
            .arg(QString::fromStdString(out), QString::fromStdString(name), QString::fromStdString(language));
    dialog.grab().save(file);
    std::printf("%s (%dx%d)\n", qPrintable(file), dialog.width(), dialog.height());
    int cut = ReportCutOff(&dialog, file);
    dialog.hide();
    return cut;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR PICTURE [LANGUAGE...]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    std::string out = argv[1], picture = std::filesystem::absolute(argv[2]).string();
    std::vector<std::string> languages;
    for (int i = 3; i < argc; ++i) languages.push_back(argv[i]);
    if (languages.empty()) languages = {"English", "Deutsch"};
    QDir().mkpath(QString::fromStdString(out));
    trov::test::CScriptedPrompt prompt;
    trov::test::CFakeChooser chooser;
    trov::CGuiSession session(prompt, chooser, trov::ProgramDirectory());
    trov::CMainWindow& w = session.Window();
    trov::CMainViewCommands& c = w.View().Commands();
    c.AddFiles({picture});
    trov::CProjectObject* o = session.Manager().GetObject(0);
    o->pictureText = "2024-07-14 Beach";
    o->audioFile = "/music/Summer Evening.wav";
    o->audioStartTime = 1500;
    o->fadeOption = trov::kFadeMix;
    int cut = 0;
    for (const std::string& language : languages) {
        session.Manager().GetAppSettings().SetString(trov::kLanguageSection, trov::appkey::kCurrentLanguage,
                                                     language);
        w.LoadLanguage(false);
        w.View().List().SetSelectedRows({0});
        c.SelectionChanged();
        trov::CWndLanguageManager& main = w.Language();
        {
            trov::CProjectSettingsModel model(session.Manager());
            trov::CProjectSettingsDialog d(model, main, chooser, prompt);
            cut += Shoot(d, out, "project-settings", language);
        }
        {
            trov::CTextSettingsModel model;
            model.Preset(*o);
            model.SetPosition(trov::kCaptionCenterCenter);
            trov::CTextSettingsDialog d(model, c, 0, main);
            d.resize(900, 420);
            cut += Shoot(d, out, "text-settings", language);
        }
        {
            trov::CSpecialTextEditDialog d(main);
            cut += Shoot(d, out, "special-text-edit", language);
        }
        {
            trov::CAudioSettingsModel model(session.Manager(), 0);
            trov::CAlsaSoundOutput none("no_such_device_here");
            trov::CAudioSettingsDialog d(model, main, chooser, prompt, none);
            cut += Shoot(d, out, "audio-settings", language);
        }
        {
            trov::CAddColorFadingDialog d(main);
            cut += Shoot(d, out, "add-color-fading", language);
        }
    }
    std::printf("%d cut-off texts\n", cut);
    return cut == 0 ? 0 : 1;
}
