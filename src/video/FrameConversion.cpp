#include "video/FrameConversion.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "infra/ParallelRows.h"
#include "infra/ProcessorFeatures.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

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
constexpr Matrix kVideoRange{Fix(0.256788),
                             Fix(0.504129),
                             Fix(219.0 / 255.0) - Fix(0.256788) - Fix(0.504129),
                             16,
                             Fix(-0.148223),
                             Fix(-0.290993),
                             Fix(0.439216),
                             Fix(0.439216),
                             Fix(-0.367788),
                             Fix(-0.071427)};
constexpr Matrix kFullRange{Fix(0.299),
                            Fix(0.587),
                            65536 - Fix(0.299) - Fix(0.587),
                            0,
                            Fix(-0.168736),
                            Fix(-0.331264),
                            Fix(0.5),
                            Fix(0.5),
                            Fix(-0.418688),
                            Fix(-0.081312)};

inline uint8_t Clamp255(int x) {
    return uint8_t(x < 0 ? 0 : (x > 255 ? 255 : x));
}

// The two row kernels also get an AVX2 build, chosen at load time where the processor has it;
// both builds compute the same integers. Not under ThreadSanitizer: the choice runs while the
// program is loaded, before the sanitizer's runtime is there for it.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define TROV_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TROV_VECTOR_CLONES
#endif

// One top-down source row (BGR): its luma, and every pixel's chroma terms before rounding (the
// means of 2 x 2 blocks are taken from these sums, exactly as from summed pixels).
TROV_VECTOR_CLONES
void PixelRow(const uint8_t* src, int width, const Matrix& m, uint8_t* y, int32_t* u, int32_t* v) {
    const int offset = (m.yOffset << 16) + 32768;
    for (int x = 0; x < width; ++x) {
        const int b = src[3 * x], g = src[3 * x + 1], r = src[3 * x + 2];
        // Cannot leave 0..255: the weights are positive and sum to at most 1.
        y[x] = uint8_t((m.yr * r + m.yg * g + m.yb * b + offset) >> 16);
        u[x] = m.ur * r + m.ug * g + m.ub * b;
        v[x] = m.vr * r + m.vg * g + m.vb * b;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define TROV_CONVERSION_AVX2 1

std::atomic<bool> g_vectorConversion{true};
std::atomic<bool> g_wideConversion{true};

bool UseAvx2() {
    return ProcessorHasAvx2() && g_vectorConversion.load(std::memory_order_relaxed);
}

bool UseAvx512() {
    return ProcessorHasAvx512() && g_wideConversion.load(std::memory_order_relaxed);
}

// PixelRow eight pixels at a time, the same integers: each half of the register takes four
// pixels' twelve bytes, spread to one 32-bit lane per channel value. The plain loop does what
// remains (and whatever a 32-byte load from the last pixels would read past the row).
__attribute__((target("avx2"))) void PixelRowAvx2(const uint8_t* src, int width, const Matrix& m, uint8_t* y,
                                                  int32_t* u, int32_t* v) {
    const __m256i spread = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
    // Byte c, c + 3, c + 6, c + 9 of each half into the low byte of its four lanes.
    const __m256i pickB = _mm256_setr_epi32(0xFFFFFF00, 0xFFFFFF03, 0xFFFFFF06, 0xFFFFFF09, 0xFFFFFF00,
                                            0xFFFFFF03, 0xFFFFFF06, 0xFFFFFF09);
    const __m256i pickG = _mm256_add_epi32(pickB, _mm256_set1_epi32(1));
    const __m256i pickR = _mm256_add_epi32(pickB, _mm256_set1_epi32(2));
    const __m256i yr = _mm256_set1_epi32(m.yr), yg = _mm256_set1_epi32(m.yg), yb = _mm256_set1_epi32(m.yb);
    const __m256i ur = _mm256_set1_epi32(m.ur), ug = _mm256_set1_epi32(m.ug), ub = _mm256_set1_epi32(m.ub);
    const __m256i vr = _mm256_set1_epi32(m.vr), vg = _mm256_set1_epi32(m.vg), vb = _mm256_set1_epi32(m.vb);
    const __m256i offset = _mm256_set1_epi32((m.yOffset << 16) + 32768);
    int x = 0;
    for (; x + 11 <= width; x += 8) {
        const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 3 * size_t(x)));
        const __m256i px = _mm256_permutevar8x32_epi32(raw, spread);
        const __m256i b = _mm256_shuffle_epi8(px, pickB), g = _mm256_shuffle_epi8(px, pickG),
                      r = _mm256_shuffle_epi8(px, pickR);
        const __m256i luma = _mm256_srli_epi32(
            _mm256_add_epi32(
                _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(yr, r), _mm256_mullo_epi32(yg, g)),
                                 _mm256_mullo_epi32(yb, b)),
                offset),
            16);
        __m256i bytes = _mm256_packus_epi32(luma, luma);
        bytes = _mm256_packus_epi16(bytes, bytes);
        const uint32_t lo = uint32_t(_mm256_extract_epi32(bytes, 0)),
                       hi = uint32_t(_mm256_extract_epi32(bytes, 4));
        std::memcpy(y + x, &lo, 4);
        std::memcpy(y + x + 4, &hi, 4);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(u + x),
            _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(ur, r), _mm256_mullo_epi32(ug, g)),
                             _mm256_mullo_epi32(ub, b)));
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(v + x),
            _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(vr, r), _mm256_mullo_epi32(vg, g)),
                             _mm256_mullo_epi32(vb, b)));
    }
    PixelRow(src + 3 * size_t(x), width - x, m, y + x, u + x, v + x);
}
#endif

