// Two-stage dissolves through a middle picture made per byte from A and B.
#include "effects/builtin/TwoStageDissolveEffect.h"

#include <algorithm>
#include <cstring>

namespace trov {

CTwoStageDissolveEffect::CTwoStageDissolveEffect(int type)
    : CBuiltinEffect(type == 2 ? "Substractional Dissolve" : "Additional Dissolve", "1.0", false),
      m_type(type == 2 ? 2 : 1) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CTwoStageDissolveEffect::PrepareFrames() {
    if (!m_middle.Create(W(), H())) return;
    const size_t bytes = size_t(m_middle.GetImageSize());
    const uint8_t* a = A()->GetBits();
    const uint8_t* b = B()->GetBits();
    uint8_t* m = m_middle.GetBits();
    if (m_type == 1)
        for (size_t i = 0; i < bytes; ++i) m[i] = uint8_t(std::min(255, a[i] + b[i]));
    else
        for (size_t i = 0; i < bytes; ++i) m[i] = uint8_t(std::max(0, b[i] - a[i]));
    m_firstStage = N() / 2;
    m_dissolve.Init(A(), &m_middle, m_firstStage);
}

void CTwoStageDissolveEffect::DrawFrame(int k) {
    if (m_middle.IsEmpty()) return;
    if (k - 1 == m_firstStage) m_dissolve.Init(&m_middle, B(), N() - m_firstStage);
    if (const CDibPicture* frame = m_dissolve.NextFrame()) m_output.CopyFrom(frame);
}

void CTwoStageDissolveEffect::FreeBuffers() {
    m_dissolve.End();
    m_middle.Reset();
}

}  // namespace trov
