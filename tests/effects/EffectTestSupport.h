// Pictures and comparisons shared by the effect tests. Patterns are integer-only so every
// expected pixel can be computed by hand.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "effects/FadingEffect.h"
#include "imaging/DibPicture.h"
#include "support/TestPictures.h"

namespace trov::test {

inline bool SamePixel(const CPicture& a, int x, int y, const CPicture& b, int bx, int by) {
    const uint8_t* p = a.GetRow(y) + 3 * x;
    const uint8_t* q = b.GetRow(by) + 3 * bx;
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}
inline bool SamePixel(const CPicture& a, const CPicture& b, int x, int y) {
    return SamePixel(a, x, y, b, x, y);
}

// Pixels (not padding) equal.
inline bool SamePixels(const CPicture& a, const CPicture& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.IsEmpty()) return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (!SamePixel(a, b, x, y)) return false;
    return true;
}

// Number of pixels that differ.
inline long CountDifferent(const CPicture& a, const CPicture& b) {
    long count = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (!SamePixel(a, b, x, y)) ++count;
    return count;
}

// Largest difference of one byte (pixels only).
inline int MaxByteDifference(const CPicture& a, const CPicture& b) {
    int worst = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int i = 0; i < 3 * a.GetWidth(); ++i) {
            int d = a.GetRow(y)[i] - b.GetRow(y)[i];
            worst = std::max(worst, d < 0 ? -d : d);
        }
    return worst;
}

// A copy of the frame (frames belong to the effect and change on the next call).
inline std::unique_ptr<CDibPicture> Copy(const CPicture* frame) {
    if (!frame) return nullptr;
    return frame->Clone();
}

// Runs all n frames; returns the last one (copied) or null when a frame was missing.
inline std::unique_ptr<CDibPicture> RunToEnd(CFadingEffect& effect, const CPicture& a, const CPicture& b,
                                             int n) {
    effect.Init(&a, &b, n);
    std::unique_ptr<CDibPicture> last;
    for (int k = 1; k <= n; ++k) {
        CDibPicture* frame = effect.NextFrame();
        if (!frame) return nullptr;
        if (k == n) last = Copy(frame);
    }
    return last;
}

}  // namespace trov::test
