// The picture-move editor without a window: zoom arithmetic, the boxes and their refusals, the
// positions and "BothSet", the frame preview against the renderer, flight points with their list
// rows and files, the mouse, and OK.
#include <gtest/gtest.h>

#include "creation/PictureMove.h"
#include "imaging/DibPicture.h"
#include "support/TestSupport.h"
#include "ui/PictureMoveEditorModel.h"
#include "ui/SettingsWndCommunicator.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using namespace pmove;

CProjectObject Entry(int frames = 50) {
    CProjectObject o;
    o.showPicture = frames;
    return o;
}

TEST(PictureMoveZoom, InOnA400PixelViewGives380AndMovesTheOrigin10) {
    SViewArea v = ZoomedIn({0, 0, 400, 300});
    EXPECT_EQ(v, (SViewArea{10, 7, 380, 285}));
    // A shrinkage of 2 pixels or less leaves the origin.
    EXPECT_EQ(ZoomedIn({5, 5, 40, 40}), (SViewArea{5, 5, 38, 38}));
    // Out: divided by 0.95, origin back by half the growth.
    SViewArea out = ZoomedOut({10, 7, 380, 285}, 400, 300);
    EXPECT_EQ(out.width, static_cast<int>(380 * 1.0526315789473684));
    EXPECT_EQ(out.x, 10 - (out.width - 380) / 2);
    EXPECT_EQ(out.y, 7 - (out.height - 285) / 2);
    // Bounded both ways: never empty, never endless.
    SViewArea tiny{0, 0, 8, 8};
    for (int i = 0; i < 10; ++i) tiny = ZoomedIn(tiny);
    EXPECT_EQ(tiny.width, 8);
    SViewArea huge{0, 0, 400, 300};
    for (int i = 0; i < 200; ++i) huge = ZoomedOut(huge, 400, 300);
    EXPECT_EQ(huge.width, 1600);
}

TEST(PictureMoveZoom, TheMappingTurnsWindowClicksIntoPicturePixels) {
    // A 200 x 100 view at origin (50, 20) in a 400 x 400 window: scale 2, centred vertically.
    SViewMapping m = MapView({50, 20, 200, 100}, 400, 400);
    EXPECT_DOUBLE_EQ(m.scale, 2.0);
    EXPECT_DOUBLE_EQ(m.offsetY, 100.0);
    EXPECT_EQ(m.ToPicture(0, 100), std::make_pair(50, 20));
    EXPECT_EQ(m.ToPicture(399, 299), std::make_pair(249, 119));
    auto [wx, wy] = m.ToWindow(150, 70);
    EXPECT_DOUBLE_EQ(wx, 200.0);
    EXPECT_DOUBLE_EQ(wy, 200.0);
}

TEST(PictureMoveEditor, UpdateValuesRefusesTextThatIsNoNumberAndKeepsTheRectangle) {
    CSettingsStore project;
    CPictureMoveEditorModel model(Entry(), 640, 480, project);
    // Starts with the whole picture, its right and bottom edge included.
    EXPECT_EQ(model.Current().width, 639);
    test::FakeWindow x, y, w, h;
    CSettingsWndCommunicator binder;
    binder.SetSettings(&model.Store());
    binder.AddBinding(&x, kCurrent, kPosX, kBindText);
    binder.AddBinding(&y, kCurrent, kPosY, kBindText);
    binder.AddBinding(&w, kCurrent, kWidth, kBindText);
    binder.AddBinding(&h, kCurrent, kHeight, kBindText);
    binder.UpdateAllControls();
    EXPECT_EQ(w.text, "639");

    x.text = "100";
    y.text = " 50 ";
    w.text = "200";
    h.text = "150";
    binder.UpdateAllSettings();
    std::string message;
    ASSERT_TRUE(model.UpdateValues(message));
    EXPECT_EQ(model.Current().x, 100);
    EXPECT_EQ(model.Current().y, 50);
    EXPECT_EQ(model.Current().height, 150);

    w.text = "12a";
    binder.UpdateAllSettings();
    EXPECT_FALSE(model.UpdateValues(message));
    EXPECT_NE(message.find("\"12a\" is not a whole number"), std::string::npos);
    binder.UpdateAllControls();
    EXPECT_EQ(w.text, "200");
    EXPECT_EQ(model.Current().width, 200);

    // Values beyond the picture are held inside it.
    x.text = "600";
    w.text = "500";
    binder.UpdateAllSettings();
    ASSERT_TRUE(model.UpdateValues(message));
    EXPECT_EQ(model.Current().x, 600);
    EXPECT_EQ(model.Current().width, 39);
}

