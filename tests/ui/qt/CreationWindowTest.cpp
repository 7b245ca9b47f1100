// Creating from the window, offscreen: the creation settings dialog, the codec choosers, a real
// movie, pause, cancel and the batch run.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "audio/AudioFormats.h"
#include "creation/Creation.h"
#include "imaging/PictureTools.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/CodecDialogs.h"
#include "ui/qt/CreationRunner.h"
#include "ui/qt/CreationSettingsDialog.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/PreviewWidget.h"
#include "video/CodecSettings.h"
#include "video/VideoCodecs.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

const char* const kGuiBinary = TROV_GUI_BINARY;

// Calls fn with the first modal dialog of type T that shows up (polled every 10 ms). Modal
// dialogs run their own event loop, so a test talks to them from timers.
template <class T>
void WhenModal(std::function<void(T*)> fn, bool closeAfter = true, int timeoutMs = 30000) {
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, fn, closeAfter, timeoutMs] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < timeoutMs) return;
        timer->stop();
        timer->deleteLater();
        if (!dialog) return;
        QPointer<T> alive(dialog);
        fn(dialog);
        // A failed check returns early: the dialog must not keep the test waiting.
        if (closeAfter && alive && alive->isVisible()) alive->reject();
    });
    timer->start();
}

std::string Le16(int v) {
    return {char(v & 255), char((v >> 8) & 255)};
}
std::string Le32(uint32_t v) {
    return Le16(int(v & 0xFFFF)) + Le16(int(v >> 16));
}

// seconds of a 16-bit stereo 44,100 Hz square tone.
std::string Wav(int seconds) {
    std::string pcm;
    for (int i = 0; i < 44100 * seconds; ++i) {
        int v = (i / 50) % 2 ? 6000 : -6000;
        pcm += Le16(v) + Le16(v);
    }
    return "RIFF" + Le32(uint32_t(36 + pcm.size())) + "WAVEfmt " + Le32(16) + Le16(1) + Le16(2) +
           Le32(44100) + Le32(176400) + Le16(4) + Le16(16) + "data" + Le32(uint32_t(pcm.size())) + pcm;
}

// A session on a fresh program directory with a project of three pictures.
struct Fixture {
    Fixture(int width, int height, int showFrames, int fadeFrames) {
        fs::create_directories(home.Path() / "Language");
        test::WriteFileBytes(home.Path() / "Language" / "Placeholder.ini", "[NOTHING]\r\n");
        SetProgramDirectory(home.Path().string());
        ClearAudioFormatSlots();
        session = std::make_unique<CGuiSession>(prompt, chooser, home.Path().string());
        CSettingsStore& p = Manager().GetProjectSettings();
        p.SetInt("PROJECT_SETTINGS", "Movie-Size-X", width);
        p.SetInt("PROJECT_SETTINGS", "Movie-Size-Y", height);
        p.SetString("PROJECT_SETTINGS", "Output-AVI", Output());
        Manager().GetAppSettings().SetInt(kTrovSettings, appkey::kShowPreview, 1);
        CPictureTools tools;
        std::vector<std::string> files;
        const Colour colours[] = {MakeColour(200, 40, 40), MakeColour(40, 200, 40), MakeColour(40, 40, 200)};
        for (int i = 0; i < 3; ++i) {
            auto pic = tools.CreatePicture(48, 36, colours[i]);
            files.push_back(home / ("p" + std::to_string(i) + ".bmp"));
            pic->SaveFile(files.back());
        }
        Manager().AddFiles(files);
        for (int i = 0; i < 3; ++i) {
            CProjectObject* o = Manager().GetObject(i);
            o->textFadeIn = o->textFadeOut = 0;
            o->showPicture = showFrames;
            o->fade2NextPicture = fadeFrames;
            o->fading2NextPictureName = "Cross Dissolve";
        }
        View().RefreshFromProject();
        Window().show();
        exposed = QTest::qWaitForWindowExposed(&Window());
    }
    ~Fixture() {
        session.reset();
        ClearAudioFormatSlots();
        SetProgramDirectory("");
    }
    CMainWindow& Window() { return session->Window(); }
    CMainView& View() { return Window().View(); }
    CTROVManager& Manager() { return session->Manager(); }
    CCreationRunner& Runner() { return session->Runner(); }
    CCreation& Creation() { return Manager().GetCreation(); }
    std::string Output() const { return home / "movie.avi"; }
    std::string CodecDir() const { return (home.Path() / "CodecSettings").string(); }
    QPushButton* StartButton() { return View().Button("StartCreation"); }
    // Confirms the dialog with MJPEG set up (and PCM audio when asked).
    static void ConfirmWithMjpeg(CCreationSettingsDialog* d, bool pcm) {
        CompressionOptions o;
        QVERIFY(MakeCompressionOptions("MJPG", 7500, "", o));
        QVERIFY(d->Model().SetUpVideoCodec(o));
        if (pcm) QVERIFY(SetOutputAudioFormatByText("PCM (44,100 Hz, 16 Bit, Stereo)"));
        d->Button("StartCreation")->click();
    }

    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::unique_ptr<CGuiSession> session;
    bool exposed = false;
};

