// Filter taps of the Lanczos and area resampling, built into reused vectors.
#include "imaging/ResampleTaps.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace trov {

namespace {

double LanczosKernel(double x) {
    if (x == 0.0) return 1.0;
    if (x <= -3.0 || x >= 3.0) return 0.0;
    const double px = std::numbers::pi * x;
    return (std::sin(px) / px) * (std::sin(px / 3.0) / (px / 3.0));
}

// Fills the padded rows of taps from its tap list.
void BuildSpan(ResampleTaps& t) {
    const int n = t.Targets();
    int span = 1;
    for (int j = 0; j < n; ++j) span = std::max(span, t.Count(j));
    t.span = std::min(span, ResampleTaps::kMaxSpan);
    t.spanStride = (t.span + 3) / 4 * 4;
    t.first.resize(size_t(n));
    t.padded.assign(size_t(n) * size_t(t.spanStride), 0.0f);
    for (int j = 0; j < n; ++j) {
        const int b = t.start[size_t(j)], count = t.Count(j);
        bool consecutive = count >= 1 && count <= t.span;
        for (int k = 1; consecutive && k < count; ++k)
            consecutive = t.index[size_t(b + k)] == t.index[size_t(b)] + k;
        t.first[size_t(j)] = consecutive ? 3 * t.index[size_t(b)] : -1;
        if (!consecutive) continue;
        std::copy_n(t.weight.begin() + b, count, t.padded.begin() + ptrdiff_t(j) * t.spanStride);
    }
}

}  // namespace

void BuildLanczosTaps(int srcSize, int dstSize, ResampleTaps& t) {
    t.start.clear();
    t.index.clear();
    t.weight.clear();
    t.start.reserve(size_t(dstSize) + 1);
    const double s = double(dstSize) / double(srcSize);
    for (int j = 0; j < dstSize; ++j) {
        t.start.push_back(int(t.index.size()));
        const double c = j / s;
        int lo, hi;
        if (s >= 1.0) {
            lo = int(std::trunc(c - 3.5));
            hi = int(std::trunc(c + 3.5));
        } else {
            lo = int(std::trunc(c - 3.0 / s - 0.5));
            hi = int(std::trunc(c + 3.0 / s + 0.5));
        }
        // Indices go into index right away; their raw weights wait in scratch for the sum.
        const size_t base = t.index.size();
        t.scratch.clear();
        double sum = 0.0;
        for (int i = lo; i <= hi; ++i) {
            const double w = s >= 1.0 ? LanczosKernel(c - i) : LanczosKernel((c - i) * s) * s;
            if (w == 0.0) continue;
            int r = i < 0 ? -i : (i >= srcSize ? 2 * srcSize - 1 - i : i);
            r = std::clamp(r, 0, srcSize - 1);  // a tiny source can reflect past its other edge
            t.index.push_back(r);
            t.scratch.push_back(w);
            sum += w;
        }
        if (t.scratch.empty() || std::fabs(sum) < 1e-12) {
            // Cannot happen for sane sizes; fall back to the nearest pixel.
            t.index.resize(base);
            t.index.push_back(std::clamp(int(c + 0.5), 0, srcSize - 1));
            t.weight.push_back(1.0f);
            continue;
        }
        for (double w : t.scratch) t.weight.push_back(float(w / sum));
    }
    t.start.push_back(int(t.index.size()));
    BuildSpan(t);
}

void BuildAreaTaps(int srcSize, int dstSize, ResampleTaps& t) {
    // Walk the overlap table per source pixel twice: once counting each target's taps, once
    // placing them, so every target's taps come in source order without a list per target.
    const double s = double(dstSize) / double(srcSize);
    auto overlaps = [&](auto&& add) {
        for (int i = 0; i < srcSize; ++i) {
            const double a = i * s, b = (i + 1) * s;
            const int j0 = std::max(0, int(std::floor(a)));
            const int j1 = std::min(dstSize - 1, int(std::ceil(b)) - 1);
            for (int j = j0; j <= j1; ++j) {
                const double ov = std::min(b, double(j + 1)) - std::max(a, double(j));
                if (ov > 1e-12) add(i, j, ov);
            }
        }
    };
    t.start.assign(size_t(dstSize) + 1, 0);
    overlaps([&](int, int j, double) { ++t.start[size_t(j) + 1]; });
    for (int j = 0; j < dstSize; ++j) t.start[size_t(j) + 1] += t.start[size_t(j)];
    t.index.resize(size_t(t.start.back()));
    t.weight.resize(size_t(t.start.back()));
    t.cursor.assign(t.start.begin(), t.start.end() - 1);
    overlaps([&](int i, int j, double ov) {
        const size_t k = size_t(t.cursor[size_t(j)]++);
        t.index[k] = i;
        t.weight[k] = float(ov);
    });
    BuildSpan(t);
}

void ResamplePlan::Prepare(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight,
                           bool useLanczos) {
    const bool sameFilter = valid && lanczos == useLanczos;
    valid = false;  // until both axes are built (a failed build leaves them half made)
    auto build = [&](int src, int dst, ResampleTaps& taps) {
        if (useLanczos)
            BuildLanczosTaps(src, dst, taps);
        else
            BuildAreaTaps(src, dst, taps);
    };
    if (!sameFilter || sw != sourceWidth || tw != targetWidth) build(sourceWidth, targetWidth, hx);
    if (!sameFilter || sh != sourceHeight || th != targetHeight) build(sourceHeight, targetHeight, vy);
    sw = sourceWidth;
    sh = sourceHeight;
    tw = targetWidth;
    th = targetHeight;
    lanczos = useLanczos;
    valid = true;
    // The area sums equal the exact average up to float rounding; the tiny bias keeps a value
    // like 199.99998 (really 200) from being truncated to 199.
    bias = lanczos ? 0.5f : 0.001f;
}

}  // namespace trov