TEST(PictureMoveEditor, BothSetFollowsThePositionsAndEnablesTheFrameControls) {
    CSettingsStore project;
    CPictureMoveEditorModel model(Entry(), 640, 480, project);
    test::FakeWindow slider, first;
    CSettingsWndCommunicator binder;
    binder.SetSettings(&model.Store());
    binder.AddBinding(&slider, kPositions, kBothSet, "0", kBindEnableIfDifferent);
    binder.AddBinding(&first, kPositions, kBothSet, "0", kBindEnableIfDifferent);
    binder.UpdateAllControls();
    EXPECT_FALSE(slider.enabled);
    model.SetAsPosition(1);
    binder.UpdateAllControls();
    EXPECT_FALSE(first.enabled);
    EXPECT_EQ(model.PositionText(2), "-");
    model.SetCurrent({160, 120, 320, 240});
    model.SetAsPosition(2);
    binder.UpdateAllControls();
    EXPECT_TRUE(slider.enabled);
    EXPECT_TRUE(first.enabled);
    EXPECT_EQ(model.PositionText(2), "160, 120, 320 x 240");
}

TEST(PictureMoveEditor, EachFrameShowsTheRectangleTheRendererCrops) {
    CSettingsStore project;
    const int n = 40;
    CPictureMoveEditorModel model(Entry(n), 640, 480, project);
    model.SetAsPosition(1);
    model.SetCurrent({160, 120, 319, 239});
    model.SetAsPosition(2);
    CSettingsStore margins;
    ASSERT_TRUE(ParsePictureMoveSettings(
        BuildPictureMoveSettings(model.Position(1), model.Position(2), 640, 480), margins));
    for (int j : {0, 1, n / 2, n - 1}) {
        MoveRect r = PictureMoveFrameRect(margins, j, n, 640, 480);
        PixelRect p = model.FrameRect(j);
        EXPECT_EQ(p.x, r.left) << j;
        EXPECT_EQ(p.x + p.width + 1, r.right) << j;
        EXPECT_EQ(480 - p.y, r.top) << j;
        EXPECT_EQ(480 - p.y - p.height - 1, r.bottom) << j;
    }
    // The buttons step through the frames and stop at both ends.
    model.LastFrame();
    EXPECT_EQ(model.Frame(), n - 1);
    model.NextFrame();
    EXPECT_EQ(model.Frame(), n - 1);
    model.FirstFrame();
    model.PreviousFrame();
    EXPECT_EQ(model.Frame(), 0);
    EXPECT_EQ(model.Current().width, model.FrameRect(0).width);
    model.GoToFrame(n / 2);
    EXPECT_EQ(model.Current().x, model.FrameRect(n / 2).x);
    // Half-way the sine glide is at one half: 80 pixels of the 160.
    EXPECT_EQ(model.Current().x, 80);
}

