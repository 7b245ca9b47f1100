// Underwater: guide lines displaced by sums of sine waves; each row is cut at the vertical lines
// and its pieces stretched between the displaced lines, then each column likewise.
#include "effects/builtin/UnderwaterEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TROV_UNDERWATER_AVX2 1
#endif

#include "infra/Angles.h"
#include "infra/MessagePipelines.h"
#include "infra/ProcessorFeatures.h"

namespace trov {

namespace {

const char* NameOf(int type) {
    switch (type) {
        case 2:
            return "Underwater Fade In";
        case 3:
            return "Underwater Cross Dissolve";
        default:
            return "Underwater Fade Out";
    }
}

#ifdef TROV_UNDERWATER_AVX2
// The tap sums of ResampleRun with the three channels in one register: each lane does the
// multiplications and additions the scalar code does, in the same order (no fused multiply-add),
// so every byte is the same.
__attribute__((target("avx2"))) void ResampleTapsAvx2(const uint8_t* src, std::ptrdiff_t srcStep,
                                                      uint8_t* dst, std::ptrdiff_t dstStep, int dw,
                                                      const int* first, const int* count,
                                                      const double* weight, double norm) {
    const __m256d scale = _mm256_set1_pd(norm), lift = _mm256_set1_pd(1e-7), top = _mm256_set1_pd(255.0);
    for (int j = 0; j < dw; ++j) {
        const uint8_t* p = src + first[j] * srcStep;
        __m256d sum = _mm256_setzero_pd();
        for (int t = count[j]; t > 0; --t, ++weight, p += srcStep) {
            const __m256d px = _mm256_cvtepi32_pd(_mm_setr_epi32(p[0], p[1], p[2], 0));
            sum = _mm256_add_pd(sum, _mm256_mul_pd(px, _mm256_set1_pd(*weight)));
        }
        // min(255, sum * norm + lift), truncated.
        const __m128i q =
            _mm256_cvttpd_epi32(_mm256_min_pd(top, _mm256_add_pd(_mm256_mul_pd(sum, scale), lift)));
        uint8_t* o = dst + j * dstStep;
        o[0] = static_cast<uint8_t>(_mm_cvtsi128_si32(q));
        o[1] = static_cast<uint8_t>(_mm_extract_epi32(q, 1));
        o[2] = static_cast<uint8_t>(_mm_extract_epi32(q, 2));
    }
}
#endif

}  // namespace

// Area-averaging resample of a run of sw pixels to dw pixels: each target pixel is the
// overlap-weighted mean of the source pixels its interval covers. The overlaps depend only on the
// two lengths, so they are computed once per pair and reused for every row, column and frame;
// the sums run over the same taps in the same order, so the pixels come out as if computed anew.
const CUnderwaterEffect::RunTaps& CUnderwaterEffect::TapsFor(int sw, int dw) {
    const uint64_t key = (uint64_t(uint32_t(sw)) << 32) | uint32_t(dw);
    auto [it, added] = m_runTaps.try_emplace(key);
    RunTaps& taps = it->second;
    if (!added) return taps;
    const double scale = static_cast<double>(sw) / dw;
    taps.norm = 1.0 / scale;
    taps.first.resize(size_t(dw));
    taps.count.resize(size_t(dw));
    for (int j = 0; j < dw; ++j) {
        const double s0 = j * scale, s1 = s0 + scale;
        const int first = std::min(sw - 1, static_cast<int>(s0));
        const int last = std::min(sw - 1, static_cast<int>(std::ceil(s1)) - 1);
        taps.first[size_t(j)] = first;
        taps.count[size_t(j)] = std::max(0, last - first + 1);
        for (int i = first; i <= last; ++i) {
            const double overlap = std::min(s1, i + 1.0) - std::max(s0, static_cast<double>(i));
            // A tap without overlap adds +0 to a sum that is never negative: no change.
            taps.weights.push_back(overlap > 0 ? overlap : 0.0);
        }
    }
    return taps;
}

// The run of sw pixels (3 bytes each, srcStep bytes apart) resampled to dw pixels (dstStep bytes
// apart). Equal lengths copy.
void CUnderwaterEffect::ResampleRun(const uint8_t* src, std::ptrdiff_t srcStep, int sw, uint8_t* dst,
                                    std::ptrdiff_t dstStep, int dw) {
    if (sw <= 0 || dw <= 0) return;
    if (sw == dw) {
        for (int i = 0; i < sw; ++i) std::memcpy(dst + i * dstStep, src + i * srcStep, 3);
        return;
    }
    const RunTaps& taps = TapsFor(sw, dw);
#ifdef TROV_UNDERWATER_AVX2
    if (ProcessorHasAvx2()) {
        ResampleTapsAvx2(src, srcStep, dst, dstStep, dw, taps.first.data(), taps.count.data(),
                         taps.weights.data(), taps.norm);
        return;
    }
#endif
    const double norm = taps.norm;
    const double* weight = taps.weights.data();
    for (int j = 0; j < dw; ++j) {
        const uint8_t* p = src + taps.first[size_t(j)] * srcStep;
        double sum0 = 0, sum1 = 0, sum2 = 0;
        for (int t = taps.count[size_t(j)]; t > 0; --t, ++weight, p += srcStep) {
            sum0 += p[0] * *weight;
            sum1 += p[1] * *weight;
            sum2 += p[2] * *weight;
        }
        uint8_t* q = dst + j * dstStep;
        // The small lift keeps flat areas flat despite the rounding of the overlaps.
        q[0] = static_cast<uint8_t>(std::min(255.0, sum0 * norm + 1e-7));
        q[1] = static_cast<uint8_t>(std::min(255.0, sum1 * norm + 1e-7));
        q[2] = static_cast<uint8_t>(std::min(255.0, sum2 * norm + 1e-7));
    }
}

CUnderwaterEffect::CUnderwaterEffect(int type)
    : CBuiltinEffect(NameOf(type), "1.0", type == 2), m_type(type >= 1 && type <= 3 ? type : 1) {
    m_copyAInPrepare = false;
    m_copyAInTextMode = false;
}

CUnderwaterEffect::~CUnderwaterEffect() = default;

void CUnderwaterEffect::MakeWaves(std::vector<Wave>& waves, int spacing) {
    waves.assign(size_t(5) * kComponents, Wave{});
    int budget = spacing / 2 - 1;
    if (budget < 0) budget = 0;
    const int least = static_cast<int>(budget * 0.2);
    for (int line = 0; line < 5; ++line) {
        int left = budget;  // what the line's components may still take
        for (int j = 0; j < kComponents; ++j) {
            Wave& wave = waves[size_t(line * kComponents + j)];
            wave.spatial = (std::rand() % 500) * 0.01 - 2.5;
            wave.temporal = (std::rand() % 500) * 0.1 - 25.0;
            wave.temporal += wave.temporal < 0 ? -10.0 : 10.0;
            wave.phase = std::rand() % 5000;
            // A budget of 0 or 1 leaves no range to draw from (a modulo by zero); those lines stay still.
            int amplitude = budget - least > 0 ? least + std::rand() % (budget - least) : 0;
            amplitude = std::clamp(amplitude, 0, left);
            left -= amplitude;
            wave.amplitude = amplitude;
        }
    }
}

void CUnderwaterEffect::PrepareFrames() {
    const int w = W(), h = H();
    const int d = w / 6, e = h / 6;
    for (int i = 0; i < kLines - 1; ++i) {
        m_xs[size_t(i)] = i * d;
        m_ys[size_t(i)] = i * e;
    }
    m_xs[kLines - 1] = w;
    m_ys[kLines - 1] = h;
    if (m_type == 3) {
        // The two halves carry their own guide lines; each warps one picture over itself.
        if (!m_fadeOut) m_fadeOut = std::make_unique<CUnderwaterEffect>(1);
        if (!m_fadeIn) m_fadeIn = std::make_unique<CUnderwaterEffect>(2);
        m_fadeOut->SetPipelines(GetPipelines());
        m_fadeIn->SetPipelines(GetPipelines());
        if (m_given.size() == 2) {
            m_fadeOut->m_given = {m_given[0]};
            m_fadeIn->m_given = {m_given[1]};
        }
        m_fadeOut->Init(A(), A(), N());
        m_fadeIn->Init(B(), B(), N());
        m_drawn = true;
        return;
    }
    if (m_given.size() == 1) {
        m_vertical = m_given[0].vertical;
        m_horizontal = m_given[0].horizontal;
    } else {
        MakeWaves(m_vertical, d);
        MakeWaves(m_horizontal, e);
    }
    m_drawn = true;
    if (!m_rowPass.Create(w, h) || !m_warped.Create(w, h)) {
        m_rowPass.Reset();
        m_warped.Reset();
    }
}

std::unique_ptr<CUnderwaterEffect> CUnderwaterEffect::TwinWithSameWaves() const {
    if (!m_drawn) return nullptr;
    auto twin = std::make_unique<CUnderwaterEffect>(m_type);
    if (m_type == 3) {
        if (!m_fadeOut || !m_fadeIn) return nullptr;
        twin->m_given = {{m_fadeOut->m_vertical, m_fadeOut->m_horizontal},
                         {m_fadeIn->m_vertical, m_fadeIn->m_horizontal}};
    } else {
        twin->m_given = {{m_vertical, m_horizontal}};
    }
    return twin;
}

void CUnderwaterEffect::FreeBuffers() {
    m_drawn = false;
    m_runTaps = {};
    m_rowPass.Reset();
    m_warped.Reset();
    m_shift = {};
    if (m_fadeOut) m_fadeOut->End();
    if (m_fadeIn) m_fadeIn->End();
}

const CUnderwaterEffect::Wave* CUnderwaterEffect::GetWaves(bool vertical, int line) const {
    const std::vector<Wave>& waves = vertical ? m_vertical : m_horizontal;
    if (line < 1 || line > 5 || waves.empty()) return nullptr;
    return &waves[size_t(line - 1) * kComponents];
}

int CUnderwaterEffect::Displacement(bool vertical, int line, int t, int k, double s) const {
    const Wave* waves = GetWaves(vertical, line);
    if (!waves) return 0;
    double sum = 0.0;
    for (int j = 0; j < kComponents; ++j) {
        const Wave& wave = waves[j];
        sum += wave.amplitude *
               std::sin(((t + wave.phase) * wave.spatial + k * wave.temporal) * kRadiansPerDegree);
    }
    return static_cast<int>(s * sum);
}

void CUnderwaterEffect::Warp(const CPicture& source, CPicture& target, double s, int k) {
    const int w = W(), h = H();
    CMessagePipelines* hub = GetPipelines();
    SendStatus(hub, "Creating Underwater-Effect-Frame " + fx::FrameOfText(k, N()));
    fx::ReportProgressStart(hub, h + w);
    if (m_rowPass.IsEmpty() || target.IsEmpty()) return;
    // Displacements of the five inner lines of each set along their whole length.
    m_shift.assign(size_t(5) * (h + w), 0);
    int* vShift = m_shift.data();
    int* hShift = m_shift.data() + size_t(5) * h;
    for (int line = 1; line <= 5; ++line) {
        for (int y = 0; y < h; ++y) vShift[size_t(line - 1) * h + y] = Displacement(true, line, y, k, s);
        for (int x = 0; x < w; ++x) hShift[size_t(line - 1) * w + x] = Displacement(false, line, x, k, s);
    }
    std::array<int, kLines> to{};
    // Row pass.
    for (int y = 0; y < h; ++y) {
        to[0] = 0;
        to[kLines - 1] = w;
        for (int line = 1; line <= 5; ++line)
            to[size_t(line)] = std::clamp(m_xs[size_t(line)] + vShift[size_t(line - 1) * h + y], 0, w);
        const uint8_t* src = source.GetRow(y);
        uint8_t* dst = m_rowPass.GetRow(y);
        for (int seg = 0; seg < kLines - 1; ++seg) {
            const int sx = m_xs[size_t(seg)], sw = m_xs[size_t(seg) + 1] - sx;
            const int dx = to[size_t(seg)], dw = to[size_t(seg) + 1] - dx;
            ResampleRun(src + 3 * sx, 3, sw, dst + 3 * dx, 3, dw);
        }
        fx::ReportProgress(hub, y + 1);
    }
    // Column pass over the row pass's result.
    const std::ptrdiff_t stride = m_rowPass.GetStride();
    for (int x = 0; x < w; ++x) {
        to[0] = 0;
        to[kLines - 1] = h;
        for (int line = 1; line <= 5; ++line)
            to[size_t(line)] = std::clamp(m_ys[size_t(line)] + hShift[size_t(line - 1) * w + x], 0, h);
        const uint8_t* src = m_rowPass.GetBits() + 3 * x;
        uint8_t* dst = target.GetBits() + 3 * x;
        for (int seg = 0; seg < kLines - 1; ++seg) {
            const int sy = m_ys[size_t(seg)], sh = m_ys[size_t(seg) + 1] - sy;
            const int dy = to[size_t(seg)], dh = to[size_t(seg) + 1] - dy;
            ResampleRun(src + sy * stride, stride, sh, dst + dy * stride, stride, dh);
        }
        fx::ReportProgress(hub, h + x + 1);
    }
}

void CUnderwaterEffect::DrawFrame(int k) {
    const int n = N();
    if (m_type == 3) {
        m_fadeOut->SetCurrentFrame(k - 1);
        m_fadeIn->SetCurrentFrame(k - 1);
        const CDibPicture* warpedA = m_fadeOut->NextFrame();
        const CDibPicture* warpedB = m_fadeIn->NextFrame();
        if (!warpedA || !warpedB) return;
        // A smooth S-curve from the warped A to the warped B: both wobble most in the middle,
        // where the mix is even, and the mix ends on the calm B.
        const double speed = n * (1.0 - std::cos(std::numbers::pi * k / n)) / 2.0;
        m_table.Build(speed, n);
        fx::BlendPictures(m_output, *warpedA, *warpedB, m_table);
        return;
    }
    if (m_warped.IsEmpty()) return;
    const double q = static_cast<double>(m_type == 1 ? n - k : k) / n;
    const double theta = 180.0 * q * q;
    const double s = (std::cos(theta * kRadiansPerDegree) + 1.0) / 2.0;
    if (m_type == 1) {
        Warp(*A(), m_warped, s, k);
        m_table.Build(k, n);
        fx::BlendPictures(m_output, m_warped, *B(), m_table);
    } else {
        Warp(*B(), m_warped, s, k);
        m_table.Build(n - k, n);
        fx::BlendPictures(m_output, m_warped, *A(), m_table);
    }
}

}  // namespace trov
