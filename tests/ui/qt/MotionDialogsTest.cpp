// The special picture settings, panorama and picture-move dialogs driven through their widgets,
// offscreen, from the main window's menu and buttons. With TROV_MOTION_SHOTS=<folder> the last
// case also grabs every dialog in English and German into PNG files.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "imaging/PictureTools.h"
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

const std::string kSourceDir = TROV_SOURCE_DIR_VALUE;

struct Fixture {
    Fixture() {
        fs::create_directories(home.Path() / "Language");
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fs::path(kSourceDir) / "data" / "Language", ec))
            fs::copy_file(e.path(), home.Path() / "Language" / e.path().filename(), ec);
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
    CMainViewCommands& Commands() { return Window().View().Commands(); }
    CTROVManager& Manager() { return session->Manager(); }
    std::string Picture(const std::string& name, int w, int h) {
        CPictureTools tools;
        auto pic = tools.CreatePicture(w, h, MakeColour(90, 140, 200));
        std::string path = (home.Path() / name).string();
        pic->SaveFile(path);
        return path;
    }
    // One picture of w x h in the list, selected.
    void AddSelected(int w = 320, int h = 240) {
        Commands().AddFiles({Picture("p.bmp", w, h)});
        Window().View().List().SetSelectedRows({0});
    }
    void SetLanguage(const std::string& name) {
        Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, name);
        Window().LoadLanguage(false);
    }

    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::unique_ptr<CGuiSession> session;
    bool exposed = false;
};

// Runs fn on the next modal dialog once it is shown (its exec() blocks the caller).
void OnNextModal(std::function<void(QWidget*)> fn, int delay = 50) {
    QTimer::singleShot(delay, [fn] {
        if (QWidget* modal = QApplication::activeModalWidget()) fn(modal);
    });
}

}  // namespace

class MotionDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void tickingPictureMoveClearsPanoramaAndOkStoresIt();
    void cancelInThePanoramaDialogKeepsTheDirection();
    void videosAndAnEmptySelectionOpenNothing();
    void editorZoomsSetsPositionsAndStepsThroughFrames();
    void editorAddsImportsAndDeletesPoints();
    void editorRefusesTextThatIsNoNumber();
    void screenshotsInEnglishAndGerman();
};

void MotionDialogsTest::tickingPictureMoveClearsPanoramaAndOkStoresIt() {
    Fixture f;
    QVERIFY(f.exposed);
    f.AddSelected();
    f.Manager().GetObject(0)->panoramaScrolling = true;
    f.Manager().GetObject(0)->panoramaScrollingType = 1;
    // What the dialog showed before and after the click, checked once it is closed.
    std::vector<bool> seen;
    OnNextModal([&](QWidget* w) {
        auto* d = qobject_cast<CSpecialPictureDialog*>(w);
        if (!d) return w->close();
        seen.push_back(d->PanoramaBox()->isChecked());
        seen.push_back(d->Button("ConfigurePanoramaScrolling")->isEnabled());
        seen.push_back(!d->Button("ConfigurePictureMove")->isEnabled());
        d->PictureMoveBox()->click();
        seen.push_back(!d->PanoramaBox()->isChecked());
        seen.push_back(d->PictureMoveBox()->isChecked());
        seen.push_back(!d->Button("ConfigurePanoramaScrolling")->isEnabled());
        seen.push_back(d->Button("ConfigurePictureMove")->isEnabled());
        d->Button("OK")->click();
        return true;
    });
    // The view's button does what the menu item does.
    f.Window().View().Button("SpecialPictureSettings")->click();
    QCOMPARE(seen, std::vector<bool>(7, true));
    QVERIFY(f.Manager().GetObject(0)->pictureMove);
    QVERIFY(!f.Manager().GetObject(0)->panoramaScrolling);
    QCOMPARE(f.Window().View().Tree()->topLevelItem(0)->text(9), QString("Picture Move"));
    QVERIFY(f.Commands().IsModified());
}

