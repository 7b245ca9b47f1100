// The main window's commands without a window: a fake list, a scripted prompt and chooser, a real
// manager on a private program directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "creation/Creation.h"
#include "effects/FadingEffectManager.h"
#include "imaging/JpegTestEncoder.h"
#include "imaging/PictureTools.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/MainViewCommands.h"
#include "ui/MainViewFakes.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using test::CFakeChooser;
using test::CScriptedPrompt;

using FakePictureList = test::CFakePictureList;

class MainViewCommandsTest : public ::testing::Test {
protected:
    MainViewCommandsTest() {
        manager.Initialize(home.Path().string());
        commands.refreshControls = [this] { ++refreshes; };
    }

    // A small BMP named name in the temp folder; returns its path.
    std::string Picture(const std::string& name, int w = 8, int h = 6) {
        CPictureTools tools;
        auto pic = tools.CreatePicture(w, h, MakeColour(10, 20, 30));
        std::string path = (home.Path() / name).string();
        EXPECT_TRUE(pic->SaveFile(path));
        return path;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < manager.GetObjectCount(); ++i)
            names.push_back(std::filesystem::path(manager.GetObject(i)->GetFileName()).filename().string());
        return names;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> texts;
        for (int i = 0; i < manager.GetObjectCount(); ++i) texts.push_back(manager.GetObject(i)->pictureText);
        return texts;
    }

    test::TempDir home;
    CTROVManager manager;
    FakePictureList list;
    CFakeChooser chooser;
    CScriptedPrompt prompt;
    CMainViewCommands commands{manager, list, chooser, prompt};
    int refreshes = 0;
};

// A project that shows photos upright by their EXIF data: the preview shows a phone's photo (stored
// on its side) upright too, and what it leaves in the picture cache is what the creation shows.
TEST_F(MainViewCommandsTest, PreviewShowsAPhonePhotoUprightAsTheCreationDoes) {
    CSettingsStore& project = manager.GetProjectSettings();
    project.SetInt(kProjectSettings, projkey::kApplyExifOrientation, 1);
    project.SetInt(kProjectSettings, projkey::kMovieSizeX, 160);
    project.SetInt(kProjectSettings, projkey::kMovieSizeY, 120);
    ASSERT_EQ(commands.AddFiles({test::WritePhonePhoto(home / "phone.jpg")}), 1);
    EXPECT_TRUE(commands.AppliesExifOrientation());
    // Upright (1:2) in 160 x 120 it is 60 wide with bars left and right, red on top.
    auto upright = [](const CPicture* p) {
        auto at = [p](int x, int yTop) { return p->GetColour(x, p->GetHeight() - 1 - yTop); };
        return p && p->GetWidth() == 160 && at(20, 60) == 0u && ColourRed(at(80, 20)) > 150 &&
               ColourBlue(at(80, 100)) > 150;
    };
    std::unique_ptr<CDibPicture> preview = commands.PreviewPicture(0);
    EXPECT_TRUE(upright(preview.get()));
    std::unique_ptr<CDibPicture> movie = manager.GetCreation().PreparePicture(0, 160, 120);
    EXPECT_TRUE(upright(movie.get()));
    std::unique_ptr<CDibPicture> again = commands.PreviewPicture(0);  // from the cache now
    EXPECT_TRUE(upright(again.get()));
}

