// Barn doors. Horizontal ones split rows at h2 = H / 2, vertical ones columns at W / 2; every
// frame is complete (the background picture whole, then both moving halves).
#include "effects/builtin/BarnDoorEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

namespace {
const char* BarnDoorName(int type) {
    switch (type) {
        case 1:
            return "Vertical-Open-Barn-Door";
        case 2:
            return "Vertical-Close-Barn-Door";
        case 3:
            return "Horizontal-Open-Barn-Door";
        default:
            return "Horizontal-Close-Barn-Door";
    }
}
}  // namespace

CBarnDoorEffect::CBarnDoorEffect(int type)
    : CBuiltinEffect(BarnDoorName(type), "1.1", true), m_type(type < 1 || type > 4 ? 4 : type) {
    m_copyAInTextMode = false;
}

void CBarnDoorEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    const bool open = m_type == 1 || m_type == 3;
    const bool rows = m_type >= 3;
    const int length = rows ? h : w;
    const int half = length / 2;
    const int rest = length - half;
    // Open: A moves out by k/n of each half; close: B is still (n - k)/n of each half away.
    const int steps = open ? k : n - k;
    const int lowShift = fx::MulDiv(steps, half, n);
    const int highShift = fx::MulDiv(steps, rest, n);
    const CPicture* still = open ? B() : A();
    const CPicture* moving = open ? A() : B();
    m_output.CopyFrom(still);
    if (rows) {
        // Lower half leaves through (or enters from) the bottom edge, upper half the top edge.
        m_output.CopyRect(moving, 0, lowShift, w, half, 0, -lowShift);
        m_output.CopyRect(moving, 0, half, w, h - highShift, 0, highShift);
    } else {
        m_output.CopyRect(moving, lowShift, 0, half, h, -lowShift, 0);
        m_output.CopyRect(moving, half, 0, w - highShift, h, highShift, 0);
    }
}

}  // namespace trov
