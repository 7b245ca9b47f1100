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
#endif

namespace trov {

namespace {

std::atomic<bool> g_vectorKernels{true};

bool UseAvx2() {
#ifdef TROV_AVX2_KERNELS
    return ProcessorHasAvx2() && g_vectorKernels.load(std::memory_order_relaxed);
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

TROV_AVX2 inline __m256 Widen8(const uint8_t* p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// As SumRowsPlain, with all taps of 32 floats summed in registers before the store.
TROV_AVX2 void SumRowsAvx2(const uint8_t* base, size_t stride, const int* index, const float* weight, int n,
                           size_t count, float* r) {
    size_t x = 0;
    for (; x + 32 <= count; x += 32) {
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

// Truncation, then saturation to 0..255 in two steps, as ToByte clamps; pixel j's three bytes and
// pixel j + 1's, each store spilling one byte onto the next pixel (written later).
TROV_AVX2 inline void StorePair(__m256 acc, uint8_t* d, int j) {
    __m256i v = _mm256_cvttps_epi32(acc);
    v = _mm256_packs_epi32(v, v);
    v = _mm256_packus_epi16(v, v);
    const uint32_t lo = uint32_t(_mm256_extract_epi32(v, 0)), hi = uint32_t(_mm256_extract_epi32(v, 4));
    std::memcpy(d + 3 * j, &lo, 4);
    std::memcpy(d + 3 * j + 3, &hi, 4);
}

// The sum of one pair (pixel j low, j + 1 high) over `taps` padded taps: weight t of both pixels,
// each broadcast in its half, times the two pixels' source values t.
TROV_AVX2 inline __m256 SumPair(const float* r, int f0, int f1, const float* w0, const float* w1, int taps,
                                float bias) {
    __m256 acc = _mm256_set1_ps(bias);
    for (int g = 0; g < taps; g += 4) {
        const __m256 wq = _mm256_loadu2_m128(w1 + g, w0 + g);
        const int inGroup = std::min(4, taps - g);
#pragma GCC unroll 4
        for (int k = 0; k < inGroup; ++k) {
            const int t = g + k;
            const __m256 w = _mm256_permutevar_ps(wq, _mm256_set1_epi32(k));
            acc = _mm256_add_ps(acc, _mm256_mul_ps(w, _mm256_loadu2_m128(r + f1 + 3 * t, r + f0 + 3 * t)));
        }
    }
    return acc;
}

// Two target pixels per register: pixel j in the low half (blue, green, red, spare lane), j + 1
// in the high half, one padded tap after another. kTaps is the span when it is known here (the
// loops unroll), 0 for any span. Two pairs go side by side where they can: each pair's sum is a chain of
// dependent additions, and a second chain fills the adder's wait.
template <int kTaps>
TROV_AVX2 void HorizontalAvx2(const float* r, const ResampleTaps& hx, int tw, float bias, uint8_t* d) {
    const int taps = kTaps > 0 ? kTaps : hx.span;
    const size_t stride = size_t(hx.spanStride);
    const int* first = hx.first.data();
    const float* weights = hx.padded.data();
    int j = 0;
    // Each pair stores eight bytes, the last on pixel j + 2's blue, written later: so pairs stop
    // before the last pixel of the row.
    while (j + 2 < tw) {
        const int f0 = first[j], f1 = first[j + 1];
        if (f0 < 0 || f1 < 0) {
            TapPixel(r, hx, j, bias, d);
            ++j;
            continue;
        }
        const float* w0 = weights + size_t(j) * stride;
        const int f2 = j + 4 < tw ? first[j + 2] : -1, f3 = j + 4 < tw ? first[j + 3] : -1;
        if (f2 < 0 || f3 < 0) {
            StorePair(SumPair(r, f0, f1, w0, w0 + stride, taps, bias), d, j);
            j += 2;
            continue;
        }
        const __m256 a = SumPair(r, f0, f1, w0, w0 + stride, taps, bias);
        const __m256 b = SumPair(r, f2, f3, w0 + 2 * stride, w0 + 3 * stride, taps, bias);
        StorePair(a, d, j);
        StorePair(b, d, j + 2);
        j += 4;
    }
    for (; j < tw; ++j) TapPixel(r, hx, j, bias, d);
}

#endif

void SumRows(const uint8_t* base, size_t stride, const int* index, const float* weight, int n, size_t count,
             float* r) {
    if (n == 0) {
        std::fill(r, r + count, 0.0f);
        return;
    }
#ifdef TROV_AVX2_KERNELS
    if (UseAvx2()) return SumRowsAvx2(base, stride, index, weight, n, count, r);
#endif
    SumRowsPlain(base, stride, index, weight, n, count, r);
}

void Horizontal(const float* r, const ResampleTaps& hx, int tw, float bias, uint8_t* d) {
#ifdef TROV_AVX2_KERNELS
    if (UseAvx2()) {
        // The common spans, each with its loops unrolled.
        using Kernel = void (*)(const float*, const ResampleTaps&, int, float, uint8_t*);
        static constexpr Kernel kBySpan[] = {HorizontalAvx2<0>, HorizontalAvx2<0>, HorizontalAvx2<2>,
                                             HorizontalAvx2<3>, HorizontalAvx2<4>, HorizontalAvx2<5>,
                                             HorizontalAvx2<6>, HorizontalAvx2<7>, HorizontalAvx2<8>};
        const Kernel kernel = hx.span >= 0 && hx.span <= 8 ? kBySpan[hx.span] : HorizontalAvx2<0>;
        return kernel(r, hx, tw, bias, d);
    }
#endif
    HorizontalPlain(r, hx, tw, bias, d);
}

}  // namespace

bool ResampleRows(const CPicture& src, int sx, int sy, const ResamplePlan& plan, CPicture& dst, int ox,
                  int oy, int k0, int k1, std::vector<float>& row) {
    const size_t used = size_t(3) * size_t(plan.sw);
    try {
        if (row.size() < plan.RowFloats()) row.resize(plan.RowFloats());
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
                row.data());
        Horizontal(row.data(), plan.hx, plan.tw, plan.bias, dst.GetRow(oy + k) + 3 * size_t(ox));
    }
    return true;
}

void CRegionResampler::SetVectorKernels(bool on) {
    g_vectorKernels.store(on);
}

bool CRegionResampler::VectorKernels() {
    return UseAvx2();
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