// PixelRow sixteen pixels at a time, the same integers: as PixelRowAvx2, with four pixels to each
// quarter of the register. The luma (0 to 255 here, see PixelRow) narrows to bytes in one step.
// PixelRowAvx2 does what remains, and whatever a 64-byte load from the last pixels would read past
// the row.
__attribute__((target("avx512f,avx512bw"))) void PixelRowAvx512(const uint8_t* src, int width,
                                                                const Matrix& m, uint8_t* y, int32_t* u,
                                                                int32_t* v) {
    const __m512i spread = _mm512_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12);
    const __m512i pickB =
        _mm512_set4_epi32(int(0xFFFFFF09), int(0xFFFFFF06), int(0xFFFFFF03), int(0xFFFFFF00));
    const __m512i pickG = _mm512_add_epi32(pickB, _mm512_set1_epi32(1));
    const __m512i pickR = _mm512_add_epi32(pickB, _mm512_set1_epi32(2));
    const __m512i yr = _mm512_set1_epi32(m.yr), yg = _mm512_set1_epi32(m.yg), yb = _mm512_set1_epi32(m.yb);
    const __m512i ur = _mm512_set1_epi32(m.ur), ug = _mm512_set1_epi32(m.ug), ub = _mm512_set1_epi32(m.ub);
    const __m512i vr = _mm512_set1_epi32(m.vr), vg = _mm512_set1_epi32(m.vg), vb = _mm512_set1_epi32(m.vb);
    const __m512i offset = _mm512_set1_epi32((m.yOffset << 16) + 32768);
    // Masked forms with every lane set where the plain ones start from an "undefined" register that
    // this compiler warns about.
    const __mmask16 all = 0xFFFF;
    int x = 0;
    for (; x + 22 <= width; x += 16) {
        const __m512i raw = _mm512_loadu_si512(src + 3 * size_t(x));
        const __m512i px = _mm512_maskz_permutexvar_epi32(all, spread, raw);
        const __m512i b = _mm512_shuffle_epi8(px, pickB), g = _mm512_shuffle_epi8(px, pickG),
                      r = _mm512_shuffle_epi8(px, pickR);
        const __m512i luma = _mm512_maskz_srli_epi32(
            all,
            _mm512_add_epi32(
                _mm512_add_epi32(_mm512_add_epi32(_mm512_mullo_epi32(yr, r), _mm512_mullo_epi32(yg, g)),
                                 _mm512_mullo_epi32(yb, b)),
                offset),
            16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), _mm512_maskz_cvtepi32_epi8(all, luma));
        _mm512_storeu_si512(
            u + x, _mm512_add_epi32(_mm512_add_epi32(_mm512_mullo_epi32(ur, r), _mm512_mullo_epi32(ug, g)),
                                    _mm512_mullo_epi32(ub, b)));
        _mm512_storeu_si512(
            v + x, _mm512_add_epi32(_mm512_add_epi32(_mm512_mullo_epi32(vr, r), _mm512_mullo_epi32(vg, g)),
                                    _mm512_mullo_epi32(vb, b)));
    }
    PixelRowAvx2(src + 3 * size_t(x), width - x, m, y + x, u + x, v + x);
}

