// Zooms. Frame k < n scales the growing (or shrinking) picture to trunc(sW/n) x trunc(sH/n)
// with s = k (in) or n - k (out) and draws it centred without its one-pixel border, which
// carries the scaler's edge blur; frame n is B.
#include "effects/builtin/ZoomEffect.h"

namespace trov {

CZoomEffect::CZoomEffect(int type)
    : CBuiltinEffect(type == 2 ? "Zoom-Out" : "Zoom-In", "1.1", true), m_type(type == 2 ? 2 : 1) {
    if (m_type == 2) m_copyAInTextMode = false;
}

void CZoomEffect::DrawFrame(int k) {
    const int n = N();
    if (k >= n) {
        m_output.CopyFrom(B());
        return;
    }
    const bool in = m_type == 1;
    const int s = in ? k : n - k;
    const int w = fx::MulDiv(s, W(), n), h = fx::MulDiv(s, H(), n);
    if (!in) m_output.CopyFrom(B());
    if (w < 3 || h < 3) return;
    SendStatus(m_pipelines, "Resizing picture ...");
    if (m_scaled.GetWidth() != w || m_scaled.GetHeight() != h) {
        if (!m_scaled.Create(w, h)) return;
    }
    const CPicture* source = in ? B() : A();
    fx::DrawScaled(m_scaler, m_scaled, 0, 0, w, h, *source, 0, 0, W(), H());
    const int x0 = (W() - w) / 2, y0 = (H() - h) / 2;
    m_output.CopyRect(&m_scaled, 1, 1, w - 1, h - 1, x0, y0);
}

}  // namespace trov
