// The check effects dialog's logic without a window: the list, stepping, the exclusion from random
// choice, the about text, the pace, and the dialog opened for an entry of the picture list.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "effects/FadingEffectManager.h"
#include "imaging/PictureTools.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"
#include "ui/CheckEffectsModel.h"
#include "ui/MainViewCommands.h"
#include "ui/MainViewFakes.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using ListWithSelection = test::CFakePictureList;

class CheckEffectsModelTest : public ::testing::Test {
protected:
    CheckEffectsModelTest() { manager.Initialize(home.Path().string()); }
    CFadingEffectManager& Effects() { return manager.GetCreation().GetEffects(); }
    std::string Picture(const std::string& name, Colour colour) {
        CPictureTools tools;
        std::string path = home / name;
        EXPECT_TRUE(tools.CreatePicture(40, 30, colour)->SaveFile(path));
        return path;
    }

    test::TempDir home;
    CTROVManager manager;
    ListWithSelection list;
    test::CFakeChooser chooser;
    test::CScriptedPrompt prompt;
};

TEST_F(CheckEffectsModelTest, ListIsTheRegistrySortedAndSteppingCountsFramesThenStartsAgain) {
    CCheckEffectsModel model(Effects(), manager.GetAppSettings(), 25.0);
    EXPECT_EQ(model.Names(), Effects().GetNames());
    EXPECT_TRUE(std::is_sorted(model.Names().begin(), model.Names().end(), Utf16Less()));
    model.UseBuiltInPictures(64, 48);
    EXPECT_EQ(model.FrameCount(), checkeffects::kDefaultFrames);
    // Nothing chosen yet: no frame.
    EXPECT_EQ(model.Step(), nullptr);
    EXPECT_FALSE(model.Select("No such effect"));
    ASSERT_TRUE(model.Select("Cross Dissolve"));
    for (int k = 1; k <= 50; ++k) {
        const CDibPicture* frame = model.Step();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(model.FrameNumber(), k);
        EXPECT_EQ(frame->GetWidth(), 64);
    }
    // The last frame of a cross dissolve is B.
    EXPECT_EQ(model.Step() != nullptr, true);
    EXPECT_EQ(model.FrameNumber(), 1);  // started again after the last frame
    // A new choice starts anew too.
    for (int k = 0; k < 5; ++k) model.Step();
    ASSERT_TRUE(model.Select("Cross Dissolve (Two Direction)"));
    model.Step();
    EXPECT_EQ(model.FrameNumber(), 1);
}

TEST_F(CheckEffectsModelTest, LastFrameOfACrossDissolveIsPictureB) {
    CCheckEffectsModel model(Effects(), manager.GetAppSettings(), 25.0);
    CPictureTools tools;
    model.SetPictures(tools.CreatePicture(8, 6, MakeColour(0, 0, 0)),
                      tools.CreatePicture(8, 6, MakeColour(250, 0, 0)), 4);
    ASSERT_TRUE(model.Select("Cross Dissolve"));
    const CDibPicture* frame = nullptr;
    for (int k = 0; k < 4; ++k) frame = model.Step();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetColour(3, 3), MakeColour(250, 0, 0));
}

