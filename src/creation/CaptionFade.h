// Caption fades and frame cropping: the frame-level helpers of the creation driver.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "effects/FadingEffect.h"
#include "imaging/Caption.h"
#include "imaging/CaptionOverlay.h"
#include "imaging/PictureTools.h"

namespace trov {

// Crop margins in pixels (rows count from the bottom: CropBottom is the lower margin).
struct CropMargins {
    int top = 0;
    int left = 0;
    int right = 0;
    int bottom = 0;
    bool IsZero() const { return top == 0 && left == 0 && right == 0 && bottom == 0; }
};

// The frame shrunk (aspect not kept) into the area inside the margins of a black picture of the
// frame's size, its lower-left corner at (left, bottom). Margins of 0: null (use the frame as it is).
// Margins that leave no area: an all-black frame.
std::unique_ptr<CDibPicture> CropFrame(const CPicture& frame, const CropMargins& margins,
                                       CPictureTools& tools);

// What a caption fade draws: the caption and where.
struct CaptionDrawing {
    CaptionSettings settings;
    LogFont font;
    int position = 1;
};

// Receives each finished frame; returns false to stop (cancel).
using FrameSink = std::function<bool(const CPicture& frame)>;

// Fades a caption in or out over n frames with an effect.
// "Cross Dissolve" runs directly between the picture without and the picture with caption.
// Any other effect fades only the caption: for each frame it is stepped twice at the same index,
// once towards the caption and once towards the caption's white mask, and the first result is
// blended over the bare picture under the second. A fade-out is the exact time-reverse of the
// fade-in: its frames are drawn at indices n-1 down to 0 (effects draw whole frames at any
// index in text mode), so no frames are stored.
// Returns false when the sink stopped it.
bool RunCaptionFade(CFadingEffect& effect, int n, bool fadeIn, const CPicture& bare,
                    const CPicture& captioned, const CaptionDrawing& caption, CPictureTools& tools,
                    const FrameSink& sink);
// The same with the caption already prepared for the picture's size (null: a caption that could
// not be laid out, faded as nothing). Each frame steps the effect and blends; nothing is laid out.
bool RunCaptionFade(CFadingEffect& effect, int n, bool fadeIn, const CPicture& bare,
                    const CPicture& captioned, const CCaptionOverlay* overlay, CPictureTools& tools,
                    const FrameSink& sink);

}  // namespace trov
