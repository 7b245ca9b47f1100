// Pixel helpers shared by the effects: per-byte mixing, rectangle scaling, status texts.
// Everything works on rows and bytes of 24-bit bottom-up pictures; nothing here is virtual.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/DibPicture.h"

namespace trov {
class CMessagePipelines;
}

namespace trov::fx {

// Mixes two bytes by a fixed weight: out = trunc(a + (b - a) * progress / steps), clamped to 0..255.
// Exact (integer arithmetic) when progress is a whole number, so progress == steps gives b.
// One table of 64 KiB per weight; building costs about as much as mixing 64 K bytes.
class CBlendTable {
public:
    // steps < 1 is treated as 1.
    void Build(double progress, int steps);
    uint8_t Mix(uint8_t a, uint8_t b) const { return m_table[(size_t(a) << 8) | b]; }
    // out[i] = Mix(a[i], b[i]) for i < bytes; out may alias a or b.
    void Apply(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t bytes) const;

private:
    std::vector<uint8_t> m_table = std::vector<uint8_t>(65536);
};

// Mixes whole pixel blocks (padding included) of three pictures of equal size; does nothing
// when their sizes differ or one is empty.
void BlendPictures(CPicture& out, const CPicture& a, const CPicture& b, const CBlendTable& table);

// Area-averaging scaler: draws the source rectangle [sx, sx + sw) x [sy, sy + sh) scaled to the
// destination rectangle [dx, dx + dw) x [dy, dy + dh), clipped to the destination picture (the
// source rectangle is clipped to the source). Keeps its tap tables and a work row between calls,
// so one scaler per effect avoids allocations per frame. Not thread-safe.
class CRectScaler {
public:
    void Scale(CPicture& dst, int dx, int dy, int dw, int dh, const CPicture& src, int sx, int sy, int sw,
               int sh);

private:
    struct Tap {
        int first = 0;   // first source index
        int count = 0;   // number of source indices
        int offset = 0;  // into m_weights
    };
    // The taps of one axis and the (source length, destination length, visible range) they are for.
    struct TapSet {
        std::array<int, 4> key{-1, -1, -1, -1};
        std::vector<Tap> taps;
        std::vector<uint16_t> weights;
    };
    static void BuildTaps(int srcLen, int dstLen, int dstFrom, int dstTo, std::vector<Tap>& taps,
                          std::vector<uint16_t>& weights);
    static void TapsFor(int srcLen, int dstLen, int dstFrom, int dstTo, TapSet& set);

    TapSet m_x, m_y;
    std::vector<uint32_t> m_column;  // one vertically combined source row
};

// Scales with the filter of the "Quality" setting: Lanczos (through the picture tools) for
// final production, otherwise the area-averaging scaler. Same rectangle rules as Scale.
void DrawScaled(CRectScaler& scaler, CPicture& dst, int dx, int dy, int dw, int dh, const CPicture& src,
                int sx, int sy, int sw, int sh);

// Integer part of num / den toward zero, for positions such as trunc(k * W / n) without
// floating-point error (so frame n lands exactly on W). den must not be 0.
inline int MulDiv(long long a, long long b, long long den) {
    return static_cast<int>(a * b / den);
}

// "%d of %d ..." with frame k and count n, the tail of the per-frame status texts.
std::string FrameOfText(int k, int n);
// "CurrentProgress" = 0 and "MaxProgress" = max; then "CurrentProgress" = current. Null: nothing.
void ReportProgressStart(CMessagePipelines* pipelines, int max);
void ReportProgress(CMessagePipelines* pipelines, int current);

// A copy of source at width x height (aspect not kept), after sending statusText on "Status"
// (e.g. "Resizing picture 1..."). Same size: a plain copy. Null for an empty source or size.
std::unique_ptr<CDibPicture> FitPicture(CMessagePipelines* pipelines, const CPicture* source, int width,
                                        int height, const std::string& statusText);

// Brightness of a pixel at p (blue, green, red): (r + g + b) / 3 in integers.
inline int Brightness(const uint8_t* p) {
    return (int(p[0]) + p[1] + p[2]) / 3;
}

// The integer part toward zero, the way every effect turns positions into pixels.
// Out-of-range values (absurd frame counts) are held at +-2^30 instead of overflowing.
inline int Trunc(double v) {
    if (!(v > -1073741824.0)) return v != v ? 0 : -1073741824;
    if (v > 1073741824.0) return 1073741824;
    return static_cast<int>(v);
}

}  // namespace trov::fx
