// Sample effect plug-in: "Diamond Wipe" (B appears in a diamond growing from the centre) and
// "Venetian Blinds" (24-pixel slats turn open from their lower edge). Both are written against the
// public plug-in header only, the way an outside author would.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "effects/PluginApi.h"

namespace {

using trov::CBuiltinEffect;

// A pixel at (x, y) turns when |x - cx| / cx + |y - cy| / cy <= k / n: a diamond whose corners
// reach the middles of the edges at k = n / 2 and the picture's corners at k = n.
class CDiamondWipe : public CBuiltinEffect {
public:
    CDiamondWipe() : CBuiltinEffect("Diamond Wipe", "1.0", true) {}

protected:
    void DrawFrame(int k) override {
        const int w = W(), h = H();
        const double cx = std::max(w / 2.0, 0.5), cy = std::max(h / 2.0, 0.5);
        const double reach = 2.0 * k / N();
        for (int y = 0; y < h; ++y) {
            const double rest = reach - std::abs(y + 0.5 - cy) / cy;
            if (rest < 0) continue;
            // Columns with |x + 0.5 - cx| <= rest * cx.
            const int x0 = std::max(0, int(std::ceil(cx - rest * cx - 0.5)));
            const int x1 = std::min(w, int(std::floor(cx + rest * cx - 0.5)) + 1);
            if (k >= N()) {
                m_output.CopyRect(B(), 0, y, w, y + 1, 0, 0);
            } else if (x0 < x1) {
                m_output.CopyRect(B(), x0, y, x1, y + 1, 0, 0);
            }
        }
    }
};

// Slats of 24 rows; in each slat B grows upward from the slat's lower edge, all slats together.
class CVenetianBlinds : public CBuiltinEffect {
public:
    CVenetianBlinds() : CBuiltinEffect("Venetian Blinds", "1.0", true) {}

protected:
    void DrawFrame(int k) override {
        constexpr int kSlat = 24;
        const int open = int(static_cast<long long>(k) * kSlat / N());
        for (int y0 = 0; y0 < H(); y0 += kSlat)
            m_output.CopyRect(B(), 0, y0, W(), std::min(y0 + open, H()), 0, 0);
    }
};

CDiamondWipe* Diamond() {
    static CDiamondWipe effect;
    return &effect;
}
CVenetianBlinds* Blinds() {
    static CVenetianBlinds effect;
    return &effect;
}

}  // namespace

TROV_PLUGIN_EXPORT const char* GetExportedInformation(const char* key) {
    if (!key) return nullptr;
    if (std::strcmp(key, trov::plugin::kSupportKey) == 0) return "YES";
    if (std::strcmp(key, trov::plugin::kCountKey) == 0) return "2";
    return nullptr;
}

TROV_PLUGIN_EXPORT trov::CFadingEffect* GetExportedObject(const char* key) {
    if (!key) return nullptr;
    if (std::strcmp(key, "FadingEffect_0") == 0) return Diamond();
    if (std::strcmp(key, "FadingEffect_1") == 0) return Blinds();
    return nullptr;
}
