// The frames of every built-in effect pinned by a hash: fast paths (cached tap tables, integer
// sums, row-contiguous passes) must draw exactly what the plain code drew. The hashes were taken
// from the plain code; a change that alters any pixel of any frame fails here with the new hash.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "imaging/PictureTools.h"

namespace trov {
namespace {

// FNV-1a over the pixel bytes (not the row padding) of every frame of one transition.
struct FrameHash {
    uint64_t value = 1469598103934665603ull;
    void Add(const CPicture& frame) {
        for (int y = 0; y < frame.GetHeight(); ++y) {
            const uint8_t* row = frame.GetRow(y);
            for (int i = 0; i < 3 * frame.GetWidth(); ++i) value = (value ^ row[i]) * 1099511628211ull;
        }
    }
};

// Two busy pictures with detail at every scale, so resampling and warping show in every byte.
std::unique_ptr<CDibPicture> Busy(int w, int h, int seed) {
    auto p = std::make_unique<CDibPicture>();
    p->Create(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = p->GetRow(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] =
                    uint8_t((x * (7 + c) + y * (3 + seed) + ((x * y) >> (2 + c)) + seed * 40) & 255);
    }
    return p;
}

uint64_t HashTransition(CFadingEffect& effect, int w, int h, int n) {
    auto a = Busy(w, h, 1), b = Busy(w, h, 2);
    std::srand(7);
    effect.Init(a.get(), b.get(), n);
    FrameHash hash;
    for (int k = 1; k <= n; ++k) {
        const CDibPicture* frame = effect.NextFrame();
        if (!frame) return 0;
        hash.Add(*frame);
    }
    effect.End();
    return hash.value;
}

// Expected hashes per effect: 320 x 180 over 12 frames, then 97 x 61 (odd rows, padding) over 7.
const std::map<std::string, std::pair<uint64_t, uint64_t>>& Expected() {
    static const std::map<std::string, std::pair<uint64_t, uint64_t>> table = {
#include "FramePinHashes.inc"
    };
    return table;
}

TEST(FramePinTest, EveryBuiltinEffectDrawsThePinnedFrames) {
    CPictureTools::SetQuality(kQualityProduction);
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    std::string report;
    int checked = 0;
    for (CFadingEffect* effect : manager.InRegistrationOrder()) {
        const std::string& name = effect->GetName();
        const uint64_t big = HashTransition(*effect, 320, 180, 12);
        const uint64_t small = HashTransition(*effect, 97, 61, 7);
        const auto it = Expected().find(name);
        if (it == Expected().end() || it->second != std::make_pair(big, small)) {
            char line[300];
            std::snprintf(line, sizeof line, "{\"%s\", {0x%016llxull, 0x%016llxull}},\n", name.c_str(),
                          static_cast<unsigned long long>(big), static_cast<unsigned long long>(small));
            report += line;
        }
        ++checked;
    }
    manager.EndAll();
    EXPECT_EQ(checked, 127);
    EXPECT_TRUE(report.empty()) << "frames differ from the pinned ones:\n" << report;
}

}  // namespace
}  // namespace trov
