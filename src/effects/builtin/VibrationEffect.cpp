// Vibration. Frame k: R = sqrt(cx^2 + cy^2) + 5k, a = 15 (1 + cos(2 pi k / n - pi)) / 2; the pixel at
// offset (dx, dy) from the centre, r = |(dx, dy)| <= R, takes the dissolve frame's pixel at
// (cx, cy) + (dx, dy) (1 - s / r) with s = -1.3 a sin(phi) cos(phi), phi = (R - r) pi / 30.
// Since sin(phi) cos(phi) = sin(2 pi R / 30 - 2 pi r / 30) / 2, the per-pixel trigonometry is
// tabled once in Prepare and each frame costs a few multiplications per pixel.
#include "effects/builtin/VibrationEffect.h"

#include <cmath>
#include <numbers>

namespace trov {

CVibrationEffect::CVibrationEffect() : CBuiltinEffect("Vibration", "1.0", false) {}

void CVibrationEffect::PrepareFrames() {
    m_dissolve.Init(A(), B(), N());
    const int w = W(), h = H(), cx = w / 2, cy = h / 2;
    const size_t count = size_t(w) * size_t(h);
    m_radius.resize(count);
    m_inverse.resize(count);
    m_cos.resize(count);
    m_sin.resize(count);
    size_t i = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, ++i) {
            const double dx = x - cx, dy = y - cy;
            const double r = std::sqrt(dx * dx + dy * dy);
            const double beta = 2.0 * r * std::numbers::pi / 30.0;
            m_radius[i] = float(r);
            m_inverse[i] = r > 0 ? float(1.0 / r) : 0.0f;
            m_cos[i] = float(std::cos(beta));
            m_sin[i] = float(std::sin(beta));
        }
}

void CVibrationEffect::FreeBuffers() {
    m_dissolve.End();
    for (auto* table : {&m_radius, &m_inverse, &m_cos, &m_sin}) std::vector<float>().swap(*table);
}

void CVibrationEffect::DrawFrame(int k) {
    const CDibPicture* source = m_dissolve.NextFrame();
    if (!source || m_radius.empty()) return;
    const int w = W(), h = H(), n = N(), cx = w / 2, cy = h / 2;
    const double R = std::sqrt(double(cx) * cx + double(cy) * cy) + 5.0 * k;
    const double a = 15.0 * (1.0 + std::cos(2.0 * std::numbers::pi * k / n - std::numbers::pi)) / 2.0;
    if (k >= n || a < 1e-9) {
        m_output.CopyFrom(source);  // no amplitude: the ripple maps every pixel onto itself
        return;
    }
    const double alpha = 2.0 * R * std::numbers::pi / 30.0;
    // s = -1.3 a * sin(2 phi) / 2 = -0.65 a (sin(alpha) cos(beta) - cos(alpha) sin(beta)).
    const double ps = -0.65 * a * std::sin(alpha), pc = 0.65 * a * std::cos(alpha);
    size_t i = 0;
    for (int y = 0; y < h; ++y) {
        uint8_t* o = RowOut(y);
        const double dy = y - cy;
        for (int x = 0; x < w; ++x, ++i) {
            if (m_radius[i] > R) continue;
            const double s = ps * m_cos[i] + pc * m_sin[i];
            const double scale = m_radius[i] > 0 ? 1.0 - s * m_inverse[i] : 1.0;
            const int sx = static_cast<int>(cx + (x - cx) * scale);
            const int sy = static_cast<int>(cy + dy * scale);
            if (sx < 0 || sx >= w || sy < 0 || sy >= h) continue;
            const uint8_t* p = source->GetRow(sy) + 3 * sx;
            o[3 * x] = p[0];
            o[3 * x + 1] = p[1];
            o[3 * x + 2] = p[2];
        }
    }
}

}  // namespace trov
