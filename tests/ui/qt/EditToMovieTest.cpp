// From the window to the movie: a project is edited through the main window and its dialogs only
// (project settings, the Update fields, caption text, colour, font and text settings, the special
// picture settings with the panorama dialog and the picture-move editor, audio settings, add colour
// fading), saved through the menu, rendered by the real trov, and the movie is checked with ffprobe
// and decoded frames and samples (ffmpeg) for what was edited.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "audio/AudioFormats.h"
#include "audio/WaveTestUtil.h"
#include "cli/CliTestSupport.h"
#include "imaging/Caption.h"
#include "imaging/DibPicture.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/AudioSettingsDialog.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/PictureMoveEditor.h"
#include "ui/qt/ProjectSettingsDialog.h"
#include "ui/qt/SpecialPictureDialog.h"
#include "ui/qt/TextSettingsDialog.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

// The project as edited: 20 fps (50 ms a frame), 160 x 120.
constexpr int kFps = 20;
constexpr int kMs = 1000 / kFps;
constexpr int kWidth = 160, kHeight = 120;
// Entry 0, the panorama: its show and its fade into the caption entry (the music's cross-fade
// follows this fade).
constexpr int kPanShow = 20, kPanFade = 10;
// Entry 1, the caption on plain grey: wiped in, shown, wiped out, then a fade into the flash.
constexpr int kTextIn = 6, kTextShow = 10, kTextOut = 6, kTextFade = 5;
// Entry 2, the picture move; the synchronised flash takes its frames from this show.
constexpr int kMoveShow = 31, kMoveFade = 5;
// The two pieces of music: 500 Hz and 1500 Hz, whole cycles in a 20 ms window.
constexpr double kToneA = 500, kToneB = 1500;
constexpr int kRate = 44100, kWindow = kRate / 50;
// Music a: 1 s whose level grows from 6000 by 4 a millisecond, played from 200 ms and looping
// (back to 200 ms at its end); music b: 4 s growing from 4000 by 2 a millisecond.
constexpr int kLoopStart = 200, kLoopEnd = 1000;

// Runs fn on the next modal dialog of type T once it is shown; other dialogs are closed.
template <typename T>
void OnNext(std::function<void(T*)> fn) {
    QTimer::singleShot(60, [fn] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* d = qobject_cast<T*>(modal))
            fn(d);
        else if (modal)
            modal->close();
        // A failed check inside fn must not leave the test waiting on the dialog.
        if (modal && modal->isVisible()) modal->close();
    });
}

// With TROV_EDIT_TO_MOVIE_SHOTS set (a path prefix), each dialog is grabbed as it is about to be
// closed, in the language TROV_EDIT_TO_MOVIE_LANGUAGE names (English without it).
void Shot(QWidget* w, const char* name) {
    const char* prefix = std::getenv("TROV_EDIT_TO_MOVIE_SHOTS");
    if (!prefix) return;
    const char* language = std::getenv("TROV_EDIT_TO_MOVIE_LANGUAGE");
    QApplication::processEvents();
    w->grab().save(QString("%1-%2-%3.png").arg(prefix, name, language ? language : "English"));
}

// A picture of w x h: the left half red and the right half blue (the panorama), plain grey (the
// caption's background), or dark grey with a white square in the middle (the picture move: a zoom
// makes the square bigger).
enum class Look { Halves, Grey, Square };
std::string MakePicture(const fs::path& dir, const std::string& name, int w, int h, Look look) {
    CDibPicture p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (look == Look::Halves)
                x < w / 2 ? p.SetPixel(x, y, 220, 30, 30) : p.SetPixel(x, y, 30, 30, 220);
            else if (look == Look::Grey)
                p.SetPixel(x, y, 110, 110, 110);
            else if (std::abs(x - w / 2) < w / 10 && std::abs(y - h / 2) < h / 10)
                p.SetPixel(x, y, 255, 255, 255);
            else
                p.SetPixel(x, y, 60, 60, 60);
        }
    std::string path = (dir / name).string();
    p.SaveFile(path);
    return path;
}

