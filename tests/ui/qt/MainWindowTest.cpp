// The main window driven through its real widgets, offscreen: clicks, keys, menu commands.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "imaging/PictureTools.h"
#include "infra/FatalReport.h"
#include "infra/ProgramDirectory.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewFakes.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/GuiApplication.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/PreviewWidget.h"

namespace fs = std::filesystem;
using namespace trov;

namespace {

const std::string kSourceDir = TROV_SOURCE_DIR_VALUE;

// A fresh program directory, a session on it, fakes for the questions and the file dialogs.
struct Fixture {
    explicit Fixture(bool withShippedLanguages = false) {
        if (withShippedLanguages) {
            fs::create_directories(home.Path() / "Language");
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(fs::path(kSourceDir) / "data" / "Language", ec))
                fs::copy_file(e.path(), home.Path() / "Language" / e.path().filename(), ec);
        } else {
            // An empty language folder of its own, so only the files a test writes are listed.
            fs::create_directories(home.Path() / "Language");
            test::WriteFileBytes(home.Path() / "Language" / "Placeholder.ini", "[NOTHING]\r\n");
        }
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
    QTreeWidget* Tree() { return View().Tree(); }
    CTROVManager& Manager() { return session->Manager(); }
    std::string Status() { return Window().StatusText().toStdString(); }
    std::string Picture(const std::string& name, Colour colour = MakeColour(200, 40, 40)) {
        CPictureTools tools;
        auto pic = tools.CreatePicture(16, 12, colour);
        std::string path = (home.Path() / name).string();
        pic->SaveFile(path);
        return path;
    }
    void Trigger(const char* id) {
        QAction* a = Window().Action(id);
        QVERIFY2(a, id);
        QVERIFY2(a->isEnabled(), id);
        a->trigger();
    }
    // Clicks row r with modifiers, as a user selecting rows does.
    void ClickRow(int r, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QRect rect = Tree()->visualItemRect(Tree()->topLevelItem(r));
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    std::string Cell(int r, int c) { return Tree()->topLevelItem(r)->text(c).toStdString(); }
    void ClickHeader(int column) {
        QHeaderView* h = Tree()->header();
        int x = h->sectionViewportPosition(column) + h->sectionSize(column) / 2;
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, h->height() / 2));
    }
    void WriteLanguage(const std::string& file, const std::string& text) {
        test::WriteFileBytes(home.Path() / "Language" / file, text);
        Window().Language().ScanLanguageFiles((home.Path() / "Language").string());
    }

    test::TempDir home;
    test::CScriptedPrompt prompt;
    test::CFakeChooser chooser;
    std::unique_ptr<CGuiSession> session;
    bool exposed = false;
};

// Runs fn on the next modal dialog once it is shown (the dialog's exec() blocks the test).
void OnNextModal(std::function<void(QWidget*)> fn) {
    QTimer::singleShot(50, [fn] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) fn(modal);
    });
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void addsOneThenThreeFilesWithSingularAndPluralStatus();
    void deletesTwoSelectedRowsAfterThePluralQuestion();
    void sortsByNamesFromTheHeaderAndRefusesColumnThree();
    void selectsAllObjectsWithText();
    void updatesOneFieldOverAMultiSelection();
    void copiesAndPastesObjects();
    void opensAndSavesAProject();
    void movesRowsWithTheButtonsAndCtrlArrows();
    void switchesToGermanAndBack();
    void aMainViewSectionWithOnlyStartCreationTranslatesOnlyThatButton();
    void aLanguageFileOfVersion370Warns();
    void menuHasEveryItemAndLaterDialogsAreDisabled();
    void fatalReportsAccumulateAndCopyToTheClipboard();
    void aboutBoxShowsTheVersion();
    void exitQuestionDecidesWhetherTheWindowCloses();
    void previewShowsTheSelectionAtMovieSizeAndReportsUnreadablePictures();
    void droppedFoldersAndFilesAreAdded();
};

