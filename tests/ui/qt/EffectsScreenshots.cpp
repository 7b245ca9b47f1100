// Grabs the check effects dialog halfway through an effect and the "Fading Effect" window (playing
// a preview, and without one) into PNG files: trov-gui-effects-screenshots OUTDIR [LANGUAGE...].
// Works on a program directory of its own inside OUTDIR.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "creation/Creation.h"
#include "effects/FadingEffectManager.h"
#include "imaging/PictureTools.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "ui/CheckEffectsModel.h"
#include "ui/FadingPreviewMaker.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/CheckEffectsDialog.h"
#include "ui/qt/FadingPreviewWindow.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"

namespace {

void Settle(int ms) {
    for (int i = 0; i < ms / 20; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
}

void Save(QWidget& w, const QString& out, const QString& name) {
    QString path = out + "/" + name;
    w.grab().save(path);
    std::printf("%s\n", path.toStdString().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    using namespace trov;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [LANGUAGE...]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    std::vector<std::string> languages;
    for (int i = 2; i < argc; ++i) languages.push_back(argv[i]);
    if (languages.empty()) languages.push_back("English");
    const std::string home = (std::filesystem::absolute(argv[1]) / "home").string();
    std::filesystem::create_directories(home);
    SetProgramDirectory(home);
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    CGuiSession session(prompt, chooser, home);
    CMainWindow& w = session.Window();
    CTROVManager& manager = session.Manager();
    manager.SetAutoShowNextPreviewFadingFrame(false);

    // The whole set through the menu command, the codec answered with MJPEG; the main window is
    // grabbed while the files are written (caption, complete bar).
    SetVideoCodecChooser([](const BitmapInfoHeader&, const CompressionOptions&, CompressionOptions& c) {
        return MakeCompressionOptions("MJPG", 7500, "", c);
    });
    prompt.answers = {PromptAnswer::Yes};
    w.resize(1280, 800);
    w.show();
    QTimer::singleShot(400, [&] { Save(w, out, "fx17a-main-creating-previews.png"); });
    QElapsedTimer clock;
    clock.start();
    const bool created = CreateFadingPreviews(w, manager, prompt, chooser, false);
    std::printf("previews created: %s in %lld ms; last message: %s\n", created ? "yes" : "no",
                static_cast<long long>(clock.elapsed()),
                prompt.asked.empty() ? "" : prompt.asked.back().text.c_str());

    for (const std::string& language : languages) {
        manager.GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, language);
        w.LoadLanguage(false);
        w.show();
        const QString lang = QString::fromStdString(language);

        CCheckEffectsModel model(manager.GetCreation().GetEffects(), manager.GetAppSettings(), 25.0);
        model.UseBuiltInPictures(640, 480);
        CCheckEffectsDialog dialog(manager, model, w.Language(), prompt, &w);
        dialog.show();
        dialog.EffectList()->setCurrentText("Iris (Round)");
        for (int k = 1; k < 25; ++k) dialog.ShowNextFrame();
        Settle(200);
        Save(dialog, out, "fx17a-check-effects-" + lang + ".png");
        dialog.hide();

        w.View().EffectCombo()->setCurrentText("Iris (Round)");
        CFadingPreviewWindow& preview = w.FadingPreview();
        preview.show();
        Settle(700);
        Save(preview, out, "fx17a-fading-preview-" + lang + ".png");
        // An effect without a file.
        std::filesystem::remove(FadingPreviewPath(home, "Cross Dissolve"));
        w.View().EffectCombo()->setCurrentText("Cross Dissolve");
        Settle(100);
        Save(preview, out, "fx17a-fading-preview-none-" + lang + ".png");
        preview.hide();
    }
    // Opened for an entry: two pictures of the list, the entry's own frames, "OK and use new
    // fading effect" offered.
    CPictureTools tools;
    std::vector<std::string> files;
    for (auto [name, colour] :
         {std::pair{"warm.bmp", MakeColour(230, 120, 40)}, {"cool.bmp", MakeColour(40, 90, 200)}}) {
        auto picture = MakeRampPictureA(640, 480);
        picture->BlendWithMask(tools.CreatePicture(640, 480, colour).get(),
                               tools.CreatePicture(640, 480, MakeColour(160, 160, 160)).get());
        files.push_back(home + "/" + name);
        picture->SaveFile(files.back());
    }
    w.View().AddFilesResponsive(files);
    manager.GetObject(0)->fading2NextPictureName = "Left-Right-Wipe";
    w.View().List().SetSelectedRows({0});
    CCheckEffectsModel model(manager.GetCreation().GetEffects(), manager.GetAppSettings(), 25.0);
    if (model.OpenForEntry(w.View().Commands())) {
        CCheckEffectsDialog dialog(manager, model, w.Language(), prompt, &w);
        dialog.show();
        for (int k = 1; k < model.FrameCount() / 2; ++k) dialog.ShowNextFrame();
        Settle(200);
        Save(dialog, out, "fx17a-check-effects-entry-" + QString::fromStdString(languages.back()) + ".png");
    }
    return 0;
}
