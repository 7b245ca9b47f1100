// CAVIFrameReader: frames of AVI clips as pictures, for the picture list and the creation.
// Keeps one clip open and opens another only when a different file is asked for (names compared
// without regard to case), so reading frames 0, 1, 2 ... of one clip decodes forward.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "imaging/Picture.h"
#include "video/AVIContainer.h"

namespace trov {

class CAVIFrameReader {
public:
    // Frame `frameIndex` of the clip's first video stream as a new picture named by `file`; null
    // when the clip cannot be opened, has no video, or has no such frame. Thread-safe (calls are
    // serialised).
    std::unique_ptr<CPicture> ReadVideoFrame(const std::string& file, int frameIndex);
    // Frames in the clip's first video stream; -1 when it cannot be opened or has no video.
    int GetFrameCount(const std::string& file);
    // Closes the open clip (so that its file may be replaced).
    void Close();

private:
    // Opens `file` unless it is open already; the video stream or null.
    CAVIStream* VideoStreamOf(const std::string& file);

    std::mutex m_mutex;
    CAVIContainer m_input;
};

// The process-wide reader behind the picture and project seams.
CAVIFrameReader& GetAVIFrameReader();

// Plugs the video layer into the layers below it: AVI entries' pictures (imaging's video frame
// reader) and the clip frame count of the list refresh (project's AVI frame counter). Call once at
// start-up, before the first project is loaded. Calling it again does no harm.
void InstallVideoSeams();

}  // namespace trov