std::string Run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(120000);
    if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAll().toStdString();
}

// "codec_type:codec_name" of every stream and the frame count of the video stream.
std::string Probe(const std::string& path) {
    return Run("ffprobe", {"-v", "error", "-show_entries", "stream=codec_type,codec_name,nb_frames", "-of",
                           "compact=p=0:nk=1", QString::fromStdString(path)});
}
int ProbeFrames(const std::string& path) {
    std::string out =
        Run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                        "stream=nb_read_packets", "-of", "csv=p=0", QString::fromStdString(path)});
    return std::atoi(out.c_str());
}
// The decoder's complaints (empty for a clean decode).
std::string DecodeErrors(const std::string& path) {
    return Run("ffmpeg", {"-v", "error", "-i", QString::fromStdString(path), "-f", "null", "-"});
}

}  // namespace

class CreationWindowTest : public QObject {
    Q_OBJECT
private slots:
    void dialogClampsTheRangeAndKeepsWhatItSavedWhenCancelled();
    void codecSettingsRowsAreSavedLoadedByClickAndDeletedWithDelete();
    void videoChooserTellsAtOnceWhenAnEncoderCannotTakeTheMovie();
    void aThreeEntryMovieWithMjpegAndPcmFromTheWindow();
    void pauseStopsTheFramesAndResumeGoesOn();
    void cancelHalfwayAsksAndLeavesAPlayableShorterMovie();
    void aBatchRunWithAFailingCodecKeepsItsDialogOpenWithTheError();
    void aBatchRunCreatesClosesAndExitsWithZero();
    void withoutADisplayTheProgramSaysSo();
};

void CreationWindowTest::dialogClampsTheRangeAndKeepsWhatItSavedWhenCancelled() {
    Fixture f(32, 24, 5, 5);
    QVERIFY(f.exposed);
    QVERIFY(f.StartButton()->isEnabled());
    bool seen = false;
    WhenModal<CCreationSettingsDialog>([&](CCreationSettingsDialog* d) {
        seen = true;
        // The controls are off while the dialog decides; the button already cancels.
        QVERIFY(!f.View().Tree()->isEnabled() || !f.View().Tree()->parentWidget()->isEnabled());
        QCOMPARE(d->StartBox()->text(), QString("0"));
        QCOMPARE(d->EndBox()->text(), QString("2"));
        QCOMPARE(d->OutputBox()->text().toStdString(), f.Output());
        d->StartBox()->selectAll();
        QTest::keyClicks(d->StartBox(), "-5");
        QCOMPARE(d->StartBox()->text(), QString("0"));
        d->EndBox()->selectAll();
        QTest::keyClicks(d->EndBox(), "7");
        QCOMPARE(d->EndBox()->text(), QString("2"));
        QCOMPARE(d->EndPosition(), 2);

        QCOMPARE(d->QualityCombo()->currentText(), QString("Production"));
        QVERIFY(d->QualityDescription()->text().startsWith("Good Quality"));
        d->QualityCombo()->setFocus();
        QTest::keyClick(d->QualityCombo(), Qt::Key_Down);
        QCOMPARE(d->QualityCombo()->currentText(), QString("Final Production"));
        QVERIFY(d->QualityDescription()->text().startsWith("Excellent Quality"));

        QTest::mouseClick(d->StreamCacheBox(), Qt::LeftButton, {},
                          QPoint(4, d->StreamCacheBox()->height() / 2));
        QVERIFY(d->StreamCacheBox()->isChecked());
        QCOMPARE(f.prompt.asked.size(), size_t(1));
        QCOMPARE(f.prompt.asked.back().text, std::string(kStreamCacheReminder));
        QTest::mouseClick(d->StreamCacheBox(), Qt::LeftButton, {},
                          QPoint(4, d->StreamCacheBox()->height() / 2));
        QVERIFY(!d->StreamCacheBox()->isChecked());
        QCOMPARE(f.prompt.asked.size(), size_t(1));

        // Without a codec the start is refused with the message, and the dialog stays.
        d->Button("StartCreation")->click();
        QCOMPARE(f.prompt.asked.back().text, std::string(kSpecifyCodecsText));
        QVERIFY(d->isVisible());
        d->Button("Cancel")->click();
    });
    QSignalSpy finished(&f.Runner(), &CCreationRunner::creationFinished);
    QTest::mouseClick(f.StartButton(), Qt::LeftButton);
    QVERIFY(finished.wait(30000));
    QVERIFY(seen);
    QCOMPARE(f.Runner().ExitCode(), 2);
    CSettingsStore saved;
    QVERIFY(saved.Load(f.Manager().GetSettingsPath()));
    int quality = -1, cache = -1;
    saved.GetInt(kTrovSettings, appkey::kQuality, quality);
    saved.GetInt(kTrovSettings, appkey::kEnableVideoStreamCache, cache);
    QCOMPARE(quality, 1);
    QCOMPARE(cache, 0);
    // Everything is back.
    QVERIFY(f.StartButton()->isEnabled());
    QCOMPARE(f.StartButton()->text().remove('&'), QString("Start Creation"));
    QVERIFY(f.View().Tree()->isEnabled() && f.View().Tree()->parentWidget()->isEnabled());
    QVERIFY(f.Window().Action("ProjectOpen")->isEnabled());
    QVERIFY(!fs::exists(f.Output()));
}

