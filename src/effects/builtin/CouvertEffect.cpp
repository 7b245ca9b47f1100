// Couverts. Progress e = k / (n / 2) (halved for the cross types); the side flaps reach
// w = (W / 2) * e columns in, and at column i < w cover the rows from
// H/2 - (H/2)/(W/2) * (w - i) to H/2 + ((H - H/2)/(W/2)) * (w - i), rounded and clipped; the end
// flaps do the same with rows and columns exchanged. Every frame starts from a copy of the
// picture under the flaps; the last frame is B.
#include "effects/builtin/CouvertEffect.h"

#include <algorithm>
#include <cmath>

namespace trov {

namespace {
const char* CouvertName(int type) {
    switch (type) {
        case 1:
            return "Couvert (Horizontal)";
        case 2:
            return "Couvert (Vertical)";
        case 3:
            return "Couvert (Cross-In)";
        default:
            return "Couvert (Cross-Out)";
    }
}
int Round(double v) {
    return static_cast<int>(std::lround(v));
}
}  // namespace

CCouvertEffect::CCouvertEffect(int type)
    : CBuiltinEffect(CouvertName(type), "1.0", true), m_type(type < 1 || type > 4 ? 4 : type) {
    m_copyAInTextMode = false;
}

void CCouvertEffect::DrawSideFlaps(const CPicture& flap, double e) {
    const int w = W(), h = H();
    const int hw = w / 2, hh = h / 2;
    if (hw == 0) return;
    const double reach = hw * e;
    const double down = double(hh) / hw, up = double(h - hh) / hw;
    for (int i = 0; i < w && i < reach; ++i) {
        const double depth = reach - i;
        const int lo = std::max(Round(hh - down * depth), 0);
        const int hi = std::min(Round(hh + up * depth), h - 1);
        for (int y = lo; y <= hi; ++y) {
            // The left flap at column i and its mirror image at W - 1 - i.
            const uint8_t* s = flap.GetRow(y);
            uint8_t* o = RowOut(y);
            std::copy(s + 3 * i, s + 3 * i + 3, o + 3 * i);
            const int j = w - 1 - i;
            std::copy(s + 3 * j, s + 3 * j + 3, o + 3 * j);
        }
    }
}

void CCouvertEffect::DrawEndFlaps(const CPicture& flap, double e) {
    const int w = W(), h = H();
    const int hw = w / 2, hh = h / 2;
    if (hh == 0) return;
    const double reach = hh * e;
    const double left = double(hw) / hh, right = double(w - hw) / hh;
    for (int j = 0; j < h && j < reach; ++j) {
        const double depth = reach - j;
        const int lo = std::max(Round(hw - left * depth), 0);
        const int hi = std::min(Round(hw + right * depth), w - 1);
        if (lo > hi) continue;
        // The bottom flap at row j and the top flap at row H - 1 - j.
        std::copy(flap.GetRow(j) + 3 * lo, flap.GetRow(j) + 3 * (hi + 1), RowOut(j) + 3 * lo);
        const int t = h - 1 - j;
        std::copy(flap.GetRow(t) + 3 * lo, flap.GetRow(t) + 3 * (hi + 1), RowOut(t) + 3 * lo);
    }
}

void CCouvertEffect::DrawFrame(int k) {
    const int n = N();
    if (k >= n) {
        m_output.CopyFrom(B());
        return;
    }
    const bool out = m_type == 4;
    double e = (out ? n - k : k) / (n / 2.0);
    if (m_type >= 3) e /= 2.0;
    const CPicture& flap = out ? *A() : *B();
    m_output.CopyFrom(out ? B() : A());
    if (m_type != 2) DrawSideFlaps(flap, e);
    if (m_type != 1) DrawEndFlaps(flap, e);
}

}  // namespace trov
