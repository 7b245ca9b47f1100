// The check effects dialog and the fading preview window through their real widgets, offscreen:
// the menu items, stepping by hand and automatically, the exclusion saved on close, giving an
// entry its effect, the F2 window looping a preview file or showing the grey picture, and the
// preview creation cancelled at its file dialog.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "creation/Creation.h"
#include "effects/FadingEffectManager.h"
#include "imaging/PictureTools.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"
#include "ui/CheckEffectsModel.h"
#include "ui/FadingPreviewMaker.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/CheckEffectsDialog.h"
#include "ui/qt/FadingPreviewWindow.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/PreviewWidget.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

const std::string kSourceDir = TROV_SOURCE_DIR_VALUE;

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
    CTROVManager& Manager() { return session->Manager(); }
    std::string Status() { return Window().StatusText().toStdString(); }
    std::string Picture(const std::string& name, Colour colour) {
        CPictureTools tools;
        std::string path = (home.Path() / name).string();
        tools.CreatePicture(32, 24, colour)->SaveFile(path);
        return path;
    }

    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::unique_ptr<CGuiSession> session;
    bool exposed = false;
};

// Runs fn on the next modal dialog once it is shown (exec() blocks the test).
void OnNextModal(std::function<void(QWidget*)> fn) {
    QTimer::singleShot(50, [fn] {
        if (QWidget* modal = QApplication::activeModalWidget()) fn(modal);
    });
}

}  // namespace

class EffectsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void menuItemsAndTheButtonAreEnabled();
    void dialogStepsByHandAndAutomaticallyAtTheFrameRate();
    void checkEffectsFromTheMenuSavesTheExclusionOnClose();
    void showFadingPreviewGivesTheEntryTheChosenEffect();
    void fadingPreviewWindowLoopsTheFileOrShowsTheGreyPicture();
    void cancellingTheOwnPictureDialogCreatesNothing();
    void dialogTakesItsTextsFromTheLanguageFile();
};

void EffectsWindowTest::menuItemsAndTheButtonAreEnabled() {
    Fixture f;
    for (const char* id :
         {"OptionsCheckEffects", "OptionsCreateFadingPreview", "OptionsCreateFadingPreviewOwn",
          "ObjectsShowFadingPreview", "OptionsShowHideFadingPreview"}) {
        QVERIFY2(f.Window().Action(id) && f.Window().Action(id)->isEnabled(), id);
    }
    QCOMPARE(f.Window().Action("OptionsShowHideFadingPreview")->shortcut(), QKeySequence("F2"));
    QPushButton* button = f.Window().View().Button("ShowFadingPreview");
    QVERIFY(button->isEnabled());
    // With nothing selected the button only says so.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(f.Status(), std::string(checkeffects::kSelectPicture));
}

void EffectsWindowTest::dialogStepsByHandAndAutomaticallyAtTheFrameRate() {
    Fixture f;
    f.Manager().SetAutoShowNextPreviewFadingFrame(false);
    CCheckEffectsModel model(f.Manager().GetCreation().GetEffects(), f.Manager().GetAppSettings(), 25.0);
    model.UseBuiltInPictures(64, 48);
    CCheckEffectsDialog dialog(f.Manager(), model, f.Window().Language(), f.prompt, &f.Window());
    dialog.show();
    QCOMPARE(dialog.EffectList()->count(), static_cast<int>(model.Names().size()));
    QCOMPARE(dialog.EffectList()->currentIndex(), -1);
    QVERIFY(!dialog.UseButton()->isVisible());
    QVERIFY(!dialog.DisableBox()->isEnabled());
    // Before a choice the window shows picture A.
    QVERIFY(dialog.Picture()->GetPicture());
    QCOMPARE(dialog.Picture()->GetPicture()->GetColour(5, 5), model.PictureA()->GetColour(5, 5));
    dialog.EffectList()->setCurrentText("Cross Dissolve");
    QCOMPARE(dialog.FrameNumber()->text(), QString("1"));
    QVERIFY(dialog.NextFrameButton()->isEnabled());
    QTest::mouseClick(dialog.NextFrameButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.NextFrameButton(), Qt::LeftButton);
    QCOMPARE(dialog.FrameNumber()->text(), QString("3"));
    QVERIFY(dialog.Picture()->GetPicture() != nullptr);
    QCOMPARE(dialog.Picture()->GetPicture()->GetWidth(), 64);

    // Automatic: the button is off and frames follow at 40 ms each.
    dialog.AutomaticBox()->setChecked(true);
    QVERIFY(!dialog.NextFrameButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.FrameNumber()->text().toInt() >= 8, 3000);
    QVERIFY(f.Manager().GetAutoShowNextPreviewFadingFrame());
    dialog.AutomaticBox()->setChecked(false);
    QVERIFY(dialog.NextFrameButton()->isEnabled());

    // The about box.
    QTest::mouseClick(dialog.AboutButton(), Qt::LeftButton);
    QVERIFY(!f.prompt.asked.empty());
    QVERIFY(f.prompt.asked.back().text.rfind("Cross Dissolve\r\n\r\nAuthor: ", 0) == 0);
}

