// Stretch cross dissolves. Frame k: B is scaled into the strip of b = kL/n lines at its edge
// (L = W or H) and that strip is mixed k of n steps from A toward the scaled B; outside the strip
// A stays. Frame n is B.
#include "effects/builtin/StretchCrossDissolveEffect.h"

namespace trov {

namespace {
const char* StretchCrossName(int type) {
    switch (type) {
        case 1:
            return "Stretch-Cross-Dissolve (Left-Right)";
        case 2:
            return "Stretch-Cross-Dissolve (Right-Left)";
        case 3:
            return "Stretch-Cross-Dissolve (Top-Bottom)";
        default:
            return "Stretch-Cross-Dissolve (Bottom-Top)";
    }
}
}  // namespace

CStretchCrossDissolveEffect::CStretchCrossDissolveEffect(int type)
    : CBuiltinEffect(StretchCrossName(type), "1.0.1", true), m_type(type < 1 || type > 4 ? 4 : type) {
    m_copyAInTextMode = false;
}

void CStretchCrossDissolveEffect::DrawFrame(int k) {
    const int w = W(), h = H(), n = N();
    if (m_work.GetWidth() != w || m_work.GetHeight() != h) {
        if (!m_work.Create(w, h)) return;
    }
    const bool columns = m_type <= 2;
    const int b = fx::MulDiv(k, columns ? w : h, n);
    int x0 = 0, x1 = w, y0 = 0, y1 = h;
    switch (m_type) {
        case 1:
            x1 = b;
            break;
        case 2:
            x0 = w - b;
            break;
        case 3:
            y0 = h - b;
            break;
        default:
            y1 = b;
            break;
    }
    m_output.CopyFrom(A());
    if (x1 <= x0 || y1 <= y0) return;
    SendStatus(m_pipelines, "Resizing picture ...");
    fx::DrawScaled(m_scaler, m_work, x0, y0, x1 - x0, y1 - y0, *B(), 0, 0, w, h);
    m_table.Build(k, n);
    for (int y = y0; y < y1; ++y)
        m_table.Apply(RowOut(y) + 3 * x0, RowA(y) + 3 * x0, m_work.GetRow(y) + 3 * x0, size_t(x1 - x0) * 3);
}

}  // namespace trov
