// The special picture settings and panorama dialogs without a window: the mutual exclusion as the
// bound controls show it, Cancel in the panorama dialog, OK and Cancel of the whole dialog, and
// which objects the command opens for.
#include <gtest/gtest.h>

#include "creation/TROVManager.h"
#include "ui/PictureListRows.h"
#include "ui/SettingsWndCommunicator.h"
#include "ui/SpecialPictureModel.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using namespace specialpic;

// The dialog's four bindings, as the dialog makes them.
struct BoundDialog {
    explicit BoundDialog(CSpecialPictureModel& model) {
        binder.SetSettings(&model.Store());
        binder.AddBinding(&panorama, kTemp, kPanorama, kBindCheck);
        binder.AddBinding(&move, kTemp, kPictureMove, kBindCheck);
        binder.AddBinding(&configurePanorama, kTemp, kPanorama, "0", kBindEnableIfDifferent);
        binder.AddBinding(&configureMove, kTemp, kPictureMove, "0", kBindEnableIfDifferent);
        binder.UpdateAllControls();
    }
    CSettingsWndCommunicator binder;
    test::FakeCheck panorama, move;
    test::FakeWindow configurePanorama, configureMove;
};

TEST(SpecialPictureModel, TickingOneBoxClearsTheOtherAndOnlyItsConfigureIsEnabled) {
    CProjectObject object;
    object.panoramaScrolling = true;
    object.panoramaScrollingType = 3;
    CSpecialPictureModel model(object);
    BoundDialog dialog(model);
    EXPECT_EQ(dialog.panorama.state, 1);
    EXPECT_EQ(dialog.move.state, 0);
    EXPECT_TRUE(dialog.configurePanorama.enabled);
    EXPECT_FALSE(dialog.configureMove.enabled);

    model.ClickPictureMove();
    dialog.binder.UpdateAllControls();
    EXPECT_EQ(dialog.panorama.state, 0);
    EXPECT_EQ(dialog.move.state, 1);
    EXPECT_FALSE(dialog.configurePanorama.enabled);
    EXPECT_TRUE(dialog.configureMove.enabled);

    // A second click on the same box only toggles it off; the other stays off.
    model.ClickPictureMove();
    dialog.binder.UpdateAllControls();
    EXPECT_EQ(dialog.panorama.state, 0);
    EXPECT_EQ(dialog.move.state, 0);
    EXPECT_FALSE(dialog.configureMove.enabled);

    model.ClickPanorama();
    dialog.binder.UpdateAllControls();
    EXPECT_EQ(dialog.panorama.state, 1);
    EXPECT_EQ(dialog.move.state, 0);
    // The direction chosen before is still there.
    EXPECT_EQ(model.PanoramaType(), 3);
}

TEST(SpecialPictureModel, CancelInThePanoramaDialogKeepsTheDirection) {
    CProjectObject object;
    object.panoramaScrolling = true;
    object.panoramaScrollingType = 2;
    CSpecialPictureModel model(object);
    model.PanoramaDialogEnded(0);  // Cancel
    EXPECT_EQ(model.PanoramaType(), 2);
    EXPECT_TRUE(model.Working().panoramaScrolling);
    EXPECT_EQ(model.Working().panoramaScrollingType, 2);
    model.PanoramaDialogEnded(PanoramaDirectionCode("Bottom2Top"));
    EXPECT_EQ(model.PanoramaType(), 4);
    EXPECT_EQ(model.Working().panoramaScrollingType, 4);
    // Codes outside the table are no choice either.
    model.PanoramaDialogEnded(7);
    EXPECT_EQ(model.PanoramaType(), 4);
}

TEST(SpecialPictureModel, DirectionButtonsCarryTheirCodes) {
    EXPECT_EQ(PanoramaDirectionCode("Left2Right"), 1);
    EXPECT_EQ(PanoramaDirectionCode("Right2Left"), 2);
    EXPECT_EQ(PanoramaDirectionCode("Top2Bottom"), 3);
    EXPECT_EQ(PanoramaDirectionCode("Bottom2Top"), 4);
    EXPECT_EQ(PanoramaDirectionCode("Cancel"), -1);
}