void EffectsWindowTest::checkEffectsFromTheMenuSavesTheExclusionOnClose() {
    Fixture f;
    f.Manager().SetAutoShowNextPreviewFadingFrame(false);
    bool seen = false;
    OnNextModal([&seen](QWidget* w) {
        auto* dialog = qobject_cast<CCheckEffectsDialog*>(w);
        if (!dialog) return;
        seen = true;
        dialog->EffectList()->setCurrentText("Left-Right-Wipe");
        QTest::mouseClick(dialog->DisableBox(), Qt::LeftButton);
        QTest::mouseClick(dialog->DoneButton(), Qt::LeftButton);
    });
    f.Window().Action("OptionsCheckEffects")->trigger();
    QVERIFY(seen);
    QCOMPARE(f.Status(), std::string(checkeffects::kWaiting));
    CSettingsStore saved;
    QVERIFY(saved.Load(f.Manager().GetSettingsPath()));
    int value = -1;
    QVERIFY(saved.GetInt("FADING_EFFECTS", "Left-Right-Wipe", value));
    QCOMPARE(value, 1);
    QVERIFY(f.Manager().GetCreation().GetEffects().IsDisabled(
        f.Manager().GetCreation().GetEffects().Find("Left-Right-Wipe")));
}

void EffectsWindowTest::showFadingPreviewGivesTheEntryTheChosenEffect() {
    Fixture f;
    f.Manager().SetAutoShowNextPreviewFadingFrame(false);
    f.Window().View().AddFilesResponsive(
        {f.Picture("r.bmp", MakeColour(200, 0, 0)), f.Picture("b.bmp", MakeColour(0, 0, 200))});
    QCOMPARE(f.Manager().GetObjectCount(), 2);
    // The last entry has nothing to fade into.
    f.Window().View().List().SetSelectedRows({1});
    f.Window().Action("ObjectsShowFadingPreview")->trigger();
    QCOMPARE(f.Status(), std::string(checkeffects::kLastPicture));

    f.Window().View().List().SetSelectedRows({0});
    const std::string before = f.Manager().GetObject(0)->fading2NextPictureName;
    std::string preset;
    OnNextModal([&preset](QWidget* w) {
        auto* dialog = qobject_cast<CCheckEffectsDialog*>(w);
        if (!dialog) return;
        preset = dialog->EffectList()->currentText().toStdString();
        QVERIFY(dialog->UseButton()->isVisible());
        dialog->EffectList()->setCurrentText("Top-Bottom-Wipe");
        QTest::mouseClick(dialog->UseButton(), Qt::LeftButton);
    });
    QTest::mouseClick(f.Window().View().Button("ShowFadingPreview"), Qt::LeftButton);
    QCOMPARE(preset, before);
    QCOMPARE(f.Manager().GetObject(0)->fading2NextPictureName, std::string("Top-Bottom-Wipe"));
    // The row shows it too.
    bool shown = false;
    QTreeWidgetItem* row = f.Window().View().Tree()->topLevelItem(0);
    for (int c = 0; c < row->columnCount(); ++c) shown |= row->text(c) == "Top-Bottom-Wipe";
    QVERIFY(shown);
}