void MainWindowTest::addsOneThenThreeFilesWithSingularAndPluralStatus() {
    Fixture f;
    f.chooser.files = {{f.Picture("a.bmp")}};
    f.Trigger("ObjectsAddPictures");
    QCOMPARE(f.Status(), std::string("Sucessfully add 1 new picture / AVI!"));
    QCOMPARE(f.Tree()->topLevelItemCount(), 1);
    f.chooser.files = {{f.Picture("b.bmp"), f.Picture("c.bmp"), f.Picture("d.bmp")}};
    f.Trigger("ObjectsAddPictures");
    QCOMPARE(f.Status(), std::string("Sucessfully add 3 new pictures / AVIs!"));
    QCOMPARE(f.Tree()->topLevelItemCount(), 4);
    QCOMPARE(f.Cell(3, 0), std::string("3"));
    QCOMPARE(f.View().PercentLabel(true)->text(), QString("100 %"));
    QVERIFY(f.Window().windowTitle().endsWith("*"));
    QCOMPARE(f.chooser.filters.front(), std::string("Media Files (*.jpg; *.bmp; *.avi)"));
}

void MainWindowTest::deletesTwoSelectedRowsAfterThePluralQuestion() {
    Fixture f;
    f.View().Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp"), f.Picture("c.bmp")});
    f.ClickRow(0);
    f.ClickRow(2, Qt::ControlModifier);
    QCOMPARE(f.View().List().GetSelectedRows(), (std::vector<int>{0, 2}));
    f.prompt.answers = {PromptAnswer::Yes};
    f.Tree()->setFocus();
    QTest::keyClick(f.Tree(), Qt::Key_Delete);
    QCOMPARE(f.prompt.asked.size(), size_t(1));
    QCOMPARE(f.prompt.asked[0].text, std::string("Do you want to delete 2 items from your picture list?"));
    QCOMPARE(f.Tree()->topLevelItemCount(), 1);
    QVERIFY(f.Cell(0, 1).find("b.bmp") != std::string::npos);
    QCOMPARE(f.Manager().GetObjectCount(), 1);
}

void MainWindowTest::sortsByNamesFromTheHeaderAndRefusesColumnThree() {
    Fixture f;
    f.View().Commands().AddFiles({f.Picture("b.jpg"), f.Picture("A.jpg"), f.Picture("a.jpg")});
    f.prompt.answers = {PromptAnswer::Yes};
    f.ClickHeader(1);
    QCOMPARE(f.prompt.asked.back().text, std::string("Do you want to sort your picture list by names?"));
    std::vector<std::string> names;
    for (int r = 0; r < 3; ++r) names.push_back(fs::path(f.Cell(r, 1)).filename().string());
    QCOMPARE(names, (std::vector<std::string>{"A.jpg", "a.jpg", "b.jpg"}));
    QCOMPARE(f.Status(), std::string("Picture list sorted by names!"));
    size_t asked = f.prompt.asked.size();
    f.ClickHeader(3);
    QCOMPARE(f.Status(), std::string("Sorting this row is not possible!"));
    QCOMPARE(f.prompt.asked.size(), asked);
    QCOMPARE(fs::path(f.Cell(0, 1)).filename().string(), std::string("A.jpg"));
}

void MainWindowTest::selectsAllObjectsWithText() {
    Fixture f;
    f.View().Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp"), f.Picture("c.bmp")});
    f.Manager().GetObject(1)->pictureText.clear();
    f.View().Commands().RefreshList();
    f.Trigger("SelectAllWithText");
    QCOMPARE(f.View().List().GetSelectedRows(), (std::vector<int>{0, 2}));
    QVERIFY(!f.Tree()->topLevelItem(1)->isSelected());
    QTest::mouseClick(f.View().Button("SelectAll"), Qt::LeftButton);
    QCOMPARE(f.View().List().GetSelectedRows(), (std::vector<int>{0, 1, 2}));
}

