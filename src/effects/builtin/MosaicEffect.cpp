// Mosaic. s_max = min(W / 2, H / 2), na = n / 2, nb = n - na; frame k uses the block side
// trunc(k^2 s_max / na^2) + 1 on A while k <= na, trunc((n - k)^2 s_max / nb^2) + 1 on B after.
// Block centres sit on a grid of that pitch with one centre on (W / 2, H / 2); each block takes
// the colour of the sampled picture at its (clamped) centre. Side 1 is the picture itself.
#include "effects/builtin/MosaicEffect.h"

#include <algorithm>
#include <cstring>

namespace trov {

CMosaicEffect::CMosaicEffect() : CBuiltinEffect("Blur\xC2\xB4N Sharp", "1.1", true) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CMosaicEffect::DrawFrame(int k) {
    const int w = W(), h = H(), n = N();
    const long long smax = std::min(w / 2, h / 2);
    const int na = n / 2, nb = n - na;
    const bool onA = k <= na;
    const long long step = onA ? k : n - k;
    const long long divisor = onA ? (long long)na * na : (long long)nb * nb;
    const int size = int(std::min<long long>(step * step * smax / divisor, 1 << 20)) + 1;
    const CPicture& source = onA ? *A() : *B();
    if (size == 1) {
        m_output.CopyFrom(&source);
        return;
    }
    // The first centre at or left of 0 (and at or below 0) on the grid through the middle.
    int firstX = (w / 2) % size, firstY = (h / 2) % size;
    if (firstX > 0) firstX -= size;
    if (firstY > 0) firstY -= size;
    const int before = size / 2, after = size - size / 2;
    m_row.resize(size_t(w) * 3);
    for (int cy = firstY; cy - before < h; cy += size) {
        const int y0 = std::max(cy - before, 0), y1 = std::min(cy + after, h);
        if (y0 >= y1) continue;
        const uint8_t* sampleRow = source.GetRow(std::clamp(cy, 0, h - 1));
        for (int cx = firstX; cx - before < w; cx += size) {
            const int x0 = std::max(cx - before, 0), x1 = std::min(cx + after, w);
            const uint8_t* c = sampleRow + 3 * std::clamp(cx, 0, w - 1);
            for (int x = x0; x < x1; ++x) std::memcpy(&m_row[size_t(x) * 3], c, 3);
        }
        for (int y = y0; y < y1; ++y) std::memcpy(RowOut(y), m_row.data(), m_row.size());
    }
}

}  // namespace trov
