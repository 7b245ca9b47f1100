// From the window to the movie: a project is edited through the main window and its dialogs only
// (the Update fields, the special picture settings with the panorama dialog and the picture-move
// editor), saved through the menu, rendered by the real trov, and the movie is checked with ffprobe
// and frame grabs (ffmpeg) for what was edited.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "cli/CliTestSupport.h"
#include "imaging/DibPicture.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/PictureMoveEditor.h"
#include "ui/qt/SpecialPictureDialog.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

constexpr int kShow = 20;
constexpr int kFade = 5;

// Runs fn on the next modal dialog of type T once it is shown; other dialogs are closed.
template <typename T>
void OnNext(std::function<void(T*)> fn) {
    QTimer::singleShot(60, [fn] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* d = qobject_cast<T*>(modal))
            fn(d);
        else if (modal)
            modal->close();
    });
}

// A picture of w x h: the left half red, the right half blue (the panorama), or dark grey with
// a white square in the middle (the picture move: a zoom makes the square bigger).
std::string MakePicture(const fs::path& dir, const std::string& name, int w, int h, bool halves) {
    CDibPicture p;
    p.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (halves)
                x < w / 2 ? p.SetPixel(x, y, 220, 30, 30) : p.SetPixel(x, y, 30, 30, 220);
            else if (std::abs(x - w / 2) < w / 10 && std::abs(y - h / 2) < h / 10)
                p.SetPixel(x, y, 255, 255, 255);
            else
                p.SetPixel(x, y, 60, 60, 60);
        }
    std::string path = (dir / name).string();
    p.SaveFile(path);
    return path;
}

// Frame `index` of movie as a picture (ffmpeg's grab into a BMP).
std::unique_ptr<CDibPicture> Grab(const std::string& movie, int index, const fs::path& dir) {
    const std::string out = (dir / ("frame" + std::to_string(index) + ".bmp")).string();
    clitest::RunShell("ffmpeg -v error -y -i " + clitest::Quoted(movie) + " -vf " +
                      clitest::Quoted("select=eq(n\\," + std::to_string(index) + ")") +
                      " -frames:v 1 -pix_fmt bgr24 " + clitest::Quoted(out));
    auto p = std::make_unique<CDibPicture>();
    if (!p->LoadFile(out, true)) return nullptr;
    return p;
}

// Pixels near (r, g, b) (the movie is compressed, so within a tolerance).
int Count(const CPicture& p, int r, int g, int b) {
    int n = 0;
    for (int y = 0; y < p.GetHeight(); ++y)
        for (int x = 0; x < p.GetWidth(); ++x) {
            Colour c = p.GetColour(x, y);
            if (std::abs(ColourRed(c) - r) < 60 && std::abs(ColourGreen(c) - g) < 60 &&
                std::abs(ColourBlue(c) - b) < 60)
                ++n;
        }
    return n;
}

struct Fixture {
    Fixture() {
        fs::create_directories(home.Path() / "Language");
        test::WriteFileBytes(home.Path() / "Language" / "Placeholder.ini", "[NOTHING]\r\n");
        SetProgramDirectory(home.Path().string());
        session = std::make_unique<CGuiSession>(prompt, chooser, home.Path().string());
        Window().show();
        exposed = QTest::qWaitForWindowExposed(&Window());
    }
    ~Fixture() {
        session.reset();
        SetProgramDirectory("");
    }
    CMainWindow& Window() { return session->Window(); }
    CMainView& View() { return Window().View(); }
    void Select(int row) {
        View().List().SetSelectedRows({row});
        View().Commands().SelectionChanged();
        QTest::qWait(30);
    }
    // Types value into the field's box and presses its Update button (row must be selected).
    void SetField(EditField field, const char* button, int value) {
        View().Edit(field)->setText(QString::number(value));
        QVERIFY2(View().Button(button)->isEnabled(), button);
        View().Button(button)->click();
        QTest::qWait(30);
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
    void EditPanorama(Fixture& f);
    void EditPictureMove(Fixture& f);
};

void EditToMovieTest::EditPanorama(Fixture& f) {
    f.Select(0);
    bool done = false;
    OnNext<CSpecialPictureDialog>([&](CSpecialPictureDialog* d) {
        d->PanoramaBox()->click();
        OnNext<CPanoramaScrollingDialog>(
            [](CPanoramaScrollingDialog* p) { p->Button("Left2Right")->click(); });
        d->Button("ConfigurePanoramaScrolling")->click();
        done = d->Model().PanoramaType() == 1;
        d->Button("OK")->click();
    });
    f.View().Button("SpecialPictureSettings")->click();
    QVERIFY(done);
}

void EditToMovieTest::EditPictureMove(Fixture& f) {
    f.Select(1);
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
            e->Button("OK")->click();
        });
        d->Button("ConfigurePictureMove")->click();
        d->Button("OK")->click();
    });
    f.View().Button("SpecialPictureSettings")->click();
    QVERIFY(done);
}