void CreationWindowTest::codecSettingsRowsAreSavedLoadedByClickAndDeletedWithDelete() {
    Fixture f(32, 24, 5, 5);
    f.prompt.answers = {PromptAnswer::Yes};
    std::string pcmText;
    WhenModal<CCreationSettingsDialog>([&](CCreationSettingsDialog* d) {
        QCOMPARE(d->VideoText()->text(), QString(kNotSetText));
        QCOMPARE(d->AudioText()->text(), QString(kNotSetText));
        QCOMPARE(d->CodecList()->columnCount(), 3);
        QCOMPARE(d->CodecList()->headerItem()->text(0), QString("Filename"));
        QCOMPARE(d->CodecList()->topLevelItemCount(), 0);
        // The video chooser: MJPEG.
        WhenModal<CVideoCodecDialog>([](CVideoCodecDialog* v) {
            QList<QListWidgetItem*> mjpeg = v->Encoders()->findItems("Motion JPEG", Qt::MatchStartsWith);
            QVERIFY(!mjpeg.isEmpty());
            v->Encoders()->setCurrentItem(mjpeg.front());
            QVERIFY2(v->Problem().isEmpty(), qPrintable(v->Problem()));
            v->OkButton()->click();
        });
        d->Button("ChooseVideoCodec")->click();
        QVERIFY(d->VideoText()->text().startsWith("Motion JPEG"));
        // The audio chooser: a tag, then its formats.
        WhenModal<CAudioCodecDialog>([](CAudioCodecDialog* a) {
            QCOMPARE(a->Tags()->item(0)->text(), QString(kNoAudioEntry));
            QList<QListWidgetItem*> pcm = a->Tags()->findItems("PCM", Qt::MatchExactly);
            QVERIFY(!pcm.isEmpty());
            a->Tags()->setCurrentItem(pcm.front());
            QVERIFY(a->Formats()->count() > 0);
            QVERIFY(!a->Formats()->findItems("44,100 Hz, 16 Bit, Stereo", Qt::MatchExactly).isEmpty());
            a->Formats()->setCurrentItem(
                a->Formats()->findItems("44,100 Hz, 16 Bit, Stereo", Qt::MatchExactly).front());
            a->OkButton()->click();
        });
        d->Button("ChooseAudioCodec")->click();
        pcmText = d->AudioText()->text().toStdString();
        QCOMPARE(pcmText, std::string("PCM (44,100 Hz, 16 Bit, Stereo)"));

        d->Button("SaveCodecSettings")->click();
        QCOMPARE(d->CodecList()->topLevelItemCount(), 1);
        QCOMPARE(d->CodecList()->topLevelItem(0)->text(0), QString("CS_0.ini"));
        QVERIFY(d->CodecList()->topLevelItem(0)->text(1).startsWith("Motion JPEG"));
        QCOMPARE(d->CodecList()->topLevelItem(0)->text(2).toStdString(), pcmText);
        QVERIFY(fs::exists(fs::path(f.CodecDir()) / "CS_0.ini"));

        // "No audio" empties the audio choice; selecting the row brings it back.
        WhenModal<CAudioCodecDialog>([](CAudioCodecDialog* a) {
            a->Tags()->setCurrentRow(0);
            QVERIFY(!a->Formats()->isEnabled());
            a->OkButton()->click();
        });
        d->Button("ChooseAudioCodec")->click();
        QCOMPARE(d->AudioText()->text(), QString(kNotSetText));
        QTreeWidgetItem* row = d->CodecList()->topLevelItem(0);
        QTest::mouseClick(d->CodecList()->viewport(), Qt::LeftButton, {},
                          d->CodecList()->visualItemRect(row).center());
        QCOMPARE(d->AudioText()->text().toStdString(), pcmText);
        QVERIFY(d->VideoText()->text().startsWith("Motion JPEG"));

        // Delete on the row: the question, then file and row are gone.
        d->CodecList()->setFocus();
        QTest::keyClick(d->CodecList(), Qt::Key_Delete);
        QCOMPARE(f.prompt.asked.back().text, std::string(kDeleteCodecSettingsQuestion));
        QCOMPARE(d->CodecList()->topLevelItemCount(), 0);
        QVERIFY(!fs::exists(fs::path(f.CodecDir()) / "CS_0.ini"));
        d->reject();
    });
    QSignalSpy finished(&f.Runner(), &CCreationRunner::creationFinished);
    f.StartButton()->click();
    QVERIFY(finished.wait(30000));
    QVERIFY(!pcmText.empty());
}

