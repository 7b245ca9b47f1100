// Lens zooms. The quadrants (split at W / 2 and H / 2) move toward the centre and are cut at the
// centre lines. Each side moves by its own share (left hw*s/n, right (W - hw)*s/n, likewise
// vertically), so with odd sizes no line of A is left over on the last frame.
#include "effects/builtin/LensZoomEffect.h"

#include "effects/EffectPixels.h"

namespace trov {

CLensZoomEffect::CLensZoomEffect(int type)
    : CBuiltinEffect(type == 2 ? "Lens-Zoom-Out" : "Lens-Zoom-In", "1.1", true), m_type(type == 2 ? 2 : 1) {
    if (m_type == 1) m_copyAInTextMode = false;
}

void CLensZoomEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    const int hw = w / 2, hh = h / 2;
    const int s = m_type == 1 ? k : n - k;
    const int dl = fx::MulDiv(s, hw, n), dr = fx::MulDiv(s, w - hw, n);
    const int db = fx::MulDiv(s, hh, n), dt = fx::MulDiv(s, h - hh, n);
    const CPicture* moving = m_type == 1 ? A() : B();
    if (m_type == 1) m_output.CopyFrom(B());
    m_output.CopyRect(moving, 0, 0, hw - dl, hh - db, dl, db);    // bottom left
    m_output.CopyRect(moving, 0, hh + dt, hw - dl, h, dl, -dt);   // top left
    m_output.CopyRect(moving, hw + dr, hh + dt, w, h, -dr, -dt);  // top right
    m_output.CopyRect(moving, hw + dr, 0, w, hh - db, -dr, db);   // bottom right
}

}  // namespace trov
