// Two-direction dissolve. Frame k mixes, k of n steps, two partial copies:
//   X = A whose columns [0, kW/n) hold the half-way mix of A and B (growing from the left),
//   Y = B whose rows [kH/n, H) hold the half-way mix (shrinking toward the top).
// Frame n is Y with nothing mixed left, that is B.
#include "effects/builtin/TwoDirectionDissolveEffect.h"

namespace trov {

CTwoDirectionDissolveEffect::CTwoDirectionDissolveEffect()
    : CBuiltinEffect("Cross Dissolve (Two Direction)", "1.1", true) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
    m_half.Build(25.0, 50);
}

void CTwoDirectionDissolveEffect::DrawFrame(int k) {
    m_final.Build(k, N());
    const int xSplit = fx::MulDiv(k, W(), N());
    const int ySplit = fx::MulDiv(k, H(), N());
    for (int y = 0; y < H(); ++y) {
        const uint8_t* a = RowA(y);
        const uint8_t* b = RowB(y);
        uint8_t* o = RowOut(y);
        const bool yMixed = y >= ySplit;
        for (int i = 0; i < W() * 3; ++i) {
            const uint8_t half = m_half.Mix(a[i], b[i]);
            const uint8_t x = i < xSplit * 3 ? half : a[i];
            const uint8_t z = yMixed ? half : b[i];
            o[i] = m_final.Mix(x, z);
        }
    }
}

}  // namespace trov
