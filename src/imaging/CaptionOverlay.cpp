// Compositing a prepared caption: the picture shows through by the outline's remainder, the rest
// is the outline colour, and the text is laid over that by its own coverage.
#include "imaging/CaptionOverlay.h"

#include <algorithm>

namespace trov {

bool CCaptionOverlay::Composite(CPicture& picture) const {
    return Composite(picture, m_settings.textColour, m_settings.backColour);
}

bool CCaptionOverlay::Composite(CPicture& picture, Colour text, Colour back) const {
    if (picture.IsEmpty() || picture.GetWidth() != m_width || picture.GetHeight() != m_height) return false;
    if (IsEmpty()) return true;
    const int H = m_height, rw = m_rx1 - m_rx0;
    const float tb = ColourBlue(text), tg = ColourGreen(text), tr = ColourRed(text);
    const float bb = ColourBlue(back), bg = ColourGreen(back), br = ColourRed(back);
    for (int sy = m_ry0; sy < m_ry1; ++sy) {
        uint8_t* row = picture.GetRow(H - 1 - sy);
        const float* r = m_remain.data() + size_t(sy - m_ry0) * size_t(rw);
        const int my = sy - m_my0;
        const bool hasText = my >= 0 && my < m_maskH;
        for (int sx = m_rx0; sx < m_rx1; ++sx) {
            uint8_t* p = row + 3 * sx;
            const float keepPic = r[sx - m_rx0];
            float b = p[0] * keepPic + bb * (1.0f - keepPic);
            float g = p[1] * keepPic + bg * (1.0f - keepPic);
            float rr = p[2] * keepPic + br * (1.0f - keepPic);
            const int mx = sx - m_mx0;
            if (hasText && mx >= 0 && mx < m_maskW) {
                const float al = m_mask[size_t(my) * size_t(m_maskW) + size_t(mx)] / 255.0f;
                b = b * (1.0f - al) + tb * al;
                g = g * (1.0f - al) + tg * al;
                rr = rr * (1.0f - al) + tr * al;
            }
            p[0] = uint8_t(std::clamp(b + 0.5f, 0.0f, 255.0f));
            p[1] = uint8_t(std::clamp(g + 0.5f, 0.0f, 255.0f));
            p[2] = uint8_t(std::clamp(rr + 0.5f, 0.0f, 255.0f));
        }
    }
    picture.BitsChanged();
    return true;
}

}  // namespace trov
