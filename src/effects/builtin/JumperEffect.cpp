// Jumpers. Bounce height e = trunc(W * |sin(((trunc(n/25) * 180 + 180) / n * k) deg)| * 0.4 + 0.5)
// rows, travel f = trunc(W * k / n + 0.5) columns; both reach 0 and W on frame n.
#include "effects/builtin/JumperEffect.h"

#include <cmath>
#include <numbers>

#include "effects/EffectPixels.h"
#include "infra/Angles.h"

namespace trov {

CJumperEffect::CJumperEffect(int type)
    : CBuiltinEffect(type == 2 ? "Jumper Effect (Right - Left)" : "Jumper Effect (Left - Right)", "1.0",
                     true),
      m_type(type == 2 ? 2 : 1) {
    m_copyAInTextMode = false;
}

void CJumperEffect::DrawFrame(int k) {
    const int n = N(), w = W(), h = H();
    const double degrees = (double(n / 25) * 180.0 + 180.0) / n * k;
    int e = fx::Trunc(w * std::fabs(std::sin(Radians(degrees))) * 0.4 + 0.5);
    const int f = fx::Trunc(double(w) * k / n + 0.5);
    // sin(m * 180 deg) is not exactly 0 in floating point; the landing frame is exact.
    if (k >= n) e = 0;
    m_output.CopyFrom(A());
    if (m_type == 1)
        m_output.CopyRect(B(), w - f, 0, w, h - e, -(w - f), e);
    else
        m_output.CopyRect(B(), 0, 0, f, h - e, w - f, e);
}

}  // namespace trov