void CreationWindowTest::videoChooserTellsAtOnceWhenAnEncoderCannotTakeTheMovie() {
    Fixture f(32, 24, 5, 5);
    BitmapInfoHeader odd{};
    odd.biSize = 40;
    odd.biWidth = 33;
    odd.biHeight = 25;
    odd.biPlanes = 1;
    odd.biBitCount = 24;
    CVideoCodecDialog dialog(odd, CompressionOptions(), f.Output(), &f.Window());
    int refused = 0;
    for (int row = 0; row < dialog.Encoders()->count(); ++row) {
        dialog.Encoders()->setCurrentRow(row);
        CompressionOptions o = dialog.Choice();
        std::string why;
        bool can = CanCompress(o, odd, f.Output(), &why);
        QCOMPARE(dialog.Problem().isEmpty(), can);
        QCOMPARE(dialog.OkButton()->isEnabled(), can);
        if (!can) {
            ++refused;
            QVERIFY(dialog.Problem().contains(QString::fromStdString(why)));
        }
    }
    // H.264 in 4:2:0 cannot take an odd size.
    if (FindVideoEncoder(FourCCFromString("H264"))) QVERIFY(refused > 0);
    // The previous choice comes back selected, with its settings.
    CompressionOptions previous;
    QVERIFY(MakeCompressionOptions("MJPG", 5000, "huffman=default", previous));
    previous.dwBytesPerSecond = 125000;
    CVideoCodecDialog again(odd, previous, f.Output(), &f.Window());
    QCOMPARE(again.Choice().fccHandler, previous.fccHandler);
    QCOMPARE(again.QualityBox()->value(), 5000);
    QCOMPARE(again.DataRateBox()->value(), 1000);
    QCOMPARE(again.OptionsBox()->text(), QString("huffman=default"));
}

