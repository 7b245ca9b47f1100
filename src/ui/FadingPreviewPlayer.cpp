// The preview window's player (see the header).
#include "ui/FadingPreviewPlayer.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "ui/FadingPreviewMaker.h"
#include "video/AVIContainer.h"

namespace trov {

CFadingPreviewPlayer::CFadingPreviewPlayer(std::string programDirectory)
    : m_directory(std::move(programDirectory)), m_notCreated(MakeNotCreatedPicture()) {}

CFadingPreviewPlayer::~CFadingPreviewPlayer() = default;

void CFadingPreviewPlayer::SetEffect(const std::string& effectName) {
    if (m_chosen && effectName == m_effect) return;
    m_chosen = true;
    m_effect = effectName;
    m_frame = -1;
    m_stream = nullptr;
    m_file.reset();
    if (effectName.empty()) return;
    const std::string path = FadingPreviewPath(m_directory, effectName);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return;
    auto file = std::make_unique<CAVIContainer>();
    if (!file->Open(path, false)) return;
    CAVIStream* video = file->GetStream(file->GetFirstVideoStreamIndex());
    if (!video || video->GetLength() < 1) return;
    m_file = std::move(file);
    m_stream = video;
}

const CPicture* CFadingPreviewPlayer::NextFrame() {
    if (!m_stream) {
        m_frame = 0;
        return m_notCreated.get();
    }
    const int count = m_stream->GetLength();
    const int next = m_frame + 1 >= count ? 0 : m_frame + 1;
    const BitmapInfoHeader* frame = m_stream->GetFrame(next);
    const size_t length = frame ? 40 + static_cast<size_t>(CPicture::StrideFor(frame->biWidth)) *
                                           static_cast<size_t>(std::abs(frame->biHeight))
                                : 0;
    if (!frame || !m_decoded.CreateFromPackedDib(frame, length)) {
        // A damaged file plays as no file.
        m_stream = nullptr;
        m_file.reset();
        m_frame = 0;
        return m_notCreated.get();
    }
    m_frame = next;
    return &m_decoded;
}

int CFadingPreviewPlayer::FrameCount() const {
    return m_stream ? m_stream->GetLength() : 1;
}

int CFadingPreviewPlayer::FrameIntervalMs() const {
    const double rate = m_stream ? m_stream->GetFrameRate() : 0.0;
    if (!(rate > 0.0) || !std::isfinite(rate)) return 40;
    return std::max(1, static_cast<int>(std::lround(1000.0 / rate)));
}

}  // namespace trov
