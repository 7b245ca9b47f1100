// Corner wipes: B's rectangle of kW/n x kH/n anchored at the corner, copied in place over A.
#include "effects/builtin/CornerWipeEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

namespace {
const char* CornerWipeName(int type) {
    switch (type) {
        case 1:
            return "Diagonal-Wipe-Left-Bottom";
        case 2:
            return "Diagonal-Wipe-Right-Bottom";
        case 3:
            return "Diagonal-Wipe-Left-Top";
        default:
            return "Diagonal-Wipe-Right-Top";
    }
}
}  // namespace

CCornerWipeEffect::CCornerWipeEffect(int type)
    : CBuiltinEffect(CornerWipeName(type), "1.1", true), m_type(type < 1 || type > 4 ? 4 : type) {}

void CCornerWipeEffect::DrawFrame(int k) {
    const int a = fx::MulDiv(k, W(), N()), b = fx::MulDiv(k, H(), N());
    const bool right = m_type == 2 || m_type == 4;
    const bool top = m_type >= 3;
    const int x0 = right ? W() - a : 0, y0 = top ? H() - b : 0;
    m_output.CopyRect(B(), x0, y0, x0 + a, y0 + b, 0, 0);
}

}  // namespace trov
