// "Create Realtime Fading Effects Preview" (built-in pictures) and "... with own pictures": the
// question, the two pictures, the video codec, the files, the end message. Free of any window
// toolkit: the window runs Prepare and Finish on the GUI thread and Execute on a worker.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "imaging/DibPicture.h"
#include "infra/UserPrompt.h"
#include "ui/FadingPreviewMaker.h"
#include "video/VideoCodecs.h"

namespace trov {

class CTROVManager;
class CMainViewChooser;

class CFadingPreviewCommand {
public:
    // codecChooser: the video codec choice (the window's chooser dialog); empty means the
    // process-wide one (GetVideoCodecChooser).
    CFadingPreviewCommand(CTROVManager& manager, CUserPrompt& prompt, CMainViewChooser& chooser,
                          VideoCodecChooser codecChooser = {});

    // Asks the question, takes the two pictures (the built-in ramps, or two files the user picks,
    // loaded and fitted to 160 x 120) and the codec. False, with nothing created, when the user says
    // No, cancels a file dialog or the codec choice, or a picture cannot be read (with a message).
    bool Prepare(bool ownPictures);
    // Writes the preview files (any thread). Returns whether every effect got its file.
    bool Execute(const std::atomic<bool>* cancel = nullptr);
    // The end message: success or failure.
    void Finish();
    // Prepare, Execute and Finish on this thread.
    bool Run(bool ownPictures);

    const CDibPicture* PictureA() const { return m_a.get(); }
    const CDibPicture* PictureB() const { return m_b.get(); }
    const CompressionOptions& Options() const { return m_options; }
    const CFadingPreviewMaker::Result& GetResult() const { return m_result; }
    // Threads for Execute (0: one per core).
    void SetThreadCount(int threads) { m_threads = threads; }

private:
    std::unique_ptr<CDibPicture> LoadOwnPicture();

    CTROVManager& m_manager;
    CUserPrompt& m_prompt;
    CMainViewChooser& m_chooser;
    VideoCodecChooser m_codecChooser;
    std::unique_ptr<CDibPicture> m_a;
    std::unique_ptr<CDibPicture> m_b;
    CompressionOptions m_options{};
    CFadingPreviewMaker::Result m_result;
    int m_threads = 0;
};

}  // namespace trov