// One source row's luma and chroma terms, with the widest vector kernel that may be used.
void ConvertPixelRow(const uint8_t* src, int width, const Matrix& m, uint8_t* y, int32_t* u, int32_t* v) {
#ifdef TROV_CONVERSION_AVX2
    if (UseAvx2() && UseAvx512()) return PixelRowAvx512(src, width, m, y, u, v);
    if (UseAvx2()) return PixelRowAvx2(src, width, m, y, u, v);
#endif
    PixelRow(src, width, m, y, u, v);
}

// One output row of chroma from the terms of two rows (the same row twice at an odd bottom edge).
TROV_VECTOR_CLONES
void ChromaRow(const int32_t* u0, const int32_t* v0, const int32_t* u1, const int32_t* v1, int width,
               uint8_t* u, uint8_t* v) {
    // Sums of four pixels carry two more bits.
    constexpr int kRound = 1 << 17;
    const int half = width / 2;
    for (int x = 0; x < half; ++x) {
        const int su = u0[2 * x] + u0[2 * x + 1] + u1[2 * x] + u1[2 * x + 1];
        const int sv = v0[2 * x] + v0[2 * x + 1] + v1[2 * x] + v1[2 * x + 1];
        u[x] = Clamp255(((su + kRound) >> 18) + 128);
        v[x] = Clamp255(((sv + kRound) >> 18) + 128);
    }
    if (width & 1) {
        const int su = 2 * (u0[width - 1] + u1[width - 1]), sv = 2 * (v0[width - 1] + v1[width - 1]);
        u[half] = Clamp255(((su + kRound) >> 18) + 128);
        v[half] = Clamp255(((sv + kRound) >> 18) + 128);
    }
}

// Output rows y0 .. y1 - 1 (y0 even).
void ConvertRows(const uint8_t* bits, int stride, int width, int height, const Matrix& m,
                 const Yuv420Planes& out, int y0, int y1) {
    // Source row of output row y (the bitmap is stored bottom-up).
    auto source = [&](int y) { return bits + size_t(height - 1 - y) * size_t(stride); };
    std::vector<int32_t> terms(size_t(4) * size_t(width));
    int32_t* u0 = terms.data();
    int32_t* v0 = u0 + width;
    int32_t* u1 = v0 + width;
    int32_t* v1 = u1 + width;
    for (int y = y0; y < y1; y += 2) {
        ConvertPixelRow(source(y), width, m, out.y + size_t(y) * size_t(out.yStride), u0, v0);
        if (y + 1 < height)
            ConvertPixelRow(source(y + 1), width, m, out.y + size_t(y + 1) * size_t(out.yStride), u1, v1);
        ChromaRow(u0, v0, y + 1 < height ? u1 : u0, y + 1 < height ? v1 : v0, width,
                  out.u + size_t(y / 2) * size_t(out.uStride), out.v + size_t(y / 2) * size_t(out.vStride));
    }
}

}  // namespace

void SetVectorConversion(bool on) {
#ifdef TROV_CONVERSION_AVX2
    g_vectorConversion.store(on);
#else
    (void)on;
#endif
}

void SetWideVectorConversion(bool on) {
#ifdef TROV_CONVERSION_AVX2
    g_wideConversion.store(on);
#else
    (void)on;
#endif
}

void ConvertBgrToYuv420(const uint8_t* bits, int stride, int width, int height, bool fullRange,
                        const Yuv420Planes& out) {
    if (!bits || width < 1 || height < 1) return;
    const Matrix& m = fullRange ? kFullRange : kVideoRange;
    // The encoder thread waits for this: a frame of some size is shared with a second core.
    static const bool kTwoCores = std::thread::hardware_concurrency() > 1;
    if (!kTwoCores || int64_t(width) * height < 200000) {
        ConvertRows(bits, stride, width, height, m, out, 0, height);
        return;
    }
    // Two slices of whole row pairs (a chroma row serves two picture rows).
    ParallelRows(
        height, 2, [&](int y0, int y1) { ConvertRows(bits, stride, width, height, m, out, y0, y1); }, 2);
}

}  // namespace trov
