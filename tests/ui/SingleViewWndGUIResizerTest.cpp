#include <gtest/gtest.h>

#include "ui/SingleViewWndGUIResizer.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using test::FakeGeometry;

// A control at (100, 50)-(300, 150) in a 1000 x 600 client area, which grows to 1200 x 700.
CUiRect Moved(int mode, CUiSize to = {1200, 700}) {
    return AnchoredRect(CAnchorRecord{mode, {100, 50, 300, 150}, {1000, 600}}, to);
}

TEST(SingleViewWndGUIResizer, AnchoringModes) {
    EXPECT_EQ(Moved(0), (CUiRect{300, 150, 500, 250}));
    EXPECT_EQ(Moved(1), (CUiRect{100, 150, 500, 250}));
    EXPECT_EQ(Moved(2), (CUiRect{100, 150, 300, 250}));
    EXPECT_EQ(Moved(4), Moved(2));
    EXPECT_EQ(Moved(3), (CUiRect{100, 50, 300, 250}));
    EXPECT_EQ(Moved(5), (CUiRect{100, 50, 500, 250}));
    EXPECT_EQ(Moved(6), (CUiRect{300, 50, 500, 150}));
    EXPECT_EQ(Moved(7), (CUiRect{300, 50, 500, 250}));
    EXPECT_EQ(Moved(8), (CUiRect{100, 50, 340, 250}));  // width 200 * 1.2
    EXPECT_EQ(Moved(9), (CUiRect{120, 50, 360, 250}));
    EXPECT_EQ(Moved(42), (CUiRect{100, 50, 300, 150}));
    // Back at the registered size every mode gives the registered rectangle.
    for (int mode = 0; mode <= 9; ++mode) EXPECT_EQ(Moved(mode, {1000, 600}), (CUiRect{100, 50, 300, 150}));
    // Shrunk below the distances: an empty rectangle, never a negative one.
    const CUiRect tiny = Moved(5, {50, 20});
    EXPECT_EQ(tiny.Width(), 0);
    EXPECT_EQ(tiny.Height(), 0);
    // A parent of zero width at registration does not divide by zero.
    EXPECT_EQ(AnchoredRect(CAnchorRecord{9, {10, 10, 20, 20}, {0, 0}}, {100, 100}).Width(), 10);
}

TEST(SingleViewWndGUIResizer, RegistersOnceAndRepositions) {
    CMessagePipelines pipelines;
    pipelines.Create("DEBUG");
    auto* debug = new test::RecordingListener;
    pipelines.AddListener("DEBUG", debug, true);

    FakeGeometry frame({0, 0, 800, 600}, {800, 560});
    FakeGeometry view({0, 0, 800, 560}, {800, 560});
    view.followClient = true;
    FakeGeometry list({10, 10, 600, 400});
    FakeGeometry button({700, 500, 780, 530});

    CSingleViewWndGUIResizer resizer;
    resizer.SetPipelines(&pipelines);
    CUiSize minTrack{100, 100};
    resizer.Check4ValideMainFrameSize(minTrack);
    EXPECT_EQ(minTrack, (CUiSize{100, 100}));
    resizer.Initialize(&frame, &view);
    frame.rect = {0, 0, 2000, 2000};
    resizer.Initialize(&frame, &view);  // only the first call counts
    EXPECT_EQ(resizer.GetMinimumSize(), (CUiSize{800, 600}));

    EXPECT_TRUE(resizer.AddWnd(&view, &list, 5));
    EXPECT_TRUE(resizer.AddWnd(&view, &button, 0));
    button.rect = {0, 0, 1, 1};
    EXPECT_FALSE(resizer.AddWnd(&view, &button, 2));  // the first registration stays
    EXPECT_FALSE(resizer.AddWnd(nullptr, &button, 2));
    EXPECT_FALSE(resizer.AddWnd(&view, nullptr, 2));
    EXPECT_EQ(resizer.GetControlCount(), 2u);

    frame.clientSize = {1000, 660};
    resizer.OnWindowPosChanged();
    EXPECT_EQ(view.rect, (CUiRect{0, 0, 1000, 660}));
    EXPECT_EQ(list.rect, (CUiRect{10, 10, 800, 500}));
    EXPECT_EQ(button.rect, (CUiRect{900, 600, 980, 630}));
    EXPECT_TRUE(list.visible);

    minTrack = {100, 700};
    resizer.Check4ValideMainFrameSize(minTrack);
    EXPECT_EQ(minTrack, (CUiSize{800, 700}));

    ASSERT_EQ(debug->texts.size(), 4u);
    EXPECT_EQ(debug->texts[0], "CSingleViewWndGUIResizer::Check4ValideMainFrameSize: Not initialized!");
    EXPECT_EQ(debug->texts[1],
              "CSingleViewWndGUIResizer::AddWnd: Doppeltes Control sollte eingefuegt werden!");
    EXPECT_EQ(debug->texts[2], "CSingleViewWndGUIResizer::AddWnd: pParent oder pWndCtrl == NULL!");
}

}  // namespace
}  // namespace trov