// A stereo tone whose amplitude grows with the position in the file (level + slope per second),
// so that where a piece is played from can be read from its level.
std::string MakeTone(const fs::path& dir, const std::string& name, double hz, double seconds, double level,
                     double slope) {
    std::vector<int> v;
    const int frames = int(seconds * kRate);
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const int s = int(std::lround((level + slope * t) * std::sin(2 * M_PI * hz * t)));
        v.push_back(s);
        v.push_back(s);
    }
    std::string path = (dir / name).string();
    test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), test::Samples16(v)));
    return path;
}

// The decoded movie: every frame as RGB24 and the sound as 16-bit stereo at 44.1 kHz.
struct Decoded {
    int frames = 0;
    std::string rgb, pcm;
    const uint8_t* Pixel(int frame, int x, int y) const {
        return reinterpret_cast<const uint8_t*>(rgb.data()) + (size_t(frame) * kHeight + y) * kWidth * 3 +
               x * 3;
    }
    // Pixels of frame in [x0, x1) x [y0, y1) (top row 0) that pass is(r, g, b).
    int Count(int frame, const std::function<bool(int, int, int)>& is, int x0 = 0, int y0 = 0,
              int x1 = kWidth, int y1 = kHeight) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint8_t* p = Pixel(frame, x, y);
                n += is(p[0], p[1], p[2]);
            }
        return n;
    }
    // The amplitude of a tone in the left channel over the 20 ms window starting at ms.
    double Tone(double hz, int ms) const {
        const size_t first = size_t(ms) * kRate / 1000, count = pcm.size() / 4;
        if (first + kWindow > count) return -1;
        double re = 0, im = 0;
        for (int i = 0; i < kWindow; ++i) {
            const double s = test::Sample16At(reinterpret_cast<const uint8_t*>(pcm.data()), 2 * (first + i));
            re += s * std::cos(2 * M_PI * hz * i / kRate);
            im += s * std::sin(2 * M_PI * hz * i / kRate);
        }
        return 2 * std::hypot(re, im) / kWindow;
    }
    void SavePng(int frame, const std::string& path) const {
        QImage(Pixel(frame, 0, 0), kWidth, kHeight, kWidth * 3, QImage::Format_RGB888)
            .save(QString::fromStdString(path));
    }
};

// Colours as they come back from the compressed movie.
bool Near(int r, int g, int b, int R, int G, int B) {
    return std::abs(r - R) < 60 && std::abs(g - G) < 60 && std::abs(b - B) < 60;
}
bool Yellow(int r, int g, int b) {
    return r > 190 && g > 190 && b < 110;
}
bool White(int r, int g, int b) {
    return r > 240 && g > 240 && b > 240;
}

// ffprobe's key=value lines of one stream and the container's duration.
std::map<std::string, std::string> Probe(const std::string& movie, const char* stream) {
    clitest::Result r = clitest::RunShell(std::string("ffprobe -v error -select_streams ") + stream +
                                          " -show_entries stream=codec_name,width,height,r_frame_rate,"
                                          "sample_rate,channels,duration -show_entries format=duration "
                                          "-of default=nw=1 " +
                                          clitest::Quoted(movie));
    std::map<std::string, std::string> values;
    size_t at = 0;
    while (at < r.out.size()) {
        size_t end = r.out.find('\n', at);
        if (end == std::string::npos) end = r.out.size();
        const std::string line = r.out.substr(at, end - at);
        if (size_t eq = line.find('='); eq != std::string::npos)
            values.emplace(line.substr(0, eq), line.substr(eq + 1));
        at = end + 1;
    }
    return values;
}

std::unique_ptr<Decoded> Decode(const std::string& movie, const fs::path& dir) {
    const std::string video = (dir / "frames.rgb").string(), audio = (dir / "sound.raw").string();
    clitest::RunShell("ffmpeg -v error -y -i " + clitest::Quoted(movie) +
                      " -map 0:v -f rawvideo -pix_fmt rgb24 " + clitest::Quoted(video) +
                      " -map 0:a -f s16le -ac 2 -ar 44100 " + clitest::Quoted(audio));
    auto d = std::make_unique<Decoded>();
    d->rgb = test::ReadFileBytes(video);
    d->pcm = test::ReadFileBytes(audio);
    d->frames = int(d->rgb.size() / (kWidth * kHeight * 3));
    return d;
}

