// Random Moving Dots: two shuffled block lists paired in order; each frame every pair's block is
// drawn on a fresh background at its eased position, its colours k / n of the way from A to B.
#include "effects/builtin/RandomMovingDotsEffect.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace trov {

CRandomMovingDotsEffect::CRandomMovingDotsEffect() : CBuiltinEffect("Random Moving Dots", "2.0", true) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CRandomMovingDotsEffect::PrepareFrames() {
    m_fromA = ShuffledDotBlocks(W(), H(), 8, GetPipelines());
    m_toB = ShuffledDotBlocks(W(), H(), 8, GetPipelines());
}

void CRandomMovingDotsEffect::FreeBuffers() {
    m_fromA = {};
    m_toB = {};
}

void CRandomMovingDotsEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    m_output.Fill(CPicture::GetDefaultBackgroundColour());
    const double e = (std::sin(std::numbers::pi * k / n - std::numbers::pi / 2) + 1.0) / 2.0;
    // The contained dissolve between the two blocks, at step k of n.
    m_table.Build(k, n);
    const size_t pairs = std::min(m_fromA.size(), m_toB.size());
    for (size_t i = 0; i < pairs; ++i) {
        const SDotBlock& a = m_fromA[i];
        const SDotBlock& b = m_toB[i];
        const int px = static_cast<int>(std::lround(a.x + e * (b.x - a.x)));
        const int py = static_cast<int>(std::lround(a.y + e * (b.y - a.y)));
        // The block has B's block's size, so the last frame tiles B exactly; A's block is read
        // with its edge pixels repeated where it is smaller (cut off at the picture's edge).
        for (int v = 0; v < b.h; ++v) {
            const int ty = py + v;
            if (ty < 0 || ty >= h) continue;
            const uint8_t* rowA = RowA(a.y + std::min(v, a.h - 1));
            const uint8_t* rowB = RowB(b.y + v);
            uint8_t* out = RowOut(ty);
            for (int u = 0; u < b.w; ++u) {
                const int tx = px + u;
                if (tx < 0 || tx >= w) continue;
                const uint8_t* pa = rowA + 3 * (a.x + std::min(u, a.w - 1));
                const uint8_t* pb = rowB + 3 * (b.x + u);
                uint8_t* po = out + 3 * tx;
                po[0] = m_table.Mix(pa[0], pb[0]);
                po[1] = m_table.Mix(pa[1], pb[1]);
                po[2] = m_table.Mix(pa[2], pb[2]);
            }
        }
    }
}

}  // namespace trov
