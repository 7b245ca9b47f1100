// Curved zooms. With q = k / n (Zoom-In) or (n - k) / n (Zoom-Out), the flying picture is scaled
// by 1500 / (23500 - 22000 q) (6.4 % far away, 100 % at q = 1). Its place in the free space
// around it is the fraction (fx, fy) measured from the left and bottom edges:
//   fx = cx + (0.5 - cx) * sin(q * 90 deg), fy = cy + (0.5 - cy) * q^2,
// with (cx, cy) the named corner (0 or 1). Far away it sits in the corner; it leaves the corner
// fast sideways and slowly up or down, which bends its path. The Zoom-Out picture has vanished
// into the corner on the last frame, which shows B alone.
#include "effects/builtin/CurvedZoomEffect.h"

#include <cmath>
#include <numbers>

namespace trov {

namespace {
const char* CurvedZoomName(int type) {
    static const char* const names[] = {"Curved Zoom-Out (Top-Right)",    "Curved Zoom-In (Top-Right)",
                                        "Curved Zoom-Out (Top-Left)",     "Curved Zoom-In (Top-Left)",
                                        "Curved Zoom-Out (Bottom-Right)", "Curved Zoom-In (Bottom-Right)",
                                        "Curved Zoom-Out (Bottom-Left)",  "Curved Zoom-In (Bottom-Left)"};
    return names[type - 1];
}
}  // namespace

CCurvedZoomEffect::CCurvedZoomEffect(int type)
    : CBuiltinEffect(CurvedZoomName(type < 1 || type > 8 ? 1 : type), "1.0.1", false),
      m_type(type < 1 || type > 8 ? 1 : type) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CCurvedZoomEffect::PrepareFrames() {
    if (m_copyA.Create(W(), H())) m_copyA.CopyFrom(A());
    if (m_copyB.Create(W(), H())) m_copyB.CopyFrom(B());
}

void CCurvedZoomEffect::FreeBuffers() {
    m_copyA.Reset();
    m_copyB.Reset();
}

void CCurvedZoomEffect::DrawFrame(int k) {
    if (m_copyA.IsEmpty() || m_copyB.IsEmpty()) return;
    const int n = N(), w = W(), h = H();
    const bool in = m_type % 2 == 0;
    const CDibPicture& background = in ? m_copyA : m_copyB;
    const CDibPicture& flying = in ? m_copyB : m_copyA;
    m_output.CopyFrom(&background);
    if (!in && k >= n) return;
    const double q = in ? double(k) / n : double(n - k) / n;
    const double factor = 1500.0 / (23500.0 - 22000.0 * q);
    const int sw = static_cast<int>(std::lround(w * factor)), sh = static_cast<int>(std::lround(h * factor));
    if (sw < 1 || sh < 1) return;
    const int corner = (m_type - 1) / 2;  // 0 top right, 1 top left, 2 bottom right, 3 bottom left
    const double cx = (corner == 0 || corner == 2) ? 1.0 : 0.0;
    const double cy = corner <= 1 ? 1.0 : 0.0;
    const double fx = cx + (0.5 - cx) * std::sin(q * std::numbers::pi / 2.0);
    const double fy = cy + (0.5 - cy) * q * q;
    const int x0 = static_cast<int>(std::lround((w - sw) * fx));
    const int y0 = static_cast<int>(std::lround((h - sh) * fy));
    SendStatus(m_pipelines, "Resizing picture ...");
    fx::DrawScaled(m_scaler, m_output, x0, y0, sw, sh, flying, 0, 0, w, h);
}

}  // namespace trov
