// RGB move. h = n / 2; while k < h the channels of A move out by (round(m^2 W / q), round(m^2 H / q))
// with m = k, q = h^2; from then on B's channels move in with m = n - k, q = (n - h)^2, meeting
// on the last frame (m = 0). Every frame starts black.
#include "effects/builtin/RgbMoveEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace trov {

namespace {
constexpr int kSignX[4] = {-1, +1, +1, -1};
constexpr int kSignY[4] = {-1, -1, +1, +1};
}  // namespace

CRgbMoveEffect::CRgbMoveEffect() : CBuiltinEffect("RGB Move", "1.0", true) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CRgbMoveEffect::PrepareFrames() {
    for (auto& set : m_codes) {
        // Three distinct codes out of four, ascending: red, green, blue.
        int count = 0;
        while (count < 3) {
            const int code = std::rand() % 4;
            if (std::find(set, set + count, code) == set + count) set[count++] = code;
        }
        std::sort(set, set + 3);
    }
}

void CRgbMoveEffect::DrawFrame(int k) {
    const int w = W(), h = H(), n = N();
    const int half = n / 2;
    const bool onA = k < half;
    const long long m = onA ? k : n - k;
    const long long q = onA ? (long long)half * half : (long long)(n - half) * (n - half);
    const int dx = static_cast<int>(std::llround(double(m * m) * w / double(q)));
    const int dy = static_cast<int>(std::llround(double(m * m) * h / double(q)));
    const CPicture& source = onA ? *A() : *B();
    const int* codes = m_codes[onA ? 0 : 1];
    m_output.Clear();
    // Byte 2 of a pixel is red, 1 green, 0 blue.
    for (int channel = 0; channel < 3; ++channel) {
        const int ox = kSignX[codes[channel]] * dx, oy = kSignY[codes[channel]] * dy;
        const int byte = 2 - channel;
        const int x0 = std::max(0, -ox), x1 = std::min(w, w - ox);
        const int y0 = std::max(0, -oy), y1 = std::min(h, h - oy);
        for (int y = y0; y < y1; ++y) {
            const uint8_t* s = source.GetRow(y) + byte;
            uint8_t* o = RowOut(y + oy) + byte;
            for (int x = x0; x < x1; ++x) o[3 * (x + ox)] = s[3 * x];
        }
    }
}

}  // namespace trov
