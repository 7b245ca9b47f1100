// What the "Fading Effect" window plays: the preview file of one effect, frame after frame and
// from the first frame again after the last, paced at the file's frame rate; a grey
// "Preview was not created!" picture when the effect has no preview file. Free of any window
// toolkit; the window asks it for the next frame on a timer.
#pragma once

#include <memory>
#include <string>

#include "imaging/DibPicture.h"

namespace trov {

class CAVIContainer;
class CAVIStream;

class CFadingPreviewPlayer {
public:
    explicit CFadingPreviewPlayer(std::string programDirectory);
    ~CFadingPreviewPlayer();
    CFadingPreviewPlayer(const CFadingPreviewPlayer&) = delete;
    CFadingPreviewPlayer& operator=(const CFadingPreviewPlayer&) = delete;

    // Plays the preview of effectName from its first frame; an effect without a (readable) file
    // shows the "not created" picture. The same name again keeps playing where it is.
    void SetEffect(const std::string& effectName);
    const std::string& GetEffect() const { return m_effect; }
    // Whether a preview file is being played.
    bool HasPreview() const { return m_stream != nullptr; }

    // The next frame (the first after the last; the "not created" picture without a file). Owned
    // by the player, valid until the next call.
    const CPicture* NextFrame();
    // 0-based index of the frame NextFrame gave last (-1 before the first).
    int FrameIndex() const { return m_frame; }
    int FrameCount() const;
    // Pause between frames: 1000 / the file's frame rate, 40 ms when the file gives none.
    int FrameIntervalMs() const;

private:
    std::string m_directory;
    std::string m_effect;
    std::unique_ptr<CAVIContainer> m_file;
    CAVIStream* m_stream = nullptr;
    CDibPicture m_decoded;
    std::unique_ptr<CDibPicture> m_notCreated;
    int m_frame = -1;
    bool m_chosen = false;
};

}  // namespace trov