void MainWindowTest::updatesOneFieldOverAMultiSelection() {
    Fixture f;
    f.View().Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp"), f.Picture("c.bmp")});
    f.ClickRow(0);
    f.ClickRow(1, Qt::ShiftModifier);
    QLineEdit* edit = f.View().Edit(EditField::ShowPicture);
    QCOMPARE(edit->text().toStdString(), std::to_string(f.Manager().GetObject(0)->showPicture));
    QVERIFY(f.View().Button("UpdateFSP")->isEnabled());
    edit->selectAll();
    QTest::keyClicks(edit, "123");
    // Another edit changed too, but only the pressed button's field is copied.
    f.View().Edit(EditField::TextFadeIn)->setText("77");
    QTest::mouseClick(f.View().Button("UpdateFSP"), Qt::LeftButton);
    QCOMPARE(f.Manager().GetObject(0)->showPicture, 123);
    QCOMPARE(f.Manager().GetObject(1)->showPicture, 123);
    QVERIFY(f.Manager().GetObject(2)->showPicture != 123);
    QVERIFY(f.Manager().GetObject(0)->textFadeIn != 77);
    QCOMPARE(f.Cell(1, 3), std::string("123"));
    // Without a selection the Update buttons cannot be pressed.
    f.Tree()->clearSelection();
    QVERIFY(!f.View().Button("UpdateFSP")->isEnabled());
}

void MainWindowTest::copiesAndPastesObjects() {
    Fixture f;
    f.View().Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp")});
    f.Manager().GetObject(1)->pictureText = "copied caption";
    f.View().Commands().RefreshList();
    f.ClickRow(1);
    f.Trigger("ObjectsCopy");
    QVERIFY(f.chooser.clipboard.find("copied caption") != std::string::npos);
    f.ClickRow(0);
    f.Trigger("ObjectsPaste");
    QCOMPARE(f.Tree()->topLevelItemCount(), 3);
    QCOMPARE(f.Cell(1, 7), std::string("copied caption"));
    QCOMPARE(f.View().List().GetSelectedRows(), (std::vector<int>{1}));
}

void MainWindowTest::opensAndSavesAProject() {
    Fixture f;
    std::string demo = kSourceDir + "/demo/demo.ini";
    f.chooser.files = {{demo}};
    f.Trigger("ProjectOpen");
    QCOMPARE(f.Tree()->topLevelItemCount(), f.Manager().GetObjectCount());
    QVERIFY(f.Tree()->topLevelItemCount() >= 5);
    QCOMPARE(f.Window().windowTitle(), QString("Trovamatic 3.7 - demo.ini"));
    QCOMPARE(f.View().PlayLengthBox()->text().toStdString(), f.Manager().GetPlayLength());
    std::string saved = f.home / "copy.ini";
    f.chooser.saveAs = {saved};
    f.Trigger("ProjectSave");
    QVERIFY(fs::exists(saved));
    QCOMPARE(f.Window().windowTitle(), QString("Trovamatic 3.7 - copy.ini"));
    // An unreadable project: its message, the list unchanged.
    int rows = f.Tree()->topLevelItemCount();
    std::string junk = f.home / "junk.ini";
    test::WriteFileBytes(junk, "no project at all");
    f.chooser.files = {{junk}};
    f.Trigger("ProjectOpen");
    QCOMPARE(f.Status(), "Error: Can not load Project: " + junk);
    QCOMPARE(f.Tree()->topLevelItemCount(), rows);
    // The saved copy opens with the same rows.
    f.chooser.files = {{saved}};
    f.Trigger("ProjectOpen");
    QCOMPARE(f.Tree()->topLevelItemCount(), rows);
}