TEST_F(MainViewCommandsTest, RowTextsFillFifteenColumnsAndLeaveAudioColumnsEmptyWithoutAudio) {
    CProjectObject o;
    o.SetFileName("/x/a.jpg");
    o.textFadeIn = 3;
    o.showPicture = 4;
    o.pictureText = "one\r\ntwo";
    o.rotation = 90;
    PictureListRow row = PictureListRowTexts(o, 7);
    EXPECT_EQ(row.size(), 15u);
    EXPECT_EQ(row[kColPosition], "7");
    EXPECT_EQ(row[kColFileName], "/x/a.jpg");
    EXPECT_EQ(row[kColTextFadeIn], "3");
    EXPECT_EQ(row[kColShowPicture], "4");
    EXPECT_EQ(row[kColText], "one / two");
    EXPECT_EQ(row[kColFont], "Arial, 30");
    EXPECT_EQ(row[kColAudio], "");
    EXPECT_EQ(row[kColFadeOption], "");
    EXPECT_EQ(row[kColRotation], "90");
    o.audioFile = "m.wav";
    o.audioStartTime = 1500;
    o.fadeOption = kFadeMix;
    o.isColorFade = true;
    o.colorFadeColorRef = MakeColour(255, 0, 16);
    o.pictureMove = true;
    row = PictureListRowTexts(o, 0);
    EXPECT_EQ(row[kColAudio], "m.wav");
    EXPECT_EQ(row[kColStartTime], "1500 ms");
    EXPECT_EQ(row[kColFadeOption], "Mix");
    EXPECT_EQ(row[kColSpecialPicture], "Color #FF0010, Picture Move");
}

TEST_F(MainViewCommandsTest, AddingOneAndThreeFilesReportsSingularAndPluralAndSelectsTheNewRows) {
    EXPECT_EQ(commands.AddFiles({Picture("a.bmp")}), 1);
    EXPECT_EQ(manager.GetStatusText(), "Sucessfully add 1 new picture / AVI!");
    EXPECT_EQ(commands.AddFiles({Picture("b.bmp"), Picture("c.bmp"), Picture("d.bmp")}), 3);
    EXPECT_EQ(manager.GetStatusText(), "Sucessfully add 3 new pictures / AVIs!");
    EXPECT_EQ(list.GetRowCount(), 4);
    EXPECT_EQ(list.selected, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list.GetCellText(3, kColPosition), "3");
    EXPECT_EQ(manager.GetProgressText(true), "100 %");
    EXPECT_TRUE(commands.IsModified());
}

TEST_F(MainViewCommandsTest, UnreadableFilesAreSkippedWithTheReadErrorAndTheListStays) {
    commands.AddFiles({Picture("a.bmp")});
    std::string missing = (home.Path() / "gone.jpg").string();
    EXPECT_EQ(commands.AddFiles({missing}), 0);
    EXPECT_EQ(manager.GetObjectCount(), 1);
    EXPECT_EQ(manager.GetStatusText(), "Error! Can not read " + missing);
    EXPECT_EQ(commands.AddFiles({Picture("b.bmp"), missing}), 1);
    EXPECT_EQ(manager.GetStatusText(), "Sucessfully add 1 new picture / AVI! Error! Can not read " + missing);
}

TEST_F(MainViewCommandsTest, DeletingTwoRowsAsksThePluralQuestionAndRemovesBoth) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp"), Picture("c.bmp")});
    list.SetSelectedRows({0, 2});
    prompt.answers = {PromptAnswer::No};
    EXPECT_EQ(commands.DeleteSelected(), 0);
    EXPECT_EQ(manager.GetObjectCount(), 3);
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_EQ(commands.DeleteSelected(), 2);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[1].text, "Do you want to delete 2 items from your picture list?");
    EXPECT_EQ(prompt.asked[1].caption, "Warning!");
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.bmp"}));
    EXPECT_EQ(list.GetRowCount(), 1);
    list.SetSelectedRows({0});
    prompt.answers = {PromptAnswer::Yes};
    commands.DeleteSelected();
    EXPECT_EQ(prompt.asked.back().text, "Do you want to delete 1 item from your picture list?");
    list.SetSelectedRows({});
    EXPECT_EQ(commands.DeleteSelected(), 0);
    EXPECT_EQ(prompt.asked.size(), 3u);  // nothing selected: no question
}

