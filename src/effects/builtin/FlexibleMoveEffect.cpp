// Flexible moves. Slide-in during F = min(trunc(n / 3), 15) frames (B's edge strip of
// trunc(L * k / F + 0.5) pixels at the entry edge), then a wobble: with the decaying amplitude
// E = 0.4 * L * (n - k) / (n - F) * sin(18 (k - F) deg), row y of B (or column x for the vertical
// types) is drawn shifted along the travel axis by trunc(E * sin(y * 90 / (H / 2) deg) + 0.5), so
// the middle of the sheet swings most and its ends stay put. L is the length along the travel.
#include "effects/builtin/FlexibleMoveEffect.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/EffectPixels.h"
#include "infra/Angles.h"

namespace trov {

namespace {
const char* FlexibleName(int type) {
    switch (type) {
        case 1:
            return "Flexible Move (Top-Bottom)";
        case 2:
            return "Flexible Move (Bottom-Top)";
        case 3:
            return "Flexible Move (Left-Right)";
        default:
            return "Flexible Move (Right-Left)";
    }
}
}  // namespace

CFlexibleMoveEffect::CFlexibleMoveEffect(int type)
    : CBuiltinEffect(FlexibleName(type), "1.0", true), m_type(type < 1 || type > 4 ? 4 : type) {
    m_copyAInTextMode = false;
}

void CFlexibleMoveEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    const bool horizontal = m_type >= 3;
    const int along = horizontal ? w : h;  // travel axis length
    const int across = horizontal ? h : w;
    const int slide = std::min(n / 3, 15);
    m_output.CopyFrom(A());
    if (k <= slide && k < n) {
        const int o = std::min(fx::Trunc(double(along) * k / slide + 0.5), along);
        switch (m_type) {
            case 1:
                m_output.CopyRect(B(), 0, 0, w, o, 0, h - o);
                break;  // from the top
            case 2:
                m_output.CopyRect(B(), 0, h - o, w, h, 0, -(h - o));
                break;  // from the bottom
            case 3:
                m_output.CopyRect(B(), w - o, 0, w, h, -(w - o), 0);
                break;  // from the left
            default:
                m_output.CopyRect(B(), 0, 0, o, h, w - o, 0);
                break;  // from the right
        }
        return;
    }
    const double amplitude =
        0.4 * along * (n - k) / double(n - slide) * std::sin(18.0 * (k - slide) * kRadiansPerDegree);
    const double halfAcross = across / 2;
    if (horizontal) {
        for (int y = 0; y < h; ++y) {
            const int shift =
                fx::Trunc(amplitude * std::sin(y * 90.0 / halfAcross * kRadiansPerDegree) + 0.5);
            m_output.CopyRect(B(), 0, y, w, y + 1, shift, 0);
        }
        return;
    }
    // Columns move up or down: per row, each pixel takes B's pixel shift(x) rows lower.
    m_shifts.resize(size_t(w));
    for (int x = 0; x < w; ++x)
        m_shifts[size_t(x)] =
            fx::Trunc(amplitude * std::sin(x * 90.0 / halfAcross * kRadiansPerDegree) + 0.5);
    for (int y = 0; y < h; ++y) {
        uint8_t* o = RowOut(y);
        for (int x = 0; x < w; ++x) {
            const int sy = y - m_shifts[size_t(x)];
            if (sy < 0 || sy >= h) continue;
            const uint8_t* b = RowB(sy) + 3 * x;
            o[3 * x] = b[0];
            o[3 * x + 1] = b[1];
            o[3 * x + 2] = b[2];
        }
    }
}

}  // namespace trov