TEST(PictureMoveEditor, PositionsAndPointsSurviveTheRoundTripThroughTheEntry) {
    CSettingsStore project;
    project.SetString("PROJECT_SETTINGS", "PictureMove_Quality", "3");
    CPictureMoveEditorModel model(Entry(), 641, 479, project);
    model.SetCurrent({37, 11, 500, 300});
    model.SetAsPosition(1);
    model.SetCurrent({101, 55, 203, 177});
    model.SetAsPosition(2);
    ASSERT_TRUE(model.AddPoint(10, 20));
    ASSERT_TRUE(model.AddPoint(630, 470));
    EXPECT_FALSE(model.AddPoint(641, 5));  // outside the picture
    std::string message;
    model.SetPointColour(0x00ff00);
    ASSERT_TRUE(model.SetRadiusText("6", message));
    CProjectObject edited = Entry();
    ASSERT_TRUE(model.Accept(edited, message)) << message;
    EXPECT_EQ(edited.flightPointsRadius, 6);
    EXPECT_EQ(edited.flightPointsColor, 0x00ff00u);

    CPictureMoveEditorModel again(edited, 641, 479, project);
    EXPECT_EQ(again.PositionText(1), "37, 11, 500 x 300");
    EXPECT_EQ(again.PositionText(2), "101, 55, 203 x 177");
    ASSERT_EQ(again.Points().size(), 2u);
    EXPECT_EQ(again.Points()[0], std::make_pair(10, 20));
    EXPECT_EQ(again.Points()[1], std::make_pair(630, 470));
    EXPECT_EQ(again.QualityText(), "3");
    // The renderer draws those points where the editor showed them (rows from the bottom).
    CFlightPath path;
    path.Setup(edited.flightPoints, 255, 1);
    auto pts = path.PixelPoints(641, 479);
    EXPECT_EQ(pts[0].x, 10);
    EXPECT_EQ(pts[0].y, 478 - 20);
}

TEST(PictureMoveEditor, RadiusAndQualityRefuseBadTextAndKeepTheirValues) {
    CSettingsStore project;
    CPictureMoveEditorModel model(Entry(), 100, 100, project);
    std::string message;
    EXPECT_FALSE(model.SetRadiusText("ten", message));
    EXPECT_FALSE(message.empty());
    EXPECT_FALSE(model.SetRadiusText("0", message));
    EXPECT_FALSE(model.SetRadiusText("100000", message));
    EXPECT_EQ(model.Radius(), 10);

    model.Store().SetString(kProject, kQuality, "2,5x");
    CProjectObject edited = Entry();
    EXPECT_FALSE(model.Accept(edited, message));
    EXPECT_NE(message.find("\"2,5x\" is not a number"), std::string::npos);
    std::string kept;
    model.Store().GetString(kProject, kQuality, kept);
    EXPECT_EQ(kept, "2");
    model.Store().SetString(kProject, kScaleLimit, "0.5");
    EXPECT_FALSE(model.Accept(edited, message));
    model.Store().SetString(kProject, kQuality, "2,5");
    model.Store().SetString(kProject, kScaleLimit, "4");
    EXPECT_TRUE(model.Accept(edited, message));
    EXPECT_EQ(model.QualityText(), "2,5");
    EXPECT_EQ(model.ScaleLimitText(), "4");
}

