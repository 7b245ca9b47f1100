// Project objects: persistence, derived keys, creation from files, colour fadings, normalisation.
#include "project/ProjectObject.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "infra/MessagePipelines.h"
#include "infra/TextEncoding.h"
#include "project/Md5.h"
#include "project/ProjectPaths.h"
#include "settings/ApplicationSettings.h"
#include "settings/SettingsStore.h"

namespace trov {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Readers over one section, looked up once per object.
void ReadInt(const CSettingsSection& s, const char* key, int& v) {
    std::string text;
    if (s.Get(key, text)) v = CSettingsStore::ParseInt(text);
}

void ReadBool(const CSettingsSection& s, const char* key, bool& v) {
    std::string text;
    if (s.Get(key, text)) v = CSettingsStore::ParseInt(text) == 1;
}

void ReadByte(const CSettingsSection& s, const char* key, uint8_t& v) {
    std::string text;
    if (s.Get(key, text)) v = static_cast<uint8_t>(CSettingsStore::ParseInt(text) & 0xFF);
}

void ReadColour(const CSettingsSection& s, const char* key, Colour& v) {
    std::string text;
    if (s.Get(key, text)) v = static_cast<Colour>(CSettingsStore::ParseInt(text));
}

}  // namespace

std::string CutFaceName(const std::string& name) {
    size_t units = 0;
    for (size_t i = 0; i < name.size();) {
        size_t start = i;
        uint32_t cp = NextCodePoint(name, i);
        units += cp >= 0x10000 ? 2 : 1;
        if (units > kMaxFaceNameUnits) return name.substr(0, start);
    }
    return name;
}

void CProjectObject::SetFileName(const std::string& path, CMessagePipelines* pipes) {
    m_fileName = path;
    m_contentKey.clear();
    if (isColorFade) return;
    std::string resolved = ResolveProjectPath(path);
    if (!IsRegularFile(resolved)) return;
    SendStatus(pipes, "Creating hashkey for: " + path);
    std::string key;
    if (Md5OfFile(resolved, key)) m_contentKey = key;
}

bool CProjectObject::LoadFromStore(const CSettingsStore& store, const std::string& sec,
                                   CMessagePipelines* pipes) {
    using namespace objkey;
    const CSettingsSection* section = store.GetSection(sec);
    std::string fileName;
    if (!section || !section->Get(kFileName, fileName)) return false;
    const CSettingsSection& s = *section;
    ReadInt(s, kTextFadeIn, textFadeIn);
    ReadInt(s, kShowPicture, showPicture);
    ReadInt(s, kTextFadeOut, textFadeOut);
    ReadInt(s, kFade2NextPicture, fade2NextPicture);
    s.Get(kPictureText, pictureText);
    s.Get(kFading2NextPictureName, fading2NextPictureName);
    ReadBool(s, kIsColorFade, isColorFade);
    ReadColour(s, kColorFadeColorRef, colorFadeColorRef);
    ReadBool(s, kPanoramaScrolling, panoramaScrolling);
    ReadInt(s, kPanoramaScrollingType, panoramaScrollingType);
    ReadBool(s, kPictureMove, pictureMove);
    s.Get(kPictureMoveSettings, pictureMoveSettings);
    ReadInt(s, kFontHeight, font.height);
    ReadInt(s, kFontWidth, font.width);
    ReadInt(s, kFontEscapement, font.escapement);
    ReadInt(s, kFontOrientation, font.orientation);
    ReadInt(s, kFontWeight, font.weight);
    ReadByte(s, kFontItalic, font.italic);
    ReadByte(s, kFontUnderline, font.underline);
    ReadByte(s, kFontStrikeOut, font.strikeOut);
    ReadByte(s, kFontCharSet, font.charSet);
    ReadByte(s, kFontOutPrecision, font.outPrecision);
    ReadByte(s, kFontClipPrecision, font.clipPrecision);
    ReadByte(s, kFontQuality, font.quality);
    ReadByte(s, kFontPitchAndFamily, font.pitchAndFamily);
    std::string face;
    if (s.Get(kFontName, face)) font.faceName = CutFaceName(face);
    ReadColour(s, kFontTextColor, textColor);
    ReadColour(s, kFontTextBackColor, textBackColor);
    ReadInt(s, kTextBackWidth, textBackWidth);
    ReadInt(s, kTextPosition, textPosition);
    std::string audio;
    if (s.Get(kAudioFile, audio)) audioFile = NativePath(audio);
    ReadInt(s, kAudioStartTime, audioStartTime);
    ReadInt(s, kNormalizeAudio, normalizeAudio);
    ReadInt(s, kAudioFadingTime, audioFadingTime);
    ReadInt(s, kSynchronizeFF2NP, synchronizeFF2NP);
    ReadInt(s, kFadeOption, fadeOption);
    ReadBool(s, kLoopAudio, loopAudio);
    s.Get(kTextFadeInEffectName, textFadeInEffectName);
    s.Get(kTextFadeOutEffectName, textFadeOutEffectName);
    s.Get(kFlightPoints, flightPoints);
    ReadColour(s, kFlightPointsColor, flightPointsColor);
    ReadInt(s, kFlightPointsRadius, flightPointsRadius);
    ReadInt(s, kRotation, rotation);
    SetFileName(isColorFade ? fileName : NativePath(fileName), pipes);
    return true;
}

