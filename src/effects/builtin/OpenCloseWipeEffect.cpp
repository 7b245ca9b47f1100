// Open and close wipes. With L the length across the bands, h2 = L / 2, c = h2 / n and
// m = (L - h2) / n, all band edges are exact integer truncations of multiples of c and m.
#include "effects/builtin/OpenCloseWipeEffect.h"

#include <algorithm>

namespace trov {

namespace {
const char* OpenCloseName(int type) {
    switch (type) {
        case 1:
            return "Horizontal-Open-Wipe";
        case 2:
            return "Horizontal-Close-Wipe";
        case 3:
            return "Vertical-Open-Wipe";
        default:
            return "Vertical-Close-Wipe";
    }
}
// trunc((a * num - sub * den) / den): trunc(c * a - sub) with c = num / den, toward zero.
int TruncScaled(long long a, long long num, long long den, long long sub = 0) {
    return static_cast<int>((a * num - sub * den) / den);
}
}  // namespace

COpenCloseWipeEffect::COpenCloseWipeEffect(int type)
    : CBuiltinEffect(OpenCloseName(type), "1.1", true), m_type(type < 1 || type > 4 ? 4 : type) {}

void COpenCloseWipeEffect::DrawFrame(int k) {
    const bool rows = m_type <= 2;
    const bool open = m_type == 1 || m_type == 3;
    const int length = rows ? H() : W();
    const int n = N();
    const int h2 = length / 2;
    const int rest = length - h2;
    auto copy = [&](int lo, int hi) {
        lo = std::max(lo, 0);
        hi = std::min(hi, length);
        if (lo >= hi) return;
        if (rows)
            m_output.CopyRect(B(), 0, lo, W(), hi, 0, 0);
        else
            m_output.CopyRect(B(), lo, 0, hi, H(), 0, 0);
    };
    if (open) {
        if (m_textMode) {
            copy(h2 - TruncScaled(k, h2, n), h2);
            copy(h2, h2 + TruncScaled(k, rest, n));
        } else {
            copy(h2 - TruncScaled(k, h2, n), h2 - TruncScaled(k - 1, h2, n, 1));
            copy(h2 + TruncScaled(k - 1, rest, n, 1), h2 + TruncScaled(k, rest, n));
        }
    } else {
        if (m_textMode) {
            copy(0, TruncScaled(k, h2, n, -1));
            copy(length - TruncScaled(k, rest, n, -1), length);
        } else {
            copy(TruncScaled(k - 1, h2, n), TruncScaled(k, h2, n, -1));
            copy(length - TruncScaled(k, rest, n, -1), length - TruncScaled(k - 1, rest, n));
        }
    }
}

}  // namespace trov
