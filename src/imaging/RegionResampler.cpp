// Separable resampling kernels (plain and AVX2) and the frame resampler that keeps its tables.
#include "imaging/RegionResampler.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>

#include "imaging/PictureTools.h"
#include "infra/ParallelRows.h"
#include "infra/ProcessorFeatures.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TROV_AVX2_KERNELS 1
#define TROV_AVX2 __attribute__((target("avx2")))
#define TROV_AVX512 __attribute__((target("avx512f")))
#endif

namespace trov {

namespace {

std::atomic<bool> g_vectorKernels{true};
std::atomic<bool> g_wideKernels{true};

bool UseAvx2() {
#ifdef TROV_AVX2_KERNELS
    return ProcessorHasAvx2() && g_vectorKernels.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

bool UseAvx512() {
#ifdef TROV_AVX2_KERNELS
    return ProcessorHasAvx512() && g_wideKernels.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

// Truncated, then clamped as an integer (the sums stay far inside int range).
inline uint8_t ToByte(float v) {
    return uint8_t(std::clamp(static_cast<int>(v), 0, 255));
}

// One target pixel from its tap list: bias, then every tap added in order.
inline void TapPixel(const float* r, const ResampleTaps& hx, int j, float bias, uint8_t* d) {
    float b = bias, g = bias, rr = bias;
    for (int t = hx.start[size_t(j)]; t < hx.start[size_t(j) + 1]; ++t) {
        const float w = hx.weight[size_t(t)];
        const float* p = r + 3 * size_t(hx.index[size_t(t)]);
        b += w * p[0];
        g += w * p[1];
        rr += w * p[2];
    }
    d[3 * j] = ToByte(b);
    d[3 * j + 1] = ToByte(g);
    d[3 * j + 2] = ToByte(rr);
}

// As TapPixel, the three sums kept as floats (and a zero) for a later conversion of the row.
inline void TapSums(const float* r, const ResampleTaps& hx, int j, float bias, float* sums) {
    float b = bias, g = bias, rr = bias;
    for (int t = hx.start[size_t(j)]; t < hx.start[size_t(j) + 1]; ++t) {
        const float w = hx.weight[size_t(t)];
        const float* p = r + 3 * size_t(hx.index[size_t(t)]);
        b += w * p[0];
        g += w * p[1];
        rr += w * p[2];
    }
    float* q = sums + 4 * size_t(j);
    q[0] = b;
    q[1] = g;
    q[2] = rr;
    q[3] = 0.0f;
}

// The source rows the next target row reads and this one does not, as row numbers from the
// region's first row: [from, to), empty when from >= to.
struct RowsAhead {
    int from = 0;
    int to = 0;
};

// ---- plain kernels ----

// The vertical sum of n source rows (base + index[t] * stride) into r, count floats. The first
// tap sets the row (0 + w * s is w * s exactly), the others add.
void SumRowsPlain(const uint8_t* base, size_t stride, const int* index, const float* weight, int n,
                  size_t count, float* r) {
    for (int t = 0; t < n; ++t) {
        const float w = weight[t];
        const uint8_t* s = base + size_t(index[t]) * stride;
        if (t == 0)
            for (size_t x = 0; x < count; ++x) r[x] = w * float(s[x]);
        else
            for (size_t x = 0; x < count; ++x) r[x] += w * float(s[x]);
    }
}

void HorizontalPlain(const float* r, const ResampleTaps& hx, int tw, float bias, uint8_t* d) {
    const int span = hx.span;
    for (int j = 0; j < tw; ++j) {
        const int f = hx.first[size_t(j)];
        if (f < 0) {
            TapPixel(r, hx, j, bias, d);
            continue;
        }
        const float* p = r + f;
        const float* w = hx.padded.data() + size_t(j) * size_t(hx.spanStride);
        float b = bias, g = bias, rr = bias;
        for (int t = 0; t < span; ++t) {
            b += w[t] * p[3 * t];
            g += w[t] * p[3 * t + 1];
            rr += w[t] * p[3 * t + 2];
        }
        d[3 * j] = ToByte(b);
        d[3 * j + 1] = ToByte(g);
        d[3 * j + 2] = ToByte(rr);
    }
}

// ---- AVX2 kernels: the same multiplications and additions in the same order, eight lanes at
// a time (no fused multiply-add, which would round differently) ----

#ifdef TROV_AVX2_KERNELS

// Asks for the 64 bytes at column x of the rows ahead, to be in the cache when the next target
// row needs them. A frame's source rows come from memory once each, and summing them waits for
// each load in turn: the prefetch lets those loads run while this row is summed.
TROV_AVX2 inline void PrefetchAhead(const uint8_t* base, size_t stride, RowsAhead ahead, size_t x) {
    for (int y = ahead.from; y < ahead.to; ++y)
        _mm_prefetch(reinterpret_cast<const char*>(base + size_t(y) * stride + x), _MM_HINT_T1);
}

TROV_AVX2 inline __m256 Widen8(const uint8_t* p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// As SumRowsPlain, with all taps of 32 floats summed in registers before the store.
TROV_AVX2 void SumRowsAvx2(const uint8_t* base, size_t stride, const int* index, const float* weight, int n,
                           size_t count, float* r, RowsAhead ahead) {
    size_t x = 0;
    for (; x + 32 <= count; x += 32) {
        if ((x & 63) == 0) PrefetchAhead(base, stride, ahead, x);
        const uint8_t* s = base + size_t(index[0]) * stride + x;
        const __m256 w0 = _mm256_set1_ps(weight[0]);
        __m256 a0 = _mm256_mul_ps(w0, Widen8(s));
        __m256 a1 = _mm256_mul_ps(w0, Widen8(s + 8));
        __m256 a2 = _mm256_mul_ps(w0, Widen8(s + 16));
        __m256 a3 = _mm256_mul_ps(w0, Widen8(s + 24));
        for (int t = 1; t < n; ++t) {
            s = base + size_t(index[t]) * stride + x;
            const __m256 w = _mm256_set1_ps(weight[t]);
            a0 = _mm256_add_ps(a0, _mm256_mul_ps(w, Widen8(s)));
            a1 = _mm256_add_ps(a1, _mm256_mul_ps(w, Widen8(s + 8)));
            a2 = _mm256_add_ps(a2, _mm256_mul_ps(w, Widen8(s + 16)));
            a3 = _mm256_add_ps(a3, _mm256_mul_ps(w, Widen8(s + 24)));
        }
        _mm256_storeu_ps(r + x, a0);
        _mm256_storeu_ps(r + x + 8, a1);
        _mm256_storeu_ps(r + x + 16, a2);
        _mm256_storeu_ps(r + x + 24, a3);
    }
    for (; x + 8 <= count; x += 8) {
        __m256 a = _mm256_mul_ps(_mm256_set1_ps(weight[0]), Widen8(base + size_t(index[0]) * stride + x));
        for (int t = 1; t < n; ++t)
            a = _mm256_add_ps(
                a, _mm256_mul_ps(_mm256_set1_ps(weight[t]), Widen8(base + size_t(index[t]) * stride + x)));
        _mm256_storeu_ps(r + x, a);
    }
    for (; x < count; ++x) {
        float a = weight[0] * float(base[size_t(index[0]) * stride + x]);
        for (int t = 1; t < n; ++t) a += weight[t] * float(base[size_t(index[t]) * stride + x]);
        r[x] = a;
    }
}

TROV_AVX512 inline __m512 Widen16(const uint8_t* p) {
    // The masked forms with every lane set: the plain ones start from an "undefined" register that
    // this compiler warns about.
    const __mmask16 all = 0xFFFF;
    return _mm512_maskz_cvtepi32_ps(
        all, _mm512_maskz_cvtepu8_epi32(all, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
}

// As SumRowsAvx2, sixteen lanes a register: the same products and sums, so the same floats. The
// rest of a row (under 64 floats) goes to SumRowsAvx2.
TROV_AVX512 void SumRowsAvx512(const uint8_t* base, size_t stride, const int* index, const float* weight,
                               int n, size_t count, float* r, RowsAhead ahead) {
    size_t x = 0;
    for (; x + 64 <= count; x += 64) {
        PrefetchAhead(base, stride, ahead, x);
        const uint8_t* s = base + size_t(index[0]) * stride + x;
        const __m512 w0 = _mm512_set1_ps(weight[0]);
        __m512 a0 = _mm512_mul_ps(w0, Widen16(s));
        __m512 a1 = _mm512_mul_ps(w0, Widen16(s + 16));
        __m512 a2 = _mm512_mul_ps(w0, Widen16(s + 32));
        __m512 a3 = _mm512_mul_ps(w0, Widen16(s + 48));
        for (int t = 1; t < n; ++t) {
            s = base + size_t(index[t]) * stride + x;
            const __m512 w = _mm512_set1_ps(weight[t]);
            a0 = _mm512_add_ps(a0, _mm512_mul_ps(w, Widen16(s)));
            a1 = _mm512_add_ps(a1, _mm512_mul_ps(w, Widen16(s + 16)));
            a2 = _mm512_add_ps(a2, _mm512_mul_ps(w, Widen16(s + 32)));
            a3 = _mm512_add_ps(a3, _mm512_mul_ps(w, Widen16(s + 48)));
        }
        _mm512_storeu_ps(r + x, a0);
        _mm512_storeu_ps(r + x + 16, a1);
        _mm512_storeu_ps(r + x + 32, a2);
        _mm512_storeu_ps(r + x + 48, a3);
    }
    if (x < count) SumRowsAvx2(base + x, stride, index, weight, n, count - x, r + x, ahead);
}

// The row's sums, four floats a pixel (blue, green, red, spare), to three bytes a pixel:
// truncation, then saturation to 0..255 in two steps, as ToByte clamps. Eight pixels a step.
TROV_AVX2 void PackSums(const float* sums, int tw, uint8_t* d) {
    // After the two packs, the low half holds pixels 0, 2, 4, 6 and the high half 1, 3, 5, 7.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    // Each half's four pixels without their spare bytes.
    const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4,
                                          5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int j = 0;
    for (; j + 8 <= tw; j += 8) {
        const float* q = sums + 4 * size_t(j);
        const __m256i v0 = _mm256_cvttps_epi32(_mm256_loadu_ps(q));
        const __m256i v1 = _mm256_cvttps_epi32(_mm256_loadu_ps(q + 8));
        const __m256i v2 = _mm256_cvttps_epi32(_mm256_loadu_ps(q + 16));
        const __m256i v3 = _mm256_cvttps_epi32(_mm256_loadu_ps(q + 24));
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(v0, v1), _mm256_packs_epi32(v2, v3));
        const __m256i pixels = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(bytes, order), drop);
        uint8_t* o = d + 3 * size_t(j);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm256_castsi256_si128(pixels));
        const uint32_t lo = uint32_t(_mm256_extract_epi32(pixels, 2));
        std::memcpy(o + 8, &lo, 4);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o + 12), _mm256_extracti128_si256(pixels, 1));
        const uint32_t hi = uint32_t(_mm256_extract_epi32(pixels, 6));
        std::memcpy(o + 20, &hi, 4);
    }
    for (; j < tw; ++j) {
        const float* q = sums + 4 * size_t(j);
        d[3 * j] = ToByte(q[0]);
        d[3 * j + 1] = ToByte(q[1]);
        d[3 * j + 2] = ToByte(q[2]);
    }
}

// The sum of one pair (pixel j low, j + 1 high) over `taps` padded taps: weight t of both pixels,
// each broadcast in its half, times the two pixels' source values t.
TROV_AVX2 inline __m256 AddTap(__m256 acc, const float* r, int f0, int f1, int t, __m256 w) {
    return _mm256_add_ps(acc, _mm256_mul_ps(w, _mm256_loadu2_m128(r + f1 + 3 * t, r + f0 + 3 * t)));
}

TROV_AVX2 inline __m256 SumPair(const float* r, int f0, int f1, const float* w0, const float* w1, int taps,
                                float bias) {
    __m256 acc = _mm256_set1_ps(bias);
    for (int g = 0; g < taps; g += 4) {
        // Each tap's weight is spread from the group by an immediate: index registers for the four
        // lanes would crowd out the sums and spill them.
        const __m256 wq = _mm256_loadu2_m128(w1 + g, w0 + g);
        acc = AddTap(acc, r, f0, f1, g, _mm256_permute_ps(wq, 0x00));
        if (g + 1 < taps) acc = AddTap(acc, r, f0, f1, g + 1, _mm256_permute_ps(wq, 0x55));
        if (g + 2 < taps) acc = AddTap(acc, r, f0, f1, g + 2, _mm256_permute_ps(wq, 0xAA));
        if (g + 3 < taps) acc = AddTap(acc, r, f0, f1, g + 3, _mm256_permute_ps(wq, 0xFF));
    }
    return acc;
}

// Two target pixels per register: pixel j in the low half (blue, green, red, spare lane), j + 1
// in the high half, one padded tap after another, the sums kept for PackSums. kTaps is the span
// when it is known here (the loops unroll), 0 for any span. Two pairs go side by side: each
// pair's sum is a chain of dependent additions, and a second chain fills the adder's wait.
template <int kTaps>
TROV_AVX2 void HorizontalAvx2(const float* r, const ResampleTaps& hx, int tw, float bias, float* sums,
                              uint8_t* d) {
    const int taps = kTaps > 0 ? kTaps : hx.span;
    const size_t stride = size_t(hx.spanStride);
    const int* first = hx.first.data();
    const float* weights = hx.padded.data();
    int j = 0;
    while (j + 1 < tw) {
        const int f0 = first[j], f1 = first[j + 1];
        if (f0 < 0 || f1 < 0) {
            TapSums(r, hx, j, bias, sums);
            ++j;
            continue;
        }
        const float* w0 = weights + size_t(j) * stride;
        const int f2 = j + 3 < tw ? first[j + 2] : -1, f3 = j + 3 < tw ? first[j + 3] : -1;
        if (f2 < 0 || f3 < 0) {
            _mm256_storeu_ps(sums + 4 * size_t(j), SumPair(r, f0, f1, w0, w0 + stride, taps, bias));
            j += 2;
            continue;
        }
        const __m256 a = SumPair(r, f0, f1, w0, w0 + stride, taps, bias);
        const __m256 b = SumPair(r, f2, f3, w0 + 2 * stride, w0 + 3 * stride, taps, bias);
        _mm256_storeu_ps(sums + 4 * size_t(j), a);
        _mm256_storeu_ps(sums + 4 * size_t(j) + 8, b);
        j += 4;
    }
    if (j < tw) TapSums(r, hx, j, bias, sums);
    PackSums(sums, tw, d);
}

#endif

void SumRows(const uint8_t* base, size_t stride, const int* index, const float* weight, int n, size_t count,
             float* r, [[maybe_unused]] RowsAhead ahead) {
    if (n == 0) {
        std::fill(r, r + count, 0.0f);
        return;
    }
#ifdef TROV_AVX2_KERNELS
    if (UseAvx2()) {
        if (UseAvx512()) return SumRowsAvx512(base, stride, index, weight, n, count, r, ahead);
        return SumRowsAvx2(base, stride, index, weight, n, count, r, ahead);
    }
#endif
    SumRowsPlain(base, stride, index, weight, n, count, r);
}

// The rows target row k + 1 adds to those of row k (none after the last row of the band). The
// taps run down the source, but reflected edge taps need not: then nothing is asked for.
RowsAhead RowsAheadOf(const ResampleTaps& vy, int k, int k1) {
    constexpr int kMostRows = 8;  // a steep shrink adds many rows; the first ones matter most
    RowsAhead ahead;
    if (k + 1 >= k1) return ahead;
    const int t0 = vy.start[size_t(k)], t1 = vy.start[size_t(k) + 1], t2 = vy.start[size_t(k) + 2];
    if (t1 <= t0 || t2 <= t1) return ahead;
    ahead.from = std::max(vy.index[size_t(t1 - 1)] + 1, vy.index[size_t(t1)]);
    ahead.to = std::min(vy.index[size_t(t2 - 1)] + 1, ahead.from + kMostRows);
    return ahead;
}

void Horizontal(const float* r, const ResampleTaps& hx, int tw, float bias, [[maybe_unused]] float* sums,
                uint8_t* d) {
#ifdef TROV_AVX2_KERNELS
    if (UseAvx2()) {
        // The common spans, each with its loops unrolled.
        using Kernel = void (*)(const float*, const ResampleTaps&, int, float, float*, uint8_t*);
        static constexpr Kernel kBySpan[] = {HorizontalAvx2<0>, HorizontalAvx2<0>, HorizontalAvx2<2>,
                                             HorizontalAvx2<3>, HorizontalAvx2<4>, HorizontalAvx2<5>,
                                             HorizontalAvx2<6>, HorizontalAvx2<7>, HorizontalAvx2<8>};
        const Kernel kernel = hx.span >= 0 && hx.span <= 8 ? kBySpan[hx.span] : HorizontalAvx2<0>;
        return kernel(r, hx, tw, bias, sums, d);
    }
#endif
    HorizontalPlain(r, hx, tw, bias, d);
}

}  // namespace

bool ResampleRows(const CPicture& src, int sx, int sy, const ResamplePlan& plan, CPicture& dst, int ox,
                  int oy, int k0, int k1, std::vector<float>& row) {
    const size_t used = size_t(3) * size_t(plan.sw);
    try {
        // The summed source row, then the target row's sums (four floats a pixel).
        const size_t need = plan.RowFloats() + size_t(4) * size_t(plan.tw);
        if (row.size() < need) row.resize(need);
    } catch (const std::exception&) {
        return false;  // an exception must not leave a helper thread
    }
    // The padded taps read past the row: zeros there add nothing.
    std::fill(row.begin() + ptrdiff_t(used), row.begin() + ptrdiff_t(plan.RowFloats()), 0.0f);
    const uint8_t* base = src.GetRow(sy) + 3 * size_t(sx);
    const size_t stride = size_t(src.GetStride());
    for (int k = k0; k < k1; ++k) {
        const int t0 = plan.vy.start[size_t(k)], t1 = plan.vy.start[size_t(k) + 1];
        SumRows(base, stride, plan.vy.index.data() + t0, plan.vy.weight.data() + t0, t1 - t0, used,
                row.data(), RowsAheadOf(plan.vy, k, k1));
        Horizontal(row.data(), plan.hx, plan.tw, plan.bias, row.data() + plan.RowFloats(),
                   dst.GetRow(oy + k) + 3 * size_t(ox));
    }
    return true;
}

void CRegionResampler::SetVectorKernels(bool on) {
    g_vectorKernels.store(on);
}

bool CRegionResampler::VectorKernels() {
    return UseAvx2();
}

void CRegionResampler::SetWideVectorKernels(bool on) {
    g_wideKernels.store(on);
}

bool CRegionResampler::WideVectorKernels() {
    return UseAvx2() && UseAvx512();
}

bool CRegionResampler::Resample(const CPicture& source, int left, int bottom, int right, int top,
                                CPicture& target, int quality, CPictureTools* progress) try {
    if (source.IsEmpty() || target.IsEmpty()) return false;
    const int width = target.GetWidth(), height = target.GetHeight();
    left = std::clamp(left, 0, source.GetWidth());
    right = std::clamp(right, left, source.GetWidth());
    bottom = std::clamp(bottom, 0, source.GetHeight());
    top = std::clamp(top, bottom, source.GetHeight());
    const int sw = right - left, sh = top - bottom;
    if (sw == 0 || sh == 0) return false;
    if (sw == width && sh == height) {
        for (int y = 0; y < height; ++y)
            std::memcpy(target.GetRow(y), source.GetRow(bottom + y) + 3 * size_t(left), 3 * size_t(width));
        target.BitsChanged();
        return true;
    }
    const bool lanczos = quality == kQualityFinalProduction && width != 1 && height != 1;
    m_plan.Prepare(sw, sh, width, height, lanczos);
    const int maxProgress = lanczos ? height : std::max(1, sh / 4);
    if (progress) progress->ReportProgressStart(maxProgress);
    const int threads = m_threads > 0 ? m_threads : CPictureTools::GetThreadCount();
    const int parts = std::clamp(std::min(threads, height / 8), 1, 64);
    if (m_rows.size() < size_t(parts)) m_rows.resize(size_t(parts));
    std::atomic<bool> failed{false};
    auto slice = [&](int p) {
        const int k0 = int(int64_t(height) * p / parts), k1 = int(int64_t(height) * (p + 1) / parts);
        if (!ResampleRows(source, left, bottom, m_plan, target, 0, 0, k0, k1, m_rows[size_t(p)]))
            failed = true;
    };
    if (parts == 1)
        slice(0);
    else
        ExecuteJobs(parts, parts, slice);
    if (failed) return false;
    if (progress) progress->ReportProgress(maxProgress);
    target.BitsChanged();
    return true;
} catch (const std::exception&) {
    return false;
}

}  // namespace trov
