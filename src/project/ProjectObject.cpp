// Project objects: persistence, derived keys, creation from files, colour fadings, normalisation.
#include "project/ProjectObject.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <sys/stat.h>

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

void ReadInt(const CSettingsStore& s, const std::string& sec, const char* key, int& v) { s.GetInt(sec, key, v); }

void ReadBool(const CSettingsStore& s, const std::string& sec, const char* key, bool& v) {
    int i = 0;
    if (s.GetInt(sec, key, i)) v = (i == 1);
}

void ReadByte(const CSettingsStore& s, const std::string& sec, const char* key, uint8_t& v) {
    int i = 0;
    if (s.GetInt(sec, key, i)) v = static_cast<uint8_t>(i & 0xFF);
}

void ReadColour(const CSettingsStore& s, const std::string& sec, const char* key, Colour& v) {
    int i = 0;
    if (s.GetInt(sec, key, i)) v = static_cast<Colour>(i);
}

std::mutex g_counterMutex;
AviFrameCounter g_aviFrameCounter;

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

bool CProjectObject::LoadFromStore(const CSettingsStore& s, const std::string& sec, CMessagePipelines* pipes) {
    using namespace objkey;
    std::string fileName;
    if (!s.GetString(sec, kFileName, fileName)) return false;
    ReadInt(s, sec, kTextFadeIn, textFadeIn);
    ReadInt(s, sec, kShowPicture, showPicture);
    ReadInt(s, sec, kTextFadeOut, textFadeOut);
    ReadInt(s, sec, kFade2NextPicture, fade2NextPicture);
    s.GetString(sec, kPictureText, pictureText);
    s.GetString(sec, kFading2NextPictureName, fading2NextPictureName);
    ReadBool(s, sec, kIsColorFade, isColorFade);
    ReadColour(s, sec, kColorFadeColorRef, colorFadeColorRef);
    ReadBool(s, sec, kPanoramaScrolling, panoramaScrolling);
    ReadInt(s, sec, kPanoramaScrollingType, panoramaScrollingType);
    ReadBool(s, sec, kPictureMove, pictureMove);
    s.GetString(sec, kPictureMoveSettings, pictureMoveSettings);
    ReadInt(s, sec, kFontHeight, font.height);
    ReadInt(s, sec, kFontWidth, font.width);
    ReadInt(s, sec, kFontEscapement, font.escapement);
    ReadInt(s, sec, kFontOrientation, font.orientation);
    ReadInt(s, sec, kFontWeight, font.weight);
    ReadByte(s, sec, kFontItalic, font.italic);
    ReadByte(s, sec, kFontUnderline, font.underline);
    ReadByte(s, sec, kFontStrikeOut, font.strikeOut);
    ReadByte(s, sec, kFontCharSet, font.charSet);
    ReadByte(s, sec, kFontOutPrecision, font.outPrecision);
    ReadByte(s, sec, kFontClipPrecision, font.clipPrecision);
    ReadByte(s, sec, kFontQuality, font.quality);
    ReadByte(s, sec, kFontPitchAndFamily, font.pitchAndFamily);
    std::string face;
    if (s.GetString(sec, kFontName, face)) font.faceName = CutFaceName(face);
    ReadColour(s, sec, kFontTextColor, textColor);
    ReadColour(s, sec, kFontTextBackColor, textBackColor);
    ReadInt(s, sec, kTextBackWidth, textBackWidth);
    ReadInt(s, sec, kTextPosition, textPosition);
    std::string audio;
    if (s.GetString(sec, kAudioFile, audio)) audioFile = NativePath(audio);
    ReadInt(s, sec, kAudioStartTime, audioStartTime);
    ReadInt(s, sec, kNormalizeAudio, normalizeAudio);
    ReadInt(s, sec, kAudioFadingTime, audioFadingTime);
    ReadInt(s, sec, kSynchronizeFF2NP, synchronizeFF2NP);
    ReadInt(s, sec, kFadeOption, fadeOption);
    ReadBool(s, sec, kLoopAudio, loopAudio);
    s.GetString(sec, kTextFadeInEffectName, textFadeInEffectName);
    s.GetString(sec, kTextFadeOutEffectName, textFadeOutEffectName);
    s.GetString(sec, kFlightPoints, flightPoints);
    ReadColour(s, sec, kFlightPointsColor, flightPointsColor);
    ReadInt(s, sec, kFlightPointsRadius, flightPointsRadius);
    ReadInt(s, sec, kRotation, rotation);
    SetFileName(isColorFade ? fileName : NativePath(fileName), pipes);
    return true;
}

