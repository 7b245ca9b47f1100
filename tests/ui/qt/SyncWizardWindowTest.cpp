// The synchronisation dialog and the first-video wizard in the real window, offscreen: a run timed
// by a fake clock and applied, a run without a sound device, the wizard's pages, Back, Cancel and
// "create my first video now" writing a movie. With TROV_SHOTS_DIR set, the windows are also
// grabbed into PNG files there (English, and German with TROV_SHOTS_LANGUAGE=German).
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>

#include "audio/AudioFormats.h"
#include "audio/SoundPlayer.h"
#include "audio/WaveFile.h"
#include "creation/Creation.h"
#include "imaging/PictureTools.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewFakes.h"
#include "ui/OptionsModel.h"
#include "ui/qt/CreationRunner.h"
#include "ui/qt/CreationSettingsDialog.h"
#include "ui/qt/FirstVideoWizard.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/SynchronizeDlg.h"
#include "video/CodecSettings.h"
#include "video/VideoCodecs.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

// Saves a grab of w as <TROV_SHOTS_DIR>/<name>-<language>.png when the variable is set.
void Shot(QWidget* w, const char* name) {
    QByteArray dir = qgetenv("TROV_SHOTS_DIR");
    if (dir.isEmpty() || !w) return;
    QByteArray language = qgetenv("TROV_SHOTS_LANGUAGE");
    QString file = QStringLiteral("%1/sync17b-%2-%3.png")
                       .arg(QString::fromUtf8(dir), QString::fromUtf8(name),
                            language.isEmpty() ? QStringLiteral("English") : QString::fromUtf8(language));
    QApplication::processEvents();
    w->grab().save(file);
}

// Runs the steps one after the other, each on the first modal page of the wizard that is its page.
class PageScript {
public:
    using Step = std::function<void(CWizardPageDialog*)>;
    ~PageScript() { m_timer.stop(); }
    void Add(int page, Step step) { m_steps.push_back({page, std::move(step)}); }
    void Start() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_next >= m_steps.size()) {
                m_timer.stop();
                return;
            }
            auto* page = qobject_cast<CWizardPageDialog*>(QApplication::activeModalWidget());
            if (!page || !page->isVisible() || page == m_last || page->Page() != m_steps[m_next].first)
                return;
            m_last = page;
            m_steps[m_next++].second(page);
        });
        m_timer.start();
    }
    size_t Done() const { return m_next; }

private:
    QTimer m_timer;
    std::vector<std::pair<int, Step>> m_steps;
    size_t m_next = 0;
    QPointer<CWizardPageDialog> m_last;
};

template <class T>
void WhenModal(std::function<void(T*)> fn, int timeoutMs = 30000) {
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, fn, timeoutMs] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < timeoutMs) return;
        timer->stop();
        timer->deleteLater();
        QPointer<T> alive(dialog);
        if (dialog) fn(dialog);
        if (alive && alive->isVisible()) alive->reject();
    });
    timer->start();
}

void WriteTone(const std::string& path, int ms) {
    CWaveFile wave;
    QVERIFY(wave.Create(path, PcmWaveFormat(22050, 1, 16)));
    std::vector<uint8_t> pcm;
    for (int i = 0; i < ms * 22; ++i) {
        // A beat every 500 ms, so the waveform has something to show.
        int v = (i % 11025) < 2000 ? ((i / 20) % 2 ? 20000 : -20000) : ((i / 20) % 2 ? 1500 : -1500);
        pcm.push_back(uint8_t(v & 255));
        pcm.push_back(uint8_t((v >> 8) & 255));
    }
    wave.WriteBytes(pcm.data(), pcm.size());
    QVERIFY(wave.Close());
}

int ProbeFrames(const std::string& path) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                        "stream=nb_read_packets", "-of", "csv=p=0", QString::fromStdString(path)});
    p.waitForFinished(60000);
    return p.readAllStandardOutput().trimmed().toInt();
}

