#include "video/FrameConversion.h"

#include <cstddef>

namespace trov {

namespace {

// Fixed-point weights (16 fractional bits) of one colour matrix and range.
struct Matrix {
    int yr, yg, yb, yOffset;
    int ur, ug, ub;
    int vr, vg, vb;
};

constexpr int Fix(double x) {
    return int(x * 65536.0 + (x < 0 ? -0.5 : 0.5));
}

// Luma weights sum to the full scale exactly, so white stays 235 (or 255) after rounding.
constexpr Matrix kVideoRange{Fix(0.256788), Fix(0.504129), Fix(219.0 / 255.0) - Fix(0.256788) - Fix(0.504129),
                             16,
                             Fix(-0.148223), Fix(-0.290993), Fix(0.439216),
                             Fix(0.439216), Fix(-0.367788), Fix(-0.071427)};
constexpr Matrix kFullRange{Fix(0.299), Fix(0.587), 65536 - Fix(0.299) - Fix(0.587), 0,
                            Fix(-0.168736), Fix(-0.331264), Fix(0.5),
                            Fix(0.5), Fix(-0.418688), Fix(-0.081312)};

inline uint8_t Clamp255(int x) {
    return uint8_t(x < 0 ? 0 : (x > 255 ? 255 : x));
}

// One output row of luma from one top-down source row (BGR).
void LumaRow(const uint8_t* src, int width, const Matrix& m, uint8_t* dst) {
    const int offset = (m.yOffset << 16) + 32768;
    for (int x = 0; x < width; ++x) {
        const int b = src[3 * x], g = src[3 * x + 1], r = src[3 * x + 2];
        // Cannot leave 0..255: the weights are positive and sum to at most 1.
        dst[x] = uint8_t((m.yr * r + m.yg * g + m.yb * b + offset) >> 16);
    }
}

// One output row of chroma from two source rows (the same row twice at an odd bottom edge).
void ChromaRow(const uint8_t* row0, const uint8_t* row1, int width, const Matrix& m, uint8_t* u,
               uint8_t* v) {
    // Sums of four pixels carry two more bits.
    constexpr int kRound = 1 << 17;
    const int half = width / 2;
    for (int x = 0; x < half; ++x) {
        const uint8_t* p = row0 + 6 * x;
        const uint8_t* q = row1 + 6 * x;
        const int b = p[0] + p[3] + q[0] + q[3];
        const int g = p[1] + p[4] + q[1] + q[4];
        const int r = p[2] + p[5] + q[2] + q[5];
        u[x] = Clamp255(((m.ur * r + m.ug * g + m.ub * b + kRound) >> 18) + 128);
        v[x] = Clamp255(((m.vr * r + m.vg * g + m.vb * b + kRound) >> 18) + 128);
    }
    if (width & 1) {
        const uint8_t* p = row0 + 3 * (width - 1);
        const uint8_t* q = row1 + 3 * (width - 1);
        const int b = 2 * (p[0] + q[0]), g = 2 * (p[1] + q[1]), r = 2 * (p[2] + q[2]);
        u[half] = Clamp255(((m.ur * r + m.ug * g + m.ub * b + kRound) >> 18) + 128);
        v[half] = Clamp255(((m.vr * r + m.vg * g + m.vb * b + kRound) >> 18) + 128);
    }
}

}  // namespace

void ConvertBgrToYuv420(const uint8_t* bits, int stride, int width, int height, bool fullRange,
                        const Yuv420Planes& out) {
    if (!bits || width < 1 || height < 1) return;
    const Matrix& m = fullRange ? kFullRange : kVideoRange;
    // Source row of output row y (the bitmap is stored bottom-up).
    auto source = [&](int y) { return bits + size_t(height - 1 - y) * size_t(stride); };
    for (int y = 0; y < height; y += 2) {
        const uint8_t* r0 = source(y);
        const uint8_t* r1 = y + 1 < height ? source(y + 1) : r0;
        LumaRow(r0, width, m, out.y + size_t(y) * size_t(out.yStride));
        if (y + 1 < height) LumaRow(r1, width, m, out.y + size_t(y + 1) * size_t(out.yStride));
        ChromaRow(r0, r1, width, m, out.u + size_t(y / 2) * size_t(out.uStride),
                  out.v + size_t(y / 2) * size_t(out.vStride));
    }
}

}  // namespace trov
