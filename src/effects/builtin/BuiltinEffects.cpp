// The registration table: one line per effect, in the order users and project files know them.
// A class serving several effects is constructed once per type number.
#include "effects/builtin/BuiltinEffects.h"

#include "effects/FadingEffectManager.h"
#include "effects/builtin/CrossDissolveEffect.h"

namespace trov {

void RegisterBuiltinEffects(CFadingEffectManager& manager) {
    auto add = [&manager](CFadingEffect* effect) { manager.Register(effect); };

    add(new CCrossDissolveEffect());  // 1 "Cross Dissolve"
    // multi-pass: "Random Dots" goes here (2)
    // pending: add(new CIrisEffect());  // 3 "Iris (Round)"
    // pending: add(new CWipeEffect(1));  // 4 "Left-Right-Wipe"
    // pending: add(new CWipeEffect(2));  // 5 "Right-Left-Wipe"
    // pending: add(new CWipeEffect(3));  // 6 "Top-Bottom-Wipe"
    // pending: add(new CWipeEffect(4));  // 7 "Bottom-Top-Wipe"
    // multi-pass: "Random Moving Dots" goes here (8)
    // pending: add(new COpenCloseWipeEffect(1));  // 9 "Horizontal-Open-Wipe"
    // pending: add(new COpenCloseWipeEffect(2));  // 10 "Horizontal-Close-Wipe"
    // pending: add(new COpenCloseWipeEffect(3));  // 11 "Vertical-Open-Wipe"
    // pending: add(new COpenCloseWipeEffect(4));  // 12 "Vertical-Close-Wipe"
    // pending: add(new CBrightnessFadeEffect(1));  // 13 "Color Cross Fade - Black to White"
    // pending: add(new COpenExtraWipeEffect(1));  // 14 "Horizontal-Open-Extra-Wipe"
    // pending: add(new COpenExtraWipeEffect(2));  // 15 "Vertical-Open-Extra-Wipe"
    // pending: add(new CTwoStageDissolveEffect(1));  // 16 "Additional Dissolve"
    // pending: add(new CTwoStageDissolveEffect(2));  // 17 "Substractional Dissolve"
    // pending: add(new CTwoDirectionDissolveEffect());  // 18 "Cross Dissolve (Two Direction)"
    // pending: add(new CLeftRightStripesEffect());  // 19 "Left-Right-Stripes"
    // pending: add(new CFanEffect());  // 20 "Center-Fan (Left and Right)"
    // pending: add(new CBrightnessFadeEffect(2));  // 21 "Near Far Color Cross Fade"
    // pending: add(new CMosaicEffect());  // 22 "Blur´N Sharp"
    // pending: add(new CZoomEffect(1));  // 23 "Zoom-In"
    // pending: add(new CZoomEffect(2));  // 24 "Zoom-Out"
    // pending: for (int type = 1; type <= 4; ++type) add(new CBarnDoorEffect(type));  // 25-28
    // pending: for (int type = 1; type <= 2; ++type) add(new CCrossSlideEffect(type));  // 29-30
    // pending: for (int type = 1; type <= 4; ++type) add(new CStretchEffect(type));  // 31-34
    // pending: for (int type = 1; type <= 8; ++type) add(new CDiagonalStretchEffect(type));  // 35-42
    // pending: for (int type = 1; type <= 4; ++type) add(new CDiagonalWipeEffect(type));  // 43-46
    // pending: for (int type = 1; type <= 4; ++type) add(new CMoveEffect(type));  // 47-50
    // pending: for (int type = 1; type <= 4; ++type) add(new CSidePushEffect(type));  // 51-54
    // pending: for (int type = 1; type <= 2; ++type) add(new CBoxWipeEffect(type));  // 55-56
    // pending: for (int type = 2; type <= 8; ++type) add(new CStripesEffect(type));  // 57-63
    // pending: add(new CFlowWipeEffect());  // 64 "Flow-Wipe-Effect"
    // pending: for (int type = 1; type <= 4; ++type) add(new CBarsEffect(type));  // 65-68
    // pending: for (int type = 1; type <= 2; ++type) add(new CLensZoomEffect(type));  // 69-70
    // multi-pass: "Vertical-Blur-Fade" (type 1) goes here (71)
    // multi-pass: "Horizontal-Blur-Fade" (type 2) goes here (72)
    // multi-pass: "TopLeft-BottomRight-Blur-Fade" (type 3) goes here (73)
    // multi-pass: "TopRight-BottomLeft-Blur-Fade" (type 4) goes here (74)
    // multi-pass: "Blur-Fade" (type 5) goes here (75)
    // multi-pass: "Underwater Fade Out" (type 1) goes here (76)
    // multi-pass: "Underwater Fade In" (type 2) goes here (77)
    // multi-pass: "Underwater Cross Dissolve" (type 3) goes here (78)
    // pending: for (int type = 1; type <= 8; ++type) add(new CSandClockEffect(type));  // 79-86
    // pending: for (int type = 1; type <= 4; ++type) add(new CStretchCrossDissolveEffect(type));  // 87-90
    // pending: for (int type = 1; type <= 2; ++type) add(new CFloatingDissolveEffect(type));  // 91-92
    // pending: for (int type = 1; type <= 4; ++type) add(new CCouvertEffect(type));  // 93-96
    // pending: for (int type = 1; type <= 2; ++type) add(new CSplittedCircleEffect(type));  // 97-98
    // pending: for (int type = 1; type <= 4; ++type) add(new CFlexibleMoveEffect(type));  // 99-102
    // pending: for (int type = 1; type <= 2; ++type) add(new CJumperEffect(type));  // 103-104
    // multi-pass: "Random Circle Cross Dissolve" goes here (105)
    // pending: for (int type = 1; type <= 8; ++type) add(new CCurvedZoomEffect(type));  // 106-113
    // multi-pass: "Raindrops (with One-Third-Crossfade)" (type 1) goes here (114)
    // multi-pass: "Raindrops (with Full-Crossfade)" (type 2) goes here (115)
    // multi-pass: "Raindrops (Big) (with One-Third-Crossfade)" (type 3) goes here (116)
    // multi-pass: "Raindrops (Big) (with Full-Crossfade)" (type 4) goes here (117)
    // pending: add(new CVibrationEffect());  // 118 "Vibration"
    // multi-pass: "Page-Roll (Left - Right)" (type 1) goes here (119)
    // multi-pass: "Page-Roll (Right - Left)" (type 2) goes here (120)
    // multi-pass: "Page-Roll (Bottom - Top)" (type 3) goes here (121)
    // multi-pass: "Page-Roll (Top - Bottom)" (type 4) goes here (122)
    // multi-pass: "Page-Flip (Left - Right)" (type 1) goes here (123)
    // multi-pass: "Page-Flip (Right - Left)" (type 2) goes here (124)
    // multi-pass: "Page-Flip (Bottom - Top)" (type 3) goes here (125)
    // multi-pass: "Page-Flip (Top - Bottom)" (type 4) goes here (126)
    // pending: add(new CRgbMoveEffect());  // 127 "RGB Move"
}

}  // namespace trov