void EffectsWindowTest::fadingPreviewWindowLoopsTheFileOrShowsTheGreyPicture() {
    Fixture f;
    QComboBox* effects = f.Window().View().EffectCombo();
    effects->setCurrentText("Cross Dissolve");
    f.Window().Action("OptionsShowHideFadingPreview")->trigger();
    CFadingPreviewWindow& window = f.Window().FadingPreview();
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QString("Fading Effect"));
    QVERIFY(!window.Player().HasPreview());
    QVERIFY(window.Picture()->GetPicture());
    QCOMPARE(window.Picture()->GetPicture()->GetColour(1, 1), MakeColour(100, 100, 100));

    // One file written; choosing its effect in the main view plays it round and round.
    CFadingPreviewMaker maker(f.Manager().GetCreation().GetEffects(),
                              FadingPreviewFolder(f.Manager().GetProgramDirectory()), nullptr);
    maker.SetFrameCount(5);
    CompressionOptions mjpeg;
    QVERIFY(MakeCompressionOptions("MJPG", 7500, "", mjpeg));
    fs::create_directories(FadingPreviewFolder(f.Manager().GetProgramDirectory()));
    auto a = MakeRampPictureA(), b = MakeRampPictureB();
    QVERIFY(maker.WriteEffectPreview(*f.Manager().GetCreation().GetEffects().Find("Iris (Round)"), *a, *b,
                                     mjpeg,
                                     FadingPreviewPath(f.Manager().GetProgramDirectory(), "Iris (Round)")));
    effects->setCurrentText("Iris (Round)");
    QVERIFY(window.Player().HasPreview());
    const int start = window.FramesShown();
    QTRY_VERIFY_WITH_TIMEOUT(window.FramesShown() >= start + 7, 3000);  // past the end: looping
    QCOMPARE(window.Picture()->GetPicture()->GetWidth(), 160);
    // F2 again hides it and the playing stops.
    f.Window().Action("OptionsShowHideFadingPreview")->trigger();
    QVERIFY(!window.isVisible());
    const int stopped = window.FramesShown();
    QTest::qWait(150);
    QCOMPARE(window.FramesShown(), stopped);
}

void EffectsWindowTest::cancellingTheOwnPictureDialogCreatesNothing() {
    Fixture f;
    f.prompt.answers = {PromptAnswer::Yes};
    f.Window().Action("OptionsCreateFadingPreviewOwn")->trigger();
    QCOMPARE(f.chooser.filters.size(), size_t(1));
    QVERIFY(!fs::exists(FadingPreviewFolder(f.Manager().GetProgramDirectory())));
    QVERIFY(f.Window().menuBar()->isEnabled());
    QVERIFY(f.Window().View().isEnabled());
}

void EffectsWindowTest::dialogTakesItsTextsFromTheLanguageFile() {
    Fixture f;
    f.Manager().SetAutoShowNextPreviewFadingFrame(false);
    fs::copy_file(fs::path(kSourceDir) / "data" / "Language" / "German.ini",
                  f.home.Path() / "Language" / "German.ini");
    f.Window().Language().ScanLanguageFiles((f.home.Path() / "Language").string());
    f.Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, "Deutsch");
    QVERIFY(f.Window().LoadLanguage(false));
    CCheckEffectsModel model(f.Manager().GetCreation().GetEffects(), f.Manager().GetAppSettings(), 25.0);
    model.UseBuiltInPictures(32, 24);
    CCheckEffectsDialog dialog(f.Manager(), model, f.Window().Language(), f.prompt, &f.Window());
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Effekt prüfen"));
    QCOMPARE(dialog.DisableBox()->text(),
             QString::fromUtf8("Effekt deaktivieren (nur für zufällige Überblendung)"));
    QCOMPARE(dialog.AboutButton()->text(), QString::fromUtf8("Info zur aktuellen Überblendung"));
}

QTEST_MAIN(EffectsWindowTest)
#include "EffectsWindowTest.moc"
