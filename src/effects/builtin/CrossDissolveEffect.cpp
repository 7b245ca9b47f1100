// Cross dissolve with an exact last frame: the mix goes through a per-byte table built from the
// whole-number progress, so frame n is B bit for bit and no rounding accumulates.
#include "effects/builtin/CrossDissolveEffect.h"

namespace trov {

CCrossDissolveEffect::CCrossDissolveEffect() : CBuiltinEffect("Cross Dissolve", "1.1", true) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CCrossDissolveEffect::PrepareFrames() {
    m_progress = 0.0;
}

void CCrossDissolveEffect::DrawFrame(int k) {
    // In text mode the caller jumps between frame indices and changes B between calls, so the
    // frame is computed from the index; otherwise the speeds taken so far add up.
    if (m_textMode)
        m_progress = k * m_speed;
    else
        m_progress += m_speed;
    m_table.Build(m_progress, N());
    fx::BlendPictures(m_output, *A(), *B(), m_table);
}

}  // namespace trov
