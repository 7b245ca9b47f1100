// Raindrops: each drop is a packet of circular waves whose front spreads from where it fell and
// slows down while the waves flatten. The water surface bends the base picture (refraction along
// the slope) and catches light from the upper left on the slopes facing it.
#include "effects/builtin/RaindropsEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace trov {

namespace {

const char* NameOf(int type) {
    switch (type) {
        case 2:
            return "Raindrops (with Full-Crossfade)";
        case 3:
            return "Raindrops (Big) (with One-Third-Crossfade)";
        case 4:
            return "Raindrops (Big) (with Full-Crossfade)";
        default:
            return "Raindrops (with One-Third-Crossfade)";
    }
}

// Light from the upper left (rows count upward).
constexpr float kLightX = -0.6f;
constexpr float kLightY = 0.8f;
constexpr int kProfileSteps = 4;  // profile samples per pixel

}  // namespace

CRaindropsEffect::CRaindropsEffect(int type)
    : CBuiltinEffect(NameOf(type), "1.0", false), m_type(type >= 1 && type <= 4 ? type : 1) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

int CRaindropsEffect::QuietFramesFor(int n) const {
    const int q = QuietFrames();
    if (n >= 2 * q) return q;
    return std::max(1, n / 2);
}

int CRaindropsEffect::LifetimeFor(int n) const {
    if (n >= 2 * QuietFrames()) return Lifetime();
    const int quiet = QuietFramesFor(n);
    const int scaled = static_cast<int>(std::lround(double(Lifetime()) * quiet / QuietFrames()));
    return std::clamp(scaled, 1, quiet);
}

void CRaindropsEffect::PrepareFrames() {
    m_drops.clear();
    m_started = 0;
    m_quiet = QuietFramesFor(N());
    m_lifetime = LifetimeFor(N());
    const size_t pixels = size_t(W()) * H();
    m_offsetX.assign(pixels, 0.0f);
    m_offsetY.assign(pixels, 0.0f);
    m_light.assign(pixels, 0.0f);
    m_rowTouched.assign(size_t(H()), 0);
    if (!m_mixed.Create(W(), H())) m_mixed.Reset();
}

void CRaindropsEffect::FreeBuffers() {
    m_drops = {};
    m_mixed.Reset();
    m_offsetX = {};
    m_offsetY = {};
    m_light = {};
    m_rowTouched = {};
    m_profile = {};
}

const CPicture* CRaindropsEffect::Base(int k) {
    const int n = N();
    if (HasFullCrossfade()) {
        if (k >= n || m_mixed.IsEmpty()) return B();
        m_table.Build(k, n);
        fx::BlendPictures(m_mixed, *A(), *B(), m_table);
        return &m_mixed;
    }
    // A for the first third, the dissolve over the second, then B.
    const int c = static_cast<int>(n * 0.3333333333);
    if (k <= c) return A();
    if (k >= 2 * c || m_mixed.IsEmpty()) return B();
    m_table.Build(k - c, c);
    fx::BlendPictures(m_mixed, *A(), *B(), m_table);
    return &m_mixed;
}

void CRaindropsEffect::AddRipples(const Drop& drop, int k) {
    const int w = W(), h = H();
    const int life = m_lifetime;
    const double age = k - drop.birth;  // 0 on the frame it falls
    const double t = (age + 1.0) / life;
    // The front slows down as it spreads; the waves flatten with age.
    const double front = drop.reach * (1.0 - (1.0 - t) * (1.0 - t));
    const double fade = std::pow(1.0 - age / life, 1.5);
    const double wavelength = IsBig() ? 17.0 : 9.0;
    const double refraction = (IsBig() ? 7.0 : 3.5) * fade;
    const double ahead = wavelength * 0.5, behind = wavelength * 3.0;
    // Slope of the surface height h(u) = sin(2 pi u / L) * exp(-(u / 1.3 L)^2) by the distance
    // u = front - d behind the front (ahead of it the surface rises smoothly from rest).
    const int samples = static_cast<int>((ahead + behind) * kProfileSteps) + 2;
    m_profile.resize(size_t(samples));
    auto height = [&](double u) {
        const double envelope = u < 0 ? std::exp(-(u / (0.25 * wavelength)) * (u / (0.25 * wavelength)))
                                      : std::exp(-(u / (1.3 * wavelength)) * (u / (1.3 * wavelength)));
        return std::sin(2.0 * std::numbers::pi * u / wavelength) * envelope;
    };
    for (int i = 0; i < samples; ++i) {
        const double u = -ahead + static_cast<double>(i) / kProfileSteps;
        // dh/dd = -dh/du (d grows outward while u shrinks).
        m_profile[size_t(i)] = static_cast<float>(-(height(u + 0.05) - height(u - 0.05)) / 0.1 * wavelength /
                                                  (2 * std::numbers::pi));
    }
    const double outer = front + ahead, inner = std::max(0.0, front - behind);
    const int y0 = std::max(0, static_cast<int>(std::floor(drop.cy - outer)));
    const int y1 = std::min(h - 1, static_cast<int>(std::ceil(drop.cy + outer)));
    const float gain = static_cast<float>(refraction);
    const float shine = static_cast<float>(70.0 * fade);
    for (int y = y0; y <= y1; ++y) {
        const double dy = y - drop.cy;
        if (std::fabs(dy) > outer) continue;
        const double xo = std::sqrt(outer * outer - dy * dy);
        const double xi = std::fabs(dy) < inner ? std::sqrt(inner * inner - dy * dy) : 0.0;
        bool touched = false;
        // The two runs of the ring on this row (one run when the row passes inside the hole).
        for (int side = 0; side < 2; ++side) {
            int from, to;
            if (side == 0) {
                from = static_cast<int>(std::floor(drop.cx - xo));
                to = static_cast<int>(std::ceil(drop.cx - xi));
            } else {
                from = static_cast<int>(std::floor(drop.cx + xi)) + 1;
                to = static_cast<int>(std::ceil(drop.cx + xo));
                if (xi == 0.0) from = static_cast<int>(std::ceil(drop.cx - xi)) + 1;
            }
            from = std::max(from, 0);
            to = std::min(to, w - 1);
            for (int x = from; x <= to; ++x) {
                const double dx = x - drop.cx;
                const double d = std::sqrt(dx * dx + dy * dy);
                const double u = front - d;
                if (u < -ahead || u > behind || d < 0.5) continue;
                const size_t at = static_cast<size_t>((u + ahead) * kProfileSteps);
                if (at >= m_profile.size()) continue;
                const float slope = m_profile[at];
                const float ux = static_cast<float>(dx / d), uy = static_cast<float>(dy / d);
                const size_t p = size_t(y) * w + size_t(x);
                m_offsetX[p] += gain * slope * ux;
                m_offsetY[p] += gain * slope * uy;
                m_light[p] -= shine * slope * (ux * kLightX + uy * kLightY);
                touched = true;
            }
        }
        if (touched) m_rowTouched[size_t(y)] = 1;
    }
}

