// Shape wipes: the frame maps of the iris, the fan and the splitted circles.
#include "effects/builtin/ShapeWipeEffect.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/EffectPixels.h"
#include "infra/Angles.h"

namespace trov {

void CShapeWipeEffect::DrawFrame(int k) {
    if (m_textMode)
        m_map.DrawUpTo(m_output, *B(), k);
    else
        m_map.DrawFrame(m_output, *B(), k);
}

// ---- iris ----

CIrisEffect::CIrisEffect() : CShapeWipeEffect("Iris (Round)", "1.1", true) {}

void CIrisEffect::BuildMap() {
    const int n = N();
    const int cx = W() / 2, cy = H() / 2;
    const double radius = std::trunc(std::sqrt(double(cx) * cx + double(cy) * cy));
    m_map.Resize(W(), H());
    for (int y = 0; y < H(); ++y) {
        int32_t* row = m_map.Row(y);
        const double dy = y - cy;
        for (int x = 0; x < W(); ++x) {
            const double dx = x - cx;
            const double d = std::sqrt(dx * dx + dy * dy);
            // First k with d <= R * k / n; the estimate is corrected against that very test.
            int k = radius > 0 ? int(std::ceil(d * n / radius)) : 1;
            k = std::clamp(k, 1, n);
            while (k > 1 && d <= radius * (k - 1) / n) --k;
            while (k < n && d > radius * k / n) ++k;
            row[x] = k;
        }
    }
}

// ---- fan ----

CFanEffect::CFanEffect() : CShapeWipeEffect("Center-Fan (Left and Right)", "1.1", true) {}

void CFanEffect::BuildMap() {
    const int n = N();
    const double half = W() / 2;
    m_map.Resize(W(), H());
    for (int y = 0; y < H(); ++y) {
        int32_t* row = m_map.Row(y);
        for (int x = 0; x < W(); ++x) {
            const double t = Degrees(std::fabs(std::atan((half - x) / (1e-6 - y))));
            // Frame k takes (k - 1) * 90 / n <= t < k * 90 / n.
            int k = int(t * n / 90.0) + 1;
            k = std::clamp(k, 1, n);
            while (k > 1 && t < (k - 1) * 90.0 / n) --k;
            while (k < n && t >= k * 90.0 / n) ++k;
            row[x] = k;
        }
    }
}

// ---- splitted circles ----

CSplittedCircleEffect::CSplittedCircleEffect(int type)
    : CShapeWipeEffect(type == 2 ? "Splitted Circle (In-Out)" : "Splitted Circle (In-In)", "1.0", true),
      m_type(type == 2 ? 2 : 1) {}

void CSplittedCircleEffect::BuildMap() {
    const int n = N();
    const int cx = W() / 2, cy = H() / 2;
    const double radius = std::trunc(std::sqrt(double(cx) * cx + double(cy) * cy));
    // The band width is fractional: with whole pixels 26 bands would leave a hole in the middle.
    const double band = radius / 26.0;
    int outer[26], inner[26], frameOf[26];
    std::fill(frameOf, frameOf + 26, n);
    for (int t = 0; t < 26; ++t) {
        double o;
        if (t < 13)
            o = radius - 2 * band * t;
        else if (m_type == 1)
            o = radius - band - 2 * band * (t - 13);
        else
            o = radius - band - 2 * band * (25 - t);
        outer[t] = int(o);
        inner[t] = std::max(0, int(outer[t] - band));
    }
    // Frame k draws bands trunc(26(k-1)/n + 0.5) .. trunc(26k/n + 0.5) - 1.
    for (int k = 1; k <= n; ++k) {
        const int from = int(26.0 * (k - 1) / n + 0.5), to = int(26.0 * k / n + 0.5) - 1;
        for (int t = std::max(from, 0); t <= std::min(to, 25); ++t) frameOf[t] = k;
    }
    m_map.Resize(W(), H());
    for (int y = 0; y < H(); ++y) {
        int32_t* row = m_map.Row(y);
        const double dy = y - cy;
        for (int x = 0; x < W(); ++x) {
            const double dx = x - cx;
            const double d = std::sqrt(dx * dx + dy * dy);
            int first = n;
            for (int t = 0; t < 26; ++t)
                if (d >= inner[t] && d <= outer[t]) first = std::min(first, frameOf[t]);
            row[x] = first;
        }
    }
}

}  // namespace trov
