// Random Circle Cross Dissolve: per row, each circle covers one run of columns, so the coverage
// counts come from a difference array; the mix of A and B for each count is a table.
#include "effects/builtin/RandomCircleEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trov {

CRandomCircleEffect::CRandomCircleEffect() : CBuiltinEffect("Random Circle Cross Dissolve", "1.0", true) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CRandomCircleEffect::PrepareFrames() {
    const int w = W(), h = H();
    m_circles.clear();
    for (int i = 0; i < kCircles; ++i) {
        Circle c;
        c.cx = std::rand() % w;
        c.cy = std::rand() % h;
        double farthest = 0.0;
        for (int corner = 0; corner < 4; ++corner) {
            const double dx = (corner & 1 ? w : 0) - c.cx, dy = (corner & 2 ? h : 0) - c.cy;
            farthest = std::max(farthest, std::sqrt(dx * dx + dy * dy));
        }
        c.radius = static_cast<int>(farthest);
        m_circles.push_back(c);
    }
    // out = trunc(c / 7 * (B - A) + 0.5 + A), at most 255, for every count c and byte pair.
    m_mix.resize(size_t(kCircles + 1) << 16);
    for (int c = 0; c <= kCircles; ++c)
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                const double v = static_cast<double>(c) / kCircles * (b - a) + 0.5 + a;
                m_mix[(size_t(c) << 16) | (size_t(a) << 8) | size_t(b)] =
                    static_cast<uint8_t>(std::min(255, static_cast<int>(v)));
            }
    m_coverage.assign(size_t(w) + 1, 0);
}

void CRandomCircleEffect::FreeBuffers() {
    m_circles = {};
    m_mix = {};
    m_coverage = {};
}

void CRandomCircleEffect::DrawFrame(int k) {
    const int w = W(), h = H(), n = N();
    if (k >= n) {
        // The circles' radii are truncated corner distances, so a corner pixel can lie just
        // outside one of them; the transition must still end on B exactly.
        m_output.CopyFrom(B());
        return;
    }
    std::vector<double> reach(m_circles.size());
    for (size_t i = 0; i < m_circles.size(); ++i)
        reach[i] = static_cast<double>(m_circles[i].radius) * k / n + 0.5;
    for (int y = 0; y < h; ++y) {
        std::fill(m_coverage.begin(), m_coverage.end(), 0);
        for (size_t i = 0; i < m_circles.size(); ++i) {
            const Circle& c = m_circles[i];
            const double t = reach[i];
            const double dy = y - c.cy;
            if (std::fabs(dy) >= t) continue;
            // Columns with sqrt(dx^2 + dy^2) < t: start from the estimate and settle it with the
            // exact test, so no pixel depends on rounding of the estimate.
            auto inside = [&](int dx) { return std::sqrt(double(dx) * dx + dy * dy) < t; };
            int half = static_cast<int>(std::sqrt(std::max(0.0, t * t - dy * dy)));
            while (half > 0 && !inside(half)) --half;
            while (inside(half + 1)) ++half;
            if (!inside(0)) continue;
            const int x0 = std::max(0, c.cx - half), x1 = std::min(w - 1, c.cx + half);
            if (x0 > x1) continue;
            ++m_coverage[size_t(x0)];
            --m_coverage[size_t(x1) + 1];
        }
        const uint8_t* a = RowA(y);
        const uint8_t* b = RowB(y);
        uint8_t* out = RowOut(y);
        int count = 0;
        for (int x = 0; x < w; ++x) {
            count += m_coverage[size_t(x)];
            const uint8_t* table = m_mix.data() + (size_t(count) << 16);
            for (int ch = 0; ch < 3; ++ch) {
                const int i = 3 * x + ch;
                out[i] = table[(size_t(a[i]) << 8) | b[i]];
            }
        }
    }
}

}  // namespace trov
