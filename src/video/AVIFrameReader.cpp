// Frames of AVI clips as pictures, and the hooks that let the imaging and project layers use them.
#include "video/AVIFrameReader.h"

#include <strings.h>

#include <cstring>

#include "imaging/DibPicture.h"
#include "imaging/PictureTools.h"
#include "project/ProjectObject.h"

namespace trov {

CAVIStream* CAVIFrameReader::VideoStreamOf(const std::string& file) {
    if (file.empty()) return nullptr;
    if (!m_input.IsOpen() || m_input.IsWriting() ||
        strcasecmp(m_input.GetFileName().c_str(), file.c_str()) != 0) {
        if (!m_input.Open(file, false)) return nullptr;
    }
    return m_input.GetStream(m_input.GetFirstVideoStreamIndex());
}

std::unique_ptr<CPicture> CAVIFrameReader::ReadVideoFrame(const std::string& file, int frameIndex) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CAVIStream* video = VideoStreamOf(file);
    if (!video) return nullptr;
    const BitmapInfoHeader* frame = video->GetFrame(frameIndex);
    if (!frame) return nullptr;
    auto picture = std::make_unique<CDibPicture>();
    if (!picture->Create(frame->biWidth, frame->biHeight)) return nullptr;
    size_t offset = frame->biSize + 4 * size_t(frame->biClrUsed) + (frame->biCompression == 3 ? 12 : 0);
    std::memcpy(picture->GetBits(), reinterpret_cast<const uint8_t*>(frame) + offset,
                size_t(picture->GetImageSize()));
    picture->SetFileName(file);
    picture->BitsChanged();
    return picture;
}

int CAVIFrameReader::GetFrameCount(const std::string& file) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CAVIStream* video = VideoStreamOf(file);
    return video ? video->GetLength() : -1;
}

void CAVIFrameReader::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_input.Close();
}

CAVIFrameReader& GetAVIFrameReader() {
    static CAVIFrameReader reader;
    return reader;
}

void InstallVideoSeams() {
    SetVideoFrameReader([](const std::string& file, int frameIndex) {
        return GetAVIFrameReader().ReadVideoFrame(file, frameIndex);
    });
    SetAviFrameCounter([](const std::string& path) { return GetAVIFrameReader().GetFrameCount(path); });
}

}  // namespace trov