void MotionDialogsTest::cancelInThePanoramaDialogKeepsTheDirection() {
    Fixture f;
    f.AddSelected();
    CProjectObject* o = f.Manager().GetObject(0);
    o->panoramaScrolling = true;
    o->panoramaScrollingType = 2;
    CSpecialPictureDialog dialog(f.Commands(), f.Window().Language(), 0);
    OnNextModal([](QWidget* w) {
        if (auto* p = qobject_cast<CPanoramaScrollingDialog*>(w)) p->Button("Cancel")->click();
    });
    dialog.ConfigurePanorama();
    QCOMPARE(dialog.Model().PanoramaType(), 2);
    OnNextModal([](QWidget* w) {
        if (auto* p = qobject_cast<CPanoramaScrollingDialog*>(w)) p->Button("Top2Bottom")->click();
    });
    dialog.ConfigurePanorama();
    QCOMPARE(dialog.Model().PanoramaType(), 3);
    // Nothing reaches the object before OK.
    QCOMPARE(o->panoramaScrollingType, 2);
    dialog.AcceptSettings();
    QCOMPARE(o->panoramaScrollingType, 3);
}

void MotionDialogsTest::videosAndAnEmptySelectionOpenNothing() {
    Fixture f;
    f.Window().Action("ObjectsSpecialPictureSettings")->trigger();
    QVERIFY(f.prompt.asked.empty());
    CProjectObject clip;
    clip.SetFileName("clip.avi");
    f.Manager().AppendObject(clip);
    f.Commands().RefreshList();
    f.Window().View().List().SetSelectedRows({0});
    f.Window().Action("ObjectsSpecialPictureSettings")->trigger();
    QCOMPARE(f.prompt.asked.size(), size_t(1));
    QCOMPARE(f.prompt.asked[0].text, std::string("Sorry! Special settings are not available for videos!"));
}

void MotionDialogsTest::editorZoomsSetsPositionsAndStepsThroughFrames() {
    Fixture f;
    CDibPicture pic;
    QVERIFY(pic.Create(400, 300));
    CProjectObject o;
    o.showPicture = 30;
    CPictureMoveEditor editor(o, pic.Clone(), f.Manager().GetProjectSettings(), f.Window().Language(),
                              f.prompt, f.chooser);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.Button("ZoomIn")->click();
    QCOMPARE(editor.Model().View(), (SViewArea{10, 7, 380, 285}));
    editor.Button("ZoomOut")->click();
    QVERIFY(!editor.FrameSlider()->isEnabled());
    editor.Button("SetAsPosition1")->click();
    // A rectangle drawn with the mouse becomes the second position.
    QTest::mousePress(editor.View(), Qt::LeftButton, {}, editor.View()->WindowPoint(100, 75).toPoint());
    QTest::mouseMove(editor.View(), editor.View()->WindowPoint(300, 225).toPoint());
    QTest::mouseRelease(editor.View(), Qt::LeftButton, {}, editor.View()->WindowPoint(300, 225).toPoint());
    QVERIFY(std::abs(editor.Box("PosX")->text().toInt() - 100) <= 1);
    editor.Button("SetAsPosition2")->click();
    QVERIFY(editor.FrameSlider()->isEnabled());
    QVERIFY(editor.Button("LastFrame")->isEnabled());
    editor.Button("LastFrame")->click();
    QCOMPARE(editor.FrameSlider()->value(), 29);
    QCOMPARE(editor.Box("PosX")->text().toInt(), editor.Model().FrameRect(29).x);
    editor.Button("PrevFrame")->click();
    QCOMPARE(editor.Model().Frame(), 28);
    editor.FrameSlider()->setValue(15);
    QCOMPARE(editor.Box("Width")->text().toInt(), editor.Model().FrameRect(15).width);
    editor.Button("FirstFrame")->click();
    QCOMPARE(editor.Box("Width")->text().toInt(), editor.Model().FrameRect(0).width);
    editor.Button("OK")->click();
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QVERIFY(!editor.Edited().pictureMoveSettings.empty());
}