struct Fixture {
    Fixture() {
        fs::create_directories(home.Path() / "Language");
        // English only, unless a language is asked for: then the shipped language files are found.
        if (!std::getenv("TROV_EDIT_TO_MOVIE_LANGUAGE"))
            test::WriteFileBytes(home.Path() / "Language" / "Placeholder.ini", "[NOTHING]\r\n");
        SetProgramDirectory(home.Path().string());
        session = std::make_unique<CGuiSession>(prompt, chooser, home.Path().string());
        if (const char* language = std::getenv("TROV_EDIT_TO_MOVIE_LANGUAGE")) {
            Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, language);
            Window().LoadLanguage(false);
        }
        Window().show();
        exposed = QTest::qWaitForWindowExposed(&Window());
    }
    ~Fixture() {
        session.reset();
        SetProgramDirectory("");
    }
    CMainWindow& Window() { return session->Window(); }
    CMainView& View() { return Window().View(); }
    CTROVManager& Manager() { return session->Manager(); }
    void Select(int row) {
        View().List().SetSelectedRows({row});
        View().Commands().SelectionChanged();
        QTest::qWait(30);
    }
    void Click(const char* button) {
        QVERIFY2(View().Button(button)->isEnabled(), button);
        View().Button(button)->click();
        QTest::qWait(30);
    }
    // Types value into the field's box and presses its Update button (row must be selected).
    void SetField(EditField field, const char* button, const QString& value) {
        View().Edit(field)->setText(value);
        Click(button);
    }
    void SetFrames(int row, int in, int show, int out, int fade) {
        Select(row);
        SetField(EditField::TextFadeIn, "UpdateFTFI", QString::number(in));
        SetField(EditField::ShowPicture, "UpdateFSP", QString::number(show));
        SetField(EditField::TextFadeOut, "UpdateFTFO", QString::number(out));
        SetField(EditField::Fade2NextPicture, "UpdateF2NP", QString::number(fade));
        // No caption unless one is asked for: the white of its letters would count as the white square.
        SetField(EditField::PictureText, "UpdatePictureText", QString());
        View().EffectCombo()->setCurrentText("Cross Dissolve");
        Click("UpdateFadeEffect");
    }

    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::unique_ptr<CGuiSession> session;
    bool exposed = false;
};

}  // namespace

class EditToMovieTest : public QObject {
    Q_OBJECT
private slots:
    void editedInTheWindowRenderedByTrov();

private:
    void EditProjectSettings(Fixture& f);
    void EditCaption(Fixture& f);
    void EditPanorama(Fixture& f);
    void EditPictureMove(Fixture& f);
    void EditMusic(Fixture& f, const std::string& a, const std::string& b);
    void AddFlash(Fixture& f);
    void CheckStreams(const std::string& movie, int frames);
    void CheckPictures(const Decoded& d);
    void CheckCaption(const Decoded& d);
    void CheckSound(const Decoded& d);
};

// The movie's size and frame rate through the project settings dialog.
void EditToMovieTest::EditProjectSettings(Fixture& f) {
    bool done = false;
    OnNext<CProjectSettingsDialog>([&](CProjectSettingsDialog* d) {
        d->Box("Movie-Size-X")->setText(QString::number(kWidth));
        d->Box("Movie-Size-Y")->setText(QString::number(kHeight));
        d->Box("FramesPerSeconds")->setText(QString::number(kFps));
        Shot(d, "project-settings");
        static_cast<QPushButton*>(d->Control("OK"))->click();
        done = d->result() == QDialog::Accepted;
    });
    f.Window().Action("ProjectSettings")->trigger();
    QVERIFY(done);
    std::string fps;
    f.Manager().GetProjectSettings().GetString(kProjectSettings, projkey::kFramesPerSeconds, fps);
    QCOMPARE(fps, std::to_string(kFps));
}