void MainWindowTest::movesRowsWithTheButtonsAndCtrlArrows() {
    Fixture f;
    f.View().Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp"), f.Picture("c.bmp")});
    QPushButton* first = f.View().Button("MoveToFirst");
    QVERIFY(!first->isEnabled());
    QCheckBox* change = f.View().findChildren<QCheckBox*>().front();
    QCOMPARE(change->text(), QString("Change picture position"));
    QTest::mouseClick(change, Qt::LeftButton);
    QVERIFY(first->isEnabled());
    f.ClickRow(2);
    QTest::mouseClick(first, Qt::LeftButton);
    QVERIFY(f.Cell(0, 1).find("c.bmp") != std::string::npos);
    QCOMPARE(f.View().List().GetSelectedRows(), (std::vector<int>{0}));
    f.Tree()->setFocus();
    QTest::keyClick(f.Tree(), Qt::Key_Down, Qt::ControlModifier);
    QVERIFY(f.Cell(1, 1).find("c.bmp") != std::string::npos);
    QTest::keyClick(f.Tree(), Qt::Key_Up, Qt::ControlModifier);
    QVERIFY(f.Cell(0, 1).find("c.bmp") != std::string::npos);
}

void MainWindowTest::switchesToGermanAndBack() {
    if (!fs::exists(fs::path(kSourceDir) / "data" / "Language" / "German.ini"))
        QSKIP("data/Language/German.ini is not there");
    Fixture f(true);
    CMainView& v = f.View();
    const CSettingsStore& defaults = f.Window().Language().GetDefaultsStore();
    const CSettingsSection* mainView = defaults.GetSection("MAIN_VIEW");
    QVERIFY(mainView);
    std::map<std::string, std::string> english;
    for (const auto& [key, text] : mainView->GetEntries()) {
        QVERIFY2(v.TextControl(key), key.c_str());
        english[key] = v.TextControl(key)->GetText();
        QCOMPARE(english[key], text);
    }
    QString projectMenu = f.Window().menuBar()->actions().front()->text();
    QString firstColumn = f.Tree()->headerItem()->text(1);
    // The selection outlives both changes of the list's columns.
    f.View().Commands().AddFiles({f.Picture("a.bmp"), f.Picture("b.bmp"), f.Picture("c.bmp")});
    const std::vector<int> selected{0, 2};
    f.View().List().SetSelectedRows(selected);
    QCOMPARE(f.View().Commands().SelectedRows(), selected);
    f.Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, "Deutsch");
    QVERIFY(f.Window().LoadLanguage(true));
    QCOMPARE(f.View().Commands().SelectedRows(), selected);
    QCOMPARE(fs::path(f.Cell(2, 1)).filename().string(), std::string("c.bmp"));
    CSettingsStore german;
    QVERIFY(german.Load(kSourceDir + "/data/Language/German.ini"));
    for (const auto& [key, text] : english) {
        std::string expected;
        QVERIFY2(german.GetString("MAIN_VIEW", key, expected), key.c_str());
        QCOMPARE(v.TextControl(key)->GetText(), expected);
        // "Update" may stay "Update" in German; every other text changes.
        if (text != "Update") QVERIFY2(v.TextControl(key)->GetText() != text, key.c_str());
    }
    QVERIFY(f.Window().menuBar()->actions().front()->text() != projectMenu);
    QVERIFY(f.Tree()->headerItem()->text(1) != firstColumn);
    QCOMPARE(f.Tree()->columnCount(), 15);
    f.Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, "English");
    QVERIFY(f.Window().LoadLanguage(true));
    for (const auto& [key, text] : english) QCOMPARE(v.TextControl(key)->GetText(), text);
    QCOMPARE(f.Window().menuBar()->actions().front()->text(), projectMenu);
    QCOMPARE(f.Tree()->headerItem()->text(1), firstColumn);
    QCOMPARE(f.View().Commands().SelectedRows(), selected);
    QVERIFY(f.prompt.asked.empty());  // both files are of this version
}