void CreationWindowTest::aThreeEntryMovieWithMjpegAndPcmFromTheWindow() {
    Fixture f(64, 48, 10, 10);
    test::WriteFileBytes(f.home.Path() / "tone.wav", Wav(3));
    f.Manager().GetObject(0)->audioFile = f.home / "tone.wav";
    const int total = f.Creation().ComputeTotalFrames(0, 2);
    QVERIFY(total > 30);
    WhenModal<CCreationSettingsDialog>(
        [](CCreationSettingsDialog* d) { Fixture::ConfirmWithMjpeg(d, true); });
    QSignalSpy finished(&f.Runner(), &CCreationRunner::creationFinished);
    f.StartButton()->click();
    QVERIFY(finished.wait(60000));
    QCOMPARE(f.Runner().ExitCode(), 0);
    QVERIFY(fs::exists(f.Output()));
    std::string streams = Probe(f.Output());
    QVERIFY2(streams.find("mjpeg|video") != std::string::npos, streams.c_str());
    QVERIFY2(streams.find("pcm_s16le|audio") != std::string::npos, streams.c_str());
    QCOMPARE(ProbeFrames(f.Output()), total);
    std::string errors = DecodeErrors(f.Output());
    QVERIFY2(errors.empty(), errors.c_str());
    // Progress, preview and the status of the end.
    QCOMPARE(f.View().ProgressBar(true)->value(), 10000);
    QVERIFY(f.Runner().PreviewSink().ShownFrames() > 0);
    QVERIFY(f.Runner().PreviewSink().ShownFrames() <= f.Runner().PreviewSink().OfferedFrames());
    QVERIFY(f.View().Preview()->GetPicture());
    QCOMPARE(f.View().Preview()->GetPicture()->GetWidth(), 64);
    QVERIFY2(f.Window().StatusText().contains("sucessfully written"), qPrintable(f.Window().StatusText()));
    QVERIFY(f.StartButton()->isEnabled());
    QCOMPARE(f.StartButton()->text().remove('&'), QString("Start Creation"));
    // The status bar offers the movie to the desktop's player.
    QStringList opened;
    f.Runner().SetMovieOpener([&opened](const QString& path) {
        opened << path;
        return true;
    });
    QVERIFY(f.Runner().OpenMovieButton()->isVisible());
    f.Runner().OpenMovieButton()->click();
    QCOMPARE(opened, QStringList{QString::fromStdString(f.Output())});
    // The project copy of the run is gone again.
    QVERIFY(!fs::exists(fs::path(f.Manager().GetTempDirectory()) / kCurrentProjectFile));
}

void CreationWindowTest::pauseStopsTheFramesAndResumeGoesOn() {
    Fixture f(320, 240, 2, 200);
    const int total = f.Creation().ComputeTotalFrames(0, 2);
    WhenModal<CCreationSettingsDialog>(
        [](CCreationSettingsDialog* d) { Fixture::ConfirmWithMjpeg(d, false); });
    QSignalSpy finished(&f.Runner(), &CCreationRunner::creationFinished);
    f.StartButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(f.Creation().GetFramesWritten() >= 5, 30000);
    QComboBox* priority = f.View().PriorityCombo();
    QVERIFY(priority->isEnabled());
    priority->setCurrentText("Pause");
    QVERIFY(f.Creation().GetWorker().IsPaused());
    // The frame being written when the pause came may still finish.
    QTest::qWait(100);
    const int atPause = f.Creation().GetFramesWritten();
    const int barAtPause = f.View().ProgressBar(true)->value();
    QVERIFY(atPause < total);
    QTest::qWait(1000);
    QCOMPARE(f.Creation().GetFramesWritten(), atPause);
    QCOMPARE(f.View().ProgressBar(true)->value(), barAtPause);
    QVERIFY(finished.isEmpty());
    priority->setCurrentText("Normal");
    QVERIFY(finished.wait(60000));
    QCOMPARE(f.Runner().ExitCode(), 0);
    QCOMPARE(ProbeFrames(f.Output()), total);
}

void CreationWindowTest::cancelHalfwayAsksAndLeavesAPlayableShorterMovie() {
    Fixture f(320, 240, 2, 200);
    const int total = f.Creation().ComputeTotalFrames(0, 2);
    WhenModal<CCreationSettingsDialog>(
        [](CCreationSettingsDialog* d) { Fixture::ConfirmWithMjpeg(d, false); });
    QSignalSpy finished(&f.Runner(), &CCreationRunner::creationFinished);
    f.StartButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(f.Creation().GetFramesWritten() >= 5, 30000);
    // Pausing keeps the test in control of "halfway"; the question is answered No, then Yes.
    f.View().PriorityCombo()->setCurrentText("Pause");
    QCOMPARE(f.StartButton()->text(), QString("Cancel Creation"));
    f.prompt.answers = {PromptAnswer::No};
    f.StartButton()->click();
    QCOMPARE(f.prompt.asked.back().text, std::string("Do you want to cancel the creation?"));
    QCOMPARE(f.prompt.asked.back().caption, std::string("Warning!"));
    QVERIFY(!f.Manager().IsCreationCanceled());
    f.prompt.answers = {PromptAnswer::Yes};
    f.StartButton()->click();
    QVERIFY(f.Manager().IsCreationCanceled());
    f.View().PriorityCombo()->setCurrentText("Normal");
    QVERIFY(finished.wait(60000));
    QCOMPARE(f.Runner().ExitCode(), 130);
    QVERIFY(fs::exists(f.Output()));
    const int frames = ProbeFrames(f.Output());
    QVERIFY2(frames > 0 && frames < total, qPrintable(QString::number(frames)));
    std::string errors = DecodeErrors(f.Output());
    QVERIFY2(errors.empty(), errors.c_str());
    QVERIFY(f.StartButton()->isEnabled());
    QCOMPARE(f.StartButton()->text().remove('&'), QString("Start Creation"));
    QVERIFY(f.View().Tree()->parentWidget()->isEnabled());
    QVERIFY(f.Window().Action("ProjectOpen")->isEnabled());
}

