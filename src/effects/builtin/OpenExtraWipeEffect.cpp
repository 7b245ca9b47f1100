// Open-extra wipes: every frame is complete (band from B, outside filled from the band's edges).
#include "effects/builtin/OpenExtraWipeEffect.h"

#include <algorithm>
#include <cstring>

#include "effects/EffectPixels.h"

namespace trov {

COpenExtraWipeEffect::COpenExtraWipeEffect(int type)
    : CBuiltinEffect(type == 2 ? "Vertical-Open-Extra-Wipe" : "Horizontal-Open-Extra-Wipe",
                     type == 2 ? "1.0" : "1.1", true),
      m_type(type == 2 ? 2 : 1) {
    m_copyAInTextMode = false;
}

void COpenExtraWipeEffect::DrawFrame(int k) {
    const int w = W(), h = H();
    if (m_type == 1) {
        const int h2 = h / 2;
        const int grow = fx::MulDiv(k, h - h2, N());
        const int e1 = std::max(h2 - grow, 0);
        const int e2 = h2 + grow;
        m_output.CopyRect(B(), 0, e1, w, std::min(e2, h), 0, 0);
        const size_t bytes = size_t(w) * 3;
        for (int y = 0; y < e1; ++y) std::memcpy(RowOut(y), RowB(e1), bytes);
        for (int y = e2; y < h; ++y) std::memcpy(RowOut(y), RowB(e2), bytes);
    } else {
        const int w2 = w / 2;
        const int grow = fx::MulDiv(k, w - w2, N());
        const int e1 = std::max(w2 - grow, 0);
        const int e2 = w2 + grow;
        m_output.CopyRect(B(), e1, 0, std::min(e2, w), h, 0, 0);
        for (int y = 0; y < h; ++y) {
            uint8_t* o = RowOut(y);
            const uint8_t* b = RowB(y);
            for (int x = 0; x < e1; ++x) std::memcpy(o + 3 * x, b + 3 * e1, 3);
            if (e2 < w)
                for (int x = e2; x < w; ++x) std::memcpy(o + 3 * x, b + 3 * e2, 3);
        }
    }
}

}  // namespace trov