// Entry 1: a yellow bold caption at the top right, wiped in from the left and out to the right.
void EditToMovieTest::EditCaption(Fixture& f) {
    f.Select(1);
    f.SetField(EditField::PictureText, "UpdatePictureText", "TROV");
    f.chooser.colours.push_back(MakeColour(255, 255, 0));
    f.Click("TextColor");
    LogFont bold;
    bold.height = -28;
    bold.width = 0;
    bold.weight = 700;
    bold.faceName = "DejaVu Sans";
    f.chooser.fonts.push_back(bold);
    f.Click("Choose Font");
    bool done = false;
    OnNext<CTextSettingsDialog>([&](CTextSettingsDialog* d) {
        d->PositionButton(kCaptionTopRight)->click();
        d->FadeInList()->setCurrentIndex(d->FadeInList()->findText("Left-Right-Wipe"));
        d->FadeOutList()->setCurrentIndex(d->FadeOutList()->findText("Right-Left-Wipe"));
        Shot(d, "text-settings");
        static_cast<QPushButton*>(d->Control("OK"))->click();
        done = d->result() == QDialog::Accepted;
    });
    f.Click("TextSettings");
    QVERIFY(done);
    const CProjectObject& o = *f.Manager().GetObject(1);
    QCOMPARE(o.textPosition, int(kCaptionTopRight));
    QCOMPARE(o.textFadeInEffectName, std::string("Left-Right-Wipe"));
    QCOMPARE(o.textFadeOutEffectName, std::string("Right-Left-Wipe"));
    QCOMPARE(o.textColor, MakeColour(255, 255, 0));
    QCOMPARE(o.font.weight, 700);
}

void EditToMovieTest::EditPanorama(Fixture& f) {
    f.Select(0);
    bool done = false;
    OnNext<CSpecialPictureDialog>([&](CSpecialPictureDialog* d) {
        d->PanoramaBox()->click();
        OnNext<CPanoramaScrollingDialog>([](CPanoramaScrollingDialog* p) {
            Shot(p, "panorama");
            p->Button("Left2Right")->click();
        });
        d->Button("ConfigurePanoramaScrolling")->click();
        done = d->Model().PanoramaType() == 1;
        Shot(d, "special-picture-panorama");
        d->Button("OK")->click();
    });
    f.View().Button("SpecialPictureSettings")->click();
    QVERIFY(done);
}

void EditToMovieTest::EditPictureMove(Fixture& f) {
    f.Select(2);
    bool done = false;
    OnNext<CSpecialPictureDialog>([&](CSpecialPictureDialog* d) {
        d->PictureMoveBox()->click();
        OnNext<CPictureMoveEditor>([&](CPictureMoveEditor* e) {
            e->Button("SetAsPosition1")->click();  // the whole picture
            CPictureMoveView* v = e->View();
            // The centre quarter, drawn with the mouse.
            QTest::mousePress(v, Qt::LeftButton, {}, v->WindowPoint(40, 30).toPoint());
            QTest::mouseMove(v, v->WindowPoint(120, 90).toPoint());
            QTest::mouseRelease(v, Qt::LeftButton, {}, v->WindowPoint(120, 90).toPoint());
            e->Button("SetAsPosition2")->click();
            // A route of three points through the picture, in green.
            e->AddPointBox()->setChecked(true);
            for (auto [x, y] : {std::pair{45, 40}, std::pair{80, 80}, std::pair{115, 40}})
                QTest::mouseClick(v, Qt::LeftButton, {}, v->WindowPoint(x, y).toPoint());
            f.chooser.colours.push_back(MakeColour(0, 230, 0));
            e->Button("ChangeFlightPointColor")->click();
            done = e->Model().Points().size() == 3 && e->Model().BothSet();
            Shot(e, "picture-move");
            e->Button("OK")->click();
        });
        d->Button("ConfigurePictureMove")->click();
        Shot(d, "special-picture-move");
        d->Button("OK")->click();
    });
    f.View().Button("SpecialPictureSettings")->click();
    QVERIFY(done);
}

