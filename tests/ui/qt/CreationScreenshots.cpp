// Grabs the creation's windows into PNG files:
//   trov-gui-creation-screenshots OUTDIR PROJECT [PREFIX [LANGUAGE...]]
// The creation settings dialog, both codec choosers (the video one also with a movie size an
// encoder refuses), and the main window during a creation (preview, progress, time boxes), once
// per language (default English and Deutsch; files PREFIX-NAME-LANGUAGE.png, PREFIX "gui3").
// Runs offscreen or on any display; the project's movie is written to its "Output-AVI".
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "audio/AudioFormats.h"
#include "creation/Creation.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/CodecDialogs.h"
#include "ui/qt/CreationRunner.h"
#include "ui/qt/CreationSettingsDialog.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "video/CodecSettings.h"
#include "video/VideoCodecs.h"

namespace {

void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

std::string g_prefix = "gui3";
std::string g_language;

void Save(QWidget& w, const std::string& out, const char* name) {
    QString path = QString::fromStdString(out + "/" + g_prefix + "-" + name + "-" + g_language + ".png");
    w.grab().save(path);
    std::printf("%s\n", path.toStdString().c_str());
}

void ShootAll(trov::CGuiSession& session, trov::test::CScriptedPrompt& prompt,
              trov::test::CFakeChooser& chooser, const std::string& out, const std::string& codecDir,
              const trov::CompressionOptions& mjpeg) {
    using namespace trov;
    CMainWindow& w = session.Window();
    CTROVManager& manager = session.Manager();
    // The creation settings dialog with a codec set up.
    {
        const int n = manager.GetObjectCount();
        CCreationSettingsDialog d(manager, manager.GetCreation(), w.Language(), prompt, chooser, 0, n - 1,
                                  n - 1, codecDir, {}, &w);
        d.Model().SetUpVideoCodec(mjpeg);
        d.RefreshCodecTexts();
        d.show();
        Settle(200);
        d.StartBox()->setText("-5");  // shown as corrected
        Settle(100);
        Save(d, out, "creation-settings");
        d.reject();
    }
    // The video chooser for the movie, and for an odd size with H.264.
    {
        BitmapInfoHeader h{};
        h.biSize = 40;
        h.biWidth = 640;
        h.biHeight = 360;
        h.biPlanes = 1;
        h.biBitCount = 24;
        CVideoCodecDialog v(h, mjpeg, manager.GetOutputPath(), &w, &w.Language());
        v.show();
        Settle(200);
        Save(v, out, "video-codec");
        h.biWidth = 33;
        h.biHeight = 25;
        CVideoCodecDialog odd(h, CompressionOptions(), manager.GetOutputPath(), &w, &w.Language());
        odd.Encoders()->setCurrentRow(0);
        odd.show();
        Settle(200);
        Save(odd, out, "video-codec-odd-size");
    }
    // The audio chooser on a compressed format tag.
    {
        const auto& tags = GetAudioFormatTags();
        int tag = 0;
        for (size_t i = 0; i < tags.size(); ++i)
            if (tags[i].name == "MPEG Layer-3") tag = int(i);
        CAudioCodecDialog a(tags, tag, 2, &w, &w.Language());
        a.SetCoreTitle("Choose your Audio Format");
        a.show();
        Settle(200);
        Save(a, out, "audio-codec");
    }
    // The main window during a creation: paused at about a third, grabbed, then cancelled.
    {
        CCreationRunner& runner = session.Runner();
        bool done = false;
        QObject::connect(&runner, &CCreationRunner::creationFinished, [&done](int) { done = true; });
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<CCreationSettingsDialog*>(QApplication::activeModalWidget())) {
                d->Model().SetUpVideoCodec(mjpeg);
                d->Button("StartCreation")->click();
            }
        });
        poll.start();
        // Frames offered to the preview count this run only (the creation's own counters keep
        // the last run's until the new one begins).
        const int offeredBefore = runner.PreviewSink().OfferedFrames();
        runner.StartOrCancel();
        CCreation& c = manager.GetCreation();
        QElapsedTimer t;
        t.start();
        while (!done && t.elapsed() < 120000 &&
               (c.GetTotalFrames() == 0 ||
                runner.PreviewSink().OfferedFrames() - offeredBefore < c.GetTotalFrames() / 3))
            Settle(5);
        w.View().PriorityCombo()->setCurrentText("Pause");
        Settle(1500);
        Save(w, out, "main-window-creating");
        prompt.answers = {PromptAnswer::Yes};
        runner.StartOrCancel();
        w.View().PriorityCombo()->setCurrentText("Normal");
        while (!done && t.elapsed() < 120000) Settle(20);
        Settle(200);
        Save(w, out, "main-window-after-cancel");
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace trov;
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR PROJECT\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    std::string out = argv[1], project = std::filesystem::absolute(argv[2]).string();
    QDir().mkpath(QString::fromStdString(out));
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    CGuiSession session(prompt, chooser, ProgramDirectory());
    CMainWindow& w = session.Window();
    CTROVManager& manager = session.Manager();
    manager.GetAppSettings().SetInt(kTrovSettings, appkey::kShowPreview, 1);
    w.View().Commands().OpenProjectFile(project);
    w.resize(1280, 800);
    w.show();
    Settle(500);
    const std::string codecDir = (std::filesystem::path(ProgramDirectory()) / "CodecSettings").string();
    CompressionOptions mjpeg;
    MakeCompressionOptions("MJPG", 7500, "", mjpeg);
    SetOutputAudioFormatByText("PCM (44,100 Hz, 16 Bit, Stereo)");
    {
        CodecSettingsRecord record;
        record.hasVideo = true;
        record.video = mjpeg;
        record.videoDescription = GetVideoCodecName(&mjpeg);
        StoreOutputAudio(record);
        if (ListCodecSettings(codecDir).empty()) SaveCodecSettings(record, codecDir);
    }

    std::vector<std::string> languages;
    if (argc > 3) g_prefix = argv[3];
    for (int i = 4; i < argc; ++i) languages.push_back(argv[i]);
    if (languages.empty()) languages = {"English", "Deutsch"};
    for (const std::string& language : languages) {
        manager.GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, language);
        w.LoadLanguage(false);
        g_language = language;
        ShootAll(session, prompt, chooser, out, codecDir, mjpeg);
    }
    return 0;
}
