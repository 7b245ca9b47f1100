// The font dialog's view of a caption font: the face the renderer draws, and back to the logical
// font without changing what is drawn.
#include <gtest/gtest.h>

#include "imaging/Caption.h"
#include "imaging/PictureTools.h"

namespace trov {
namespace {

CaptionPlacement Measure(const LogFont& font) {
    CaptionSettings caption;
    caption.text = "Harbour at dusk";
    CaptionPlacement p;
    EXPECT_TRUE(CPictureTools::MeasureCaption(640, 480, caption, font, kCaptionBottomLeft, p));
    return p;
}

TEST(CaptionFace, TheUnchangedFaceGivesBackAFontThatDrawsTheSame) {
    for (LogFont font : {LogFont::Default(), LogFont{-24, 0}, LogFont{40, 30}}) {
        CaptionFace face = CaptionFaceOf(font);
        EXPECT_GT(face.emPixels, 0);
        LogFont back = LogFontForFace(face, font);
        EXPECT_EQ(back.height, font.height);
        EXPECT_NEAR(back.width, font.width, 1);
        CaptionPlacement a = Measure(font), b = Measure(back);
        EXPECT_NEAR(a.width, b.width, 1) << font.height << " " << font.width;
        EXPECT_EQ(a.height, b.height);
    }
}

TEST(CaptionFace, HeightConventionsWeightAndWidthFollowTheRenderer) {
    LogFont cell = LogFont::Default();  // positive: the cell height
    CaptionFace face = CaptionFaceOf(cell);
    EXPECT_LT(face.emPixels, 30.0) << "the em is smaller than the cell";
    EXPECT_EQ(face.weight, 200);
    EXPECT_EQ(face.family, "Arial");
    EXPECT_NE(face.horizontalScale, 1.0) << "width 14 is not the natural width";

    LogFont em = cell;
    em.height = -30;
    EXPECT_DOUBLE_EQ(CaptionFaceOf(em).emPixels, 30.0);
    em.weight = 0;
    em.width = 0;
    EXPECT_EQ(CaptionFaceOf(em).weight, 400);
    EXPECT_DOUBLE_EQ(CaptionFaceOf(em).horizontalScale, 1.0);

    // Twice the size in the dialog: twice the cell, the width scale kept, bold and italic taken.
    face.emPixels *= 2;
    face.weight = 700;
    face.italic = true;
    face.family = "Times New Roman";
    LogFont big = LogFontForFace(face, cell);
    EXPECT_NEAR(big.height, 60, 1);
    EXPECT_EQ(big.weight, 700);
    EXPECT_EQ(big.italic, 1);
    EXPECT_EQ(big.faceName, "Times New Roman");
    EXPECT_EQ(big.pitchAndFamily, cell.pitchAndFamily) << "what the face does not describe stays";
    EXPECT_NEAR(CaptionFaceOf(big).horizontalScale, face.horizontalScale, 0.05);
    EXPECT_NEAR(Measure(big).height, 2 * Measure(cell).height, 3) << "the caption is twice as tall";
    em.height = -30;
    EXPECT_EQ(LogFontForFace(CaptionFaceOf(em), em).height, -30) << "a character height stays one";
}

}  // namespace
}  // namespace trov
