// The registration table: one line per effect, in the order users and project files know them.
// A class serving several effects is constructed once per type number.
#include "effects/builtin/BuiltinEffects.h"

#include <typeinfo>

#include "effects/FadingEffectManager.h"
#include "effects/builtin/BarnDoorEffect.h"
#include "effects/builtin/BarsEffect.h"
#include "effects/builtin/BlurFadeEffect.h"
#include "effects/builtin/BoxWipeEffect.h"
#include "effects/builtin/BrightnessFadeEffect.h"
#include "effects/builtin/CornerWipeEffect.h"
#include "effects/builtin/CouvertEffect.h"
#include "effects/builtin/CrossDissolveEffect.h"
#include "effects/builtin/CrossSlideEffect.h"
#include "effects/builtin/CurvedZoomEffect.h"
#include "effects/builtin/DiagonalStretchEffect.h"
#include "effects/builtin/FlexibleMoveEffect.h"
#include "effects/builtin/FloatingDissolveEffect.h"
#include "effects/builtin/FlowWipeEffect.h"
#include "effects/builtin/JumperEffect.h"
#include "effects/builtin/LensZoomEffect.h"
#include "effects/builtin/MosaicEffect.h"
#include "effects/builtin/MoveEffect.h"
#include "effects/builtin/OpenCloseWipeEffect.h"
#include "effects/builtin/OpenExtraWipeEffect.h"
#include "effects/builtin/PageFlipEffect.h"
#include "effects/builtin/PageRollEffect.h"
#include "effects/builtin/RaindropsEffect.h"
#include "effects/builtin/RandomCircleEffect.h"
#include "effects/builtin/RandomDotsEffect.h"
#include "effects/builtin/RandomMovingDotsEffect.h"
#include "effects/builtin/RgbMoveEffect.h"
#include "effects/builtin/SandClockEffect.h"
#include "effects/builtin/ShapeWipeEffect.h"
#include "effects/builtin/SidePushEffect.h"
#include "effects/builtin/StretchCrossDissolveEffect.h"
#include "effects/builtin/StretchEffect.h"
#include "effects/builtin/StripesEffect.h"
#include "effects/builtin/TwoDirectionDissolveEffect.h"
#include "effects/builtin/TwoStageDissolveEffect.h"
#include "effects/builtin/UnderwaterEffect.h"
#include "effects/builtin/VibrationEffect.h"
#include "effects/builtin/WipeEffect.h"
#include "effects/builtin/ZoomEffect.h"

