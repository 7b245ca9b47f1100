// Caption drawing (being written): the layout engine arrives in the next change.
#include "imaging/PictureTools.h"

namespace trov {

const char* CaptionPositionName(int position) {
    switch (position) {
        case kCaptionBottomLeft: return "BottomLeft";
        case kCaptionBottomCenter: return "BottomCenter";
        case kCaptionBottomRight: return "BottomRight";
        case kCaptionCenterLeft: return "CenterLeft";
        case kCaptionCenterRight: return "CenterRight";
        case kCaptionTopLeft: return "TopLeft";
        case kCaptionTopCenter: return "TopCenter";
        case kCaptionTopRight: return "TopRight";
        case kCaptionCenterCenter: return "CenterCenter";
        default: return "";
    }
}

bool CPictureTools::DrawCaption(CPicture* picture, const CaptionSettings* settings, const LogFont* font, int position) {
    (void)picture; (void)settings; (void)font; (void)position;
    return false;
}

}  // namespace trov