TEST(PictureMoveEditor, ImportKeepsTheGoodLinesAndExportWritesThemBack) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "points.txt", "10,20\r\njunk\r\n30,40\r\nx,y\r\n");
    CSettingsStore project;
    CPictureMoveEditorModel model(Entry(), 640, 480, project);
    model.AddPoint(1, 1);
    std::string status;
    ASSERT_TRUE(model.ImportPoints(dir / "points.txt", status));
    EXPECT_EQ(status, "Point-Text-File sucessfully loaded: " + dir / "points.txt");
    ASSERT_EQ(model.Points().size(), 2u);
    EXPECT_EQ(model.Points()[0], std::make_pair(10, 20));
    EXPECT_EQ(model.Points()[1], std::make_pair(30, 40));
    EXPECT_EQ(model.CurrentPoint(), 1);

    // The list shows them through its rows' sections.
    test::FakeList list;
    model.InitializePointList(list);
    ASSERT_EQ(list.GetColumnCount(), 2);
    EXPECT_EQ(list.GetColumnTitle(0), "X");
    EXPECT_EQ(list.GetColumnWidth(1), 150);
    model.FillPointList(list);
    ASSERT_EQ(list.GetRowCount(), 2);
    EXPECT_EQ(list.GetCellText(1, 0), "30");
    EXPECT_EQ(list.GetCellText(1, 1), "40");
    std::string y0;
    EXPECT_TRUE(model.Store().GetString("FlightPoints_COLUMN1", "Entry0", y0));
    EXPECT_EQ(y0, "20");

    ASSERT_TRUE(model.ExportPoints(dir / "out.txt", status));
    EXPECT_EQ(status, "Point-Text-File sucessfully saved: " + dir / "out.txt");
    EXPECT_EQ(test::ReadFileBytes(dir.Path() / "out.txt"), "10,20\r\n30,40\r\n");

    EXPECT_FALSE(model.ImportPoints(dir / "missing.txt", status));
    EXPECT_EQ(status, "Point-Text-File could not be loaded: " + dir / "missing.txt");
    EXPECT_EQ(model.Points().size(), 2u);
    EXPECT_FALSE(model.ExportPoints((dir.Path() / "no" / "such" / "out.txt").string(), status));
    EXPECT_EQ(status.rfind("Point-Text-File could not be saved: ", 0), 0u);

    // Deleting the current point moves the mark to its neighbour; the list follows.
    EXPECT_TRUE(model.DeletePoint(1));
    EXPECT_EQ(model.CurrentPoint(), 0);
    EXPECT_FALSE(model.DeletePoint(5));
    model.FillPointList(list);
    EXPECT_EQ(list.GetRowCount(), 1);
}

TEST(PictureMoveEditor, SavePictureWritesABmpAndSaysSo) {
    test::TempDir dir;
    CDibPicture picture;
    ASSERT_TRUE(picture.Create(32, 16));
    std::string status;
    ASSERT_TRUE(CPictureMoveEditorModel::SavePicture(picture, dir / "shown.bmp", status));
    EXPECT_EQ(status, "Picture sucessfully saved: " + dir / "shown.bmp");
    EXPECT_EQ(test::ReadFileBytes(dir.Path() / "shown.bmp").substr(0, 2), "BM");
    EXPECT_FALSE(CPictureMoveEditorModel::SavePicture(picture, dir / "missing/shown.bmp", status));
    EXPECT_EQ(status.rfind("Picture could not be saved: ", 0), 0u);
}

TEST(PictureMoveEditor, TheMouseDrawsANewRectangleAndMovesTheCurrentOne) {
    CSettingsStore project;
    CPictureMoveEditorModel model(Entry(), 640, 480, project);
    // Over the whole picture every press draws.
    model.MousePress(300, 200);
    model.MouseMove(100, 50);
    EXPECT_TRUE(model.Dragging());
    model.MouseRelease(100, 50);
    EXPECT_EQ(model.Current().x, 100);
    EXPECT_EQ(model.Current().y, 50);
    EXPECT_EQ(model.Current().width, 200);
    EXPECT_EQ(model.Current().height, 150);
    std::string x;
    model.Store().GetString(kCurrent, kPosX, x);
    EXPECT_EQ(x, "100");
    // A press inside picks it up; it moves with the mouse and stays inside the picture.
    model.MousePress(150, 100);
    model.MouseMove(170, 90);
    EXPECT_EQ(model.Current().x, 120);
    EXPECT_EQ(model.Current().y, 40);
    model.MouseRelease(5000, 5000);
    EXPECT_EQ(model.Current().x, 639 - 200);
    EXPECT_EQ(model.Current().y, 479 - 150);
    EXPECT_EQ(model.Current().width, 200);
    // A stray click outside keeps the rectangle.
    model.MousePress(10, 10);
    model.MouseRelease(11, 10);
    EXPECT_EQ(model.Current().width, 200);
    EXPECT_FALSE(model.Dragging());
}

}  // namespace
}  // namespace trov