// Music a starts with the panorama, from 200 ms into its file and looping; music b starts with the caption
// entry and is mixed into a over the panorama's fade (synchronised: the fading time follows that fade).
void EditToMovieTest::EditMusic(Fixture& f, const std::string& a, const std::string& b) {
    int opened = 0;
    f.Select(0);
    f.chooser.files.push_back({a});
    OnNext<CAudioSettingsDialog>([&](CAudioSettingsDialog* d) {
        ++opened;
        static_cast<QPushButton*>(d->Control("BrowseAudioFile"))->click();
        static_cast<QLineEdit*>(d->Control(AudioControl::StartTimeBox))->setText(QString::number(kLoopStart));
        static_cast<QCheckBox*>(d->Control(AudioControl::Loop))->click();
        Shot(d, "audio-settings-loop");
        static_cast<QPushButton*>(d->Control("UseNewSettings"))->click();
    });
    f.Click("AudioSettings");
    f.Select(1);
    f.chooser.files.push_back({b});
    QString fadingShown;
    OnNext<CAudioSettingsDialog>([&](CAudioSettingsDialog* d) {
        ++opened;
        static_cast<QPushButton*>(d->Control("BrowseAudioFile"))->click();
        static_cast<QRadioButton*>(d->Control(AudioControl::Option3))->click();
        static_cast<QCheckBox*>(d->Control(AudioControl::Synchronize))->click();
        fadingShown = static_cast<QLineEdit*>(d->Control(AudioControl::FadingTimeBox))->text();
        Shot(d, "audio-settings-mix");
        static_cast<QPushButton*>(d->Control("UseNewSettings"))->click();
    });
    f.Click("AudioSettings");
    QCOMPARE(opened, 2);
    QCOMPARE(fadingShown, QString::number(kPanFade * kMs));
    const CProjectObject& o = *f.Manager().GetObject(1);
    QCOMPARE(f.Manager().GetObject(0)->audioFile, a);
    QCOMPARE(f.Manager().GetObject(0)->audioStartTime, kLoopStart);
    QVERIFY(f.Manager().GetObject(0)->loopAudio);
    QCOMPARE(o.audioFile, b);
    QCOMPARE(o.fadeOption, int(kFadeMix));
    QCOMPARE(o.synchronizeFF2NP, 1);
    QCOMPARE(o.audioFadingTime, kPanFade * kMs);
}

// The synchronised white flash before the picture move: its frames come out of the move's show.
void EditToMovieTest::AddFlash(Fixture& f) {
    f.Select(2);
    OnNext<CAddColorFadingDialog>([](CAddColorFadingDialog* d) {
        Shot(d, "add-color-fading");
        d->ChoiceButton(3)->click();
    });
    f.Click("AddColorFading");
    CTROVManager& manager = f.Manager();
    QCOMPARE(manager.GetObjectCount(), 4);
    const CProjectObject& flash = *manager.GetObject(2);
    QVERIFY(flash.IsColorFade());
    QCOMPARE(flash.colorFadeColorRef, MakeColour(255, 255, 255));
    // 0.55 s of the 20 fps movie.
    QCOMPARE(flash.fade2NextPicture, 11);
    QCOMPARE(manager.GetObject(3)->showPicture, kMoveShow - 11);
}

// Where the entries' frames begin in the movie (the flash has no frames of its own but its fade).
constexpr int kTextFirst = kPanShow + kPanFade;
constexpr int kTextShown = kTextFirst + kTextIn;
constexpr int kFlashFirst = kTextShown + kTextShow + kTextOut + kTextFade;
constexpr int kMoveFirst = kFlashFirst + 11;
constexpr int kFrames = kMoveFirst + kMoveShow - 11;

