// The editing dialogs driven through their real widgets, offscreen: project settings, text
// settings with its preview, special text edit, audio settings, add colour fading, the font mapping.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "audio/WaveTestUtil.h"
#include "creation/Creation.h"
#include "imaging/PictureTools.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/AudioSettingsDialog.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/PreviewWidget.h"
#include "ui/qt/ProjectSettingsDialog.h"
#include "ui/qt/QtServices.h"
#include "ui/qt/TextSettingsDialog.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

struct Fixture {
    Fixture() {
        fs::create_directories(home.Path() / "Language");
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
    CTROVManager& Manager() { return session->Manager(); }
    CMainViewCommands& Commands() { return View().Commands(); }
    std::string Picture(const std::string& name, Colour colour = MakeColour(30, 90, 160)) {
        CPictureTools tools;
        auto pic = tools.CreatePicture(320, 240, colour);
        std::string path = (home.Path() / name).string();
        pic->SaveFile(path);
        return path;
    }
    std::string Wav(const std::string& name, int seconds) {
        std::string path = (home.Path() / name).string();
        test::WriteFileBytes(path, test::PcmWav(StandardWaveFormat(), test::RampStereo(seconds * 44100, 1)));
        return path;
    }
    void Select(const std::vector<int>& rows) {
        View().List().SetSelectedRows(rows);
        Commands().SelectionChanged();
    }
    void German() {
        Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, "Deutsch");
        Window().LoadLanguage(false);
    }
    int ProjectInt(const char* key) {
        int v = -1;
        Manager().GetProjectSettings().GetInt(kProjectSettings, key, v);
        return v;
    }

    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::unique_ptr<CGuiSession> session;
    bool exposed = false;
};

// Runs fn on the next modal dialog once it is shown (the dialog's exec() blocks the test).
template <typename Dialog>
void OnNextModal(std::function<void(Dialog*)> fn) {
    QTimer::singleShot(50, [fn] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fn(dialog);
        // A failed check inside fn must not leave the test waiting on the dialog.
        if (dialog->isVisible()) dialog->reject();
    });
}

void Click(QWidget* button) {
    QVERIFY(button);
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

class EditingDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void projectSettingsFromTheMenuChangesTheProjectOnOkOnly();
    void projectSettingsRefusesTextInNumberBoxesAndLoadReplacesTheCopy();
    void textSettingsStoresCenterCenterAs100AndPreviewsEachPosition();
    void textSettingsListsOnlyCaptionEffectsAndResets();
    void specialTextEditCutsTheDateBlankBeachCaption();
    void audioSettingsBrowseResetsAndSynchroniseDisablesTheFadingTime();
    void audioSettingsPlaysWithoutASoundDeviceAndRefusesAFakeWav();
    void addColourFadingFromTheViewButtonInsertsASynchronisedFlash();
    void fontDialogMappingIsTheCaptionRenderers();
    void fontColourAndAudioCommandsKeepTheSelectionUsable();
};

void EditingDialogsTest::projectSettingsFromTheMenuChangesTheProjectOnOkOnly() {
    Fixture f;
    QVERIFY(f.exposed);
    QAction* action = f.Window().Action("ProjectSettings");
    QVERIFY(action->isEnabled());
    OnNextModal<CProjectSettingsDialog>([](CProjectSettingsDialog* d) {
        d->Box("Movie-Size-X")->setText("320");
        Click(d->Control("Cancel"));
    });
    action->trigger();
    QCOMPARE(f.ProjectInt("Movie-Size-X"), 640);
    f.chooser.colours.push_back(MakeColour(0, 128, 255));
    OnNextModal<CProjectSettingsDialog>([](CProjectSettingsDialog* d) {
        QCOMPARE(d->Box("Movie-Size-Y")->text(), QString("480"));
        d->Box("Movie-Size-X")->setText("320");
        Click(d->Control("ChangeGlobalBackgroundColor"));
        Click(d->Control("OK"));
    });
    action->trigger();
    QCOMPARE(f.ProjectInt("Movie-Size-X"), 320);
    QCOMPARE(f.ProjectInt("GlobalBackgroundColorB"), 255);
    QCOMPARE(CPicture::GetDefaultBackgroundColour(), MakeColour(0, 128, 255));
    CPicture::SetDefaultBackgroundColour(0);
}

