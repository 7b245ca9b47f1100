// Keys and built-in defaults of the application settings ("Settings.ini") and of the project
// settings section, and the start-up rule that lays "Settings.ini" over the defaults.
#pragma once

#include <string>

#include "settings/SettingsStore.h"

namespace trov {

inline constexpr const char* kSettingsFileName = "Settings.ini";

// Sections.
inline constexpr const char* kProjectSettings = "PROJECT_SETTINGS";
inline constexpr const char* kPluginSettings = "PLUGIN_SETTINGS";
inline constexpr const char* kLanguageSection = "LANGUAGE";
inline constexpr const char* kTrovSettings = "TROV_SETTINGS";
inline constexpr const char* kTextsSection = "TEXTS";

// Keys of "PROJECT_SETTINGS".
namespace projkey {
inline constexpr const char* kOutputAVI = "Output-AVI";
inline constexpr const char* kFramesTextFadeIn = "Frames-Text-Fade-In";
inline constexpr const char* kFramesShowingPicture = "Frames-Showing-Picture";
inline constexpr const char* kFramesTextFadeOut = "Frames-Text-Fade-Out";
inline constexpr const char* kFramesFading2NextPicture = "Frames-Fading2NextPicture";
inline constexpr const char* kMovieSizeX = "Movie-Size-X";
inline constexpr const char* kMovieSizeY = "Movie-Size-Y";
inline constexpr const char* kFramesPerSeconds = "FramesPerSeconds";
inline constexpr const char* kCropTop = "CropTop";
inline constexpr const char* kCropLeft = "CropLeft";
inline constexpr const char* kCropRight = "CropRight";
inline constexpr const char* kCropBottom = "CropBottom";
inline constexpr const char* kBackgroundR = "GlobalBackgroundColorR";
inline constexpr const char* kBackgroundG = "GlobalBackgroundColorG";
inline constexpr const char* kBackgroundB = "GlobalBackgroundColorB";
inline constexpr const char* kTempDir = "TempDir";
inline constexpr const char* kPictureMoveQuality = "PictureMove_Quality";
inline constexpr const char* kPictureMoveScaleLimit = "PictureMove_ScaleLimit";
inline constexpr const char* kMaxFileSizeLimit = "MaxFileSizeLimit";
inline constexpr const char* kUseFadingBetweenPictures = "UseFadingBetweenPictures";
inline constexpr const char* kUseTextFading = "UseTextFading";
inline constexpr const char* kRescalePictures = "RescalePictures";
// 1: JPEG pictures are turned upright by their EXIF orientation before the entry's own rotation.
// Seeded as 1 for new projects; a project file without the key keeps the pictures as stored.
inline constexpr const char* kApplyExifOrientation = "ApplyExifOrientation";
}  // namespace projkey

// Keys of "PLUGIN_SETTINGS", "LANGUAGE" and "TROV_SETTINGS".
namespace appkey {
inline constexpr const char* kFadingDLLDirectory = "FadingDLLDirectory";
inline constexpr const char* kImportPlugInsAtStart = "ImportPlugInsAtStart";
inline constexpr const char* kCurrentLanguage = "CurrentLanguage";
inline constexpr const char* kSplashScreenShowTime = "SplashScreenShowTime";
inline constexpr const char* kCreationEnsureItemIsVisible = "CreationEnsureItemIsVisible";
inline constexpr const char* kAutoShowNextPreviewFadingFrame = "AutoShowNextPreviewFadingFrame";
inline constexpr const char* kEnableVideoStreamCache = "EnableVideoStreamCache";
inline constexpr const char* kEnablePermanentCache = "EnablePermanentCache";
inline constexpr const char* kConsistencyCheck = "ConsistencyCheck";
inline constexpr const char* kQuality = "Quality";
inline constexpr const char* kShowPreview = "ShowPreview";
inline constexpr const char* kFullPreview = "FullPreview";
inline constexpr const char* kMovePicturePosition = "MovePicturePosition";
}  // namespace appkey

// Keys of the "TEXTS" defaults used by the creation check.
namespace textkey {
inline constexpr const char* kCanNotFindFadingEffect = "CanNotFindFadingEffect";
inline constexpr const char* kMaybeUpdateTROVOrUseDLL = "MaybeUpdateTROVOrUseDLL";
inline constexpr const char* kAddAFadingEffect = "AddAFadingEffect";
}  // namespace textkey

// Writes the project defaults into the "PROJECT_SETTINGS" section ("Output-AVI" and "TempDir"
// under programDirectory).
void SeedProjectSettings(CSettingsStore& store, const std::string& programDirectory);

// The temporary directory a "TempDir" setting names, absolute: empty means programDirectory/Temp;
// "\" is the separator of a path without "/"; a relative path resolves against programDirectory
// (never the working directory). A Windows drive-letter or network path ("C:\...", "\\server\...")
// cannot exist here and gives the default; *fellBack (when given) then tells so.
std::string ResolveTempDirectory(const std::string& setting, const std::string& programDirectory,
                                 bool* fellBack = nullptr);

// Writes every built-in default of "Settings.ini" (all four sections) into store.
void SeedApplicationSettings(CSettingsStore& store, const std::string& programDirectory);

// Writes the default texts of the "TEXTS" section (a language file may replace them).
void SeedTextDefaults(CSettingsStore& store);

// The start-up rule: loads "Settings.ini" from programDirectory, seeds appSettings with the
// defaults, lays the loaded values over them and writes the result back (8-bit text). Returns
// the path of "Settings.ini"; writeOk (when given) tells whether it could be written — the
// program runs on with the settings in memory when not.
std::string InitApplicationSettings(CSettingsStore& appSettings, const std::string& programDirectory,
                                    bool* writeOk = nullptr);

}  // namespace trov