TEST_F(CheckEffectsModelTest, DisablingWritesOneAndRandomFadingNoLongerPicksItEnablingWritesZero) {
    CFadingEffectManager& effects = Effects();
    CCheckEffectsModel model(effects, manager.GetAppSettings(), 25.0);
    // Leave two effects enabled, then disable one of them through the dialog.
    for (const std::string& name : model.Names()) {
        ASSERT_TRUE(model.Select(name));
        model.SetDisabled(name != "Cross Dissolve" && name != "Left-Right-Wipe");
    }
    ASSERT_EQ(effects.CountEnabled(), 2) << "the two names must exist";
    ASSERT_TRUE(model.Select("Left-Right-Wipe"));
    EXPECT_FALSE(model.IsDisabled());
    model.SetDisabled(true);
    int value = -1;
    ASSERT_TRUE(manager.GetAppSettings().GetInt("FADING_EFFECTS", "Left-Right-Wipe", value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(model.IsDisabled());
    for (int i = 0; i < 40; ++i) {
        CFadingEffect* e = effects.GetRandomEffect();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->GetName(), "Cross Dissolve");
    }
    model.SetDisabled(false);
    ASSERT_TRUE(manager.GetAppSettings().GetInt("FADING_EFFECTS", "Left-Right-Wipe", value));
    EXPECT_EQ(value, 0);
    std::set<std::string> picked;
    for (int i = 0; i < 40; ++i) picked.insert(effects.GetRandomEffect()->GetName());
    EXPECT_EQ(picked, (std::set<std::string>{"Cross Dissolve", "Left-Right-Wipe"}));

    // Closing saves the settings file, so the choice outlives the program.
    model.Closed(manager);
    EXPECT_EQ(manager.GetStatusText(), checkeffects::kWaiting);
    CSettingsStore saved;
    ASSERT_TRUE(saved.Load(manager.GetSettingsPath()));
    ASSERT_TRUE(saved.GetInt("FADING_EFFECTS", "Left-Right-Wipe", value));
    EXPECT_EQ(value, 0);
    ASSERT_TRUE(saved.GetInt("FADING_EFFECTS", "Right-Left-Wipe", value));
    EXPECT_EQ(value, 1);
}

TEST_F(CheckEffectsModelTest, AboutTextAndPace) {
    CCheckEffectsModel model(Effects(), manager.GetAppSettings(), 25.0);
    EXPECT_EQ(model.AboutText(), "");
    ASSERT_TRUE(model.Select("Cross Dissolve"));
    const CFadingEffect* e = Effects().Find("Cross Dissolve");
    EXPECT_EQ(model.AboutText(),
              "Cross Dissolve\r\n\r\nAuthor: " + e->GetAuthor() + "\r\nVersion: " + e->GetVersion());
    EXPECT_EQ(model.StepIntervalMs(), 40);
    EXPECT_EQ(CCheckEffectsModel(Effects(), manager.GetAppSettings(), 29.97).StepIntervalMs(), 33);
    EXPECT_EQ(CCheckEffectsModel(Effects(), manager.GetAppSettings(), 0.0).StepIntervalMs(), 40);
    EXPECT_EQ(CCheckEffectsModel(Effects(), manager.GetAppSettings(), 5000.0).StepIntervalMs(), 1);
}

TEST_F(CheckEffectsModelTest, ForAnEntryItStepsFromItsPictureToTheNextAndCanGiveItTheEffect) {
    manager.GetProjectSettings().SetInt("PROJECT_SETTINGS", "Movie-Size-X", 40);
    manager.GetProjectSettings().SetInt("PROJECT_SETTINGS", "Movie-Size-Y", 30);
    ASSERT_EQ(manager.AddFiles({Picture("red.bmp", MakeColour(200, 0, 0)),
                                Picture("blue.bmp", MakeColour(0, 0, 200)),
                                Picture("green.bmp", MakeColour(0, 200, 0))}),
              3);
    manager.GetObject(0)->fade2NextPicture = 6;
    manager.GetObject(0)->fading2NextPictureName = "Cross Dissolve";
    CMainViewCommands commands(manager, list, chooser, prompt);
    commands.RefreshList();
    CCheckEffectsModel model(Effects(), manager.GetAppSettings(), 25.0);

    // No selection, and the last entry: the dialog stays shut with the status.
    list.selected = {};
    EXPECT_FALSE(model.OpenForEntry(commands));
    EXPECT_EQ(manager.GetStatusText(), checkeffects::kSelectPicture);
    list.selected = {2};
    EXPECT_FALSE(model.OpenForEntry(commands));
    EXPECT_EQ(manager.GetStatusText(), checkeffects::kLastPicture);

    list.selected = {0, 2};
    ASSERT_TRUE(model.OpenForEntry(commands));
    EXPECT_TRUE(model.IsForEntry());
    EXPECT_EQ(model.Selected(), "Cross Dissolve");
    EXPECT_EQ(model.FrameCount(), 6);
    EXPECT_EQ(model.PictureA()->GetColour(20, 15), MakeColour(200, 0, 0));
    EXPECT_EQ(model.PictureB()->GetColour(20, 15), MakeColour(0, 0, 200));
    const CDibPicture* frame = nullptr;
    for (int k = 0; k < 6; ++k) frame = model.Step();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetColour(20, 15), MakeColour(0, 0, 200));

    ASSERT_TRUE(model.Select("Left-Right-Wipe"));
    ASSERT_TRUE(model.UseForEntry(commands));
    EXPECT_EQ(manager.GetObject(0)->fading2NextPictureName, "Left-Right-Wipe");
    EXPECT_EQ(manager.GetObject(1)->fading2NextPictureName, manager.GetObject(2)->fading2NextPictureName);
    EXPECT_TRUE(commands.IsModified());

    // From the menu there is no entry to give it to.
    CCheckEffectsModel plain(Effects(), manager.GetAppSettings(), 25.0);
    plain.UseBuiltInPictures(32, 24);
    ASSERT_TRUE(plain.Select("Cross Dissolve"));
    EXPECT_FALSE(plain.UseForEntry(commands));
    EXPECT_EQ(manager.GetObject(0)->fading2NextPictureName, "Left-Right-Wipe");
}

}  // namespace
}  // namespace trov