void CProjectObject::SaveToStore(CSettingsStore& store, const std::string& sec) const {
    using namespace objkey;
    CSettingsSection& t = store.Section(sec);
    auto I = [](int v) { return CSettingsStore::FormatInt(v); };
    auto colour = [](Colour c) { return static_cast<int>(c); };
    t.Set(kFileName, m_fileName);
    t.Set(kTextFadeIn, I(textFadeIn));
    t.Set(kShowPicture, I(showPicture));
    t.Set(kTextFadeOut, I(textFadeOut));
    t.Set(kFade2NextPicture, I(fade2NextPicture));
    t.Set(kPictureText, pictureText);
    t.Set(kFading2NextPictureName, fading2NextPictureName);
    t.Set(kIsColorFade, I(isColorFade ? 1 : 0));
    t.Set(kColorFadeColorRef, I(colour(colorFadeColorRef)));
    t.Set(kPanoramaScrolling, I(panoramaScrolling ? 1 : 0));
    t.Set(kPanoramaScrollingType, I(panoramaScrollingType));
    t.Set(kPictureMove, I(pictureMove ? 1 : 0));
    t.Set(kPictureMoveSettings, pictureMoveSettings);
    t.Set(kFontHeight, I(font.height));
    t.Set(kFontWidth, I(font.width));
    t.Set(kFontEscapement, I(font.escapement));
    t.Set(kFontOrientation, I(font.orientation));
    t.Set(kFontWeight, I(font.weight));
    t.Set(kFontItalic, I(font.italic));
    t.Set(kFontUnderline, I(font.underline));
    t.Set(kFontStrikeOut, I(font.strikeOut));
    t.Set(kFontCharSet, I(font.charSet));
    t.Set(kFontOutPrecision, I(font.outPrecision));
    t.Set(kFontClipPrecision, I(font.clipPrecision));
    t.Set(kFontQuality, I(font.quality));
    t.Set(kFontPitchAndFamily, I(font.pitchAndFamily));
    t.Set(kFontName, CutFaceName(font.faceName));
    t.Set(kFontTextColor, I(colour(textColor)));
    t.Set(kFontTextBackColor, I(colour(textBackColor)));
    t.Set(kTextBackWidth, I(textBackWidth));
    t.Set(kTextPosition, I(textPosition));
    t.Set(kAudioFile, audioFile);
    t.Set(kAudioStartTime, I(audioStartTime));
    t.Set(kNormalizeAudio, I(normalizeAudio));
    t.Set(kAudioFadingTime, I(audioFadingTime));
    t.Set(kSynchronizeFF2NP, I(synchronizeFF2NP));
    t.Set(kFadeOption, I(fadeOption));
    t.Set(kLoopAudio, I(loopAudio ? 1 : 0));
    t.Set(kTextFadeInEffectName, textFadeInEffectName);
    t.Set(kTextFadeOutEffectName, textFadeOutEffectName);
    t.Set(kFlightPoints, flightPoints);
    t.Set(kFlightPointsColor, I(colour(flightPointsColor)));
    t.Set(kFlightPointsRadius, I(flightPointsRadius));
    t.Set(kRotation, I(rotation));
}

int CProjectObject::GetTotalFrames() const {
    // Summed in 64 bits and clamped: absurd counts from a file must not overflow.
    long long t = static_cast<long long>(textFadeIn) + showPicture + textFadeOut + fade2NextPicture;
    return static_cast<int>(std::clamp<long long>(t, INT32_MIN, INT32_MAX));
}

int CProjectObject::ClampFrameCounts(bool withShowPicture) {
    int changed = 0;
    for (int* count : {&textFadeIn, &showPicture, &textFadeOut, &fade2NextPicture}) {
        if (count == &showPicture && !withShowPicture) continue;
        const int sane = std::clamp(*count, 0, kMaxFrameCount);
        if (sane != *count) ++changed;
        *count = sane;
    }
    return changed;
}

std::string CProjectObject::GetCacheName() const {
    return m_contentKey.empty() ? m_fileName : m_contentKey;
}

std::string CProjectObject::GetPictureKey() const {
    return GetCacheName() + "#" + std::to_string(rotation) + "#";
}

