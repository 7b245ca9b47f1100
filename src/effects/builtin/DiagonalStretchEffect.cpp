// Diagonal stretches: the moving picture scaled to trunc(sW/n) x trunc(sH/n) (s = k, or n - k for
// the Reverse types) with its corner in the named corner.
#include "effects/builtin/DiagonalStretchEffect.h"

namespace trov {

namespace {
std::string DiagonalStretchName(int type) {
    static const char* const corners[] = {"Left-Bottom", "Right-Bottom", "Left-Top", "Right-Top"};
    std::string name = std::string("Diagonal-Stretch-") + corners[(type - 1) % 4];
    if (type > 4) name += " Reverse";
    return name;
}
}  // namespace

CDiagonalStretchEffect::CDiagonalStretchEffect(int type)
    : CBuiltinEffect(DiagonalStretchName(type < 1 || type > 8 ? 1 : type), "1.1", true),
      m_type(type < 1 || type > 8 ? 1 : type) {
    if (m_type > 4) m_copyAInTextMode = false;
}

void CDiagonalStretchEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    const bool reverse = m_type > 4;
    const int corner = (m_type - 1) % 4;
    const int s = reverse ? n - k : k;
    const int sw = fx::MulDiv(s, w, n), sh = fx::MulDiv(s, h, n);
    const int x0 = (corner == 1 || corner == 3) ? w - sw : 0;
    const int y0 = corner >= 2 ? h - sh : 0;
    SendStatus(m_pipelines, "Resizing picture ...");
    if (reverse) m_output.CopyFrom(B());
    fx::DrawScaled(m_scaler, m_output, x0, y0, sw, sh, reverse ? *A() : *B(), 0, 0, w, h);
}

}  // namespace trov
