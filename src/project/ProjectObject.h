// One entry of the picture list: a picture, an AVI clip or a colour fading, with its timeline,
// caption, font, effect names, motion options, rotation and audio fields.
#pragma once

#include <string>
#include <vector>

#include "imaging/Caption.h"
#include "imaging/Picture.h"

namespace trov {

class CMessagePipelines;
class CSettingsStore;

// Keys of an object's section in a project file.
namespace objkey {
inline constexpr const char* kFileName = "FileName";
inline constexpr const char* kTextFadeIn = "Text-FadeIn";
inline constexpr const char* kShowPicture = "ShowPicture";
inline constexpr const char* kTextFadeOut = "Text-FadeOut";
inline constexpr const char* kFade2NextPicture = "Fade2NextPicture";
inline constexpr const char* kPictureText = "PictureText";
inline constexpr const char* kFading2NextPictureName = "Fading2NextPictureName";
inline constexpr const char* kIsColorFade = "IsColorFade";
inline constexpr const char* kColorFadeColorRef = "ColorFade_ColorRef";
inline constexpr const char* kPanoramaScrolling = "PanoramaScrolling";
inline constexpr const char* kPanoramaScrollingType = "PanoramaScrollingType";
inline constexpr const char* kPictureMove = "PictureMove";
inline constexpr const char* kPictureMoveSettings = "PictureMoveSettings";
inline constexpr const char* kFontHeight = "Font_Height";
inline constexpr const char* kFontWidth = "Font_Width";
inline constexpr const char* kFontEscapement = "Font_Escapement";
inline constexpr const char* kFontOrientation = "Font_Orientation";
inline constexpr const char* kFontWeight = "Font_Weight";
inline constexpr const char* kFontItalic = "Font_Italic";
inline constexpr const char* kFontUnderline = "Font_Underline";
inline constexpr const char* kFontStrikeOut = "Font_StrikeOut";
inline constexpr const char* kFontCharSet = "Font_CharSet";
inline constexpr const char* kFontOutPrecision = "Font_OutPrecision";
inline constexpr const char* kFontClipPrecision = "Font_ClipPrecision";
inline constexpr const char* kFontQuality = "Font_Quality";
inline constexpr const char* kFontPitchAndFamily = "Font_PitchAndFamily";
inline constexpr const char* kFontName = "Font_Name";
inline constexpr const char* kFontTextColor = "Font_TextColor";
inline constexpr const char* kFontTextBackColor = "Font_TextBackColor";
inline constexpr const char* kTextBackWidth = "TextBackWidth";
inline constexpr const char* kTextPosition = "TextPosition";
inline constexpr const char* kAudioFile = "AudioFile";
inline constexpr const char* kAudioStartTime = "AudioStartTime";
inline constexpr const char* kNormalizeAudio = "NormalizeAudio";
inline constexpr const char* kAudioFadingTime = "AudioFadingTime";
inline constexpr const char* kSynchronizeFF2NP = "SynchronizeFF2NP";
inline constexpr const char* kFadeOption = "FadeOption";
inline constexpr const char* kLoopAudio = "LoopAudio";
inline constexpr const char* kTextFadeInEffectName = "TextFadeInEffectName";
inline constexpr const char* kTextFadeOutEffectName = "TextFadeOutEffectName";
inline constexpr const char* kFlightPoints = "FlightPoints";
inline constexpr const char* kFlightPointsColor = "FlightPointsColor";
inline constexpr const char* kFlightPointsRadius = "FlightPointsRadius";
inline constexpr const char* kRotation = "Rotation";
}  // namespace objkey

// Audio fade kinds ("FadeOption").
enum AudioFadeOption : int { kFadeNone = -1, kFadeIn = 1, kFadeOut = 2, kFadeMix = 3 };

// Colour fading presets of the "Add Color Fading" command.
enum class ColorFadingPreset { Black = 1, White = 2, WhiteTakingFrames = 3 };

inline constexpr const char* kColorFadingFileName = "*Color-Fading*";
inline constexpr const char* kDefaultTextEffect = "Cross Dissolve";
// Most frames one phase of an entry (caption in, shown, caption out, transition) may last: eleven
// hours at 25 frames per second. Anything above is a typing or file error, not a slide show.
inline constexpr int kMaxFrameCount = 1000000;
// Longest face name of a logical font, in UTF-16 units (the field holds 31 plus a terminator).
inline constexpr size_t kMaxFaceNameUnits = 31;

class CProjectObject {
public:
    CProjectObject() = default;

    // Stores the path (as given: absolute or relative to the project directory). Unless the
    // object is a colour fading, and provided the file exists, posts "Creating hashkey for: " +
    // path on "Status" (when pipes is not null) and computes the content key from the file's
    // bytes. A colour fading, a missing file or a read failure gives an empty content key, so a
    // stale key never names the wrong cached picture.
    void SetFileName(const std::string& path, CMessagePipelines* pipes = nullptr);
    const std::string& GetFileName() const { return m_fileName; }
    // The MD5 of the file's bytes as 32 lower-case hex digits, or empty.
    const std::string& GetContentKey() const { return m_contentKey; }

