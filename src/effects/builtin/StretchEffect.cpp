// Stretches: with b = kL/n (L = H or W), B is scaled into the b lines at its edge and A into the
// remaining L - b lines; frame n is B unscaled.
#include "effects/builtin/StretchEffect.h"

namespace trov {

namespace {
const char* StretchName(int type) {
    switch (type) {
        case 1:
            return "Top-Bottom-Stretch";
        case 2:
            return "Bottom-Top-Stretch";
        case 3:
            return "Right-Left-Stretch";
        default:
            return "Left-Right-Stretch";
    }
}
}  // namespace

CStretchEffect::CStretchEffect(int type)
    : CBuiltinEffect(StretchName(type), "1.1", true), m_type(type < 1 || type > 4 ? 4 : type) {
    m_copyAInTextMode = false;
}

void CStretchEffect::DrawFrame(int k) {
    const int w = W(), h = H();
    const bool rows = m_type <= 2;
    const int b = fx::MulDiv(k, rows ? h : w, N());
    const int a = (rows ? h : w) - b;
    // Where B's part starts along the axis; A takes the other side.
    const bool bAtHighEnd = m_type == 1 || m_type == 3;  // from the top or from the right
    const int bStart = bAtHighEnd ? a : 0;
    const int aStart = bAtHighEnd ? 0 : b;
    SendStatus(m_pipelines, "Resizing picture 1...");
    if (rows)
        fx::DrawScaled(m_scaler, m_output, 0, aStart, w, a, *A(), 0, 0, w, h);
    else
        fx::DrawScaled(m_scaler, m_output, aStart, 0, a, h, *A(), 0, 0, w, h);
    SendStatus(m_pipelines, "Resizing picture 2...");
    if (rows)
        fx::DrawScaled(m_scaler, m_output, 0, bStart, w, b, *B(), 0, 0, w, h);
    else
        fx::DrawScaled(m_scaler, m_output, bStart, 0, b, h, *B(), 0, 0, w, h);
}

}  // namespace trov