TEST_F(MainViewCommandsTest, SortingByNamesOrdersUpperBeforeLowerCase) {
    commands.AddFiles({Picture("b.jpg"), Picture("A.jpg"), Picture("a.jpg")});
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(commands.HeaderClicked(kColFileName));
    EXPECT_EQ(prompt.asked.back().text, "Do you want to sort your picture list by names?");
    EXPECT_EQ(prompt.asked.back().caption, "Sorting picture list");
    EXPECT_EQ(Names(), (std::vector<std::string>{"A.jpg", "a.jpg", "b.jpg"}));
    EXPECT_EQ(manager.GetStatusText(), "Picture list sorted by names!");
    EXPECT_EQ(list.GetCellText(0, kColFileName), manager.GetObject(0)->GetFileName());
}

TEST_F(MainViewCommandsTest, SortingByTextAndColumnsThatDoNotSort) {
    commands.AddFiles({Picture("x.bmp"), Picture("y.bmp")});
    manager.GetObject(0)->pictureText = "zebra";
    manager.GetObject(1)->pictureText = "apple";
    prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(commands.HeaderClicked(kColText));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"zebra", "apple"}));
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(commands.HeaderClicked(kColText));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"apple", "zebra"}));
    size_t questions = prompt.asked.size();
    EXPECT_FALSE(commands.HeaderClicked(3));
    EXPECT_EQ(manager.GetStatusText(), "Sorting this row is not possible!");
    EXPECT_EQ(prompt.asked.size(), questions);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"apple", "zebra"}));
}

TEST_F(MainViewCommandsTest, SelectAllWithTextLeavesRowsWithoutCaptionUnselected) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp"), Picture("c.bmp")});
    manager.GetObject(1)->pictureText = "";
    commands.RefreshList();
    commands.SelectAllWithText();
    EXPECT_EQ(list.selected, (std::vector<int>{0, 2}));
    commands.SelectAll();
    EXPECT_EQ(list.selected, (std::vector<int>{0, 1, 2}));
}

TEST_F(MainViewCommandsTest, SelectionFillsTheGuiStateAndAnEmptySelectionClearsIt) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp")});
    manager.GetObject(1)->showPicture = 77;
    manager.GetObject(1)->fading2NextPictureName = "Box-Wipe";
    list.SetSelectedRows({1});
    commands.SelectionChanged();
    std::string value;
    const CSettingsStore& state = commands.GetGuiState();
    EXPECT_TRUE(state.GetString(guistate::kShowPicture, guistate::kValue, value));
    EXPECT_EQ(value, "77");
    state.GetString(guistate::kFadingName, guistate::kValue, value);
    EXPECT_EQ(value, "Box-Wipe");
    state.GetString(guistate::kTemp, guistate::kObjectsSelected, value);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(manager.GetStatusText(), "Updated!");
    list.SetSelectedRows({});
    int before = refreshes;
    commands.SelectionChanged();
    state.GetString(guistate::kTemp, guistate::kObjectsSelected, value);
    EXPECT_EQ(value, "0");
    state.GetString(guistate::kShowPicture, guistate::kValue, value);
    EXPECT_EQ(value, "");
    EXPECT_FALSE(state.HasSection(guistate::kFadingName));
    EXPECT_GT(refreshes, before);
}

TEST_F(MainViewCommandsTest, SelectingAPictureThatCannotBeReadSaysSo) {
    std::string path = Picture("a.bmp");
    commands.AddFiles({path});
    std::filesystem::remove(path);
    list.SetSelectedRows({0});
    commands.SelectionChanged();
    EXPECT_EQ(manager.GetStatusText(), "Error! Can not read " + path);
}

