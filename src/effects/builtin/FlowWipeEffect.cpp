// Flow wipe. Wave y(x, k) = sum of a_i * sin((x * f_i - k * s_i - phi_i) deg), with a_i scaled by
// H / 288, s_i by 25 / n and f_i by 384 / W. The edge starts m0 above the picture and moves down
// by v = (H + margin + m0 + 1) / n per frame; rows 0 .. H - e - 1 of column x keep A, with
// e = trunc(y(x, k) + trunc(k v - m0)). The margin equals the set's total amplitude and is scaled
// with it, so that the wave's troughs have left the picture on the last frame at any height.
#include "effects/builtin/FlowWipeEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "infra/Angles.h"

namespace trov {

namespace {
struct FlowSet {
    double phase[5], amplitude[5], speed[5], frequency[5];
    double margin;
};
constexpr FlowSet kSets[2] = {
    {{5, 276, 352, 98, 345}, {10, 21, 3, 10, 6}, {3, 4, 7, 0, -10}, {6.8, 2.6, 4.1, 6.5, 1.0}, 50},
    {{252, 302, 163, 339, 285}, {27, 18, 6, 11, 8}, {-2, -5, 2, -5, 9}, {1.7, 2.6, 0.8, 4.8, 6.3}, 70},
};
}  // namespace

CFlowWipeEffect::CFlowWipeEffect() : CBuiltinEffect("Flow-Wipe-Effect", "1.1", true) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

double CFlowWipeEffect::Wave(int x, int k) const {
    double y = 0.0;
    for (int i = 0; i < 5; ++i)
        y +=
            m_amplitude[i] * std::sin((x * m_frequency[i] - k * m_speed[i] - m_phase[i]) * kRadiansPerDegree);
    return y;
}

void CFlowWipeEffect::PrepareFrames() {
    m_set = m_forcedSet == 1 || m_forcedSet == 2 ? m_forcedSet : (std::rand() % 2 == 0 ? 1 : 2);
    const FlowSet& set = kSets[m_set - 1];
    const int w = W(), h = H(), n = N();
    for (int i = 0; i < 5; ++i) {
        m_phase[i] = set.phase[i];
        m_amplitude[i] = set.amplitude[i] * h / 288.0;
        m_speed[i] = set.speed[i] * 25.0 / n;
        m_frequency[i] = set.frequency[i] * 384.0 / w;
    }
    m_m0 = 0;
    for (int x = 0; x < w; ++x) m_m0 = std::max(m_m0, static_cast<int>(Wave(x, 0)));
    const double margin = set.margin * h / 288.0;
    m_step = (h + margin + m_m0 + 1) / n;
}

void CFlowWipeEffect::DrawFrame(int k) {
    const int w = W(), h = H();
    m_output.CopyFrom(B());
    const int base = static_cast<int>(k * m_step - m_m0);
    for (int x = 0; x < w; ++x) {
        const int e = static_cast<int>(Wave(x, k) + base);
        const int rows = std::min(h - e, h);
        for (int y = 0; y < rows; ++y) {
            const uint8_t* a = RowA(y) + 3 * x;
            uint8_t* o = RowOut(y) + 3 * x;
            o[0] = a[0];
            o[1] = a[1];
            o[2] = a[2];
        }
    }
}

}  // namespace trov
