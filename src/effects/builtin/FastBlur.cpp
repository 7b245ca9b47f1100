// Line and disc box blurs: the literal scatter and the fast equivalent (see FastBlur.h).
#include "effects/builtin/FastBlur.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "infra/ProcessorFeatures.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define TROV_BLUR_AVX2 1
#endif

namespace trov {

namespace {

// The integer range [a, b] of i with trunc(-r) <= i < r, for r > 0.
void LineRange(double r, int& a, int& b) {
    a = static_cast<int>(std::trunc(-r));
    b = static_cast<int>(std::ceil(r)) - 1;
}

bool HasRadius(double r) {
    return r > 0.0;
}

// Kernels larger than any picture side reach nothing more than a kernel as large as the picture
// side; cap the radius so absurd values cannot make the loops or the kernel list explode.
double CapRadius(double r, int width, int height) {
    const double cap = 2.0 * std::max(width, height) + 2.0;
    return r > cap ? cap : r;
}

bool InDisc(int dx, int dy, double r) {
    return static_cast<double>(dx * dx + dy * dy) <= r * r;
}

void ZeroPadding(uint8_t* target, int width, int height, int stride) {
    const int used = 3 * width;
    if (stride <= used) return;
    for (int y = 0; y < height; ++y)
        std::memset(target + size_t(y) * stride + used, 0, size_t(stride - used));
}

// trunc(sum / count) for the exact integer quotient: sum * (1 / count) is within 1e-13 of the
// true quotient, and a non-integer quotient lies at least 1 / count below the next integer.
inline uint8_t Average(int32_t sum, double reciprocal) {
    return static_cast<uint8_t>(static_cast<int>(sum * reciprocal + 1e-9));
}

void CopyBlock(const SPixelBlock& s, uint8_t* target) {
    for (int y = 0; y < s.height; ++y)
        std::memcpy(target + size_t(y) * s.stride, s.bits + size_t(y) * s.stride, size_t(3) * s.width);
    ZeroPadding(target, s.width, s.height, s.stride);
}

}  // namespace

std::vector<SBlurOffset> BuildBlurKernel(EBlurKernel kind, double r) {
    std::vector<SBlurOffset> kernel;
    if (HasRadius(r)) {
        r = std::min(r, 1.0e6);
        int a = 0, b = 0;
        LineRange(r, a, b);
        for (int i = a; i <= b; ++i) {
            switch (kind) {
                case EBlurKernel::VerticalLine:
                    kernel.push_back({0, i});
                    break;
                case EBlurKernel::HorizontalLine:
                    kernel.push_back({i, 0});
                    break;
                case EBlurKernel::AntiDiagonalLine:
                    kernel.push_back({-i, i});
                    break;
                case EBlurKernel::DiagonalLine:
                    kernel.push_back({i, i});
                    break;
                case EBlurKernel::Disc:
                    for (int dx = a; dx <= b; ++dx)
                        if (InDisc(dx, i, r)) kernel.push_back({dx, i});
                    break;
            }
        }
    }
    if (kernel.empty()) kernel.push_back({0, 0});
    return kernel;
}

void ScatterBlur(const SPixelBlock& source, uint8_t* target, EBlurKernel kind, double r,
                 const BlurRowCallback& rowDone) {
    const int w = source.width, h = source.height, stride = source.stride;
    if (!source.bits || !target || w <= 0 || h <= 0) return;
    const bool checked = HasRadius(r);
    const std::vector<SBlurOffset> kernel = BuildBlurKernel(kind, CapRadius(r, w, h));
    const size_t bytes = size_t(stride) * h;
    std::vector<double> sum(bytes, 0.0);
    std::vector<int> count(bytes, 0);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = source.bits + size_t(y) * stride;
        for (int x = 0; x < w; ++x) {
            const uint8_t* px = row + 3 * x;
            for (const SBlurOffset& o : kernel) {
                const int tx = x + o.dx, ty = y + o.dy;
                if (checked && (tx < 0 || tx >= w || ty < 0 || ty >= h)) continue;
                const size_t at = size_t(ty) * stride + 3 * size_t(tx);
                for (int c = 0; c < 3; ++c) {
                    sum[at + c] += px[c];
                    ++count[at + c];
                }
            }
        }
        if (rowDone) rowDone(y);
    }
    for (size_t i = 0; i < bytes; ++i)
        target[i] = count[i] ? static_cast<uint8_t>(static_cast<int>(sum[i] / count[i])) : 0;
}