TEST_F(MainViewCommandsTest, UpdateCopiesOneFieldIntoEverySelectedObjectByItsPosition) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp"), Picture("c.bmp")});
    for (int i = 0; i < 3; ++i) manager.GetObject(i)->textFadeOut = 5;
    list.SetSelectedRows({0, 2});
    commands.readControls = [this] {
        commands.GetGuiState().SetString(guistate::kShowPicture, guistate::kValue, "42");
        commands.GetGuiState().SetString(guistate::kTextFadeOut, guistate::kValue, "9");
    };
    commands.Update(EditField::ShowPicture);
    EXPECT_EQ(manager.GetObject(0)->showPicture, 42);
    EXPECT_NE(manager.GetObject(1)->showPicture, 42);
    EXPECT_EQ(manager.GetObject(2)->showPicture, 42);
    // Only the field of the button changes.
    EXPECT_EQ(manager.GetObject(0)->textFadeOut, 5);
    EXPECT_EQ(list.GetCellText(2, kColShowPicture), "42");
    EXPECT_EQ(list.selected, (std::vector<int>{0, 2}));
    // The fields show the selection again, so the next Update button can be pressed at once.
    std::string shown, selected;
    commands.GetGuiState().GetString(guistate::kShowPicture, guistate::kValue, shown);
    commands.GetGuiState().GetString(guistate::kTemp, guistate::kObjectsSelected, selected);
    EXPECT_EQ(shown, "42");
    EXPECT_EQ(selected, "1");
}

TEST_F(MainViewCommandsTest, UpdateRefusesTextInANumberFieldAndBoundsAbsurdNumbers) {
    commands.AddFiles({Picture("a.bmp")});
    list.SetSelectedRows({0});
    int before = manager.GetObject(0)->showPicture;
    std::string typed = "ten";
    commands.readControls = [&] {
        commands.GetGuiState().SetString(guistate::kShowPicture, guistate::kValue, typed);
    };
    commands.Update(EditField::ShowPicture);
    EXPECT_EQ(manager.GetObject(0)->showPicture, before);
    EXPECT_EQ(manager.GetStatusText(), "Please enter a number: ten");
    typed = "-5";
    commands.Update(EditField::ShowPicture);
    EXPECT_EQ(manager.GetObject(0)->showPicture, 0);
    typed = "99999999999";
    commands.Update(EditField::ShowPicture);
    EXPECT_EQ(manager.GetObject(0)->showPicture, 1000000);
}

TEST_F(MainViewCommandsTest, MovesKeepTheSelectedRowsTogetherInTheirOrder) {
    commands.AddFiles(
        {Picture("a.bmp"), Picture("b.bmp"), Picture("c.bmp"), Picture("d.bmp"), Picture("e.bmp")});
    list.SetSelectedRows({1, 3});
    EXPECT_FALSE(commands.MoveSelected(kMoveUp));  // locked until "Change picture position" is on
    EXPECT_EQ(manager.GetStatusText(), viewtext::kMoveLocked);
    commands.SetOption(appkey::kMovePicturePosition, true);
    EXPECT_TRUE(commands.MoveSelected(kMoveUp));
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.bmp", "a.bmp", "d.bmp", "c.bmp", "e.bmp"}));
    EXPECT_EQ(list.selected, (std::vector<int>{0, 2}));
    // The top row cannot go higher; the other selected row still moves.
    EXPECT_TRUE(commands.MoveSelected(kMoveUp));
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.bmp", "d.bmp", "a.bmp", "c.bmp", "e.bmp"}));
    EXPECT_FALSE(commands.MoveSelected(kMoveUp));
    EXPECT_TRUE(commands.MoveSelected(kMoveToEnd));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.bmp", "c.bmp", "e.bmp", "b.bmp", "d.bmp"}));
    EXPECT_EQ(list.selected, (std::vector<int>{3, 4}));
    EXPECT_FALSE(commands.MoveSelected(kMoveDown));
    list.SetSelectedRows({2, 4});
    EXPECT_TRUE(commands.MoveSelected(kMoveToFirst));
    EXPECT_EQ(Names(), (std::vector<std::string>{"e.bmp", "d.bmp", "a.bmp", "c.bmp", "b.bmp"}));
    list.SetSelectedRows({0});
    EXPECT_TRUE(commands.MoveSelected(kMoveDown));
    EXPECT_EQ(Names(), (std::vector<std::string>{"d.bmp", "e.bmp", "a.bmp", "c.bmp", "b.bmp"}));
    // The option is saved at once.
    CSettingsStore saved;
    ASSERT_TRUE(saved.Load(manager.GetSettingsPath()));
    int on = 0;
    EXPECT_TRUE(saved.GetInt(kTrovSettings, appkey::kMovePicturePosition, on));
    EXPECT_EQ(on, 1);
}

