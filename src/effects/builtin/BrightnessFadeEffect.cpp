// Brightness fades. With s = 256 / n, Black to White turns a pixel of A-brightness b at the first
// frame k with b < k * s; Near Far at the first k with |b(A) - b(B)| < k * s. Both end on B.
#include "effects/builtin/BrightnessFadeEffect.h"

#include <algorithm>
#include <cstdlib>

#include "effects/EffectPixels.h"

namespace trov {

CBrightnessFadeEffect::CBrightnessFadeEffect(int type)
    : CBuiltinEffect(type == 2 ? "Near Far Color Cross Fade" : "Color Cross Fade - Black to White", "1.0",
                     false),
      m_type(type == 2 ? 2 : 1) {}

void CBrightnessFadeEffect::PrepareFrames() {
    const int n = N();
    const double s = 256.0 / n;
    // Frame per brightness value 0..255: the first k with value < k * s.
    int frameOf[256];
    for (int v = 0; v < 256; ++v) {
        int k = std::clamp(int(v / s) + 1, 1, n);
        while (k > 1 && v < (k - 1) * s) --k;
        while (k < n && !(v < k * s)) ++k;
        frameOf[v] = k;
    }
    m_map.Resize(W(), H());
    for (int y = 0; y < H(); ++y) {
        int32_t* row = m_map.Row(y);
        const uint8_t* a = RowA(y);
        const uint8_t* b = RowB(y);
        for (int x = 0; x < W(); ++x) {
            const int v = m_type == 1 ? fx::Brightness(a + 3 * x)
                                      : std::abs(fx::Brightness(a + 3 * x) - fx::Brightness(b + 3 * x));
            row[x] = frameOf[v];
        }
    }
}

void CBrightnessFadeEffect::DrawFrame(int k) {
    if (m_textMode)
        m_map.DrawUpTo(m_output, *B(), k);
    else
        m_map.DrawFrame(m_output, *B(), k);
}

}  // namespace trov