void EditToMovieTest::CheckStreams(const std::string& movie, int frames) {
    QCOMPARE(frames, kFrames);
    auto video = Probe(movie, "v:0");
    QCOMPARE(video["codec_name"], std::string("mjpeg"));
    QCOMPARE(video["width"], std::to_string(kWidth));
    QCOMPARE(video["height"], std::to_string(kHeight));
    QCOMPARE(video["r_frame_rate"], std::to_string(kFps) + "/1");
    QVERIFY2(std::abs(std::atof(video["duration"].c_str()) - double(kFrames) / kFps) < 0.06,
             video["duration"].c_str());
    auto audio = Probe(movie, "a:0");
    QCOMPARE(audio["codec_name"], std::string("pcm_s16le"));
    QCOMPARE(audio["sample_rate"], std::string("44100"));
    QCOMPARE(audio["channels"], std::string("2"));
}

// Mean of all bytes of a frame: the flash's rise and fall.
double Brightness(const Decoded& d, int frame) {
    double sum = 0;
    for (size_t i = 0; i < size_t(kWidth) * kHeight * 3; ++i) sum += d.Pixel(frame, 0, 0)[i];
    return sum / (double(kWidth) * kHeight * 3);
}

void EditToMovieTest::CheckPictures(const Decoded& d) {
    auto red = [](int r, int g, int b) { return Near(r, g, b, 220, 30, 30); };
    auto blue = [](int r, int g, int b) { return Near(r, g, b, 30, 30, 220); };
    auto white = [](int r, int g, int b) { return Near(r, g, b, 255, 255, 255); };
    auto green = [](int r, int g, int b) { return Near(r, g, b, 0, 230, 0); };
    const int all = kWidth * kHeight;
    // The panorama scrolls from the red left half to the blue right half during its show.
    QVERIFY(d.Count(0, red) > all * 9 / 10);
    QVERIFY(d.Count(kPanShow - 1, blue) > all * 9 / 10);
    // The flash: the caption entry fades into white over its 5 frames, the last one white from edge
    // to edge, then the white fades into the picture move over the flash's own 11 frames.
    const int peak = kFlashFirst - 1;
    QVERIFY2(d.Count(peak, White) > all * 99 / 100, std::to_string(d.Count(peak, White)).c_str());
    for (int frame = kFlashFirst - kTextFade; frame < kMoveFirst; ++frame) {
        const double before = Brightness(d, frame - 1), now = Brightness(d, frame);
        QVERIFY2(frame <= peak ? now > before + 10 : now < before - 10,
                 (std::to_string(frame) + ": " + std::to_string(before) + " " + std::to_string(now)).c_str());
    }
    QVERIFY(std::abs(Brightness(d, kMoveFirst) - Brightness(d, kMoveFirst - 1)) < 3);
    QVERIFY(d.Count(kMoveFirst, White) < all / 20);
    // The picture move: the white square grows as the crop closes in, and the green route is there
    // at the end.
    const int whiteStart = d.Count(kMoveFirst, white), whiteEnd = d.Count(kFrames - 1, white);
    QVERIFY2(whiteEnd > 2 * whiteStart,
             (std::to_string(whiteStart) + " " + std::to_string(whiteEnd)).c_str());
    QVERIFY(d.Count(kFrames - 1, green) > 200);
    QVERIFY(d.Count(kMoveFirst, green) < d.Count(kFrames - 1, green));
    if (const char* shots = std::getenv("TROV_EDIT_TO_MOVIE_FRAMES")) {
        for (int frame : {0, kPanShow - 1, kTextFirst + 2, kTextShown + 2, kFlashFirst - 3, peak, kMoveFirst,
                          kFrames - 1})
            d.SavePng(frame, std::string(shots) + "-frame" + std::to_string(frame) + ".png");
    }
}

