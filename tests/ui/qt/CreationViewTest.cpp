// What the window shows while and after it creates: the manager's values from other threads
// arrive batched and newest-first without flooding the loop, preview frames come fitted to the
// area, the current-step bar is empty at idle, and the creation's own texts follow the language.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <thread>

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
#include "ui/qt/QtServices.h"
#include "video/VideoCodecs.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

// A session on a fresh program directory (with the shipped German file) and three small pictures.
struct Session {
    Session() {
        fs::create_directories(home.Path() / "Language");
        fs::copy_file(fs::path(TROV_SOURCE_DIR_VALUE) / "data" / "Language" / "German.ini",
                      home.Path() / "Language" / "German.ini");
        SetProgramDirectory(home.Path().string());
        ClearAudioFormatSlots();
        session = std::make_unique<CGuiSession>(prompt, chooser, home.Path().string());
        CSettingsStore& p = session->Manager().GetProjectSettings();
        p.SetInt(kProjectSettings, "Movie-Size-X", 96);
        p.SetInt(kProjectSettings, "Movie-Size-Y", 64);
        p.SetString(kProjectSettings, projkey::kOutputAVI, home / "movie.avi");
        session->Manager().GetAppSettings().SetInt(kTrovSettings, appkey::kShowPreview, 1);
        CPictureTools tools;
        for (int i = 0; i < 3; ++i) {
            files.push_back(home / ("p" + std::to_string(i) + ".bmp"));
            tools.CreatePicture(120, 80, MakeColour(uint8_t(60 * i), 90, 200))->SaveFile(files.back());
        }
        session->Window().show();
        exposed = QTest::qWaitForWindowExposed(&session->Window());
    }
    ~Session() {
        session.reset();
        ClearAudioFormatSlots();
        SetProgramDirectory("");
    }
    CMainView& View() { return session->Window().View(); }
    // The pictures through the window, each short and with a fading effect.
    void AddPictures() {
        View().Commands().AddFiles(files);
        for (int i = 0; i < session->Manager().GetObjectCount(); ++i) {
            CProjectObject* o = session->Manager().GetObject(i);
            o->textFadeIn = o->textFadeOut = 0;
            o->showPicture = 5;
            o->fade2NextPicture = 5;
            o->fading2NextPictureName = "Cross Dissolve";
        }
    }
    void German() {
        session->Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, "Deutsch");
        session->Window().LoadLanguage(false);
    }

    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::vector<std::string> files;
    std::unique_ptr<CGuiSession> session;
    bool exposed = false;
};

}  // namespace

class CreationViewTest : public QObject {
    Q_OBJECT
private slots:
    void workerDeliveriesArriveBatchedAndTheNewestWins();
    void aValueShownOnTheGuiThreadIsNotOverwrittenByAnOlderOne();
    void previewFramesAreFittedToTheAreaAndKeepTheirPixels();
    void theCurrentStepBarIsEmptyAtIdle();
    void theCreationsTextsFollowTheLanguage();
};

