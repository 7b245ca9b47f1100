// Built-in defaults of the application and project settings and the "Settings.ini" start-up rule.
#include "settings/ApplicationSettings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace trov {

void SeedProjectSettings(CSettingsStore& s, const std::string& dir) {
    using namespace projkey;
    const char* P = kProjectSettings;
    s.SetString(P, kOutputAVI, dir + "/Output.avi");
    s.SetInt(P, kFramesTextFadeIn, 25);
    s.SetInt(P, kFramesShowingPicture, 100);
    s.SetInt(P, kFramesTextFadeOut, 15);
    s.SetInt(P, kFramesFading2NextPicture, 25);
    s.SetInt(P, kMovieSizeX, 640);
    s.SetInt(P, kMovieSizeY, 480);
    s.SetFloat(P, kFramesPerSeconds, 25.0f);
    s.SetInt(P, kCropTop, 0);
    s.SetInt(P, kCropLeft, 0);
    s.SetInt(P, kCropRight, 0);
    s.SetInt(P, kCropBottom, 0);
    s.SetInt(P, kBackgroundR, 0);
    s.SetInt(P, kBackgroundG, 0);
    s.SetInt(P, kBackgroundB, 0);
    s.SetString(P, kTempDir, dir + "/Temp");
    s.SetFloat(P, kPictureMoveQuality, 2.0f);
    s.SetFloat(P, kPictureMoveScaleLimit, 2.0f);
    s.SetInt(P, kMaxFileSizeLimit, 640);
    s.SetInt(P, kUseFadingBetweenPictures, 1);
    s.SetInt(P, kUseTextFading, 1);
    s.SetInt(P, kRescalePictures, 1);
    s.SetInt(P, kApplyExifOrientation, 1);
}

std::string ResolveTempDirectory(const std::string& setting, const std::string& programDirectory,
                                 bool* fellBack) {
    if (fellBack) *fellBack = false;
    const std::string fallback = programDirectory + "/Temp";
    if (setting.empty()) return fallback;
    const bool driveLetter =
        setting.size() >= 2 && std::isalpha(static_cast<unsigned char>(setting[0])) && setting[1] == ':';
    const bool network = setting.rfind("\\\\", 0) == 0;
    if (driveLetter || network) {
        if (fellBack) *fellBack = true;
        return fallback;
    }
    std::string path = setting;
    if (path.find('/') == std::string::npos) std::replace(path.begin(), path.end(), '\\', '/');
    std::filesystem::path p(path);
    if (p.is_relative()) p = std::filesystem::path(programDirectory) / p;
    std::string out = p.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

void SeedApplicationSettings(CSettingsStore& s, const std::string& dir) {
    using namespace appkey;
    SeedProjectSettings(s, dir);
    s.SetString(kPluginSettings, kFadingDLLDirectory, dir + "/plugins");
    s.SetInt(kPluginSettings, kImportPlugInsAtStart, 1);
    s.SetString(kLanguageSection, kCurrentLanguage, "English");
    s.SetString(kTrovSettings, kSplashScreenShowTime, "1000");
    s.SetInt(kTrovSettings, kCreationEnsureItemIsVisible, 1);
    s.SetInt(kTrovSettings, kAutoShowNextPreviewFadingFrame, 1);
    s.SetInt(kTrovSettings, kEnableVideoStreamCache, 0);
    s.SetInt(kTrovSettings, kEnablePermanentCache, 0);
    s.SetInt(kTrovSettings, kConsistencyCheck, 1);
    s.SetInt(kTrovSettings, kQuality, 0);
}

void SeedTextDefaults(CSettingsStore& s) {
    using namespace textkey;
    s.SetString(kTextsSection, kCanNotFindFadingEffect, "Can not find specified fading effect:");
    s.SetString(kTextsSection, kMaybeUpdateTROVOrUseDLL,
                "This error means, that you have selected one fading, that is not installed to TROV. Please "
                "update your project or update TROV or add the DLL with the plug-in for the fading you have "
                "selected!");
    s.SetString(
        kTextsSection, kAddAFadingEffect,
        "Please set a fading effect to this picture! If you don\xC2\xB4t want a fading effect to the next "
        "picture, please also add a fading effect to the picture; then set the frames fading to next "
        "picture to 0.");
}

std::string InitApplicationSettings(CSettingsStore& appSettings, const std::string& programDirectory,
                                    bool* writeOk) {
    CSettingsStore loaded;
    std::string path;
    loaded.LoadBesideProgram(programDirectory, kSettingsFileName, path);
    SeedApplicationSettings(appSettings, programDirectory);
    appSettings.MergeFrom(loaded);
    bool ok = appSettings.Save(path, CTextFile::k8Bit);
    if (writeOk) *writeOk = ok;
    return path;
}

}  // namespace trov