// The caption: nothing before its fade-in, wiped in from the left edge of the movie, whole at the
// top right while shown, wiped out towards the right edge, gone in the fade into the flash.
void EditToMovieTest::CheckCaption(const Decoded& d) {
    const int shown = kTextShown + kTextShow / 2;
    QCOMPARE(d.Count(kTextFirst - 1, Yellow), 0);
    const int whole = d.Count(shown, Yellow);
    QVERIFY2(whole > 300, std::to_string(whole).c_str());
    int x0 = kWidth, x1 = 0, y0 = kHeight, y1 = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (const uint8_t* p = d.Pixel(shown, x, y); Yellow(p[0], p[1], p[2]))
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    qInfo("caption's letters at x %d-%d, y %d-%d: %d pixels", x0, x1, y0, y1, whole);
    // Top right: the block starts 19 rows minus the outline from the top and ends 10 columns plus
    // the outline from the right edge; the letters sit a little inside it.
    QVERIFY(x1 > kWidth - 20 && x1 < kWidth - 10 && (x0 + x1) / 2 > kWidth / 2);
    QVERIFY(y0 > 16 && y0 < 30 && y1 < kHeight / 2);
    // Columns [from, to) of a wiped frame hold the caption as shown, the others none of it.
    auto wiped = [&](int frame, int from, int to) {
        const int inside = d.Count(frame, Yellow, from + 3, 0, to - 3, kHeight);
        const int expected = d.Count(shown, Yellow, from + 3, 0, to - 3, kHeight);
        const int outside = d.Count(frame, Yellow, 0, 0, from - 3, kHeight) +
                            d.Count(frame, Yellow, to + 3, 0, kWidth, kHeight);
        QVERIFY2(expected > 20 && std::abs(inside - expected) < expected / 5 && outside == 0,
                 (std::to_string(frame) + ": " + std::to_string(inside) + " of " + std::to_string(expected) +
                  ", " + std::to_string(outside) + " outside")
                     .c_str());
    };
    // A caption wipe's frame i is one strip ahead of the transition's: B's columns up to (i + 2) / n
    // of the width. The fade-in (Left-Right) grows from the left edge.
    for (int i : {1, 2}) wiped(kTextFirst + i, 0, (i + 2) * kWidth / kTextIn);
    // The fade-out (Right-Left) is its fade-in backwards: at its end only the right part is left.
    const int last = kTextShown + kTextShow + kTextOut - 1;
    for (int i : {1, 0}) wiped(last - i, kWidth - (i + 2) * kWidth / kTextOut, kWidth);
    QCOMPARE(d.Count(last + 1, Yellow), 0);
}

// The sound: music a alone, from its start time and looping back to it, then a falling and b rising
// in straight lines over the panorama's fade (a still looping), then b alone, played on from its
// start plus the cross-fade. Both pieces' levels tell the place in their files.
void EditToMovieTest::CheckSound(const Decoded& d) {
    QCOMPARE(int(d.pcm.size() / 4), kFrames * (kRate / kFps));
    const double fadeStart = kPanShow * kMs, fadeEnd = (kPanShow + kPanFade) * kMs, x = fadeEnd - fadeStart;
    auto placeA = [](double t) {
        const double p = kLoopStart + t;
        return p < kLoopEnd ? p : kLoopStart + std::fmod(p - kLoopEnd, kLoopEnd - kLoopStart);
    };
    auto levelA = [&](double t) { return 6000 + 4 * placeA(t); };
    auto levelB = [](double filePosition) { return 4000 + 2 * filePosition; };
    auto report = [&](int ms) {
        return std::to_string(ms) + " ms: " + std::to_string(d.Tone(kToneA, ms)) + " " +
               std::to_string(d.Tone(kToneB, ms));
    };
    int checked = 0;
    // Each window is judged at its middle, 10 ms in; windows across a bend or a loop's jump are
    // not on one line and are left out.
    for (int ms = 0; ms + 20 <= kFrames * kMs; ms += 20) {
        const double t = ms + 10;
        const bool jump = std::abs(placeA(ms) - placeA(ms + 19)) > 30;
        if (std::abs(t - fadeStart) < 15 || std::abs(t - fadeEnd) < 15 || (t < fadeEnd && jump)) continue;
        double a = 0, b = 0;
        if (t < fadeStart) {
            a = levelA(t);
        } else if (t < fadeEnd) {
            a = levelA(t) * (fadeEnd - t) / x;
            b = levelB(t - fadeStart) * (t - fadeStart) / x;
        } else {
            // b goes on from where the cross-fade left it in its file.
            b = levelB(t - fadeStart);
        }
        QVERIFY2(std::abs(d.Tone(kToneA, ms) - a) < 120 && std::abs(d.Tone(kToneB, ms) - b) < 120,
                 report(ms).c_str());
        ++checked;
    }
    QVERIFY(checked > 200);
}