void CreationViewTest::workerDeliveriesArriveBatchedAndTheNewestWins() {
    CQtManagerView view(30);
    int bars = 0, lastBar = -1;
    QString lastStatus;
    QObject::connect(&view, &CQtManagerView::progress, [&](bool complete, int position, const QString&) {
        if (!complete) return;
        QVERIFY(position > lastBar);  // never an older value after a newer one
        lastBar = position;
        ++bars;
    });
    QObject::connect(&view, &CQtManagerView::statusText, [&](const QString& t) { lastStatus = t; });
    std::atomic<bool> done{false};
    QElapsedTimer sending;
    sending.start();
    std::thread worker([&] {
        for (int i = 1; i <= 10000; ++i) {
            view.OnProgress(true, i, std::to_string(i / 100) + " %");
            view.OnStatusText("Writing frame " + std::to_string(i));
            if (i % 1000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done && lastBar == 10000, 20000);
    const qint64 ms = sending.elapsed();
    worker.join();
    QCOMPARE(lastStatus, QString("Writing frame 10000"));
    // At most one showing per 30 ms of sending (about 200 ms idle), not 20,000 signals.
    QVERIFY2(bars <= ms / 30 + 2 && bars < 1000, qPrintable(QString("%1 in %2 ms").arg(bars).arg(ms)));
    QCOMPARE(view.Flushes(), bars);
}

void CreationViewTest::aValueShownOnTheGuiThreadIsNotOverwrittenByAnOlderOne() {
    CQtManagerView view(30);
    QList<int> shown;
    QObject::connect(&view, &CQtManagerView::progress,
                     [&](bool, int position, const QString&) { shown << position; });
    // A loader thread leaves its full bar waiting; the GUI thread empties the bar after it.
    std::thread([&] { view.OnProgress(false, 10000, "100 %"); }).join();
    view.OnProgress(false, 0, "0 %");
    QTest::qWait(120);
    QCOMPARE(shown, QList<int>{0});
    // Flush shows what is waiting at once (the runner does so before it reports the end).
    std::thread([&] { view.OnProgress(false, 42, "0 %"); }).join();
    view.Flush();
    QCOMPARE(shown, (QList<int>{0, 42}));
    QTest::qWait(60);
    QCOMPARE(shown.size(), 2);
}

void CreationViewTest::previewFramesAreFittedToTheAreaAndKeepTheirPixels() {
    // Left half dark, right half bright, the top row (the buffer's last) red.
    CDibPicture frame;
    QVERIFY(frame.Create(1280, 720));
    for (int y = 0; y < 720; ++y) {
        uint8_t* row = frame.GetRow(y);
        for (int x = 0; x < 1280; ++x) {
            const uint8_t v = x < 640 ? 20 : 220;
            row[3 * x] = v;
            row[3 * x + 1] = v;
            row[3 * x + 2] = y >= 712 ? 255 : v;
        }
    }
    SPreviewFrame small = PreparePreviewFrame(frame, 320, 240);
    QVERIFY(small.picture);
    QCOMPARE(small.picture->GetWidth(), 320);  // the aspect decides: 320 x 180
    QCOMPARE(small.picture->GetHeight(), 180);
    QCOMPARE(small.image.size(), QSize(320, 180));
    QCOMPARE(QColor(small.image.pixel(10, 90)), QColor(20, 20, 20));
    QCOMPARE(QColor(small.image.pixel(310, 90)), QColor(220, 220, 220));
    QCOMPARE(QColor(small.image.pixel(10, 0)).red(), 255);  // the image is top-down
    QCOMPARE(QColor(small.image.pixel(10, 179)).red(), 20);
    // The edge between the halves is a mean, not a jump past either side.
    const int edge = QColor(small.image.pixel(160, 90)).green();
    QVERIFY(edge >= 20 && edge <= 220);
    // A frame smaller than the area is not enlarged and keeps every pixel.
    CDibPicture tiny;
    QVERIFY(tiny.Create(64, 48));
    tiny.GetRow(0)[0] = 77;
    SPreviewFrame same = PreparePreviewFrame(tiny, 320, 240);
    QCOMPARE(same.picture->GetWidth(), 64);
    QCOMPARE(same.picture->GetRow(0)[0], uint8_t(77));
    QCOMPARE(same.image.size(), QSize(64, 48));
    // A degenerate area still gives a picture; an empty frame gives none.
    QCOMPARE(PreparePreviewFrame(frame, 0, 0).picture->GetWidth(), 1);
    QVERIFY(!PreparePreviewFrame(CDibPicture(), 100, 100).picture);
}

void CreationViewTest::theCurrentStepBarIsEmptyAtIdle() {
    Session s;
    s.AddPictures();
    // The added rows are selected and previewed; each step ran the bar to its end.
    QTRY_VERIFY_WITH_TIMEOUT(s.View().Preview()->GetPicture() != nullptr, 10000);
    QTest::qWait(100);
    QCOMPARE(s.View().ProgressBar(false)->value(), 0);
    QCOMPARE(s.session->Manager().GetProgressText(false), std::string("0 %"));
    // After a creation as well, while the whole-creation bar shows where it got.
    CompressionOptions mjpeg;
    QVERIFY(MakeCompressionOptions("MJPG", 7500, "", mjpeg));
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CCreationSettingsDialog*>(QApplication::activeModalWidget())) {
            d->Model().SetUpVideoCodec(mjpeg);
            d->Button("StartCreation")->click();
        }
    });
    poll.start();
    QSignalSpy finished(&s.session->Runner(), &CCreationRunner::creationFinished);
    s.session->Runner().StartOrCancel();
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.front().front().toInt(), 0);
    QCOMPARE(s.View().ProgressBar(true)->value(), 10000);
    QCOMPARE(s.View().ProgressBar(false)->value(), 0);
}

void CreationViewTest::theCreationsTextsFollowTheLanguage() {
    Session s;
    s.AddPictures();
    s.German();
    // The choosers' labels and buttons.
    BitmapInfoHeader h{};
    h.biSize = 40;
    h.biWidth = 96;
    h.biHeight = 64;
    h.biPlanes = 1;
    h.biBitCount = 24;
    CVideoCodecDialog video(h, CompressionOptions(), s.home / "movie.avi", &s.session->Window(),
                            &s.session->Window().Language());
    QCOMPARE(video.windowTitle(), QString("Video-Codec wählen"));
    QStringList labels;
    for (QLabel* l : video.findChildren<QLabel*>()) labels << l->text();
    QVERIFY2(labels.contains("Video-Encoder dieses Rechners (Film 96 x 64):"), qPrintable(labels.join('|')));
    QVERIFY(labels.contains("Datenrate:"));
    QCOMPARE(video.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
             QString("Abbrechen"));
    CAudioCodecDialog audio(GetAudioFormatTags(), -1, -1, &s.session->Window(),
                            &s.session->Window().Language());
    audio.SetCoreTitle("Choose your Audio Format");
    QCOMPARE(audio.windowTitle(), QString("Wählen Sie Ihr Audioformat"));
    QCOMPARE(audio.Tags()->item(0)->text(), QString("Kein Audio"));
    audio.SetCoreTitle("A title the table does not know");
    QCOMPARE(audio.windowTitle(), QString("A title the table does not know"));
    // The start button while a creation runs, and back afterwards.
    QPushButton* start = s.View().Button("StartCreation");
    const QString before = start->text();
    QString during;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CCreationSettingsDialog*>(QApplication::activeModalWidget())) {
            CompressionOptions mjpeg;
            MakeCompressionOptions("MJPG", 7500, "", mjpeg);
            d->Model().SetUpVideoCodec(mjpeg);
            d->Button("StartCreation")->click();
        } else if (s.session->Runner().IsRunning() && during.isEmpty()) {
            during = start->text();
        }
    });
    poll.start();
    QSignalSpy finished(&s.session->Runner(), &CCreationRunner::creationFinished);
    s.session->Runner().StartOrCancel();
    QVERIFY(finished.wait(60000));
    QCOMPARE(during, QString("Erstellung abbrechen"));
    QCOMPARE(start->text(), before);
    QCOMPARE(s.session->Runner().OpenMovieButton()->text(), QString("Film öffnen"));
}

QTEST_MAIN(CreationViewTest)
#include "CreationViewTest.moc"