void MainWindowTest::aMainViewSectionWithOnlyStartCreationTranslatesOnlyThatButton() {
    Fixture f;
    f.WriteLanguage("Only.ini",
                    "[LANGUAGE]\r\nLanguage=OnlyStart\r\nVersion=3.7\r\n\r\n[MAIN_VIEW]\r\nStartCreation=Los "
                    "&geht's\r\n");
    f.Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, "OnlyStart");
    QVERIFY(f.Window().LoadLanguage(true));
    QCOMPARE(f.View().Button("StartCreation")->text(), QString("Los &geht's"));
    const CSettingsSection* defaults = f.Window().Language().GetDefaultsStore().GetSection("MAIN_VIEW");
    QVERIFY(defaults);
    QCOMPARE(defaults->Size(), size_t(41));
    for (const auto& [key, text] : defaults->GetEntries())
        if (key != "StartCreation") QCOMPARE(f.View().TextControl(key)->GetText(), text);
    QVERIFY(f.prompt.asked.empty());
}

void MainWindowTest::aLanguageFileOfVersion370Warns() {
    Fixture f;
    f.WriteLanguage("Old.ini",
                    "[LANGUAGE]\r\nLanguage=Oldish\r\nVersion=3.70\r\n\r\n[MAIN_VIEW]\r\nSelectAll=Alle\r\n");
    f.WriteLanguage("Same.ini", "[LANGUAGE]\r\nLanguage=Samish\r\nVersion=3.7\r\n");
    // Through the options dialog: choose the language, OK.
    OnNextModal([](QWidget* w) {
        auto* dialog = qobject_cast<COptionsDialog*>(w);
        if (!dialog) return;
        dialog->LanguageList()->setCurrentText("Oldish");
        dialog->accept();
    });
    f.Window().SetStartupComplete();
    f.Trigger("OptionsOptions");
    QCOMPARE(f.prompt.asked.size(), size_t(1));
    QCOMPARE(f.prompt.asked[0].text,
             std::string("Your current language file version is different from the current "
                         "version of TROV. So maybe not all controls could be translated!"));
    QCOMPARE(f.View().Button("SelectAll")->text(), QString("Alle"));
    std::string saved;
    CSettingsStore file;
    QVERIFY(file.Load(f.Manager().GetSettingsPath()));
    file.GetString(kLanguageSection, appkey::kCurrentLanguage, saved);
    QCOMPARE(saved, std::string("Oldish"));
    // A file of this version does not warn.
    f.Manager().GetAppSettings().SetString(kLanguageSection, appkey::kCurrentLanguage, "Samish");
    f.Window().LoadLanguage(true);
    QCOMPARE(f.prompt.asked.size(), size_t(1));
}