void EditToMovieTest::editedInTheWindowRenderedByTrov() {
    if (clitest::RunShell("ffprobe -version").code != 0) QSKIP("ffprobe is not installed");
    Fixture f;
    QVERIFY(f.exposed);
    const fs::path dir = f.home.Path();
    EditProjectSettings(f);
    f.View().Commands().AddFiles({MakePicture(dir, "wide.bmp", 480, 120, Look::Halves),
                                  MakePicture(dir, "grey.bmp", 160, 120, Look::Grey),
                                  MakePicture(dir, "square.bmp", 160, 120, Look::Square)});
    QCOMPARE(f.Manager().GetObjectCount(), 3);
    f.SetFrames(0, 0, kPanShow, 0, kPanFade);
    f.SetFrames(1, kTextIn, kTextShow, kTextOut, kTextFade);
    f.SetFrames(2, 0, kMoveShow, 0, kMoveFade);
    EditCaption(f);
    EditPanorama(f);
    EditPictureMove(f);
    if (QTest::currentTestFailed()) return;
    EditMusic(f, MakeTone(dir, "a.wav", kToneA, kLoopEnd / 1000.0, 6000, 4000),
              MakeTone(dir, "b.wav", kToneB, 4, 4000, 2000));
    AddFlash(f);
    if (QTest::currentTestFailed()) return;
    Shot(&f.Window(), "main-window");
    if (!std::getenv("TROV_EDIT_TO_MOVIE_LANGUAGE")) {
        QCOMPARE(f.View().Tree()->topLevelItem(0)->text(9), QString("Panorama Scrolling: Left to Right"));
        QCOMPARE(f.View().Tree()->topLevelItem(3)->text(9), QString("Picture Move"));
    }

    const std::string projectFile = (dir / "edited.ini").string();
    f.chooser.saveAs.push_back(projectFile);
    f.Window().Action("ProjectSave")->trigger();
    QVERIFY(fs::exists(projectFile));

    // Motion JPEG with PCM sound.
    CodecSettingsRecord record;
    QVERIFY(MakeVideoCodecSettings("MJPG", 9000, "", record));
    QVERIFY(SetOutputAudioFormatByText("PCM (44,100 Hz, 16 Bit, Stereo)"));
    StoreOutputAudio(record);
    QVERIFY(SetOutputAudioFormatByText("Not set!"));
    const std::string codec = (dir / SaveCodecSettings(record, dir.string())).string();
    const std::string movie = (dir / "edited.avi").string();
    clitest::Result r =
        clitest::RunTrovIn(dir.string(), dir.string(),
                           "-PROJECT " + clitest::Quoted(projectFile) + " -CREATE " + clitest::Quoted(codec) +
                               " --output " + clitest::Quoted(movie));
    QVERIFY2(r.code == 0, r.out.c_str());
    if (const char* keep = std::getenv("TROV_KEEP_MOVIE")) {
        fs::copy_file(movie, keep, fs::copy_options::overwrite_existing);
        fs::copy_file(projectFile, std::string(keep) + ".ini", fs::copy_options::overwrite_existing);
    }
    CheckStreams(movie, clitest::ProbeFrames(movie));
    std::unique_ptr<Decoded> decoded = Decode(movie, dir);
    QCOMPARE(decoded->frames, kFrames);
    CheckPictures(*decoded);
    CheckCaption(*decoded);
    CheckSound(*decoded);
}

QTEST_MAIN(EditToMovieTest)
#include "EditToMovieTest.moc"