std::string CProjectObject::GetFontKey() const {
    char buf[200];
    std::snprintf(buf, sizeof buf, "#%d#%d#%d#%d#%d#%d#%d#%d#%d#%d#%d#%d#%d#", font.height, font.width,
                  font.escapement, font.orientation, font.weight, font.italic, font.underline, font.strikeOut,
                  font.charSet, font.outPrecision, font.clipPrecision, font.quality, font.pitchAndFamily);
    return font.faceName + buf;
}

bool CProjectObject::IsAVI() const {
    std::string upper = m_fileName;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    size_t first = upper.find(".AVI");
    return first != std::string::npos && first == upper.rfind('.');
}

void CProjectObject::ApplyFrameDefaults(const CSettingsStore& s) {
    using namespace projkey;
    s.GetInt(kProjectSettings, kFramesTextFadeIn, textFadeIn);
    s.GetInt(kProjectSettings, kFramesShowingPicture, showPicture);
    s.GetInt(kProjectSettings, kFramesTextFadeOut, textFadeOut);
    s.GetInt(kProjectSettings, kFramesFading2NextPicture, fade2NextPicture);
}

CProjectObject CProjectObject::FromFile(const std::string& path, const CSettingsStore& projectSettings,
                                        CMessagePipelines* pipes) {
    CProjectObject o;
    o.SetFileName(path, pipes);
    std::string name = FileNamePart(path);
    size_t dot = name.rfind('.');
    o.pictureText = dot == std::string::npos ? name : name.substr(0, dot);
    o.ApplyFrameDefaults(projectSettings);
    return o;
}

CProjectObject CProjectObject::MakeColorFading(ColorFadingPreset preset,
                                               const CSettingsStore& projectSettings, double frameRate,
                                               CProjectObject* selected) {
    CProjectObject o;
    o.ApplyFrameDefaults(projectSettings);
    o.isColorFade = true;
    o.SetFileName(kColorFadingFileName);
    if (preset == ColorFadingPreset::Black) {
        o.colorFadeColorRef = 0;
        return o;
    }
    o.colorFadeColorRef = 0xFFFFFF;
    o.textFadeIn = o.showPicture = o.textFadeOut = 0;
    double frames = frameRate * 0.55;
    o.fade2NextPicture = frames > 0 && frames < 1e9 ? static_cast<int>(frames) : 0;
    o.fading2NextPictureName = kDefaultTextEffect;
    if (preset == ColorFadingPreset::WhiteTakingFrames && selected) {
        int rest = o.fade2NextPicture;
        for (int* field : {&selected->showPicture, &selected->textFadeIn, &selected->textFadeOut}) {
            int take = std::clamp(*field, 0, rest);
            *field -= take;
            rest -= take;
        }
        o.fade2NextPicture -= rest;
    }
    return o;
}

int NormalizeProjectObjects(std::vector<CProjectObject*>& objects, int framesPerSecond,
                            IClipFrameCounter* clips) {
    if (framesPerSecond < 1) framesPerSecond = 25;
    // First, so that the audio times below are computed from the counts the creation will use. A
    // clip's shown frames are its real length (set below), which may well be longer.
    int clamped = 0;
    for (CProjectObject* o : objects)
        clamped += o->ClampFrameCounts(!(clips && o->IsAVI() && !o->IsColorFade()));
    const long long ms = 1000 / framesPerSecond;
    auto limit = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); };
    for (size_t i = 0; i < objects.size(); ++i) {
        CProjectObject& o = *objects[i];
        CProjectObject* prev = i > 0 ? objects[i - 1] : nullptr;
        bool last = i + 1 == objects.size();
        if (o.synchronizeFF2NP == 1 && prev) o.audioFadingTime = limit(ms * prev->fade2NextPicture);
        if (o.fadeOption == kFadeMix && prev && prev->fadeOption != kFadeMix) prev->fadeOption = kFadeNone;
        if (o.fadeOption == kFadeMix && prev) {
            o.audioFadingTime = limit(std::min<long long>(o.audioFadingTime, ms * prev->GetTotalFrames()));
        }
        if (o.fadeOption == kFadeIn || o.fadeOption == kFadeOut) {
            long long frames = o.GetTotalFrames();
            if (last) frames -= o.fade2NextPicture;
            o.audioFadingTime = limit(std::min<long long>(o.audioFadingTime, ms * frames));
        }
        if (clips && o.IsAVI() && !o.IsColorFade()) {
            int count = clips->CountClipFrames(ResolveProjectPath(o.GetFileName()));
            if (count >= 1)
                o.showPicture = count - 1;
            else
                clamped += o.ClampFrameCounts();  // unreadable clip: its stored count is all there is
        }
    }
    return clamped;
}

}  // namespace trov