void CreationWindowTest::aBatchRunWithAFailingCodecKeepsItsDialogOpenWithTheError() {
    Fixture f(32, 24, 5, 5);
    // A codec settings file naming an encoder this machine does not have.
    CodecSettingsRecord record;
    record.hasVideo = true;
    record.video.fccHandler = FourCCFromString("ZZZZ");
    record.videoDescription = "Nothing";
    std::string name = SaveCodecSettings(record, f.CodecDir());
    QVERIFY(!name.empty());
    bool checked = false;
    WhenModal<CCreationSettingsDialog>(
        [&](CCreationSettingsDialog* d) {
            QTimer::singleShot(300, d, [&, d] {
                checked = true;
                QVERIFY(d->isVisible());
                QCOMPARE(d->VideoText()->text(), QString(kVideoCodecErrorText));
                d->reject();
            });
        },
        false);
    QSignalSpy finished(&f.Runner(), &CCreationRunner::creationFinished);
    f.Runner().StartBatch((fs::path(f.CodecDir()) / name).string());
    QVERIFY(finished.wait(30000));
    QVERIFY(checked);
    QCOMPARE(f.Runner().ExitCode(), 2);
    // Not cancelled: the batch window closes itself without the exit question.
    QTRY_VERIFY(!f.Window().isVisible());
    QVERIFY(f.prompt.asked.empty());
}

void CreationWindowTest::aBatchRunCreatesClosesAndExitsWithZero() {
    Fixture f(32, 24, 5, 5);
    QVERIFY(f.Manager().SaveProject(f.home / "project.ini"));
    CodecSettingsRecord record;
    QVERIFY(MakeVideoCodecSettings("MJPG", 7500, "", record));
    std::string name = SaveCodecSettings(record, f.CodecDir());
    QVERIFY(!name.empty());
    // The program runs on a home of its own that shows no splash screen.
    test::TempDir programHome;
    test::WriteFileBytes(programHome.Path() / "Settings.ini",
                         "[TROV_SETTINGS]\r\nSplashScreenShowTime=0\r\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TROV_HOME", QString::fromStdString(programHome.Path().string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(kGuiBinary, {"-project", QString::fromStdString(f.home / "project.ini"), "-CREATE",
                         QString::fromStdString((fs::path(f.CodecDir()) / name).string())});
    QVERIFY(p.waitForFinished(120000));
    QByteArray out = p.readAll();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == 0, out.constData());
    QVERIFY(fs::exists(f.Output()));
    QCOMPARE(ProbeFrames(f.Output()), f.Creation().ComputeTotalFrames(0, 2));

    // A codec settings file that does not exist: the dialog cannot confirm itself. The unattended
    // window is closed by its own close request here (the test cannot reach it), exit code 2 with
    // the reason on stderr.
    fs::remove(f.Output());
    p.start(kGuiBinary,
            {"-project", QString::fromStdString(f.home / "project.ini"), "-CREATE", "missing.ini"});
    QVERIFY(p.waitForStarted());
    QTest::qWait(3000);
    p.terminate();
    QVERIFY(p.waitForFinished(30000));
    out = p.readAll();
    QVERIFY2(out.contains("codec settings file not found: missing.ini"), out.constData());
    QVERIFY(!fs::exists(f.Output()));
}

void CreationWindowTest::withoutADisplayTheProgramSaysSo() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(kGuiBinary, {"-project", "p.ini", "-create", "cs.ini"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAll().contains("no display"));
    // A display that is named but not there is said so too, instead of Qt aborting.
    env.insert("DISPLAY", ":987");
    p.setProcessEnvironment(env);
    p.start(kGuiBinary, {"-project", "p.ini", "-create", "cs.ini"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QByteArray out = p.readAll();
    QVERIFY2(out.contains("no X display at DISPLAY=:987"), out.constData());
}

QTEST_MAIN(CreationWindowTest)
#include "CreationWindowTest.moc"
