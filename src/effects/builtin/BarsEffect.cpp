// Bars. The shift f is kL/n for the open bars and (n - k)L/n for the close bars (L = W or H);
// halves split at H / 2 (horizontal) or W / 2 (vertical).
#include "effects/builtin/BarsEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

namespace {
const char* BarsName(int type) {
    switch (type) {
        case 1:
            return "Horizontal-Open-Bar";
        case 2:
            return "Horizontal-Close-Bar";
        case 3:
            return "Vertical-Open-Bar";
        default:
            return "Vertical-Close-Bar";
    }
}
}  // namespace

CBarsEffect::CBarsEffect(int type)
    : CBuiltinEffect(BarsName(type), "1.1", true), m_type(type < 1 || type > 4 ? 4 : type) {
    if (m_type == 1 || m_type == 3) m_copyAInTextMode = false;
}

void CBarsEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    const bool open = m_type == 1 || m_type == 3;
    const bool horizontal = m_type <= 2;
    const int f = fx::MulDiv(open ? k : n - k, horizontal ? w : h, n);
    const CPicture* moving = open ? A() : B();
    if (open) m_output.CopyFrom(B());
    if (horizontal) {
        const int split = h / 2;
        m_output.CopyRect(moving, f, 0, w, split, -f, 0);     // lower half, shifted left
        m_output.CopyRect(moving, 0, split, w - f, h, f, 0);  // upper half, shifted right
    } else if (open) {
        const int split = w / 2;
        m_output.CopyRect(moving, 0, f, split, h, 0, -f);     // left half, down
        m_output.CopyRect(moving, split, 0, w, h - f, 0, f);  // right half, up
    } else {
        // B's halves arrive moving the same ways: the left one from above, the right one from below.
        const int split = w / 2;
        m_output.CopyRect(moving, 0, 0, split, h - f, 0, f);
        m_output.CopyRect(moving, split, f, w, h, 0, -f);
    }
}

}  // namespace trov
