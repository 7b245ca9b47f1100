// The first-video wizard without windows: the page loop's result codes, the pictures page, the
// seconds x frame rate rule, the output file, and Cancel keeping what the pages before changed.
#include <gtest/gtest.h>

#include <algorithm>

#include "creation/Creation.h"
#include "effects/FadingEffectManager.h"
#include "imaging/PictureTools.h"
#include "settings/ApplicationSettings.h"
#include "support/TestSupport.h"
#include "ui/FirstVideoWizardModel.h"
#include "ui/MainViewCommands.h"
#include "ui/MainViewFakes.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using WizardList = test::CFakePictureList;

class FirstVideoWizardModelTest : public ::testing::Test {
protected:
    FirstVideoWizardModelTest() { manager.Initialize(home.Path().string()); }
    std::vector<std::string> Pictures(int n) {
        CPictureTools tools;
        std::vector<std::string> files;
        for (int i = 0; i < n; ++i) {
            files.push_back(home / (std::to_string(i) + ".bmp"));
            EXPECT_TRUE(tools.CreatePicture(8, 6, MakeColour(10 * i, 20, 30))->SaveFile(files.back()));
        }
        return files;
    }
    std::vector<int> ShowFrames() const {
        std::vector<int> frames;
        for (int i = 0; i < manager.GetObjectCount(); ++i)
            frames.push_back(manager.GetObject(i)->showPicture);
        return frames;
    }

    test::TempDir home;
    CTROVManager manager;
    WizardList list;
    test::CFakeChooser chooser;
    test::CScriptedPrompt prompt;
    CMainViewCommands commands{manager, list, chooser, prompt};
    CFirstVideoWizardModel wizard{commands};
};

TEST_F(FirstVideoWizardModelTest, TheLoopGoesOnWith10BackWith20AndCreatesWith40) {
    // Welcome, pictures, seconds, back to seconds' predecessor, on to the end: Finish ends it.
    std::vector<int> codes{kWizardNext, kWizardNext, kWizardBack, kWizardNext,
                           kWizardNext, kWizardNext, kWizardNext};
    std::vector<int> shown;
    int creations = 0;
    size_t next = 0;
    auto show = [&](int page) {
        shown.push_back(page);
        return codes[next++];
    };
    EXPECT_FALSE(CFirstVideoWizardModel::Run(show, [&] { ++creations; }));
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 1, 2, 3, 4}));
    EXPECT_EQ(creations, 0);

    // Back on the welcome page stays there; 40 on the last page starts the creation once.
    codes = {kWizardBack, kWizardNext, kWizardNext, kWizardNext, kWizardNext, kWizardNextAndCreate};
    shown.clear();
    next = 0;
    EXPECT_TRUE(CFirstVideoWizardModel::Run(show, [&] { ++creations; }));
    EXPECT_EQ(shown, (std::vector<int>{0, 0, 1, 2, 3, 4}));
    EXPECT_EQ(creations, 1);

    // Any other code (Cancel, closing) ends it on the spot.
    for (int code : {0, 2, -1, 30}) {
        codes = {kWizardNext, code};
        shown.clear();
        next = 0;
        EXPECT_FALSE(CFirstVideoWizardModel::Run(show, [&] { ++creations; }));
        EXPECT_EQ(shown, (std::vector<int>{0, 1})) << code;
    }
    EXPECT_EQ(creations, 1);
    EXPECT_STREQ(WizardPageSection(kWizardFinish), "WIZARD_01_DLG_FINISH");
    EXPECT_STREQ(WizardPageCategory(kWizardSeconds), "Wizard_01_Dlg_02");
}