void EditToMovieTest::editedInTheWindowRenderedByTrov() {
    if (clitest::RunShell("ffprobe -version").code != 0) QSKIP("ffprobe is not installed");
    Fixture f;
    QVERIFY(f.exposed);
    CSettingsStore& project = f.session->Manager().GetProjectSettings();
    project.SetInt(kProjectSettings, projkey::kMovieSizeX, 160);
    project.SetInt(kProjectSettings, projkey::kMovieSizeY, 120);
    project.SetString(kProjectSettings, projkey::kFramesPerSeconds, "25");
    const fs::path dir = f.home.Path();
    f.View().Commands().AddFiles(
        {MakePicture(dir, "wide.bmp", 480, 120, true), MakePicture(dir, "square.bmp", 160, 120, false)});
    for (int row : {0, 1}) {
        f.Select(row);
        f.SetField(EditField::TextFadeIn, "UpdateFTFI", 0);
        f.SetField(EditField::ShowPicture, "UpdateFSP", kShow);
        f.SetField(EditField::TextFadeOut, "UpdateFTFO", 0);
        f.SetField(EditField::Fade2NextPicture, "UpdateF2NP", kFade);
        // No caption here: the white of its letters would count as the white square.
        f.View().Edit(EditField::PictureText)->clear();
        f.View().Button("UpdatePictureText")->click();
        QTest::qWait(30);
        f.View().EffectCombo()->setCurrentText("Cross Dissolve");
        f.View().Button("UpdateFadeEffect")->click();
        QTest::qWait(30);
    }
    EditPanorama(f);
    EditPictureMove(f);
    QCOMPARE(f.View().Tree()->topLevelItem(0)->text(9), QString("Panorama Scrolling: Left to Right"));
    QCOMPARE(f.View().Tree()->topLevelItem(1)->text(9), QString("Picture Move"));

    const std::string projectFile = (dir / "edited.ini").string();
    f.chooser.saveAs.push_back(projectFile);
    f.Window().Action("ProjectSave")->trigger();
    QVERIFY(fs::exists(projectFile));

    const std::string codec = clitest::WriteCodecSettings(dir.string());
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
    const int frames = clitest::ProbeFrames(movie);
    // Both shows and the one transition between them (the last entry fades into nothing).
    QVERIFY2(frames == 2 * kShow + kFade, std::to_string(frames).c_str());

    // The panorama scrolls from the red left half to the blue right half during its show.
    auto first = Grab(movie, 0, dir), last = Grab(movie, kShow - 1, dir);
    QVERIFY(first && last);
    QVERIFY(Count(*first, 220, 30, 30) > 150 * 110);
    QVERIFY(Count(*last, 30, 30, 220) > 150 * 110);
    // The picture move: the white square grows as the crop closes in, and the green route is there
    // at the end.
    auto moveStart = Grab(movie, kShow + kFade, dir), moveEnd = Grab(movie, 2 * kShow + kFade - 1, dir);
    QVERIFY(moveStart && moveEnd);
    const int whiteStart = Count(*moveStart, 255, 255, 255), whiteEnd = Count(*moveEnd, 255, 255, 255);
    QVERIFY2(whiteEnd > 2 * whiteStart,
             (std::to_string(whiteStart) + " " + std::to_string(whiteEnd)).c_str());
    QVERIFY(Count(*moveEnd, 0, 230, 0) > 200);
    QCOMPARE(Count(*moveStart, 0, 230, 0) < Count(*moveEnd, 0, 230, 0), true);
}

QTEST_MAIN(EditToMovieTest)
#include "EditToMovieTest.moc"