TEST(SpecialPictureModel, AcceptCopiesSwitchesMotionDataAndQualityOnlyWhenCalled) {
    CProjectObject object;
    object.panoramaScrolling = true;
    object.panoramaScrollingType = 1;
    CSpecialPictureModel model(object);
    model.ClickPictureMove();
    CProjectObject edited = object;
    edited.pictureMoveSettings =
        "0.000000|0.000000|0.000000|0.000000|25.000000|25.000000|25.000000|25.000000|";
    edited.flightPoints = "10.000000|20.000000|30.000000|40.000000|";
    edited.flightPointsColor = 0xff00;
    edited.flightPointsRadius = 4;
    model.PictureMoveEdited(edited, "3", "2.5");

    // Cancel: nothing reached the object or the project.
    EXPECT_TRUE(object.panoramaScrolling);
    EXPECT_FALSE(object.pictureMove);

    CSettingsStore project;
    model.Accept(object, project);
    EXPECT_FALSE(object.panoramaScrolling);
    EXPECT_TRUE(object.pictureMove);
    EXPECT_EQ(object.pictureMoveSettings, edited.pictureMoveSettings);
    EXPECT_EQ(object.flightPoints, edited.flightPoints);
    EXPECT_EQ(object.flightPointsColor, 0xff00u);
    EXPECT_EQ(object.flightPointsRadius, 4);
    std::string q, l;
    EXPECT_TRUE(project.GetString("PROJECT_SETTINGS", "PictureMove_Quality", q));
    EXPECT_TRUE(project.GetString("PROJECT_SETTINGS", "PictureMove_ScaleLimit", l));
    EXPECT_EQ(q, "3");
    EXPECT_EQ(l, "2.5");

    // Without the editor confirmed the project's quality is left alone.
    CSpecialPictureModel plain(object);
    CSettingsStore untouched;
    plain.Accept(object, untouched);
    EXPECT_FALSE(untouched.HasSection("PROJECT_SETTINGS"));
}

TEST(SpecialPictureModel, TheListNamesTheDirectionAndPictureMoveWins) {
    CProjectObject o;
    o.panoramaScrolling = true;
    EXPECT_EQ(SpecialPictureDescription(o), "Panorama Scrolling: Please configure it!");
    const char* names[] = {"Left to Right", "Right to Left", "Top to Bottom", "Bottom to Top"};
    for (int code = 1; code <= 4; ++code) {
        o.panoramaScrollingType = code;
        EXPECT_EQ(SpecialPictureDescription(o), std::string("Panorama Scrolling: ") + names[code - 1]);
    }
    o.pictureMove = true;
    EXPECT_EQ(SpecialPictureDescription(o), "Picture Move");
    o.pictureMove = o.panoramaScrolling = false;
    EXPECT_EQ(SpecialPictureDescription(o), "");
}

TEST(SpecialPictureModel, TheCommandOpensForTheFirstSelectedPictureButNotForVideos) {
    CTROVManager manager;
    CProjectObject picture, clip, fading;
    picture.SetFileName("a.jpg");
    clip.SetFileName("clip.AVI");
    fading.isColorFade = true;
    fading.SetFileName(kColorFadingFileName);
    manager.AppendObject(picture);
    manager.AppendObject(clip);
    manager.AppendObject(fading);
    std::string message;
    EXPECT_EQ(SpecialPictureTarget(manager, {}, message), -1);
    EXPECT_TRUE(message.empty());
    EXPECT_EQ(SpecialPictureTarget(manager, {0, 1}, message), 0);
    EXPECT_TRUE(message.empty());
    EXPECT_EQ(SpecialPictureTarget(manager, {1, 0}, message), -1);
    EXPECT_EQ(message, kVideoRefused);
    EXPECT_EQ(SpecialPictureTarget(manager, {2}, message), -1);
    EXPECT_EQ(message, kVideoRefused);
    EXPECT_EQ(SpecialPictureTarget(manager, {9}, message), -1);
}

}  // namespace
}  // namespace trov