    // Reads the object from a section. "FileName" must be present, else false and the object is
    // unchanged. Other keys are optional and keep the current value when missing. Booleans are
    // true only for 1; byte fields take the low byte; the face name is cut to 31 UTF-16 units.
    // SetFileName is called last (after "IsColorFade" is known).
    bool LoadFromStore(const CSettingsStore& store, const std::string& section,
                       CMessagePipelines* pipes = nullptr);
    // Writes every key into the section.
    void SaveToStore(CSettingsStore& store, const std::string& section) const;

    // Text-FadeIn + ShowPicture + Text-FadeOut + Fade2NextPicture.
    int GetTotalFrames() const;
    // Brings each of the four frame counts into 0 ... kMaxFrameCount (ShowPicture only when
    // withShowPicture); returns how many changed.
    int ClampFrameCounts(bool withShowPicture = true);
    // The content key when known, else the path.
    std::string GetCacheName() const;
    // Cache name + "#<rotation>#": the key of the prepared picture.
    std::string GetPictureKey() const;
    // Face name + "#h#w#esc#ori#weight#italic#underline#strike#charset#out#clip#quality#pitch#".
    std::string GetFontKey() const;
    // The path, upper-cased, contains ".AVI" and its first occurrence starts at the last ".".
    bool IsAVI() const;
    bool IsColorFade() const { return isColorFade; }

    // A new entry for a picture or AVI file: the caption is the file name without directory and
    // extension; the four frame counts come from the "PROJECT_SETTINGS" section of projectSettings
    // when present there.
    static CProjectObject FromFile(const std::string& path, const CSettingsStore& projectSettings,
                                   CMessagePipelines* pipes = nullptr);
    // A colour fading. Black: the project frame defaults, colour black. White: colour white, no
    // caption frames, Fade2NextPicture = integer part of frameRate * 0.55, effect "Cross Dissolve".
    // WhiteTakingFrames: as White, and those transition frames are taken from selected (its
    // ShowPicture first, then Text-FadeIn, then Text-FadeOut, none below 0); a rest that could not
    // be taken shortens the colour fading's own transition. selected may be null.
    static CProjectObject MakeColorFading(ColorFadingPreset preset, const CSettingsStore& projectSettings,
                                          double frameRate, CProjectObject* selected);

    // Applies the four frame defaults of the "PROJECT_SETTINGS" section where present.
    void ApplyFrameDefaults(const CSettingsStore& projectSettings);

    // Persisted fields with their defaults (keys in objkey).
    int textFadeIn = 0;
    int showPicture = 0;
    int textFadeOut = 0;
    int fade2NextPicture = 0;
    std::string pictureText;
    std::string fading2NextPictureName;
    bool isColorFade = false;
    Colour colorFadeColorRef = 0;
    bool panoramaScrolling = false;
    int panoramaScrollingType = -1;
    bool pictureMove = false;
    std::string pictureMoveSettings;
    LogFont font;                    // height 30, width 14, weight 200, pitch 34, "Arial"
    Colour textColor = 16777215;     // white
    Colour textBackColor = 5242880;  // dark blue (blue 80)
    int textBackWidth = 2;
    int textPosition = 1;
    std::string audioFile;
    int audioStartTime = 0;  // milliseconds
    int normalizeAudio = 0;
    int audioFadingTime = 0;  // milliseconds
    int synchronizeFF2NP = 0;
    int fadeOption = kFadeNone;
    bool loopAudio = false;
    std::string textFadeInEffectName = kDefaultTextEffect;
    std::string textFadeOutEffectName = kDefaultTextEffect;
    std::string flightPoints;
    Colour flightPointsColor = 255;  // red
    int flightPointsRadius = 10;
    int rotation = 0;

private:
    std::string m_fileName;
    std::string m_contentKey;
};

// Counts the frames of AVI clips for the normalisation (the video layer's CAVIFrameReader is one).
class IClipFrameCounter {
public:
    virtual ~IClipFrameCounter() = default;
    // Frames of the clip's first video stream; negative when the clip cannot be opened.
    virtual int CountClipFrames(const std::string& resolvedPath) = 0;
};

// The normalisation run on every refresh of the picture list (frame counts clamped into
// 0 ... kMaxFrameCount, except the length of a clip the counter measured; audio fading times, mix
// options and the frame count of AVI clips), over all objects in list order. framesPerSecond is
// the project's frame rate read as an integer; values below 1 count as 25. clips: sets an AVI
// entry's "ShowPicture" to its frame count - 1; null leaves clip lengths as they are. Returns how
// many frame counts had to be clamped (0 for a sane list, so a caller can say so once, when a
// project with absurd numbers is loaded).
int NormalizeProjectObjects(std::vector<CProjectObject*>& objects, int framesPerSecond,
                            IClipFrameCounter* clips);

// Cuts a face name to at most 31 UTF-16 units without splitting a character.
std::string CutFaceName(const std::string& name);

}  // namespace trov