TEST_F(FirstVideoWizardModelTest, AddingPicturesStartsANewProjectSelectsEveryRowAndUnlocksNext) {
    manager.AddFiles(Pictures(1));
    ASSERT_EQ(manager.GetObjectCount(), 1);
    EXPECT_FALSE(wizard.CanLeavePictures());
    // A cancelled file dialog changes nothing.
    EXPECT_EQ(wizard.AddPictures(), 0);
    EXPECT_EQ(manager.GetObjectCount(), 1);
    EXPECT_FALSE(wizard.CanLeavePictures());
    EXPECT_TRUE(prompt.asked.empty()) << "no reset question";

    std::vector<std::string> three = Pictures(3);
    chooser.files.push_back(three);
    EXPECT_EQ(wizard.AddPictures(), 3);
    EXPECT_EQ(chooser.filters.back(), "Media Files (*.jpg; *.bmp; *.avi)");
    EXPECT_EQ(manager.GetObjectCount(), 3) << "the old entry went with the reset";
    EXPECT_EQ(list.selected, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(wizard.CanLeavePictures());
    EXPECT_TRUE(prompt.asked.empty());
    // "A fading effect between two pictures is added automatically."
    CFadingEffectManager& effects = manager.GetCreation().GetEffects();
    for (int i = 0; i < 3; ++i) {
        const std::string& name = manager.GetObject(i)->fading2NextPictureName;
        EXPECT_NE(effects.Find(name), nullptr) << i << " " << name;
    }
}

TEST_F(FirstVideoWizardModelTest, ThreeSecondsAt25FramesPerSecondGive75FramesToEveryPicture) {
    chooser.files.push_back(Pictures(4));
    ASSERT_EQ(wizard.AddPictures(), 4);
    manager.GetProjectSettings().SetString(kProjectSettings, projkey::kFramesPerSeconds, "25");
    std::string error;
    EXPECT_TRUE(wizard.ApplySeconds(" 3 ", error)) << error;
    EXPECT_EQ(ShowFrames(), (std::vector<int>{75, 75, 75, 75}));
    std::string box;
    commands.GetGuiState().GetString(EditFieldSection(EditField::ShowPicture), guistate::kValue, box);
    EXPECT_EQ(box, "75") << "the main view's box shows the number";

    // Text, fractions and negative numbers are refused with a message; nothing changes.
    for (const char* bad : {"", "three", "2.5", "-3", "1e3"}) {
        EXPECT_FALSE(wizard.ApplySeconds(bad, error)) << bad;
        EXPECT_EQ(error, wizardtext::kWholeSeconds);
    }
    EXPECT_EQ(ShowFrames(), (std::vector<int>{75, 75, 75, 75}));

    // A project without a frame rate counts 1 frame a second; huge numbers are bounded.
    manager.GetProjectSettings().RemoveKey(kProjectSettings, projkey::kFramesPerSeconds);
    EXPECT_EQ(wizard.FramesForSeconds(3), 3);
    manager.GetProjectSettings().SetString(kProjectSettings, projkey::kFramesPerSeconds, "30");
    EXPECT_EQ(wizard.FramesForSeconds(999999999), kMaxFrameCount);
}

TEST_F(FirstVideoWizardModelTest, BrowseSetsTheOutputAndCancelKeepsWhatTheEarlierPagesChanged) {
    // The pictures page starts a new project: its frame rate comes from the defaults.
    manager.GetAppSettings().SetString(kProjectSettings, projkey::kFramesPerSeconds, "10");
    const std::string before = wizard.OutputPath();
    EXPECT_EQ(wizard.BrowseOutput(), "") << "a cancelled dialog";
    EXPECT_EQ(wizard.OutputPath(), before);
    chooser.saveAs.push_back(home / "first.avi");
    EXPECT_EQ(wizard.BrowseOutput(), home / "first.avi");
    EXPECT_EQ(chooser.filters.back(), "AVI File (*.avi)");
    EXPECT_EQ(wizard.OutputPath(), home / "first.avi");

    // The whole wizard, cancelled on the destination page: the pictures and their frames stay.
    chooser.files.push_back(Pictures(2));
    std::string error;
    auto show = [&](int page) {
        switch (page) {
            case kWizardPictures:
                wizard.AddPictures();
                return int(kWizardNext);
            case kWizardSeconds:
                wizard.ApplySeconds("4", error);
                return int(kWizardNext);
            case kWizardDestination:
                return 2;  // Cancel
            default:
                return int(kWizardNext);
        }
    };
    EXPECT_FALSE(CFirstVideoWizardModel::Run(show, [] { FAIL() << "no creation"; }));
    EXPECT_EQ(manager.GetObjectCount(), 2);
    EXPECT_EQ(ShowFrames(), (std::vector<int>{40, 40}));
}

}  // namespace
}  // namespace trov