void MainWindowTest::menuHasEveryItemAndLaterDialogsAreDisabled() {
    Fixture f;
    QList<QAction*> bar = f.Window().menuBar()->actions();
    QCOMPARE(bar.size(), 7);
    QCOMPARE(bar.back()->text(), QString("&About"));
    QCOMPARE(f.Window().Action("ProjectOpen")->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(f.Window().Action("ObjectsAddPictures")->shortcut(), QKeySequence("F3"));
    QCOMPARE(f.Window().Action("ObjectsDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(f.Window().Action("ObjectsCopy")->shortcut(), QKeySequence("Ctrl+Ins"));
    QVERIFY(f.Window().Action("ProjectSettings")->isEnabled());
    QVERIFY(f.Window().Action("WizardFirstVideo")->isEnabled());
    QVERIFY(f.Window().Action("ObjectsSynchronize")->isEnabled());
    QVERIFY(f.Window().Action("StartCreation")->isEnabled());
    QVERIFY(f.Window().Action("SelectAllWithText")->isEnabled());
    QVERIFY(f.Window().Action("OptionsOptions")->isEnabled());
    // The Project menu counts its separators as positions.
    QCOMPARE(bar.front()->menu()->actions().size(), 14);
}

void MainWindowTest::fatalReportsAccumulateAndCopyToTheClipboard() {
    Fixture f;
    GetFatalReport().ClearText();
    ReportFatalException("CTROVView::OnStart()");
    ReportFatalException("CSynchronizeDlg::OnOK()");
    QTRY_VERIFY(f.session->Report().isVisible());
    QString text = f.session->Report().Text();
    QVERIFY(text.indexOf("CTROVView::OnStart()") < text.indexOf("CSynchronizeDlg::OnOK()"));
    QCOMPARE(text.count("Fatal Exception occured!"), 2);
    QTest::mouseClick(f.session->Report().CopyButton(), Qt::LeftButton);
    QVERIFY(!f.session->Report().isVisible());
    QVERIFY(QApplication::clipboard()->text().contains("CSynchronizeDlg::OnOK()"));
    GetFatalReport().ClearText();
}

void MainWindowTest::aboutBoxShowsTheVersion() {
    CAboutDialog about;
    auto* version = about.findChild<QLabel*>("version");
    QVERIFY(version);
    QCOMPARE(version->text(), QString("Version 3.7"));
}

void MainWindowTest::exitQuestionDecidesWhetherTheWindowCloses() {
    Fixture f;
    f.prompt.answers = {PromptAnswer::No};
    f.Window().close();
    QVERIFY(f.Window().isVisible());
    QCOMPARE(f.prompt.asked.back().text, std::string("Do you want to exit TROV?"));
    QCOMPARE(f.prompt.asked.back().caption, std::string("Exit TROV!"));
    f.prompt.answers = {PromptAnswer::Yes};
    f.Window().close();
    QVERIFY(!f.Window().isVisible());
}

void MainWindowTest::previewShowsTheSelectionAtMovieSizeAndReportsUnreadablePictures() {
    Fixture f;
    f.Manager().GetProjectSettings().SetInt(kProjectSettings, projkey::kMovieSizeX, 320);
    f.Manager().GetProjectSettings().SetInt(kProjectSettings, projkey::kMovieSizeY, 180);
    // Another content than a.bmp: equal contents share their prepared picture in the cache.
    std::string gone = f.Picture("gone.bmp", MakeColour(1, 2, 3));
    f.View().Commands().AddFiles({f.Picture("a.bmp"), gone});
    fs::remove(gone);
    QCheckBox* show = nullptr;
    for (QCheckBox* box : f.View().findChildren<QCheckBox*>())
        if (box->text() == "Show Preview") show = box;
    QVERIFY(show);
    if (!show->isChecked()) QTest::mouseClick(show, Qt::LeftButton);
    int shown = f.View().PreviewsShown();
    f.ClickRow(0);
    QTRY_VERIFY(f.View().PreviewsShown() > shown);
    CDibPicture* picture = f.View().Preview()->GetPicture();
    QVERIFY(picture);
    QCOMPARE(picture->GetWidth(), 320);
    QCOMPARE(picture->GetHeight(), 180);
    f.ClickRow(1);
    QTRY_COMPARE(f.Status(), "Error! Can not read " + gone);
    QVERIFY(!f.View().Preview()->GetPicture());
}

void MainWindowTest::droppedFoldersAndFilesAreAdded() {
    Fixture f;
    fs::create_directories(f.home.Path() / "drop");
    f.Picture("drop/x.jpg");
    f.Picture("drop/y.bmp");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString((f.home.Path() / "drop").string())),
                  QUrl::fromLocalFile(QString::fromStdString(f.Picture("z.bmp"))),
                  QUrl::fromLocalFile(QString::fromStdString(f.home / "notes.txt"))});
    QPoint at = f.Tree()->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Tree()->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Tree()->viewport(), &drop);
    QCOMPARE(f.Tree()->topLevelItemCount(), 3);
    QVERIFY(f.Cell(0, 1).find("y.bmp") != std::string::npos);  // the folder's bitmaps first
    QVERIFY(f.Cell(1, 1).find("x.jpg") != std::string::npos);
    QVERIFY(f.Cell(2, 1).find("z.bmp") != std::string::npos);
    QCOMPARE(f.Status(), std::string("Sucessfully add 3 new pictures / AVIs!"));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