TEST_F(MainViewCommandsTest, CopyAndPasteRoundTripBehindTheSelection) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp"), Picture("c.bmp")});
    manager.GetObject(0)->pictureText = "first";
    manager.GetObject(0)->rotation = 180;
    manager.GetObject(2)->fading2NextPictureName = "Box-Wipe";
    list.SetSelectedRows({0, 2});
    EXPECT_TRUE(commands.CopySelected());
    list.SetSelectedRows({1});
    EXPECT_EQ(commands.PasteObjects(), 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.bmp", "b.bmp", "a.bmp", "c.bmp", "c.bmp"}));
    EXPECT_EQ(list.selected, (std::vector<int>{2, 3}));
    const CProjectObject* pasted = manager.GetObject(2);
    EXPECT_EQ(pasted->pictureText, "first");
    EXPECT_EQ(pasted->rotation, 180);
    EXPECT_EQ(pasted->GetContentKey(), manager.GetObject(0)->GetContentKey());
    EXPECT_EQ(manager.GetObject(3)->fading2NextPictureName, "Box-Wipe");
    // Text that is not ours pastes nothing.
    chooser.clipboard = "hello\n[PICTURE_0]\nFileName=x.jpg\n";
    EXPECT_EQ(commands.PasteObjects(), 0);
    EXPECT_EQ(manager.GetObjectCount(), 5);
    EXPECT_EQ(manager.GetStatusText(), viewtext::kNothingToPaste);
}

TEST_F(MainViewCommandsTest, AProjectThatCannotBeReadLeavesTheListAsItWas) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp")});
    std::string junk = (home.Path() / "junk.ini").string();
    test::WriteFileBytes(junk, std::string("\x01\x02 no sections here\n", 20));
    EXPECT_FALSE(commands.OpenProjectFile(junk));
    EXPECT_EQ(manager.GetStatusText(), "Error: Can not load Project: " + junk);
    EXPECT_EQ(manager.GetObjectCount(), 2);
    EXPECT_EQ(list.GetRowCount(), 2);
    std::string missing = (home.Path() / "missing.ini").string();
    EXPECT_FALSE(commands.OpenProjectFile(missing));
    EXPECT_EQ(manager.GetObjectCount(), 2);
}

TEST_F(MainViewCommandsTest, SavingAndOpeningClearTheModifiedMarkAndNameTheWindow) {
    EXPECT_EQ(commands.WindowTitle(), "Trovamatic 3.7");
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp")});
    EXPECT_EQ(commands.WindowTitle(), "Trovamatic 3.7 - Untitled*");
    std::string project = (home.Path() / "show.ini").string();
    EXPECT_TRUE(commands.SaveProjectFile(project));
    EXPECT_FALSE(commands.IsModified());
    EXPECT_EQ(commands.WindowTitle(), "Trovamatic 3.7 - show.ini");
    list.SetSelectedRows({0});
    commands.Rotate(90);
    EXPECT_EQ(commands.WindowTitle(), "Trovamatic 3.7 - show.ini*");
    // The exit question warns about the unsaved change; No keeps the window.
    prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(commands.AskExit(false));
    EXPECT_EQ(prompt.asked.back().text,
              std::string(viewtext::kUnsavedChanges) + "\r\n\r\nDo you want to exit TROV?");
    EXPECT_EQ(prompt.asked.back().caption, "Exit TROV!");
    EXPECT_TRUE(commands.AskExit(true));  // batch runs do not ask
    // Opening another project asks first; Cancel keeps everything.
    prompt.answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(commands.OpenProject());
    EXPECT_EQ(manager.GetObject(0)->rotation, 90);
    prompt.answers = {PromptAnswer::Yes};
    chooser.files = {{project}};
    EXPECT_TRUE(commands.OpenProject());
    EXPECT_EQ(manager.GetObjectCount(), 2);
    EXPECT_EQ(manager.GetObject(0)->rotation, 0);
    EXPECT_FALSE(commands.IsModified());
}

