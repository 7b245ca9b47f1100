// Panorama scrolling: preparation of the wide picture, its start window and the scroll frames.
#include "creation/PanoramaScrollingEffect.h"

#include <algorithm>

#include "infra/MessagePipelines.h"

namespace trov {

namespace {

bool IsHorizontal(int direction) {
    return direction == kPanoramaLeftToRight || direction == kPanoramaRightToLeft;
}

// Source origin of the movie window along one axis. A source shorter than the window is centred
// (origin negative); a longer one starts at `origin`.
int AxisOrigin(int sourceSize, int windowSize, int origin) {
    if (sourceSize < windowSize) return -((windowSize - sourceSize) / 2);
    return origin;
}

// Copies the window of source with its lower-left corner at (x0, y0) into target (movie sized).
void CopyWindow(CPicture& target, const CPicture& source, int x0, int y0) {
    int w = target.GetWidth(), h = target.GetHeight();
    if (x0 < 0 || y0 < 0 || x0 + w > source.GetWidth() || y0 + h > source.GetHeight())
        target.Fill(CPicture::GetDefaultBackgroundColour());
    int sx0 = std::max(x0, 0), sy0 = std::max(y0, 0);
    int sx1 = std::min(x0 + w, source.GetWidth()), sy1 = std::min(y0 + h, source.GetHeight());
    if (sx1 <= sx0 || sy1 <= sy0) return;
    target.CopyRect(&source, sx0, sy0, sx1, sy1, -x0, -y0);
}

// Window origin of offset c for a direction.
void WindowOrigin(int direction, const CPicture& source, int w, int h, int c, int& x0, int& y0) {
    int sw = source.GetWidth(), sh = source.GetHeight();
    switch (direction) {
        case kPanoramaLeftToRight:
            x0 = AxisOrigin(sw, w, c);
            y0 = AxisOrigin(sh, h, 0);
            break;
        case kPanoramaRightToLeft:
            x0 = AxisOrigin(sw, w, sw - w - c);
            y0 = AxisOrigin(sh, h, 0);
            break;
        case kPanoramaTopToBottom:
            x0 = AxisOrigin(sw, w, 0);
            y0 = AxisOrigin(sh, h, sh - h - c);
            break;
        default:  // bottom to top
            x0 = AxisOrigin(sw, w, 0);
            y0 = AxisOrigin(sh, h, c);
            break;
    }
}

}  // namespace

bool IsPanoramaDirection(int direction) {
    return direction >= 1 && direction <= 4;
}

std::unique_ptr<CDibPicture> PreparePanoramaPicture(const CPicture& picture, int direction, int movieW,
                                                    int movieH, CPictureTools& tools) {
    if (!IsPanoramaDirection(direction) || picture.IsEmpty() || movieW < 1 || movieH < 1) return nullptr;
    double sw = picture.GetWidth(), sh = picture.GetHeight();
    int nw, nh;
    if (IsHorizontal(direction)) {
        nw = static_cast<int>(sw * (static_cast<double>(movieH) / sh) + 0.5);
        nh = movieH;
    } else {
        nw = movieW;
        nh = static_cast<int>(sh * (static_cast<double>(movieW) / sw) + 0.5);
    }
    nw = std::clamp(nw, 1, CPicture::kMaxSide);
    nh = std::clamp(nh, 1, CPicture::kMaxSide);
    SendStatus(tools.GetPipelines(), "Resizing picture ...");
    auto scaled = tools.Resize(&picture, nw, nh, true);
    if (scaled) scaled->SetFileName(picture.GetFileName());
    return scaled;
}

std::unique_ptr<CDibPicture> GetPanoramaStartFrame(const CPicture& prepared, int direction, int movieW,
                                                   int movieH) {
    if (prepared.IsEmpty() || movieW < 1 || movieH < 1) return nullptr;
    auto frame = std::make_unique<CDibPicture>();
    if (!frame->Create(movieW, movieH)) return nullptr;
    int x0 = 0, y0 = 0;
    WindowOrigin(IsPanoramaDirection(direction) ? direction : kPanoramaLeftToRight, prepared, movieW, movieH,
                 0, x0, y0);
    CopyWindow(*frame, prepared, x0, y0);
    frame->SetFileName(prepared.GetFileName());
    return frame;
}

CPanoramaScrollingEffect::CPanoramaScrollingEffect() {
    m_name = "Panorama Scrolling";
    m_author = "Kestrami";
    m_version = "1.0";
    m_textCapable = 0;
}

CPanoramaScrollingEffect::~CPanoramaScrollingEffect() {
    End();
}

void CPanoramaScrollingEffect::SetOutputSize(int width, int height) {
    m_width = width;
    m_height = height;
}

void CPanoramaScrollingEffect::SetDirection(int direction) {
    m_direction = direction;
}

void CPanoramaScrollingEffect::SetCaption(const CaptionSettings* settings, const LogFont* font, int position,
                                          CPictureTools* tools) {
    m_overlay.reset();
    m_overlayWidth = m_overlayHeight = 0;
    if (!settings || !font || !tools || settings->text.empty()) {
        m_caption.reset();
        return;
    }
    m_caption = *settings;
    m_font = *font;
    m_position = position;
    m_tools = tools;
}

void CPanoramaScrollingEffect::End() {
    m_output.Reset();
}

void CPanoramaScrollingEffect::Prepare(int frameCount) {
    End();
    m_lastFrame.reset();
    m_distance = 0;
    m_step = 0.0;
    if (!m_pictureA || m_pictureA->IsEmpty() || m_width < 1 || m_height < 1) return;
    if (!m_output.Create(m_width, m_height)) return;
    int d = IsHorizontal(m_direction) ? m_pictureA->GetWidth() - m_width : m_pictureA->GetHeight() - m_height;
    // A picture that does not reach across the movie has nothing to scroll; it stays centred.
    m_distance = std::max(d, 0);
    m_step = frameCount > 0 ? static_cast<double>(m_distance) / frameCount : 0.0;
}

int CPanoramaScrollingEffect::OffsetOfFrame(int k) const {
    return static_cast<int>(k * m_step);
}

void CPanoramaScrollingEffect::DrawWindow(int c) {
    int x0 = 0, y0 = 0;
    int direction = IsPanoramaDirection(m_direction) ? m_direction : kPanoramaLeftToRight;
    WindowOrigin(direction, *m_pictureA, m_width, m_height, c, x0, y0);
    CopyWindow(m_output, *m_pictureA, x0, y0);
}

CDibPicture* CPanoramaScrollingEffect::NextFrame() {
    if (m_currentFrame >= m_frameCount || m_output.IsEmpty() || !m_pictureA) {
        End();
        return nullptr;
    }
    int k = m_currentFrame + 1;
    // The last frame lands exactly on the far end, whatever the rounding of the steps.
    int c = (k == m_frameCount) ? m_distance : std::min(OffsetOfFrame(k), m_distance);
    DrawWindow(c);
    m_output.BitsChanged();
    ++m_currentFrame;
    if (m_currentFrame == m_frameCount && m_keepLast) m_lastFrame = m_output.Clone();
    if (m_caption && m_tools) {
        const int w = m_output.GetWidth(), h = m_output.GetHeight();
        if (w != m_overlayWidth || h != m_overlayHeight) {
            m_overlay = CCaptionOverlay::Build(w, h, *m_caption, m_font, m_position, m_tools);
            m_overlayWidth = w;
            m_overlayHeight = h;
        }
        if (m_overlay) m_overlay->Composite(m_output);
    }
    return &m_output;
}

}  // namespace trov