void MotionDialogsTest::editorAddsImportsAndDeletesPoints() {
    Fixture f;
    CDibPicture pic;
    QVERIFY(pic.Create(400, 300));
    CProjectObject o;
    o.showPicture = 10;
    CPictureMoveEditor editor(o, pic.Clone(), f.Manager().GetProjectSettings(), f.Window().Language(),
                              f.prompt, f.chooser);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.AddPointBox()->setChecked(true);
    QTest::mouseClick(editor.View(), Qt::LeftButton, {}, editor.View()->WindowPoint(120, 45).toPoint());
    QCOMPARE(editor.PointList()->topLevelItemCount(), 1);
    QCOMPARE(editor.PointList()->topLevelItem(0)->text(0), QString("120"));
    QCOMPARE(editor.PointList()->topLevelItem(0)->text(1), QString("45"));
    test::WriteFileBytes(f.home.Path() / "pts.txt", "10,20\r\njunk\r\n30,40\r\n");
    f.chooser.files.push_back({(f.home.Path() / "pts.txt").string()});
    editor.Button("ImportPoints")->click();
    QCOMPARE(editor.PointList()->topLevelItemCount(), 2);
    QCOMPARE(editor.PointList()->topLevelItem(1)->text(1), QString("40"));
    QVERIFY(editor.StatusLabel()->text().startsWith("Point-Text-File sucessfully loaded: "));
    // Del on the list removes the current (last imported) point.
    editor.PointList()->setFocus();
    QTest::keyClick(editor.PointList(), Qt::Key_Delete);
    QCOMPARE(editor.PointList()->topLevelItemCount(), 1);
    QCOMPARE(editor.PointList()->topLevelItem(0)->text(0), QString("10"));
    f.chooser.colours.push_back(MakeColour(0, 255, 0));
    editor.Button("ChangeFlightPointColor")->click();
    QCOMPARE(editor.Model().PointColour(), MakeColour(0, 255, 0));
    f.chooser.saveAs.push_back((f.home.Path() / "out.txt").string());
    editor.Button("ExportPoints")->click();
    QCOMPARE(test::ReadFileBytes(f.home.Path() / "out.txt"), std::string("10,20\r\n"));
    f.chooser.saveAs.push_back((f.home.Path() / "shown.bmp").string());
    editor.Button("SavePicture")->click();
    QVERIFY(fs::exists(f.home.Path() / "shown.bmp"));
    editor.Button("Help")->click();
    QVERIFY(f.prompt.asked.back().text.rfind("Internal Scale Factor: Used to scale up", 0) == 0);
}

void MotionDialogsTest::editorRefusesTextThatIsNoNumber() {
    Fixture f;
    CDibPicture pic;
    QVERIFY(pic.Create(200, 100));
    CProjectObject o;
    o.showPicture = 10;
    CPictureMoveEditor editor(o, pic.Clone(), f.Manager().GetProjectSettings(), f.Window().Language(),
                              f.prompt, f.chooser);
    editor.Box("PosX")->setText("twelve");
    editor.Button("UpdateValues")->click();
    QCOMPARE(f.prompt.asked.size(), size_t(1));
    QVERIFY(f.prompt.asked[0].text.find("\"twelve\" is not a whole number") != std::string::npos);
    QCOMPARE(editor.Box("PosX")->text(), QString("0"));
    const QString quality = editor.Box(pmove::kQuality)->text();
    QVERIFY(!quality.isEmpty());
    editor.Box(pmove::kQuality)->setText("lots");
    editor.Button("OK")->click();
    QCOMPARE(f.prompt.asked.size(), size_t(2));
    QVERIFY(editor.result() != QDialog::Accepted);
    QCOMPARE(editor.Box(pmove::kQuality)->text(), quality);
}

void MotionDialogsTest::screenshotsInEnglishAndGerman() {
    const QByteArray folder = qgetenv("TROV_MOTION_SHOTS");
    if (folder.isEmpty()) QSKIP("TROV_MOTION_SHOTS not set");
    Fixture f;
    f.AddSelected(1200, 500);
    CProjectObject* o = f.Manager().GetObject(0);
    o->pictureMove = true;
    o->showPicture = 50;
    o->pictureMoveSettings = "0.000000|0.000000|0.000000|0.000000|30.000000|25.000000|20.000000|25.000000|";
    o->flightPoints = "10.000000|20.000000|40.000000|60.000000|80.000000|30.000000|";
    for (const char* language : {"English", "Deutsch"}) {
        f.SetLanguage(language);
        auto save = [&](QWidget* w, const char* name) {
            w->show();
            QApplication::processEvents();
            w->grab().save(QString("%1/edit16b-%2-%3.png").arg(QString(folder), name, language));
        };
        CSpecialPictureDialog special(f.Commands(), f.Window().Language(), 0);
        save(&special, "special");
        CPanoramaScrollingDialog panorama(f.Window().Language());
        save(&panorama, "panorama");
        int w = 0, h = 0;
        f.Commands().MovieSize(w, h);
        CPictureMoveEditor editor(
            *o, PictureMoveEditorPicture(f.Commands().GetPicturePreparation(), *o, w, h),
            f.Manager().GetProjectSettings(), f.Window().Language(), f.prompt, f.chooser);
        editor.Model().GoToFrame(20);
        editor.Refresh();
        save(&editor, "picturemove");
    }
}

QTEST_MAIN(MotionDialogsTest)
#include "MotionDialogsTest.moc"