TEST_F(MainViewCommandsTest, AFolderAddsItsBitmapsFirstThenItsJpegsEachInNameOrder) {
    std::filesystem::create_directory(home.Path() / "pics");
    std::filesystem::create_directory(home.Path() / "pics" / "sub.jpg");
    for (const char* name : {"pics/b.jpg", "pics/a.JPG", "pics/z.bmp", "pics/c.BMP", "pics/note.txt"})
        Picture(name);
    std::vector<std::string> files =
        CMainViewCommands::PictureDirectoryFiles((home.Path() / "pics").string());
    std::vector<std::string> names;
    for (const std::string& f : files) names.push_back(std::filesystem::path(f).filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"c.BMP", "z.bmp", "a.JPG", "b.jpg"}));
    // Dropped folders and files: folders expand, other files are ignored.
    std::vector<std::string> dropped = CMainViewCommands::DroppedFiles(
        {(home.Path() / "pics" / "note.txt").string(), (home.Path() / "pics").string(), Picture("one.bmp")});
    EXPECT_EQ(dropped.size(), 5u);
    EXPECT_EQ(std::filesystem::path(dropped.back()).filename(), "one.bmp");
    chooser.folders = {(home.Path() / "pics").string()};
    EXPECT_EQ(commands.AddPictureDirectory(), 4);
    EXPECT_EQ(chooser.folderTitles.back(), "Please select the directory containing your pictures!");
}

TEST_F(MainViewCommandsTest, AudioNeedsASelectionAndGoesToTheFirstSelectedObject) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp")});
    list.SetSelectedRows({});
    EXPECT_FALSE(commands.AddAudio());
    EXPECT_EQ(prompt.asked.back().text, "Please first select one element of the Picture List!");
    list.SetSelectedRows({1});
    chooser.files = {{"/music/song.wav"}};
    EXPECT_TRUE(commands.AddAudio());
    EXPECT_EQ(chooser.filters.back(), "Audio File (*.wav)");
    EXPECT_EQ(manager.GetObject(1)->audioFile, "/music/song.wav");
    EXPECT_EQ(list.GetCellText(1, kColAudio), "/music/song.wav");
}

TEST_F(MainViewCommandsTest, DoubleClickOpensTheColourOfAColourFadingOnly) {
    commands.AddFiles({Picture("a.bmp")});
    manager.InsertColorFading(ColorFadingPreset::Black, 1);
    commands.RefreshList();
    commands.DoubleClick(0);
    EXPECT_EQ(manager.GetStatusText(), viewtext::kDoubleClickOnly);
    chooser.colours = {MakeColour(1, 2, 3)};
    commands.DoubleClick(1);
    EXPECT_EQ(manager.GetObject(1)->colorFadeColorRef, MakeColour(1, 2, 3));
    EXPECT_EQ(list.GetCellText(1, kColSpecialPicture), "Color #010203");
}

TEST_F(MainViewCommandsTest, RandomFadingsGiveEverySelectedObjectARegisteredEffect) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp")});
    list.SetSelectedRows({0, 1});
    commands.AddRandomFadings();
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(manager.GetCreation().GetEffects().Find(manager.GetObject(i)->fading2NextPictureName),
                  nullptr);
}

TEST_F(MainViewCommandsTest, NothingChangesWhileACreationRuns) {
    commands.AddFiles({Picture("a.bmp"), Picture("b.bmp")});
    commands.SetCreationRunning(true);
    std::string value;
    commands.GetGuiState().GetString(guistate::kGui, guistate::kDisabled, value);
    EXPECT_EQ(value, "1");
    list.SetSelectedRows({0});
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_EQ(commands.DeleteSelected(), 0);
    EXPECT_EQ(commands.AddFiles({Picture("c.bmp")}), 0);
    EXPECT_FALSE(commands.HeaderClicked(kColFileName));
    EXPECT_EQ(manager.GetObjectCount(), 2);
    EXPECT_TRUE(prompt.asked.empty());
}

}  // namespace
}  // namespace trov
