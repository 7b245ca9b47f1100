// Frame-map driven copies of B's pixels.
#include "effects/RevealMap.h"

namespace trov::fx {

void CRevealMap::DrawFrame(CPicture& out, const CPicture& b, int k) const {
    if (out.IsEmpty() || b.IsEmpty() || out.GetWidth() != m_width || out.GetHeight() != m_height) return;
    for (int y = 0; y < m_height; ++y) {
        const int32_t* f = m_frames.data() + size_t(y) * size_t(m_width);
        uint8_t* o = out.GetRow(y);
        const uint8_t* s = b.GetRow(y);
        for (int x = 0; x < m_width; ++x)
            if (f[x] == k) {
                o[3 * x] = s[3 * x];
                o[3 * x + 1] = s[3 * x + 1];
                o[3 * x + 2] = s[3 * x + 2];
            }
    }
}

void CRevealMap::DrawUpTo(CPicture& out, const CPicture& b, int k) const {
    if (out.IsEmpty() || b.IsEmpty() || out.GetWidth() != m_width || out.GetHeight() != m_height) return;
    for (int y = 0; y < m_height; ++y) {
        const int32_t* f = m_frames.data() + size_t(y) * size_t(m_width);
        uint8_t* o = out.GetRow(y);
        const uint8_t* s = b.GetRow(y);
        for (int x = 0; x < m_width; ++x)
            if (f[x] <= k) {
                o[3 * x] = s[3 * x];
                o[3 * x + 1] = s[3 * x + 1];
                o[3 * x + 2] = s[3 * x + 2];
            }
    }
}

}  // namespace trov::fx