namespace trov {

void RegisterBuiltinEffects(CFadingEffectManager& manager) {
    auto add = [&manager](CFadingEffect* effect) { manager.Register(effect); };

    add(new CCrossDissolveEffect());         // 1 "Cross Dissolve"
    add(new CRandomDotsEffect());            // 2 "Random Dots"
    add(new CIrisEffect());                  // 3 "Iris (Round)"
    add(new CWipeEffect(1));                 // 4 "Left-Right-Wipe"
    add(new CWipeEffect(2));                 // 5 "Right-Left-Wipe"
    add(new CWipeEffect(3));                 // 6 "Top-Bottom-Wipe"
    add(new CWipeEffect(4));                 // 7 "Bottom-Top-Wipe"
    add(new CRandomMovingDotsEffect());      // 8 "Random Moving Dots"
    add(new COpenCloseWipeEffect(1));        // 9 "Horizontal-Open-Wipe"
    add(new COpenCloseWipeEffect(2));        // 10 "Horizontal-Close-Wipe"
    add(new COpenCloseWipeEffect(3));        // 11 "Vertical-Open-Wipe"
    add(new COpenCloseWipeEffect(4));        // 12 "Vertical-Close-Wipe"
    add(new CBrightnessFadeEffect(1));       // 13 "Color Cross Fade - Black to White"
    add(new COpenExtraWipeEffect(1));        // 14 "Horizontal-Open-Extra-Wipe"
    add(new COpenExtraWipeEffect(2));        // 15 "Vertical-Open-Extra-Wipe"
    add(new CTwoStageDissolveEffect(1));     // 16 "Additional Dissolve"
    add(new CTwoStageDissolveEffect(2));     // 17 "Substractional Dissolve"
    add(new CTwoDirectionDissolveEffect());  // 18 "Cross Dissolve (Two Direction)"
    add(new CLeftRightStripesEffect());      // 19 "Left-Right-Stripes"
    add(new CFanEffect());                   // 20 "Center-Fan (Left and Right)"
    add(new CBrightnessFadeEffect(2));       // 21 "Near Far Color Cross Fade"
    add(new CMosaicEffect());                // 22 "Blur´N Sharp"
    add(new CZoomEffect(1));                 // 23 "Zoom-In"
    add(new CZoomEffect(2));                 // 24 "Zoom-Out"
    for (int type = 1; type <= 4; ++type) add(new CBarnDoorEffect(type));         // 25-28
    for (int type = 1; type <= 2; ++type) add(new CCrossSlideEffect(type));       // 29-30
    for (int type = 1; type <= 4; ++type) add(new CStretchEffect(type));          // 31-34
    for (int type = 1; type <= 8; ++type) add(new CDiagonalStretchEffect(type));  // 35-42
    for (int type = 1; type <= 4; ++type) add(new CCornerWipeEffect(type));       // 43-46
    for (int type = 1; type <= 4; ++type) add(new CMoveEffect(type));             // 47-50
    for (int type = 1; type <= 4; ++type) add(new CSidePushEffect(type));         // 51-54
    for (int type = 1; type <= 2; ++type) add(new CBoxWipeEffect(type));          // 55-56
    for (int type = 2; type <= 8; ++type) add(new CStripesEffect(type));          // 57-63
    add(new CFlowWipeEffect());                                                   // 64 "Flow-Wipe-Effect"
    for (int type = 1; type <= 4; ++type) add(new CBarsEffect(type));             // 65-68
    for (int type = 1; type <= 2; ++type) add(new CLensZoomEffect(type));         // 69-70
    add(new CBlurFadeEffect(1));                                                  // 71 "Vertical-Blur-Fade"
    add(new CBlurFadeEffect(2));                                                  // 72 "Horizontal-Blur-Fade"
    add(new CBlurFadeEffect(3));    // 73 "TopLeft-BottomRight-Blur-Fade"
    add(new CBlurFadeEffect(4));    // 74 "TopRight-BottomLeft-Blur-Fade"
    add(new CBlurFadeEffect(5));    // 75 "Blur-Fade"
    add(new CUnderwaterEffect(1));  // 76 "Underwater Fade Out"
    add(new CUnderwaterEffect(2));  // 77 "Underwater Fade In"
    add(new CUnderwaterEffect(3));  // 78 "Underwater Cross Dissolve"
    for (int type = 1; type <= 8; ++type) add(new CSandClockEffect(type));             // 79-86
    for (int type = 1; type <= 4; ++type) add(new CStretchCrossDissolveEffect(type));  // 87-90
    for (int type = 1; type <= 2; ++type) add(new CFloatingDissolveEffect(type));      // 91-92
    for (int type = 1; type <= 4; ++type) add(new CCouvertEffect(type));               // 93-96
    for (int type = 1; type <= 2; ++type) add(new CSplittedCircleEffect(type));        // 97-98
    for (int type = 1; type <= 4; ++type) add(new CFlexibleMoveEffect(type));          // 99-102
    for (int type = 1; type <= 2; ++type) add(new CJumperEffect(type));                // 103-104
    add(new CRandomCircleEffect());  // 105 "Random Circle Cross Dissolve"
    for (int type = 1; type <= 8; ++type) add(new CCurvedZoomEffect(type));  // 106-113
    add(new CRaindropsEffect(1));  // 114 "Raindrops (with One-Third-Crossfade)"
    add(new CRaindropsEffect(2));  // 115 "Raindrops (with Full-Crossfade)"
    add(new CRaindropsEffect(3));  // 116 "Raindrops (Big) (with One-Third-Crossfade)"
    add(new CRaindropsEffect(4));  // 117 "Raindrops (Big) (with Full-Crossfade)"
    add(new CVibrationEffect());   // 118 "Vibration"
    add(new CPageRollEffect(1));   // 119 "Page-Roll (Left - Right)"
    add(new CPageRollEffect(2));   // 120 "Page-Roll (Right - Left)"
    add(new CPageRollEffect(3));   // 121 "Page-Roll (Bottom - Top)"
    add(new CPageRollEffect(4));   // 122 "Page-Roll (Top - Bottom)"
    add(new CPageFlipEffect(1));   // 123 "Page-Flip (Left - Right)"
    add(new CPageFlipEffect(2));   // 124 "Page-Flip (Right - Left)"
    add(new CPageFlipEffect(3));   // 125 "Page-Flip (Bottom - Top)"
    add(new CPageFlipEffect(4));   // 126 "Page-Flip (Top - Bottom)"
    add(new CRgbMoveEffect());     // 127 "RGB Move"
}

namespace {

// The effects whose frame k depends on k, A and B only, each read for state kept between frames
// and checked, frame for frame and out of order, against its stepped frames by
// StandAloneFramesTest. Families that draw whole frames (from A, B and tables built in Prepare)
// need nothing more. Those that draw only what changed over the frame before are drawn by the
// twin in text mode, where the base puts A into the output first and the family draws everything
// up to frame k.
struct StandAloneEntry {
    const char* name;
    bool textMode;
    CFadingEffect* (*make)();
};
template <typename Effect, int type>
CFadingEffect* Make() {
    return new Effect(type);
}
const StandAloneEntry kStandAlone[] = {
    // In text mode the mix is computed from the frame number; stepped, the speeds 1.0 add up to it.
    {"Cross Dissolve", true, [] { return static_cast<CFadingEffect*>(new CCrossDissolveEffect()); }},
    // Stepped, each frame adds the ring (or box) of its number; in text mode all rings up to it.
    {"Iris (Round)", true, [] { return static_cast<CFadingEffect*>(new CIrisEffect()); }},
    {"Box-Wipe", true, Make<CBoxWipeEffect, 1>},
    {"Zoom-In", true, Make<CZoomEffect, 1>},
    // Whole frames from A, B and the frame number.
    {"Lens-Zoom-In", false, Make<CLensZoomEffect, 1>},
    {"Vertical-Blur-Fade", false, Make<CBlurFadeEffect, 1>},
    {"Horizontal-Blur-Fade", false, Make<CBlurFadeEffect, 2>},
    {"TopLeft-BottomRight-Blur-Fade", false, Make<CBlurFadeEffect, 3>},
    {"TopRight-BottomLeft-Blur-Fade", false, Make<CBlurFadeEffect, 4>},
    {"Blur-Fade", false, Make<CBlurFadeEffect, 5>},
    {"Stretch-Cross-Dissolve (Left-Right)", false, Make<CStretchCrossDissolveEffect, 1>},
    {"Stretch-Cross-Dissolve (Right-Left)", false, Make<CStretchCrossDissolveEffect, 2>},
    {"Stretch-Cross-Dissolve (Top-Bottom)", false, Make<CStretchCrossDissolveEffect, 3>},
    {"Stretch-Cross-Dissolve (Bottom-Top)", false, Make<CStretchCrossDissolveEffect, 4>},
    {"Curved Zoom-Out (Top-Right)", false, Make<CCurvedZoomEffect, 1>},
    {"Curved Zoom-In (Top-Right)", false, Make<CCurvedZoomEffect, 2>},
    {"Curved Zoom-Out (Top-Left)", false, Make<CCurvedZoomEffect, 3>},
    {"Curved Zoom-In (Top-Left)", false, Make<CCurvedZoomEffect, 4>},
    {"Curved Zoom-Out (Bottom-Right)", false, Make<CCurvedZoomEffect, 5>},
    {"Curved Zoom-In (Bottom-Right)", false, Make<CCurvedZoomEffect, 6>},
    {"Curved Zoom-Out (Bottom-Left)", false, Make<CCurvedZoomEffect, 7>},
    {"Curved Zoom-In (Bottom-Left)", false, Make<CCurvedZoomEffect, 8>},
    {"Page-Roll (Left - Right)", false, Make<CPageRollEffect, 1>},
    {"Page-Roll (Right - Left)", false, Make<CPageRollEffect, 2>},
    {"Page-Roll (Bottom - Top)", false, Make<CPageRollEffect, 3>},
    {"Page-Roll (Top - Bottom)", false, Make<CPageRollEffect, 4>},
};

}  // namespace

std::unique_ptr<CFadingEffect> MakeStandAloneTwin(const CFadingEffect& effect) {
    if (effect.IsTextMode()) return nullptr;
    // A dissolve stepped at another speed accumulates a sum its frame number does not give.
    if (const auto* dissolve = dynamic_cast<const CCrossDissolveEffect*>(&effect);
        dissolve && dissolve->GetSpeed() != 1.0)
        return nullptr;
    for (const StandAloneEntry& entry : kStandAlone) {
        if (effect.GetName() != entry.name) continue;
        std::unique_ptr<CFadingEffect> twin(entry.make());
        // The same name on another class (a plug-in, a test effect) is not the audited effect.
        if (typeid(*twin) != typeid(effect)) return nullptr;
        twin->SetPipelines(effect.GetPipelines());
        twin->SetTextMode(entry.textMode);
        return twin;
    }
    return nullptr;
}

bool DrawsAtRandomOnlyInInit(const CFadingEffect& effect) {
    return !effect.IsTextMode() && typeid(effect) == typeid(CUnderwaterEffect);
}

std::unique_ptr<CFadingEffect> MakeDrawnTwin(const CFadingEffect& initialised) {
    if (!DrawsAtRandomOnlyInInit(initialised)) return nullptr;
    std::unique_ptr<CFadingEffect> twin =
        static_cast<const CUnderwaterEffect&>(initialised).TwinWithSameWaves();
    if (twin) twin->SetPipelines(initialised.GetPipelines());
    return twin;
}

}  // namespace trov
