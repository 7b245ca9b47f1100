// CAVIFrameReader: frames of AVI clips as pictures, the one clip reader of the program (the
// creation's picture preparation reads a clip's frames with one, the manager counts clip lengths
// with another). Keeps one clip open and opens another only when a different file is asked for,
// so reading frames 0, 1, 2 ... of one clip decodes forward. Paths are compared exactly: on this
// system "clip.avi" and "Clip.avi" are two files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "imaging/DibPicture.h"
#include "project/ProjectObject.h"
#include "video/AVIContainer.h"

namespace trov {

class CAVIFrameReader : public IClipFrameCounter {
public:
    // Frame `frameIndex` of the clip's first video stream as a new picture named by `file`; null
    // when the clip cannot be opened, has no video, or has no such frame. Thread-safe (calls are
    // serialised).
    std::unique_ptr<CDibPicture> ReadVideoFrame(const std::string& file, int frameIndex);
    // Frames in the clip's first video stream; -1 when it cannot be opened or has no video.
    int GetFrameCount(const std::string& file);
    int CountClipFrames(const std::string& resolvedPath) override { return GetFrameCount(resolvedPath); }
    // Makes a clip held in memory the open clip under `name`: later calls naming it read from the
    // bytes, which must stay unchanged until Close or until another clip is asked for. False when
    // it cannot be opened.
    bool OpenMemory(const uint8_t* data, size_t size, const std::string& name);
    // Closes the open clip (so that its file may be replaced).
    void Close();

private:
    // Opens `file` unless it is open already; the video stream or null.
    CAVIStream* VideoStreamOf(const std::string& file);

    std::mutex m_mutex;
    CAVIContainer m_input;
};

}  // namespace trov
