// Caption settings and the logical font description captions are drawn with.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/Picture.h"

namespace trov {

// A Windows logical font description (LOGFONT fields). How each field maps to the text engine:
//  height  <0: character (em) height in pixels = -height; >0: cell height (ascent + descent)
//          in pixels; 0: 30 pixels.
//  width   average character width in pixels (0 = natural width); realised as a horizontal scale.
//  weight  1..1000 (0 = normal 400); 700 bold.
//  italic, underline, strikeOut: non-zero = on.
//  faceName: family name; fontconfig substitutes (e.g. "Arial" -> Liberation Sans).
// escapement, orientation, charSet, outPrecision, clipPrecision, quality, pitchAndFamily are kept
// for the project file but do not change the drawing.
struct LogFont {
    int32_t height = 30;
    int32_t width = 14;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 200;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 34;
    std::string faceName = "Arial";

    // The font of new entries: height 30, width 14, weight 200, pitch and family 34, "Arial".
    static LogFont Default() { return LogFont{}; }
    bool operator==(const LogFont&) const = default;
};

// A logical font as the caption renderer realises it: what a font dialog must show so that the
// caption looks as chosen.
struct CaptionFace {
    std::string family;
    double emPixels = 0;  // character (em) height in pixels
    int weight = 400;     // 100..1000 (400 normal, 700 bold)
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    double horizontalScale = 1;  // glyph widths relative to the face's natural ones
};

// The face the renderer draws font with (the same height, weight and width mapping).
CaptionFace CaptionFaceOf(const LogFont& font);
// The logical font for a face chosen in a font dialog. The fields the face does not describe come
// from base; the height keeps base's convention (negative: character height; positive: the cell
// height this face has at that size) and the width keeps base's horizontal scale (0 stays natural).
LogFont LogFontForFace(const CaptionFace& face, const LogFont& base);

// Caption positions (the values stored as TextPosition).
enum CaptionPosition : int {
    kCaptionBottomLeft = 1,
    kCaptionBottomCenter = 2,
    kCaptionBottomRight = 3,
    kCaptionCenterLeft = 4,
    kCaptionCenterRight = 5,
    kCaptionTopLeft = 6,
    kCaptionTopCenter = 7,
    kCaptionTopRight = 8,
    kCaptionCenterCenter = 100,
};

// Name of a position ("BottomLeft" ...), or "" for values outside the nine.
const char* CaptionPositionName(int position);

struct CaptionSettings {
    std::string text;              // UTF-8; the two characters '\' 'n' break the line
    Colour textColour = 0xFFFFFF;  // letters
    Colour backColour = 0x000000;  // outline
    int backWidth = 0;             // outline radius in pixels (0 = none visible); clamped to 0..100
};

}  // namespace trov
