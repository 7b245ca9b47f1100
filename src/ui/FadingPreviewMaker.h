// The fading-effects preview: every registered effect rendered from picture A to picture B into a
// short movie of its own ("FadingPreview/<effect name>.avi" in the program directory), which the
// "Fading Effect" window plays. The effects are independent of one another, so several render at
// once, one per core.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/DibPicture.h"
#include "video/VideoCodecs.h"
#include "video/VideoTypes.h"

namespace trov {

class CFadingEffect;
class CFadingEffectManager;
class CMessagePipelines;

namespace fadingpreview {
inline constexpr int kWidth = 160;
inline constexpr int kHeight = 120;
// Two seconds at the preview's rate: long enough to see a transition, short enough to loop.
inline constexpr int kFrames = 50;
inline constexpr double kFrameRate = 25.0;
inline constexpr const char* kFolder = "FadingPreview";
inline constexpr const char* kCaption = "Create Fading-Effects-Preview";
inline constexpr const char* kQuestionBuiltIn =
    "Do you want to create the Fading-Effects-Preview? This will take some minutes (depending on your CPU "
    "speed). You also will be asked to choose a video codec. Please choose your preferred codec (don\u00b4t "
    "use uncompresssed, because the videos will be to big).";
inline constexpr const char* kQuestionOwn =
    "Do you want to create the Fading-Effects-Preview? This will take some minutes (depending on your CPU "
    "speed). You will first asked to choose the two fading pictures (A and B). After that you also will be "
    "asked to choose a video codec. Please choose your preferred codec (don\u00b4t use uncompresssed, "
    "because the videos will be to big).";
inline constexpr const char* kSuccess = "Fading-Effect Previews sucessfully created!";
inline constexpr const char* kFailure = "Creation of Fading-Effect-Previews was not sucessfully!";
inline constexpr const char* kPictureFilter = "All Supported Images (*.*)";
inline constexpr const char* kNotCreated = "Preview was not created! (TROV can create it for you!)";
}  // namespace fadingpreview

// <programDirectory>/FadingPreview.
std::string FadingPreviewFolder(const std::string& programDirectory);
// The file name of an effect's preview: its name + ".avi", a '/' (possible in a plug-in's effect
// name, impossible in a file name) replaced by '_'.
std::string FadingPreviewFileName(const std::string& effectName);
// The preview file of an effect in the program directory's preview folder.
std::string FadingPreviewPath(const std::string& programDirectory, const std::string& effectName);

// Picture A of the built-in pair: a grey ramp (every component x * 255 / width) with a white "A".
std::unique_ptr<CDibPicture> MakeRampPictureA(int width = fadingpreview::kWidth,
                                              int height = fadingpreview::kHeight);
// Picture B: the colour ramp 255 - x * 255 / height, 255 - (width - x) * 255 / height,
// y * 255 / height (values outside 0..255 kept in their low byte, as the pixel setter stores an
// int) with a white "B".
std::unique_ptr<CDibPicture> MakeRampPictureB(int width = fadingpreview::kWidth,
                                              int height = fadingpreview::kHeight);
// A picture fitted to the preview size (aspect kept, bars in the background colour); null for an
// empty source.
std::unique_ptr<CDibPicture> FitPreviewPicture(const CPicture& source);
// What the window shows for an effect without a preview file: grey (100, 100, 100) with the white
// text "Preview was not created! (TROV can create it for you!)".
std::unique_ptr<CDibPicture> MakeNotCreatedPicture();

class CFadingPreviewMaker {
public:
    struct Result {
        int written = 0;                  // preview files complete
        std::vector<std::string> failed;  // effects whose file could not be written
        bool canceled = false;
        bool Ok() const { return !canceled && failed.empty() && written > 0; }
    };

    // effects: the registry whose effects are rendered (registry order); folder: where the files
    // go (created when missing); pipelines (may be null): "MaxProgressComplete" = number of
    // effects, "CurrentProgressComplete" = effects done, and the effects' own status texts.
    CFadingPreviewMaker(CFadingEffectManager& effects, std::string folder, CMessagePipelines* pipelines);

    // Threads rendering at once; 0 (default) = one per core.
    void SetThreadCount(int threads) { m_threads = threads; }
    void SetFrameCount(int frames) { m_frames = frames; }
    int GetFrameCount() const { return m_frames; }

    // Writes one file per effect with frames of a (and b, the same size) from A to B, compressed
    // with options. Each effect object is used by one thread only. cancel (may be null) is checked
    // before each effect. Files that fail are removed.
    Result Create(const CPicture& a, const CPicture& b, const CompressionOptions& options,
                  const std::atomic<bool>* cancel = nullptr);

    // One effect's file; false (file removed) when it could not be written completely.
    bool WriteEffectPreview(CFadingEffect& effect, const CPicture& a, const CPicture& b,
                            const CompressionOptions& options, const std::string& path);

private:
    CFadingEffectManager& m_effects;
    std::string m_folder;
    CMessagePipelines* m_pipelines;
    int m_threads = 0;
    int m_frames = fadingpreview::kFrames;
};

}  // namespace trov
