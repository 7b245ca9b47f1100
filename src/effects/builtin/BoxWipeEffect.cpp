// Box wipes: the box of s/n of the picture's size sits at ((W - w) / 2, (H - h) / 2).
#include "effects/builtin/BoxWipeEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

CBoxWipeEffect::CBoxWipeEffect(int type)
    : CBuiltinEffect(type == 2 ? "Box-Wipe-Reverse" : "Box-Wipe", "1.1", true), m_type(type == 2 ? 2 : 1) {
    if (m_type == 2) m_copyAInTextMode = false;
}

void CBoxWipeEffect::DrawFrame(int k) {
    const int s = m_type == 1 ? k : N() - k;
    const int w = fx::MulDiv(s, W(), N()), h = fx::MulDiv(s, H(), N());
    const int x0 = (W() - w) / 2, y0 = (H() - h) / 2;
    const CPicture* box = m_type == 1 ? B() : A();
    if (m_type == 2) m_output.CopyFrom(B());
    m_output.CopyRect(box, x0, y0, x0 + w, y0 + h, 0, 0);
}

}  // namespace trov