void CFastBlur::Free() {
    m_acc = {};
    m_prefix = {};
    m_counts = {};
    m_reciprocal = {};
}

void CFastBlur::PrepareReciprocals(int maxCount) {
    if (static_cast<int>(m_reciprocal.size()) > maxCount) return;
    m_reciprocal.resize(size_t(maxCount) + 1);
    m_reciprocal[0] = 0.0;
    for (int c = 1; c <= maxCount; ++c) m_reciprocal[c] = 1.0 / c;
}

void CFastBlur::Blur(const SPixelBlock& source, uint8_t* target, EBlurKernel kind, double r,
                     const BlurRowCallback& rowDone) {
    if (!source.bits || !target || source.width <= 0 || source.height <= 0) return;
    if (!HasRadius(r)) {
        CopyBlock(source, target);
        if (rowDone)
            for (int y = 0; y < source.height; ++y) rowDone(y);
        return;
    }
    r = CapRadius(r, source.width, source.height);
    int a = 0, b = 0;
    LineRange(r, a, b);
    switch (kind) {
        case EBlurKernel::VerticalLine:
            BlurVertical(source, target, a, b, rowDone);
            break;
        case EBlurKernel::HorizontalLine:
            BlurHorizontal(source, target, a, b, rowDone);
            break;
        case EBlurKernel::AntiDiagonalLine:
            BlurDiagonal(source, target, -1, a, b, rowDone);
            break;
        case EBlurKernel::DiagonalLine:
            BlurDiagonal(source, target, 1, a, b, rowDone);
            break;
        case EBlurKernel::Disc:
            BlurDisc(source, target, BuildBlurKernel(kind, r), rowDone);
            break;
    }
    ZeroPadding(target, source.width, source.height, source.stride);
}

// Target row y averages source rows y - b ... y - a: a running sum over a sliding window of rows.
void CFastBlur::BlurVertical(const SPixelBlock& s, uint8_t* target, int a, int b,
                             const BlurRowCallback& rowDone) {
    const int w = s.width, h = s.height, n = 3 * w;
    PrepareReciprocals(b - a + 1);
    m_acc.assign(size_t(n), 0);
    int32_t* acc = m_acc.data();
    auto addRow = [&](int row, int sign) {
        if (row < 0 || row >= h) return;
        const uint8_t* src = s.bits + size_t(row) * s.stride;
        for (int i = 0; i < n; ++i) acc[i] += sign * src[i];
    };
    for (int row = std::max(0, -b); row <= std::min(h - 1, -a); ++row) addRow(row, 1);
    for (int y = 0; y < h; ++y) {
        if (y > 0) {
            addRow(y - a, 1);
            addRow(y - 1 - b, -1);
        }
        const int count = std::min(h - 1, y - a) - std::max(0, y - b) + 1;
        const double rec = m_reciprocal[size_t(count)];
        uint8_t* out = target + size_t(y) * s.stride;
        for (int i = 0; i < n; ++i) out[i] = Average(acc[i], rec);
        if (rowDone) rowDone(y);
    }
}

// Target column x averages source columns x - b ... x - a of its row: prefix sums per row.
void CFastBlur::BlurHorizontal(const SPixelBlock& s, uint8_t* target, int a, int b,
                               const BlurRowCallback& rowDone) {
    const int w = s.width, h = s.height;
    PrepareReciprocals(b - a + 1);
    m_prefix.assign(size_t(w + 1) * 3, 0);
    int32_t* p = m_prefix.data();
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = s.bits + size_t(y) * s.stride;
        for (int i = 0; i < 3 * w; ++i) p[i + 3] = p[i] + src[i];
        uint8_t* out = target + size_t(y) * s.stride;
        for (int x = 0; x < w; ++x) {
            const int lo = std::max(0, x - b);
            const int hi = std::min(w, x - a + 1);
            const double rec = m_reciprocal[size_t(hi - lo)];
            for (int c = 0; c < 3; ++c) out[3 * x + c] = Average(p[3 * hi + c] - p[3 * lo + c], rec);
        }
        if (rowDone) rowDone(y);
    }
}

