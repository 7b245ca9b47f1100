// The texts of one picture-list row.
#include "ui/PictureListRows.h"

#include <cstdio>

namespace trov {

std::string CaptionOnOneLine(const std::string& caption) {
    std::string out;
    out.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        char c = caption[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < caption.size() && caption[i + 1] == '\n') ++i;
            out += " / ";
        } else {
            out += c;
        }
    }
    return out;
}

std::string FontDescription(const LogFont& font) {
    std::string text = font.faceName + ", " + std::to_string(font.height < 0 ? -font.height : font.height);
    // Weights from 600 on are drawn bold (the caption renderer's mapping).
    if (font.weight >= 600) text += ", bold";
    if (font.italic) text += ", italic";
    if (font.underline) text += ", underline";
    if (font.strikeOut) text += ", strike-out";
    return text;
}

std::string SpecialPictureDescription(const CProjectObject& object) {
    std::string text;
    auto add = [&text](const std::string& part) {
        if (!text.empty()) text += ", ";
        text += part;
    };
    if (object.IsColorFade()) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%02X%02X%02X", ColourRed(object.colorFadeColorRef),
                      ColourGreen(object.colorFadeColorRef), ColourBlue(object.colorFadeColorRef));
        add(std::string("Color ") + colour);
    }
    // Picture move wins when both are set (the renderer does the same).
    if (object.pictureMove) {
        add("Picture Move");
    } else if (object.panoramaScrolling) {
        switch (object.panoramaScrollingType) {
            case 1:
                add("Panorama Scrolling: Left to Right");
                break;
            case 2:
                add("Panorama Scrolling: Right to Left");
                break;
            case 3:
                add("Panorama Scrolling: Top to Bottom");
                break;
            case 4:
                add("Panorama Scrolling: Bottom to Top");
                break;
            default:
                add("Panorama Scrolling: Please configure it!");
        }
    }
    return text;
}

std::string FadeOptionDescription(int fadeOption) {
    switch (fadeOption) {
        case kFadeIn:
            return "Fade In";
        case kFadeOut:
            return "Fade Out";
        case kFadeMix:
            return "Mix";
        default:
            return "";
    }
}

PictureListRow PictureListRowTexts(const CProjectObject& object, int position) {
    PictureListRow row;
    row[kColPosition] = std::to_string(position);
    row[kColFileName] = object.GetFileName();
    row[kColTextFadeIn] = std::to_string(object.textFadeIn);
    row[kColShowPicture] = std::to_string(object.showPicture);
    row[kColTextFadeOut] = std::to_string(object.textFadeOut);
    row[kColFade2NextPicture] = std::to_string(object.fade2NextPicture);
    row[kColFadingEffect] = object.fading2NextPictureName;
    row[kColText] = CaptionOnOneLine(object.pictureText);
    row[kColFont] = FontDescription(object.font);
    row[kColSpecialPicture] = SpecialPictureDescription(object);
    if (!object.audioFile.empty()) {
        row[kColAudio] = object.audioFile;
        row[kColStartTime] = std::to_string(object.audioStartTime) + " ms";
        row[kColFadingTime] = std::to_string(object.audioFadingTime) + " ms";
        row[kColFadeOption] = FadeOptionDescription(object.fadeOption);
    }
    row[kColRotation] = std::to_string(object.rotation);
    return row;
}

}  // namespace trov
