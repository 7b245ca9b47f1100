// Frames of AVI clips as pictures, and clip lengths.
#include "video/AVIFrameReader.h"

#include <cstdlib>

#include "video/AVIStream.h"

namespace trov {

CAVIStream* CAVIFrameReader::VideoStreamOf(const std::string& file) {
    if (file.empty()) return nullptr;
    if (!m_input.IsOpen() || m_input.IsWriting() || m_input.GetFileName() != file) {
        if (!m_input.Open(file, false)) return nullptr;
    }
    return m_input.GetStream(m_input.GetFirstVideoStreamIndex());
}

std::unique_ptr<CDibPicture> CAVIFrameReader::ReadVideoFrame(const std::string& file, int frameIndex) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CAVIStream* video = VideoStreamOf(file);
    if (!video) return nullptr;
    const BitmapInfoHeader* frame = video->GetFrame(frameIndex);
    if (!frame) return nullptr;
    auto picture = std::make_unique<CDibPicture>();
    size_t length = 40 + static_cast<size_t>(CPicture::StrideFor(frame->biWidth)) *
                             static_cast<size_t>(std::abs(frame->biHeight));
    if (!picture->CreateFromPackedDib(frame, length)) return nullptr;
    picture->SetFileName(file);
    return picture;
}

int CAVIFrameReader::GetFrameCount(const std::string& file) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CAVIStream* video = VideoStreamOf(file);
    return video ? video->GetLength() : -1;
}

bool CAVIFrameReader::OpenMemory(const uint8_t* data, size_t size, const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_input.OpenMemory(data, size, name, false);
}

void CAVIFrameReader::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_input.Close();
}

}  // namespace trov
