// The project settings dialog's copy: bindings, refused numbers, save/load/default, OK and Cancel.
#include <gtest/gtest.h>

#include <filesystem>

#include "creation/TROVManager.h"
#include "settings/ApplicationSettings.h"
#include "support/RecordingPrompt.h"
#include "support/TestSupport.h"
#include "ui/ProjectSettingsModel.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

std::string Value(const CSettingsStore& s, const char* key) {
    std::string v;
    s.GetString(kProjectSettings, key, v);
    return v;
}

class ProjectSettingsModelTest : public ::testing::Test {
protected:
    ProjectSettingsModelTest() { manager.Initialize(home.Path().string()); }
    test::TempDir home;
    CTROVManager manager;
    test::CTextRecordingPrompt prompt;
};

TEST_F(ProjectSettingsModelTest, BindsEveryBoxAsTextAndRefusesTextThatIsNoNumber) {
    CProjectSettingsModel model(manager);
    std::map<std::string, test::FakeWindow> boxes;
    CSettingsWndCommunicator binder;
    model.Bind(binder, [&](const char* key) { return &boxes[key]; });
    EXPECT_EQ(binder.GetBindingCount(), 12u);
    binder.UpdateAllControls();
    EXPECT_EQ(boxes["Movie-Size-X"].GetText(), "640");
    EXPECT_EQ(boxes["FramesPerSeconds"].GetText(), Value(manager.GetProjectSettings(), "FramesPerSeconds"));

    boxes["Movie-Size-X"].SetText("800");
    boxes["Frames-Showing-Picture"].SetText("12abc");
    boxes["FramesPerSeconds"].SetText("29,97");
    boxes["CropTop"].SetText("-3");
    std::string refused = model.ReadControls(binder);
    EXPECT_EQ(Value(model.Copy(), "Movie-Size-X"), "800");
    EXPECT_EQ(Value(model.Copy(), "FramesPerSeconds"), "29,97")
        << "the creation reads a comma as the fraction";
    EXPECT_EQ(Value(model.Copy(), "Frames-Showing-Picture"), "100") << "the old value stays";
    EXPECT_EQ(Value(model.Copy(), "CropTop"), "0");
    EXPECT_NE(refused.find("Frames Showing Picture: \"12abc\" is not a whole number"), std::string::npos)
        << refused;
    EXPECT_NE(refused.find("the value stays \"100\""), std::string::npos) << refused;
    EXPECT_NE(refused.find("Crop in Pixel: Top \"-3\""), std::string::npos) << refused;
    EXPECT_EQ(refused.find("Movie-Size"), std::string::npos) << refused;
    // Nothing reached the project before OK.
    EXPECT_EQ(Value(manager.GetProjectSettings(), "Movie-Size-X"), "640");
}

TEST_F(ProjectSettingsModelTest, LoadReplacesTheWholeCopyAndCancelLeavesTheProject) {
    std::string file = home / "few.ini";
    test::WriteFileBytes(file, "[PROJECT_SETTINGS]\r\nMovie-Size-X=320\r\nMovie-Size-Y=240\r\n");
    const CSettingsStore before = manager.GetProjectSettings();
    {
        CProjectSettingsModel model(manager);
        ASSERT_TRUE(model.LoadSettings(file, prompt));
        EXPECT_EQ(Value(model.Copy(), "Movie-Size-X"), "320");
        EXPECT_FALSE(model.Copy().HasKey(kProjectSettings, "Frames-Showing-Picture"))
            << "keys the file lacks are gone from the copy";
        EXPECT_FALSE(model.Copy().HasKey(kProjectSettings, "Output-AVI"));
        // Cancel: the model goes without Apply.
    }
    EXPECT_EQ(manager.GetProjectSettings().ToText(), before.ToText());

    CProjectSettingsModel model(manager);
    EXPECT_FALSE(model.LoadSettings(home / "missing.ini", prompt));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], "Error: Can not read settings: " + home / "missing.ini");
    EXPECT_EQ(model.Copy().ToText(), before.ToText()) << "a failed load keeps the copy";
    ASSERT_TRUE(model.LoadSettings(file, prompt));
    model.Apply();
    EXPECT_EQ(Value(manager.GetProjectSettings(), "Movie-Size-Y"), "240");
    EXPECT_FALSE(manager.GetProjectSettings().HasKey(kProjectSettings, "Frames-Showing-Picture"));
}

