// Floating cross dissolves. Frame k: a = 0.1388888888888889 * L * sqrt(k) / sqrt(n) (L = H for
// type 1, W for type 2); line i of A is shifted by trunc(sin((4i + 20k) deg) * a + 0.5) into a
// work picture on the background colour, which is then mixed k of n steps toward B.
#include "effects/builtin/FloatingDissolveEffect.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "infra/Angles.h"

namespace trov {

CFloatingDissolveEffect::CFloatingDissolveEffect(int type)
    : CBuiltinEffect(type == 2 ? "Vertical Floating Cross Dissolve" : "Horizontal Floating Cross Dissolve",
                     "1.0.1", false),
      m_type(type == 2 ? 2 : 1) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

void CFloatingDissolveEffect::DrawFrame(int k) {
    const int w = W(), h = H(), n = N();
    if (!m_work.Create(w, h)) return;  // afresh: the background colour shows where A moved away
    const double a = 0.1388888888888889 * (m_type == 1 ? h : w) * std::sqrt(double(k)) / std::sqrt(double(n));
    auto shift = [&](int i) { return fx::Trunc(std::sin(Radians(4.0 * i + 20.0 * k)) * a + 0.5); };
    if (m_type == 1) {
        for (int y = 0; y < h; ++y) m_work.CopyRect(A(), 0, y, w, y + 1, shift(y), 0);
    } else {
        std::vector<int> shifts(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x) shifts[size_t(x)] = shift(x);
        for (int y = 0; y < h; ++y) {
            uint8_t* o = m_work.GetRow(y);
            for (int x = 0; x < w; ++x) {
                const int sy = y - shifts[size_t(x)];
                if (sy < 0 || sy >= h) continue;
                const uint8_t* s = RowA(sy) + 3 * x;
                o[3 * x] = s[0];
                o[3 * x + 1] = s[1];
                o[3 * x + 2] = s[2];
            }
        }
    }
    m_table.Build(k, n);
    fx::BlendPictures(m_output, m_work, *B(), m_table);
}

}  // namespace trov