// Offsets i * (ux, 1): target (x, y) averages the sources (x - i * ux, y - i). A prefix table
// along the diagonals, D(x, y) = src(x, y) + D(x - ux, y - 1), gives any run of a diagonal by
// one subtraction.
void CFastBlur::BlurDiagonal(const SPixelBlock& s, uint8_t* target, int ux, int a, int b,
                             const BlurRowCallback& rowDone) {
    const int w = s.width, h = s.height, n = 3 * w;
    PrepareReciprocals(b - a + 1);
    m_prefix.assign(size_t(n) * h, 0);
    int32_t* d = m_prefix.data();
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = s.bits + size_t(y) * s.stride;
        int32_t* row = d + size_t(y) * n;
        const int32_t* below = y > 0 ? d + size_t(y - 1) * n : nullptr;
        for (int x = 0; x < w; ++x) {
            const int px = x - ux;
            const bool chained = below && px >= 0 && px < w;
            for (int c = 0; c < 3; ++c) row[3 * x + c] = src[3 * x + c] + (chained ? below[3 * px + c] : 0);
        }
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* out = target + size_t(y) * s.stride;
        for (int x = 0; x < w; ++x) {
            // i must keep both coordinates of the source inside the picture.
            int lo = std::max(a, y - h + 1), hi = std::min(b, y);
            if (ux > 0) {
                lo = std::max(lo, x - w + 1);
                hi = std::min(hi, x);
            } else {
                lo = std::max(lo, -x);
                hi = std::min(hi, w - 1 - x);
            }
            const int32_t* first = d + size_t(y - lo) * n + 3 * size_t(x - lo * ux);
            const int ex = x - (hi + 1) * ux, ey = y - hi - 1;
            const bool inside = ex >= 0 && ex < w && ey >= 0;
            const int32_t* beyond = inside ? d + size_t(ey) * n + 3 * size_t(ex) : nullptr;
            const double rec = m_reciprocal[size_t(hi - lo + 1)];
            for (int c = 0; c < 3; ++c) out[3 * x + c] = Average(first[c] - (beyond ? beyond[c] : 0), rec);
        }
        if (rowDone) rowDone(y);
    }
}

// The disc is a stack of horizontal chords dx in [lo(dy), hi(dy)]. Target (x, y) sums, for each dy
// whose source row y - dy exists, the source columns x - hi ... x - lo: two reads of that row's
// prefix sums. Prefix rows are padded with M columns on both sides (clamped sums), so the inner
// loop needs no bounds tests and runs over whole rows of bytes; a ring keeps the rows in use.
namespace {

// The disc kernel as one chord per row offset: columns lo..hi of row offset dy (index dy - dyMin).
struct DiscChords {
    int dyMin = 0, dyMax = 0, reach = 0;
    std::vector<int> lo, hi;
};

DiscChords ChordsOf(const std::vector<SBlurOffset>& kernel) {
    DiscChords c;
    c.dyMin = c.dyMax = kernel.front().dy;
    for (const SBlurOffset& o : kernel) {
        c.dyMin = std::min(c.dyMin, o.dy);
        c.dyMax = std::max(c.dyMax, o.dy);
    }
    const int rows = c.dyMax - c.dyMin + 1;
    c.lo.assign(size_t(rows), 1 << 30);
    c.hi.assign(size_t(rows), -(1 << 30));
    for (const SBlurOffset& o : kernel) {
        c.lo[size_t(o.dy - c.dyMin)] = std::min(c.lo[size_t(o.dy - c.dyMin)], o.dx);
        c.hi[size_t(o.dy - c.dyMin)] = std::max(c.hi[size_t(o.dy - c.dyMin)], o.dx);
        c.reach = std::max(c.reach, std::abs(o.dx));
    }
    return c;
}

// How many kernel pixels fall inside the picture for each column of a row that sees row offsets
// dyFrom..dyTo: columns far enough from both edges see every chord whole (fullCount).
void ChordCounts(const DiscChords& c, int w, int dyFrom, int dyTo, int fullCount, int maxHi, int minLo,
                 int* counts) {
    for (int x = 0; x < w; ++x) {
        if (x >= maxHi && x <= w - 1 + minLo) {
            counts[x] = fullCount;
            continue;
        }
        int n = 0;
        for (int dy = dyFrom; dy <= dyTo; ++dy) {
            const int l = c.lo[size_t(dy - c.dyMin)], u = c.hi[size_t(dy - c.dyMin)];
            n += std::min(w, x - l + 1) - std::max(0, x - u);
        }
        counts[x] = n;
    }
}

// acc[i] = the sum over the m chords of p1[c][i] - p0[c][i], for i < n: one pass over the row per
// chord, the rows streaming through the cache. The AVX2 build of the same loops adds eight sums
// at a time; integer sums are the same in any width.
inline void SumChordsPlain(int32_t* __restrict acc, const int32_t* const* p1, const int32_t* const* p0, int m,
                           int n) {
    for (int c = 0; c < m; ++c) {
        const int32_t* __restrict a = p1[c];
        const int32_t* __restrict b = p0[c];
        if (c == 0)
            for (int i = 0; i < n; ++i) acc[i] = a[i] - b[i];
        else
            for (int i = 0; i < n; ++i) acc[i] += a[i] - b[i];
    }
}

#ifdef TROV_BLUR_AVX2
__attribute__((target("avx2"))) void SumChordsAvx2(int32_t* __restrict acc, const int32_t* const* p1,
                                                   const int32_t* const* p0, int m, int n) {
    SumChordsPlain(acc, p1, p0, m, n);
}
#endif

void SumChords(int32_t* acc, const int32_t* const* p1, const int32_t* const* p0, int m, int n) {
#ifdef TROV_BLUR_AVX2
    if (ProcessorHasAvx2()) {
        SumChordsAvx2(acc, p1, p0, m, n);
        return;
    }
#endif
    SumChordsPlain(acc, p1, p0, m, n);
}

}  // namespace