struct Fixture {
    Fixture() {
        fs::create_directories(home.Path() / "Language");
        const bool german = qgetenv("TROV_SHOTS_LANGUAGE") == "German";
        if (german)
            fs::copy_file(fs::path(TROV_SOURCE_DIR_VALUE) / "data" / "Language" / "German.ini",
                          home.Path() / "Language" / "German.ini");
        else
            test::WriteFileBytes(home.Path() / "Language" / "Placeholder.ini", "[NOTHING]\r\n");
        SetProgramDirectory(home.Path().string());
        ClearAudioFormatSlots();
        session = std::make_unique<CGuiSession>(prompt, chooser, home.Path().string());
        // The shipped language files: "German" for the screenshots of the German texts.
        if (german) {
            Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, "Deutsch");
            Window().LoadLanguage(false);
        }
        // What a new project gets: a small movie at 25 frames per second, short transitions.
        CSettingsStore& app = Manager().GetAppSettings();
        app.SetInt(kProjectSettings, projkey::kMovieSizeX, 48);
        app.SetInt(kProjectSettings, projkey::kMovieSizeY, 36);
        app.SetString(kProjectSettings, projkey::kFramesPerSeconds, "25");
        app.SetInt(kProjectSettings, projkey::kFramesTextFadeIn, 0);
        app.SetInt(kProjectSettings, projkey::kFramesTextFadeOut, 0);
        app.SetInt(kProjectSettings, projkey::kFramesFading2NextPicture, 5);
        Manager().ResetProject();
        Window().show();
        exposed = QTest::qWaitForWindowExposed(&Window());
    }
    ~Fixture() {
        session.reset();
        ClearAudioFormatSlots();
        SetProgramDirectory("");
    }
    std::vector<std::string> Pictures(int n) {
        CPictureTools tools;
        std::vector<std::string> files;
        const Colour colours[] = {MakeColour(200, 40, 40), MakeColour(40, 200, 40), MakeColour(40, 40, 200),
                                  MakeColour(200, 200, 40)};
        for (int i = 0; i < n; ++i) {
            files.push_back(home / (std::to_string(i) + ".bmp"));
            tools.CreatePicture(64, 40 + 8 * i, colours[i % 4])->SaveFile(files.back());
        }
        return files;
    }
    void AddPicturesWithTune(int n) {
        Manager().AddFiles(Pictures(n));
        WriteTone(home / "tune.wav", 8000);
        Manager().GetObject(0)->audioFile = home / "tune.wav";
        View().RefreshFromProject();
    }
    CMainWindow& Window() { return session->Window(); }
    CMainView& View() { return Window().View(); }
    CTROVManager& Manager() { return session->Manager(); }

    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::unique_ptr<CGuiSession> session;
    bool exposed = false;
};

// The texts are checked in English; the German screenshot run skips those checks.
bool English() {
    return qgetenv("TROV_SHOTS_LANGUAGE").isEmpty();
}

bool WaitUntil(const std::function<bool()>& condition, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms) QTest::qWait(10);
    return condition();
}

}  // namespace

class SyncWizardWindowTest : public QObject {
    Q_OBJECT
private slots:
    void bothMenuItemsAreEnabled();
    void aRunTimedByTheClockShowsPreviewsMarksThePressesAndApplies();
    void withoutASoundDeviceTheDialogSaysSoAndTimesTheRunAll();
    void theWizardGoesBackKeepingPicturesAndCancelKeepsWhatWasDone();
    void createMyFirstVideoNowWritesTheMovie();
};

void SyncWizardWindowTest::bothMenuItemsAreEnabled() {
    Fixture f;
    QVERIFY(f.exposed);
    for (const char* id : {"ObjectsSynchronize", "WizardFirstVideo"}) {
        QAction* a = f.Window().Action(id);
        QVERIFY2(a && a->isEnabled(), id);
    }
}

