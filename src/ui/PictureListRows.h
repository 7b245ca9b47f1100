// The texts of one picture-list row: what the 15 columns show for a project object.
#pragma once

#include <array>
#include <string>

#include "project/ProjectObject.h"

namespace trov {

// The picture list's columns, in order.
enum PictureListColumn : int {
    kColPosition = 0,
    kColFileName = 1,
    kColTextFadeIn = 2,
    kColShowPicture = 3,
    kColTextFadeOut = 4,
    kColFade2NextPicture = 5,
    kColFadingEffect = 6,
    kColText = 7,
    kColFont = 8,
    kColSpecialPicture = 9,
    kColAudio = 10,
    kColStartTime = 11,
    kColFadingTime = 12,
    kColFadeOption = 13,
    kColRotation = 14,
    kPictureListColumnCount = 15,
};

using PictureListRow = std::array<std::string, kPictureListColumnCount>;

// The row of object at list position `position` (shown 0-based in column 0, the number the Update
// buttons find the object by). Captions show their line breaks as " / " so a row stays one line;
// the audio columns are empty for an object without audio file.
PictureListRow PictureListRowTexts(const CProjectObject& object, int position);

// Column 8: face name, height, and "bold", "italic", "underline", "strike-out" where set.
std::string FontDescription(const LogFont& font);
// Column 9: "Color #RRGGBB" (colour fadings), then "Picture Move" or, without it, "Panorama
// Scrolling: " + the direction ("Left to Right" ... or "Please configure it!"), joined by ", ".
std::string SpecialPictureDescription(const CProjectObject& object);
// Column 13: "Fade In", "Fade Out", "Mix", or "" for none and unknown codes.
std::string FadeOptionDescription(int fadeOption);
// A caption on one line: each "\r\n", "\n" or "\r" becomes " / ".
std::string CaptionOnOneLine(const std::string& caption);

}  // namespace trov
