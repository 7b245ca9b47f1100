// Cross slides. With hw = W / 2 and hh = H / 2, the quadrant shifts after s of n steps are
// e = s*hw/n, f = s*(H - hh)/n, l = s*hh/n, u = s*(W - hw)/n (s = k to open, n - k to close).
#include "effects/builtin/CrossSlideEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

CCrossSlideEffect::CCrossSlideEffect(int type)
    : CBuiltinEffect(type == 2 ? "Cross Slide Close" : "Cross Slide Open", "1.1", true),
      m_type(type == 2 ? 2 : 1) {
    m_copyAInTextMode = false;
}

void CCrossSlideEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    const bool open = m_type == 1;
    // With odd sizes the quadrants leave the centre line out; the last frame is B all the same.
    if (!open && k >= n) {
        m_output.CopyFrom(B());
        return;
    }
    const int s = open ? k : n - k;
    const int hw = w / 2, hh = h / 2;
    const int e = fx::MulDiv(s, hw, n), f = fx::MulDiv(s, h - hh, n);
    const int l = fx::MulDiv(s, hh, n), u = fx::MulDiv(s, w - hw, n);
    const CPicture* moving = open ? A() : B();
    m_output.CopyFrom(open ? B() : A());
    m_output.CopyRect(moving, e, f, hw, hh, -e, -f);                // bottom left
    m_output.CopyRect(moving, e, h - hh, hw, h - l, -e, l);         // top left
    m_output.CopyRect(moving, w - hw, h - hh, w - u, h - l, u, l);  // top right
    m_output.CopyRect(moving, w - hw, f, w - u, hh, u, -f);         // bottom right
}

}  // namespace trov