void CRaindropsEffect::Composite(const CPicture& base) {
    const int w = W(), h = H();
    const int stride = base.GetStride();
    const uint8_t* bits = base.GetBits();
    for (int y = 0; y < h; ++y) {
        uint8_t* out = RowOut(y);
        const uint8_t* row = base.GetRow(y);
        if (!m_rowTouched[size_t(y)]) {
            std::memcpy(out, row, size_t(3) * w);
            continue;
        }
        const size_t line = size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const float ox = m_offsetX[line + x], oy = m_offsetY[line + x], light = m_light[line + x];
            if (ox == 0.0f && oy == 0.0f && light == 0.0f) {
                std::memcpy(out + 3 * x, row + 3 * x, 3);
                continue;
            }
            // Bilinear sample of the base at the refracted position, clamped into the picture.
            const float sx = std::clamp(x + ox, 0.0f, static_cast<float>(w - 1));
            const float sy = std::clamp(y + oy, 0.0f, static_cast<float>(h - 1));
            const int ix = std::min(static_cast<int>(sx), w - 2 < 0 ? 0 : w - 2);
            const int iy = std::min(static_cast<int>(sy), h - 2 < 0 ? 0 : h - 2);
            const int jx = std::min(ix + 1, w - 1), jy = std::min(iy + 1, h - 1);
            const float fx = sx - ix, fy = sy - iy;
            const uint8_t* p00 = bits + size_t(iy) * stride + 3 * size_t(ix);
            const uint8_t* p10 = bits + size_t(iy) * stride + 3 * size_t(jx);
            const uint8_t* p01 = bits + size_t(jy) * stride + 3 * size_t(ix);
            const uint8_t* p11 = bits + size_t(jy) * stride + 3 * size_t(jx);
            for (int c = 0; c < 3; ++c) {
                const float bottom = p00[c] + (p10[c] - p00[c]) * fx;
                const float top = p01[c] + (p11[c] - p01[c]) * fx;
                const float v = bottom + (top - bottom) * fy + light;
                out[3 * x + c] = static_cast<uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
            }
        }
    }
}

void CRaindropsEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    // Drops that have lived their time are gone; new ones fall until the quiet frames.
    m_drops.erase(std::remove_if(m_drops.begin(), m_drops.end(),
                                 [&](const Drop& d) { return k - d.birth >= m_lifetime; }),
                  m_drops.end());
    if (k <= n - m_quiet) {
        int rate = Rate();
        if (k >= static_cast<int>(n * 0.6666666)) rate = static_cast<int>(rate * 0.3 + 0.5);
        const int room = MaxDrops() - static_cast<int>(m_drops.size());
        const int add = std::max(0, std::min(rate, room));
        const double side = std::min(w, h) > 0 ? std::max(w, h) : 0;
        const int lo = std::max(4, static_cast<int>(side / (IsBig() ? 9.0 : 26.0)));
        const int hi = std::max(lo, static_cast<int>(side / (IsBig() ? 5.5 : 13.0)));
        for (int i = 0; i < add; ++i) {
            Drop drop;
            drop.cx = std::rand() % w;
            drop.cy = std::rand() % h;
            drop.birth = k;
            drop.reach = lo + std::rand() % (hi - lo + 1);
            m_drops.push_back(drop);
            ++m_started;
        }
    }
    const CPicture* base = Base(k);
    if (m_drops.empty() || m_offsetX.empty()) {
        if (base != &m_output) m_output.CopyFrom(base);
        return;
    }
    std::fill(m_offsetX.begin(), m_offsetX.end(), 0.0f);
    std::fill(m_offsetY.begin(), m_offsetY.end(), 0.0f);
    std::fill(m_light.begin(), m_light.end(), 0.0f);
    std::fill(m_rowTouched.begin(), m_rowTouched.end(), 0);
    for (const Drop& drop : m_drops) AddRipples(drop, k);
    Composite(*base);
}

}  // namespace trov