void EditingDialogsTest::projectSettingsRefusesTextInNumberBoxesAndLoadReplacesTheCopy() {
    Fixture f;
    CProjectSettingsModel model(f.Manager());
    CProjectSettingsDialog dialog(model, f.Window().Language(), f.chooser, f.prompt);
    dialog.show();
    dialog.Box("FramesPerSeconds")->setText("fast");
    Click(dialog.Control("OK"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(f.prompt.asked.size(), size_t(1));
    QVERIFY(f.prompt.asked[0].text.find("Frames per seconds: \"fast\" is not a number") != std::string::npos);
    QCOMPARE(dialog.Box("FramesPerSeconds")->text().toStdString(), [&] {
        std::string v;
        f.Manager().GetProjectSettings().GetString(kProjectSettings, "FramesPerSeconds", v);
        return v;
    }());

    std::string file = (f.home.Path() / "small.ini").string();
    test::WriteFileBytes(file, "[PROJECT_SETTINGS]\r\nMovie-Size-X=320\r\nMovie-Size-Y=240\r\n");
    f.chooser.files.push_back({file});
    Click(dialog.Control("LoadSettings"));
    QCOMPARE(dialog.Box("Movie-Size-X")->text(), QString("320"));
    QCOMPARE(dialog.Box("Frames-Showing-Picture")->text(), QString());
    QVERIFY(!model.Copy().HasKey(kProjectSettings, "Frames-Showing-Picture"));
    Click(dialog.Control("Cancel"));
    // Cancel after Load leaves the project
    QCOMPARE(f.ProjectInt("Movie-Size-X"), 640);
    QCOMPARE(f.ProjectInt("Frames-Showing-Picture"), 100);

    std::string saved = (f.home.Path() / "saved.ini").string();
    f.chooser.saveAs.push_back(saved);
    CProjectSettingsModel again(f.Manager());
    CProjectSettingsDialog second(again, f.Window().Language(), f.chooser, f.prompt);
    Click(second.Control("SaveSettings"));
    QCOMPARE(f.prompt.asked.back().text, std::string("Settings sucessfully written!"));
    QVERIFY(fs::exists(saved));
}

void EditingDialogsTest::textSettingsStoresCenterCenterAs100AndPreviewsEachPosition() {
    Fixture f;
    f.Commands().AddFiles({f.Picture("Beach.bmp")});
    f.Select({0});
    CTextSettingsModel model;
    model.Preset(*f.Manager().GetObject(0));
    CTextSettingsDialog dialog(model, f.Commands(), 0, f.Window().Language());
    dialog.show();
    QCOMPARE(dialog.PositionBox()->text(), QString("Bottom - Left"));
    QVERIFY(dialog.Preview()->GetPicture());
    std::unique_ptr<CDibPicture> bottomLeft = dialog.Preview()->GetPicture()->Clone();
    int drawn = dialog.PreviewsDrawn();
    Click(dialog.PositionButton(100));
    QCOMPARE(model.GetPosition(), 100);
    QCOMPARE(dialog.PositionBox()->text(), QString("Center - Center"));
    QCOMPARE(dialog.PreviewsDrawn(), drawn + 1);
    // The caption moved: the bottom-left corner is plain picture now, the middle is not.
    const CDibPicture* centre = dialog.Preview()->GetPicture();
    QVERIFY(centre);
    const int w = centre->GetWidth(), h = centre->GetHeight();
    // Caption pixels in the bottom-left corner and in the middle (buffer rows: 0 is the bottom).
    auto captionPixels = [w, h](const CDibPicture& p, int x0, int y0, int x1, int y1) {
        const Colour plain = p.GetColour(w - 3, 3);
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += p.GetColour(x, y) != plain;
        return n;
    };
    QVERIFY(captionPixels(*bottomLeft, 0, 0, 120, 80) > 50);
    QCOMPARE(captionPixels(*centre, 0, 0, 120, 80), 0);
    QVERIFY(captionPixels(*centre, w / 2 - 60, h / 2 - 30, w / 2 + 60, h / 2 + 30) > 50);
    QCOMPARE(captionPixels(*bottomLeft, w / 2 - 60, h / 2 - 30, w / 2 + 60, h / 2 + 30), 0);
    Click(dialog.Control("OK"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // Through the menu, in German: the box names the position in the language file's words.
    f.German();
    // The list's columns were rebuilt in German, and with them the selection.
    f.Select({0});
    OnNextModal<CTextSettingsDialog>([](CTextSettingsDialog* d) {
        QCOMPARE(d->windowTitle(), QString::fromUtf8("Texteinstellungen"));
        Click(d->PositionButton(100));
        QCOMPARE(d->PositionBox()->text(), QString("Mitte - Mitte"));
        Click(d->Control("OK"));
    });
    f.Window().Action("ObjectsChangeTextPosition")->trigger();
    QCOMPARE(f.Manager().GetObject(0)->textPosition, 100);
}

void EditingDialogsTest::textSettingsListsOnlyCaptionEffectsAndResets() {
    Fixture f;
    f.Commands().AddFiles({f.Picture("a.bmp")});
    CProjectObject* o = f.Manager().GetObject(0);
    std::vector<std::string> names =
        CTextSettingsModel::CaptionEffectNames(f.Manager().GetCreation().GetEffects());
    QVERIFY(names.size() > 2);
    o->textFadeInEffectName = names[1];
    CTextSettingsModel model;
    model.Preset(*o);
    CTextSettingsDialog dialog(model, f.Commands(), 0, f.Window().Language());
    QCOMPARE(dialog.FadeInList()->count(), int(names.size()));
    QCOMPARE(dialog.FadeInList()->currentText().toStdString(), names[1]);
    for (int i = 1; i < dialog.FadeInList()->count(); ++i)
        QVERIFY(dialog.FadeInList()->itemText(i - 1) < dialog.FadeInList()->itemText(i) ||
                dialog.FadeInList()->itemText(i - 1).compare(dialog.FadeInList()->itemText(i),
                                                             Qt::CaseInsensitive) <= 0);
    Click(dialog.ResetButton());
    QCOMPARE(dialog.FadeInList()->currentText(), QString(kDefaultTextEffect));
    QCOMPARE(dialog.FadeOutList()->currentText(), QString(kDefaultTextEffect));
}

void EditingDialogsTest::specialTextEditCutsTheDateBlankBeachCaption() {
    Fixture f;
    f.Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp")});
    f.Manager().GetObject(0)->pictureText = "2024-07-14 Beach";
    f.Manager().GetObject(1)->pictureText = "Harbour";
    f.Commands().RefreshList();
    f.Select({0, 1});
    OnNextModal<CSpecialTextEditDialog>([](CSpecialTextEditDialog* d) {
        QCOMPARE(d->windowTitle(), QString("Special Text Edit"));
        QTest::keyClicks(d->SearchBox(), " ");
        Click(d->StartButton());
    });
    Click(f.View().Button("SpecialTextEdit"));
    QCOMPARE(f.Manager().GetObject(0)->pictureText, std::string("Beach"));
    QCOMPARE(f.Manager().GetObject(1)->pictureText, std::string("Harbour"));
    QCOMPARE(f.View().Tree()->topLevelItem(0)->text(kColText), QString("Beach"));
    // An empty search text changes nothing.
    OnNextModal<CSpecialTextEditDialog>([](CSpecialTextEditDialog* d) { Click(d->StartButton()); });
    f.Window().Action("ObjectsSpecialTextEdit")->trigger();
    QCOMPARE(f.Manager().GetObject(0)->pictureText, std::string("Beach"));
}

void EditingDialogsTest::audioSettingsBrowseResetsAndSynchroniseDisablesTheFadingTime() {
    Fixture f;
    f.Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp")});
    CProjectObject* o = f.Manager().GetObject(1);
    o->audioFile = f.Wav("old.wav", 3);
    o->audioStartTime = 900;
    o->audioFadingTime = 400;
    o->fadeOption = 3;
    CAudioSettingsModel model(f.Manager(), 1);
    CSoundOutput& output = GetSoundOutput();
    CAudioSettingsDialog dialog(model, f.Window().Language(), f.chooser, f.prompt, output);
    dialog.show();
    auto* start = qobject_cast<QLineEdit*>(dialog.Control(AudioControl::StartTimeBox));
    auto* option3 = qobject_cast<QRadioButton*>(dialog.Control(AudioControl::Option3));
    auto* fading = qobject_cast<QLineEdit*>(dialog.Control(AudioControl::FadingTimeBox));
    QCOMPARE(start->text(), QString("900"));
    QVERIFY(option3->isChecked());
    QVERIFY(dialog.Control(AudioControl::PlayExample)->isEnabled());

    std::string fresh = f.Wav("new.wav", 1);
    f.chooser.files.push_back({fresh});
    Click(dialog.Control("BrowseAudioFile"));
    QCOMPARE(qobject_cast<QLineEdit*>(dialog.Control(AudioControl::FileBox))->text().toStdString(), fresh);
    QCOMPARE(start->text(), QString("0"));
    QCOMPARE(fading->text(), QString("0"));
    QVERIFY(!option3->isChecked());

    Click(dialog.Control(AudioControl::Option1));
    Click(dialog.Control(AudioControl::Option2));
    QVERIFY(!qobject_cast<QRadioButton*>(dialog.Control(AudioControl::Option1))->isChecked());
    QCOMPARE(model.GetFadeOption(), 2);
    Click(dialog.Control(AudioControl::Synchronize));
    QVERIFY(!fading->isEnabled());
    QVERIFY(!dialog.Control(AudioControl::FadingTimeLabel)->isEnabled());
    // 25 transition frames of the object before at 25 fps
    QCOMPARE(fading->text(), QString("1000"));
    Click(dialog.Control("UseNewSettings"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(f.Manager().GetObject(1)->audioFile, fresh);
    QCOMPARE(f.Manager().GetObject(1)->synchronizeFF2NP, 1);
    QCOMPARE(f.Manager().GetObject(1)->fadeOption, 2);
}

void EditingDialogsTest::audioSettingsPlaysWithoutASoundDeviceAndRefusesAFakeWav() {
    Fixture f;
    f.Commands().AddFiles({f.Picture("a.bmp")});
    f.Select({0});
    CAlsaSoundOutput noDevice("no_such_device_here");
    {
        CAudioSettingsModel model(f.Manager(), 0);
        CAudioSettingsDialog dialog(model, f.Window().Language(), f.chooser, f.prompt, noDevice);
        // no file, nothing to play
        QVERIFY(!dialog.Control(AudioControl::PlayExample)->isEnabled());
        f.chooser.files.push_back({f.Wav("music.wav", 3)});
        Click(dialog.Control("BrowseAudioFile"));
        Click(dialog.Control(AudioControl::PlayExample));
        QVERIFY(dialog.StatusLine()->text().startsWith("No sound device could play the short example"));
        QVERIFY(!fs::exists(fs::path(f.Manager().GetTempDirectory()) / "TempUsed.wav"));

        std::string fake = (f.home.Path() / "fake.wav").string();
        test::WriteFileBytes(fake, "not a RIFF file at all");
        f.chooser.files.push_back({fake});
        Click(dialog.Control("BrowseAudioFile"));
        Click(dialog.Control("UseNewSettings"));
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(f.prompt.asked.back().text, std::string(audiosettings::kInvalidWav));
        // the object keeps its old audio
        QCOMPARE(f.Manager().GetObject(0)->audioFile, std::string());
    }
    // The menu with the program's own sound output: on this machine without a sound card it must
    // come back with a status text.
    f.Manager().GetObject(0)->audioFile = f.Wav("menu.wav", 3);
    OnNextModal<CAudioSettingsDialog>([](CAudioSettingsDialog* d) {
        Click(d->Control(AudioControl::PlayExample));
        QVERIFY(!d->StatusLine()->text().isEmpty());
        qInfo("short example with the default output: %s", qPrintable(d->StatusLine()->text()));
        Click(d->Control("Cancel"));
    });
    f.Window().Action("ObjectsAudioSettings")->trigger();
}

void EditingDialogsTest::addColourFadingFromTheViewButtonInsertsASynchronisedFlash() {
    Fixture f;
    f.Commands().AddFiles({f.Picture("a.bmp")});
    CProjectObject* o = f.Manager().GetObject(0);
    o->showPicture = 10;
    o->textFadeIn = 2;
    o->textFadeOut = 0;
    f.Commands().RefreshList();
    f.Select({0});
    OnNextModal<CAddColorFadingDialog>([](CAddColorFadingDialog* d) {
        QCOMPARE(d->ChoiceButton(3)->text(), QString("White, synchronized Flash"));
        Click(d->ChoiceButton(3));
    });
    Click(f.View().Button("AddColorFading"));
    QCOMPARE(f.Manager().GetObjectCount(), 2);
    QCOMPARE(f.View().Tree()->topLevelItemCount(), 2);
    QVERIFY(f.Manager().GetObject(0)->IsColorFade());
    QCOMPARE(f.Manager().GetObject(0)->fade2NextPicture, 12);
    QCOMPARE(f.View().List().GetSelectedRows(), std::vector<int>{1});
}

void EditingDialogsTest::fontDialogMappingIsTheCaptionRenderers() {
    for (LogFont font : {LogFont::Default(), LogFont{-40, 0, 0, 0, 700, 1}}) {
        CaptionFace face = CaptionFaceOf(font);
        QFont q = FontFromLogFont(font);
        QCOMPARE(q.pixelSize(), int(std::lround(face.emPixels)));
        QCOMPARE(int(q.weight()), face.weight);
        QCOMPARE(q.italic(), face.italic);
        // Back unchanged: the dialog's substitutions (Arial shown as its metric twin, weight 200 as
        // the nearest style) do not rewrite what the project stores.
        QFont shown(QFontInfo(q).family(), -1, QFontInfo(q).weight(), QFontInfo(q).italic());
        shown.setPointSizeF(q.pixelSize() * 72.0 / 96.0);
        QVERIFY(LogFontFromFont(shown, font) == font);
    }
    // A size and weight chosen in the dialog reach the caption as the renderer reads them.
    LogFont base = LogFont::Default();
    QFont chosen("Liberation Serif");
    chosen.setPixelSize(48);
    chosen.setWeight(QFont::Bold);
    LogFont font = LogFontFromFont(chosen, base);
    QCOMPARE(font.faceName, std::string("Liberation Serif"));
    QCOMPARE(font.weight, 700);
    QVERIFY(std::abs(CaptionFaceOf(font).emPixels - 48) < 0.6);
    // a positive height stays a cell height
    QVERIFY(font.height > 48);
}

// Commands that rebuild the list (which passes through an empty selection) must leave the selected
// row's fields and buttons as they were, or the next edit of the same row is locked out.
void EditingDialogsTest::fontColourAndAudioCommandsKeepTheSelectionUsable() {
    Fixture f;
    QVERIFY(f.exposed);
    f.Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp")});
    f.Manager().GetObject(1)->showPicture = 42;
    f.Commands().RefreshList();
    f.Select({1});
    LogFont bold;
    bold.weight = 700;
    f.chooser.fonts.push_back(bold);
    f.chooser.colours.push_back(MakeColour(255, 255, 0));
    f.chooser.files.push_back({f.Wav("tune.wav", 1)});
    auto usable = [&](const char* after) {
        for (const char* key : {"TextSettings", "UpdateFSP", "AudioSettings", "Choose Font"})
            QVERIFY2(f.View().Button(key)->isEnabled(), (std::string(after) + ": " + key).c_str());
        QCOMPARE(f.View().Edit(EditField::ShowPicture)->text(), QString("42"));
        QCOMPARE(f.View().List().GetSelectedRows(), std::vector<int>{1});
    };
    Click(f.View().Button("Choose Font"));
    QCOMPARE(f.Manager().GetObject(1)->font.weight, 700);
    usable("Choose Font");
    Click(f.View().Button("TextColor"));
    QCOMPARE(f.Manager().GetObject(1)->textColor, MakeColour(255, 255, 0));
    usable("Text Color");
    f.Window().Action("ObjectsAddAudio")->trigger();
    QVERIFY(!f.Manager().GetObject(1)->audioFile.empty());
    usable("Add Audio");
}

QTEST_MAIN(EditingDialogsTest)
#include "EditingDialogsTest.moc"
