// The editing commands around their dialogs: selection rules, what OK and Cancel change.
#include <gtest/gtest.h>

#include <algorithm>

#include "creation/TROVManager.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/EditingCommands.h"
#include "ui/MainViewFakes.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using SelectingList = test::CFakePictureList;

class EditingCommandsTest : public ::testing::Test {
protected:
    EditingCommandsTest() {
        manager.Initialize(home.Path().string());
        for (const char* caption : {"2024-07-14 Beach", "Harbour", "Hill"}) {
            CProjectObject o;
            o.SetFileName(home / (std::string(caption) + ".jpg"));
            o.pictureText = caption;
            o.showPicture = 100;
            manager.AppendObject(o);
        }
        commands.RefreshList();
    }
    test::TempDir home;
    CTROVManager manager;
    SelectingList list;
    test::CFakeChooser chooser;
    test::CScriptedPrompt prompt;
    CMainViewCommands commands{manager, list, chooser, prompt};
    CEditingCommands editing{commands, list};
};

TEST_F(EditingCommandsTest, NothingSelectedOpensNoDialogAndAudioSaysWhy) {
    int opened = 0;
    EXPECT_FALSE(editing.TextSettings([&](CTextSettingsModel&, int) { return ++opened, true; }));
    EXPECT_FALSE(editing.SpecialTextEdit([&](std::string&) { return ++opened, true; }));
    EXPECT_FALSE(editing.AddColorFading([&](ColorFadingPreset&) { return ++opened, true; }));
    EXPECT_FALSE(editing.AudioSettings([&](CAudioSettingsModel&) { return ++opened, true; }));
    EXPECT_EQ(opened, 0);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Please first select one element of the Picture List!");
    EXPECT_FALSE(commands.IsModified());
}

TEST_F(EditingCommandsTest, TextSettingsPresetsFromTheFirstAndChangesEverySelectedOnOk) {
    manager.GetObject(1)->textPosition = 7;
    list.SetSelectedRows({1, 2});
    int presetPosition = 0, first = -1;
    EXPECT_FALSE(editing.TextSettings([&](CTextSettingsModel& m, int object) {
        presetPosition = m.GetPosition();
        first = object;
        m.SetPosition(100);
        return false;  // Cancel
    }));
    EXPECT_EQ(presetPosition, 7);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(manager.GetObject(2)->textPosition, 1) << "Cancel changes nothing";
    EXPECT_TRUE(editing.TextSettings([](CTextSettingsModel& m, int) { return m.SetPosition(100); }));
    EXPECT_EQ(manager.GetObject(1)->textPosition, 100);
    EXPECT_EQ(manager.GetObject(2)->textPosition, 100);
    EXPECT_EQ(manager.GetObject(0)->textPosition, 1);
    EXPECT_TRUE(commands.IsModified());
}

TEST_F(EditingCommandsTest, SpecialTextEditCutsTheSelectedCaptionsAndRefreshesTheRows) {
    list.SetSelectedRows({0, 1});
    EXPECT_TRUE(editing.SpecialTextEdit([](std::string& s) { return s = " ", true; }));
    EXPECT_EQ(manager.GetObject(0)->pictureText, "Beach");
    EXPECT_EQ(list.GetCellText(0, kColText), "Beach");
    EXPECT_EQ(manager.GetObject(1)->pictureText, "Harbour");
    EXPECT_EQ(commands.GetGuiState().Section("PictureText").GetEntries().at("Value"), "Beach");
}

TEST_F(EditingCommandsTest, ColourFadingsKeepTheSelectedObjectsSelected) {
    list.SetSelectedRows({0, 2});
    EXPECT_TRUE(
        editing.AddColorFading([](ColorFadingPreset& p) { return p = ColorFadingPreset::White, true; }));
    ASSERT_EQ(manager.GetObjectCount(), 5);
    EXPECT_EQ(list.GetRowCount(), 5);
    EXPECT_TRUE(manager.GetObject(0)->IsColorFade());
    EXPECT_TRUE(manager.GetObject(3)->IsColorFade());
    EXPECT_EQ(list.selected, (std::vector<int>{1, 4}));
    EXPECT_EQ(manager.GetObject(4)->pictureText, "Hill");
}

TEST_F(EditingCommandsTest, ProjectSettingsOkAppliesTheCopyAndCancelDoesNot) {
    EXPECT_FALSE(editing.ProjectSettings([](CProjectSettingsModel& m) {
        m.Copy().SetInt(kProjectSettings, "Movie-Size-X", 320);
        return false;
    }));
    int x = 0;
    manager.GetProjectSettings().GetInt(kProjectSettings, "Movie-Size-X", x);
    EXPECT_EQ(x, 640);
    EXPECT_TRUE(editing.ProjectSettings([](CProjectSettingsModel& m) {
        m.Copy().SetInt(kProjectSettings, "Movie-Size-X", 320);
        return true;
    }));
    manager.GetProjectSettings().GetInt(kProjectSettings, "Movie-Size-X", x);
    EXPECT_EQ(x, 320);
}

}  // namespace
}  // namespace trov