void SyncWizardWindowTest::aRunTimedByTheClockShowsPreviewsMarksThePressesAndApplies() {
    Fixture f;
    f.AddPicturesWithTune(4);
    CAlsaSoundOutput null("null");
    CSynchronizeDlg dialog(f.Manager(), f.Window().Language(), f.prompt, null, &f.Window());
    std::atomic<int64_t> now{100000};
    dialog.SetClock([&now] { return now.load(); });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.EndBox()->text(), QString("3"));
    Shot(&dialog, "sync-idle");

    dialog.Button("Preprocessing")->click();
    QVERIFY(dialog.IsPreprocessing());
    QVERIFY(!dialog.Button("StartSynchronisation")->isEnabled());
    QVERIFY(WaitUntil([&] { return !dialog.IsPreprocessing(); }));
    if (English()) QCOMPARE(dialog.StatusLabel()->text(), QString("Preprocessing done!"));
    QVERIFY(f.Manager().GetWaveCache().GetIndexSize() >= 1);

    dialog.StartBox()->setText("0");
    dialog.EndBox()->setText("2");
    dialog.Button("StartSynchronisation")->click();
    QVERIFY(dialog.Model() && dialog.Model()->IsRunning());
    if (English()) QCOMPARE(dialog.Button("StartSynchronisation")->text(), QString("Stop synchronisation"));
    QVERIFY(!dialog.StartBox()->isEnabled());
    QVERIFY(!dialog.Button("ApplySynchronisation")->isEnabled());
    QVERIFY(!dialog.PreviewLabel(0)->pixmap().isNull());
    now += 2000;
    QVERIFY(WaitUntil([&] { return dialog.CurrentTimeLabel()->text() == "00:00:02,000"; }));
    dialog.Button("NextPicture")->click();
    now += 1300;
    QVERIFY(WaitUntil([&] { return dialog.PictureTimeLabel()->text() == "00:00:01,300"; }));
    QCOMPARE(dialog.Waveform()->MarkerCount(), 1);
    Shot(&dialog, "sync-running");
    now += 1710;
    dialog.Button("NextPicture")->click();
    QCOMPARE(dialog.Model()->Durations(), (std::vector<int64_t>{2000, 3010}));
    // The third press passes the end position: the run ends by itself.
    now += 1000;
    dialog.Button("NextPicture")->click();
    QVERIFY(WaitUntil([&] { return !dialog.Model()->IsRunning(); }));
    dialog.Refresh();
    if (English()) QCOMPARE(dialog.Button("StartSynchronisation")->text(), QString("Start synchronisation"));
    QVERIFY(dialog.Button("ApplySynchronisation")->isEnabled());
    QCOMPARE(dialog.Waveform()->MarkerCount(), 3);
    Shot(&dialog, "sync-after-run");

    // "No" leaves everything as it was, "Yes" writes the frames and closes.
    const int before = f.Manager().GetObject(0)->showPicture;
    f.prompt.answers = {PromptAnswer::No};
    dialog.Button("ApplySynchronisation")->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(f.Manager().GetObject(0)->showPicture, before);
    f.prompt.answers = {PromptAnswer::Yes};
    dialog.Button("ApplySynchronisation")->click();
    if (English()) QCOMPARE(f.prompt.asked.back().caption, std::string("Apply synchronization!"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // 50, 125 and 150 cumulative frames, less the 5 transition frames of each.
    QCOMPARE(f.Manager().GetObject(0)->showPicture, 45);
    QCOMPARE(f.Manager().GetObject(1)->showPicture, 70);
    QCOMPARE(f.Manager().GetObject(2)->showPicture, 20);
}

void SyncWizardWindowTest::withoutASoundDeviceTheDialogSaysSoAndTimesTheRunAll() {
    Fixture f;
    f.AddPicturesWithTune(2);
    CAlsaSoundOutput missing("trov_no_such_device");
    CSynchronizeDlg dialog(f.Manager(), f.Window().Language(), f.prompt, missing, &f.Window());
    std::atomic<int64_t> now{5000};
    dialog.SetClock([&now] { return now.load(); });
    dialog.show();
    dialog.Button("StartSynchronisation")->click();
    QVERIFY(dialog.Model()->IsRunning());
    if (English())
        QVERIFY2(dialog.StatusLabel()->text().contains("No sound can be played"),
                 qPrintable(dialog.StatusLabel()->text()));
    QVERIFY(dialog.StatusLabel()->text().contains("trov_no_such_device"));
    now += 1200;
    dialog.Button("NextPicture")->click();
    now += 800;
    dialog.Button("NextPicture")->click();
    QVERIFY(!dialog.Model()->IsRunning());
    QCOMPARE(dialog.Model()->Durations(), (std::vector<int64_t>{1200, 800}));
    Shot(&dialog, "sync-no-sound");
}

void SyncWizardWindowTest::theWizardGoesBackKeepingPicturesAndCancelKeepsWhatWasDone() {
    Fixture f;
    f.chooser.files.push_back(f.Pictures(3));
    f.chooser.saveAs.push_back(f.home / "first.avi");
    PageScript script;
    script.Add(kWizardWelcome, [](CWizardPageDialog* p) {
        Shot(p, "wizard-1-welcome");
        QVERIFY(!p->Button("Back")->isEnabled());
        p->Button("Next")->click();
    });
    script.Add(kWizardPictures, [&f](CWizardPageDialog* p) {
        QVERIFY(!p->Button("Next")->isEnabled());
        p->Button("AddPictures")->click();
        QCOMPARE(f.Manager().GetObjectCount(), 3);
        QCOMPARE(f.View().Tree()->selectedItems().size(), 3);
        QVERIFY(p->Button("Next")->isEnabled());
        Shot(p, "wizard-2-pictures");
        p->Button("Next")->click();
    });
    script.Add(kWizardSeconds, [](CWizardPageDialog* p) { p->Button("Back")->click(); });
    script.Add(kWizardPictures, [&f](CWizardPageDialog* p) {
        // Back on step 2: the pictures are still there and the page lets the user go on.
        QCOMPARE(f.Manager().GetObjectCount(), 3);
        QVERIFY(p->Button("Next")->isEnabled());
        p->Button("Next")->click();
    });
    script.Add(kWizardSeconds, [](CWizardPageDialog* p) {
        p->SecondsBox()->setText("two");
        p->Button("Next")->click();
        QVERIFY(p->isVisible());
        QVERIFY(p->ErrorLabel()->isVisible());
        p->SecondsBox()->setText("3");
        Shot(p, "wizard-3-seconds");
        p->Button("Next")->click();
    });
    script.Add(kWizardDestination, [&f](CWizardPageDialog* p) {
        p->Button("Browse")->click();
        QCOMPARE(p->OutputBox()->text(), QString::fromStdString(f.home / "first.avi"));
        Shot(p, "wizard-4-destination");
        p->Button("Cancel")->click();
    });
    script.Start();
    f.Window().Action("WizardFirstVideo")->trigger();
    QCOMPARE(script.Done(), size_t(6));
    // Cancelled on the destination page: the pictures, their 75 frames and the output stay.
    QCOMPARE(f.Manager().GetObjectCount(), 3);
    for (int i = 0; i < 3; ++i) QCOMPARE(f.Manager().GetObject(i)->showPicture, 75);
    std::string output;
    f.Manager().GetProjectSettings().GetString(kProjectSettings, projkey::kOutputAVI, output);
    QCOMPARE(output, f.home / "first.avi");
    QVERIFY(!fs::exists(f.home / "first.avi"));
}

void SyncWizardWindowTest::createMyFirstVideoNowWritesTheMovie() {
    Fixture f;
    f.chooser.files.push_back(f.Pictures(3));
    const std::string movie = f.home / "first.avi";
    f.chooser.saveAs.push_back(movie);
    PageScript script;
    script.Add(kWizardWelcome, [](CWizardPageDialog* p) { p->Button("Next")->click(); });
    script.Add(kWizardPictures, [](CWizardPageDialog* p) {
        p->Button("AddPictures")->click();
        p->Button("Next")->click();
    });
    script.Add(kWizardSeconds, [](CWizardPageDialog* p) {
        p->SecondsBox()->setText("1");
        p->Button("Next")->click();
    });
    script.Add(kWizardDestination, [](CWizardPageDialog* p) {
        p->Button("Browse")->click();
        p->Button("Next")->click();
    });
    script.Add(kWizardFinish, [](CWizardPageDialog* p) {
        Shot(p, "wizard-5-finish");
        p->Button("FinishAndStartCreation")->click();
    });
    script.Start();
    // The creation starts as from the button: its settings dialog comes up and is confirmed.
    WhenModal<CCreationSettingsDialog>([](CCreationSettingsDialog* d) {
        CompressionOptions o;
        QVERIFY(MakeCompressionOptions("MJPG", 7500, "", o));
        QVERIFY(d->Model().SetUpVideoCodec(o));
        d->Button("StartCreation")->click();
    });
    QSignalSpy finished(&f.session->Runner(), &CCreationRunner::creationFinished);
    f.Window().Action("WizardFirstVideo")->trigger();
    QCOMPARE(script.Done(), size_t(5));
    QVERIFY(finished.wait(60000));
    QCOMPARE(f.session->Runner().ExitCode(), 0);
    QVERIFY(fs::exists(movie));
    // Every picture shows for 1 s at 25 frames per second; the movie holds every frame.
    for (int i = 0; i < 3; ++i) QCOMPARE(f.Manager().GetObject(i)->showPicture, 25);
    const int total = f.Manager().GetCreation().ComputeTotalFrames(0, 2);
    QVERIFY(total >= 75);
    QCOMPARE(ProbeFrames(movie), total);
}

QTEST_MAIN(SyncWizardWindowTest)
#include "SyncWizardWindowTest.moc"