TEST_F(ProjectSettingsModelTest, BoxesOfKeysTheLoadedFileLacksDoNotBringThemBack) {
    std::string file = home / "few.ini";
    test::WriteFileBytes(file, "[PROJECT_SETTINGS]\r\nMovie-Size-X=320\r\n");
    CProjectSettingsModel model(manager);
    std::map<std::string, test::FakeWindow> boxes;
    CSettingsWndCommunicator binder;
    model.Bind(binder, [&](const char* key) { return &boxes[key]; });
    model.ShowInControls(binder);
    EXPECT_EQ(boxes["Frames-Showing-Picture"].GetText(), "100");
    ASSERT_TRUE(model.LoadSettings(file, prompt));
    model.ShowInControls(binder);
    EXPECT_EQ(boxes["Movie-Size-X"].GetText(), "320");
    EXPECT_EQ(boxes["Frames-Showing-Picture"].GetText(), "");
    EXPECT_EQ(model.ReadControls(binder), "");
    EXPECT_FALSE(model.Copy().HasKey(kProjectSettings, "Frames-Showing-Picture"));
    boxes["Movie-Size-Y"].SetText("200");
    EXPECT_EQ(model.ReadControls(binder), "");
    EXPECT_EQ(Value(model.Copy(), "Movie-Size-Y"), "200") << "a box filled in again counts";
}

TEST_F(ProjectSettingsModelTest, SaveWritesTheCopyAndReportsEitherWay) {
    CProjectSettingsModel model(manager);
    model.SetOutputFile(home / "movie.avi");
    model.SetOutputFile("");  // a cancelled file dialog
    std::string file = home / "saved.ini";
    ASSERT_TRUE(model.SaveSettings(file, prompt));
    EXPECT_EQ(prompt.texts.back(), "Settings sucessfully written!");
    CSettingsStore saved;
    ASSERT_TRUE(saved.Load(file));
    EXPECT_EQ(Value(saved, "Output-AVI"), home / "movie.avi");
    EXPECT_EQ(saved.GetLoadedEncoding(), CTextFile::k8Bit);
    std::string bad = (home.Path() / "no" / "such" / "dir.ini").string();
    EXPECT_FALSE(model.SaveSettings(bad, prompt));
    EXPECT_EQ(prompt.texts.back(), "Error: Can not write settings: " + bad);
}

TEST_F(ProjectSettingsModelTest, BackgroundColourIsBlackUnlessAllThreeComponentsExist) {
    CProjectSettingsModel model(manager);
    model.Copy().RemoveKey(kProjectSettings, "GlobalBackgroundColorB");
    model.Copy().SetInt(kProjectSettings, "GlobalBackgroundColorR", 200);
    EXPECT_EQ(model.GetBackgroundColour(), MakeColour(0, 0, 0));
    model.SetBackgroundColour(MakeColour(10, 20, 30));
    EXPECT_EQ(model.GetBackgroundColour(), MakeColour(10, 20, 30));
    EXPECT_EQ(Value(model.Copy(), "GlobalBackgroundColorG"), "20");
    model.Apply();
    EXPECT_EQ(CPicture::GetDefaultBackgroundColour(), MakeColour(10, 20, 30));
    CPicture::SetDefaultBackgroundColour(0);
}

TEST_F(ProjectSettingsModelTest, SetAsDefaultWritesTheSettingsFileAndTheLiveDefaults) {
    CProjectSettingsModel model(manager);
    model.Copy().SetInt(kProjectSettings, "Movie-Size-X", 1024);
    ASSERT_TRUE(model.SetAsDefault(prompt));
    EXPECT_TRUE(prompt.texts.empty());
    CSettingsStore file;
    ASSERT_TRUE(file.Load(manager.GetSettingsPath()));
    EXPECT_EQ(Value(file, "Movie-Size-X"), "1024");
    EXPECT_TRUE(file.HasSection(kTrovSettings)) << "the rest of the file stays";
    EXPECT_EQ(Value(manager.GetAppSettings(), "Movie-Size-X"), "1024");
    manager.ResetProject();
    EXPECT_EQ(Value(manager.GetProjectSettings(), "Movie-Size-X"), "1024") << "new projects start from it";

    std::filesystem::remove(manager.GetSettingsPath());
    model.Copy().SetInt(kProjectSettings, "Movie-Size-X", 2048);
    EXPECT_FALSE(model.SetAsDefault(prompt));
    EXPECT_EQ(prompt.texts.back(), "Error: Can not read settings: " + manager.GetSettingsPath());
    EXPECT_EQ(Value(manager.GetAppSettings(), "Movie-Size-X"), "1024");
}

}  // namespace
}  // namespace trov
