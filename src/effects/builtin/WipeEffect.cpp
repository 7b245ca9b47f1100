// Directional wipes. Strip k is [trunc(k * L / n), trunc((k + 1) * L / n)) along the edge length L;
// normal frames copy B up to the strip and A over the strip, text-mode frames B up to its end.
#include "effects/builtin/WipeEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

namespace {
const char* WipeName(int type) {
    switch (type) {
        case 1:
            return "Left-Right-Wipe";
        case 2:
            return "Right-Left-Wipe";
        case 3:
            return "Top-Bottom-Wipe";
        default:
            return "Bottom-Top-Wipe";
    }
}
}  // namespace

CWipeEffect::CWipeEffect(int type)
    : CBuiltinEffect(WipeName(type), "2.0", true), m_type(type < 1 || type > 4 ? 4 : type) {}

void CWipeEffect::DrawFrame(int k) {
    const bool columns = m_type <= 2;
    const int length = columns ? W() : H();
    const int d = fx::MulDiv(k, length, N());
    const int e = fx::MulDiv(k + 1, length, N());
    // Both ranges measured from the edge B comes from; mirrored for Right-Left and Top-Bottom.
    auto copy = [&](const CPicture* from, int lo, int hi) {
        if (hi > length) hi = length;
        if (lo >= hi) return;
        const bool mirrored = m_type == 2 || m_type == 3;
        const int a = mirrored ? length - hi : lo;
        const int b = mirrored ? length - lo : hi;
        if (columns)
            m_output.CopyRect(from, a, 0, b, H(), 0, 0);
        else
            m_output.CopyRect(from, 0, a, W(), b, 0, 0);
    };
    if (m_textMode) {
        copy(B(), 0, e);
    } else {
        copy(B(), 0, d);
        copy(A(), d, e);
    }
}

}  // namespace trov