void CProjectObject::SaveToStore(CSettingsStore& s, const std::string& sec) const {
    using namespace objkey;
    auto colour = [](Colour c) { return static_cast<int>(c); };
    s.SetString(sec, kFileName, m_fileName);
    s.SetInt(sec, kTextFadeIn, textFadeIn);
    s.SetInt(sec, kShowPicture, showPicture);
    s.SetInt(sec, kTextFadeOut, textFadeOut);
    s.SetInt(sec, kFade2NextPicture, fade2NextPicture);
    s.SetString(sec, kPictureText, pictureText);
    s.SetString(sec, kFading2NextPictureName, fading2NextPictureName);
    s.SetInt(sec, kIsColorFade, isColorFade ? 1 : 0);
    s.SetInt(sec, kColorFadeColorRef, colour(colorFadeColorRef));
    s.SetInt(sec, kPanoramaScrolling, panoramaScrolling ? 1 : 0);
    s.SetInt(sec, kPanoramaScrollingType, panoramaScrollingType);
    s.SetInt(sec, kPictureMove, pictureMove ? 1 : 0);
    s.SetString(sec, kPictureMoveSettings, pictureMoveSettings);
    s.SetInt(sec, kFontHeight, font.height);
    s.SetInt(sec, kFontWidth, font.width);
    s.SetInt(sec, kFontEscapement, font.escapement);
    s.SetInt(sec, kFontOrientation, font.orientation);
    s.SetInt(sec, kFontWeight, font.weight);
    s.SetInt(sec, kFontItalic, font.italic);
    s.SetInt(sec, kFontUnderline, font.underline);
    s.SetInt(sec, kFontStrikeOut, font.strikeOut);
    s.SetInt(sec, kFontCharSet, font.charSet);
    s.SetInt(sec, kFontOutPrecision, font.outPrecision);
    s.SetInt(sec, kFontClipPrecision, font.clipPrecision);
    s.SetInt(sec, kFontQuality, font.quality);
    s.SetInt(sec, kFontPitchAndFamily, font.pitchAndFamily);
    s.SetString(sec, kFontName, CutFaceName(font.faceName));
    s.SetInt(sec, kFontTextColor, colour(textColor));
    s.SetInt(sec, kFontTextBackColor, colour(textBackColor));
    s.SetInt(sec, kTextBackWidth, textBackWidth);
    s.SetInt(sec, kTextPosition, textPosition);
    s.SetString(sec, kAudioFile, audioFile);
    s.SetInt(sec, kAudioStartTime, audioStartTime);
    s.SetInt(sec, kNormalizeAudio, normalizeAudio);
    s.SetInt(sec, kAudioFadingTime, audioFadingTime);
    s.SetInt(sec, kSynchronizeFF2NP, synchronizeFF2NP);
    s.SetInt(sec, kFadeOption, fadeOption);
    s.SetInt(sec, kLoopAudio, loopAudio ? 1 : 0);
    s.SetString(sec, kTextFadeInEffectName, textFadeInEffectName);
    s.SetString(sec, kTextFadeOutEffectName, textFadeOutEffectName);
    s.SetString(sec, kFlightPoints, flightPoints);
    s.SetInt(sec, kFlightPointsColor, colour(flightPointsColor));
    s.SetInt(sec, kFlightPointsRadius, flightPointsRadius);
    s.SetInt(sec, kRotation, rotation);
}

int CProjectObject::GetTotalFrames() const {
    // Summed in 64 bits and clamped: absurd counts from a file must not overflow.
    long long t = static_cast<long long>(textFadeIn) + showPicture + textFadeOut + fade2NextPicture;
    return static_cast<int>(std::clamp<long long>(t, INT32_MIN, INT32_MAX));
}

std::string CProjectObject::GetCacheName() const { return m_contentKey.empty() ? m_fileName : m_contentKey; }

std::string CProjectObject::GetPictureKey() const { return GetCacheName() + "#" + std::to_string(rotation) + "#"; }

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

CProjectObject CProjectObject::MakeColorFading(ColorFadingPreset preset, const CSettingsStore& projectSettings,
                                               double frameRate, CProjectObject* selected) {
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

void SetAviFrameCounter(AviFrameCounter counter) {
    std::lock_guard lock(g_counterMutex);
    g_aviFrameCounter = std::move(counter);
}

AviFrameCounter GetAviFrameCounter() {
    std::lock_guard lock(g_counterMutex);
    return g_aviFrameCounter;
}

void NormalizeProjectObjects(std::vector<CProjectObject*>& objects, int framesPerSecond) {
    if (framesPerSecond < 1) framesPerSecond = 25;
    const long long ms = 1000 / framesPerSecond;
    auto limit = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); };
    AviFrameCounter counter = GetAviFrameCounter();
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
        if (counter && o.IsAVI() && !o.IsColorFade()) {
            int count = counter(ResolveProjectPath(o.GetFileName()));
            if (count >= 1) o.showPicture = count - 1;
        }
    }
}

}  // namespace trov