void CFastBlur::BlurDisc(const SPixelBlock& s, uint8_t* target, const std::vector<SBlurOffset>& kernel,
                         const BlurRowCallback& rowDone) {
    const int w = s.width, h = s.height, n = 3 * w;
    const DiscChords chords = ChordsOf(kernel);
    const int dyMin = chords.dyMin, dyMax = chords.dyMax, rows = dyMax - dyMin + 1;
    const std::vector<int>&lo = chords.lo, &hi = chords.hi;
    const int pad = chords.reach + 1;
    const int prefixLen = (w + 2 * pad + 1) * 3;
    PrepareReciprocals(static_cast<int>(kernel.size()));
    m_prefix.assign(size_t(prefixLen) * rows, 0);
    m_acc.assign(size_t(n), 0);
    m_counts.assign(size_t(w), 0);
    int32_t* acc = m_acc.data();
    std::vector<const int32_t*> ends(size_t(2) * rows);
    const int32_t** p1s = ends.data();
    const int32_t** p0s = ends.data() + rows;

    auto prefixOf = [&](int srcRow) { return m_prefix.data() + size_t(srcRow % rows) * prefixLen; };
    auto buildPrefix = [&](int srcRow) {
        int32_t* p = prefixOf(srcRow);
        const uint8_t* src = s.bits + size_t(srcRow) * s.stride;
        // Columns before 0 sum to 0; columns past the end repeat the full row sum.
        std::fill(p, p + 3 * (pad + 1), 0);
        int32_t* q = p + 3 * pad;
        for (int i = 0; i < n; ++i) q[i + 3] = q[i] + src[i];
        for (int i = 3 * (pad + w + 1); i < prefixLen; ++i) p[i] = p[i - 3];
    };
    // Target row y reads source rows y - dyMax ... y - dyMin; build each when it first enters.
    int built = -1;
    auto ensureRows = [&](int upTo) {
        upTo = std::min(upTo, h - 1);
        while (built < upTo) buildPrefix(++built);
    };
    for (int y = 0; y < h; ++y) {
        ensureRows(y - dyMin);
        const int dyFrom = std::max(dyMin, y - h + 1), dyTo = std::min(dyMax, y);
        int fullCount = 0, maxHi = 0, minLo = 0, m = 0;
        for (int dy = dyFrom; dy <= dyTo; ++dy, ++m) {
            const int l = lo[size_t(dy - dyMin)], u = hi[size_t(dy - dyMin)];
            const int32_t* p = prefixOf(y - dy);
            p1s[m] = p + 3 * (pad - l + 1);
            p0s[m] = p + 3 * (pad - u);
            maxHi = m == 0 ? u : std::max(maxHi, u);
            minLo = m == 0 ? l : std::min(minLo, l);
            fullCount += u - l + 1;
        }
        SumChords(acc, p1s, p0s, m, n);
        int* counts = m_counts.data();
        ChordCounts(chords, w, dyFrom, dyTo, fullCount, maxHi, minLo, counts);
        uint8_t* out = target + size_t(y) * s.stride;
        for (int x = 0; x < w; ++x) {
            const double rec = m_reciprocal[size_t(counts[x])];
            out[3 * x] = Average(acc[3 * x], rec);
            out[3 * x + 1] = Average(acc[3 * x + 1], rec);
            out[3 * x + 2] = Average(acc[3 * x + 2], rec);
        }
        if (rowDone) rowDone(y);
    }
}

}  // namespace trov
