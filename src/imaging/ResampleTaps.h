// The filter taps of both resampling filters, kept in vectors that are refilled in place, so that
// a resampler whose crop changes every frame rebuilds them without allocating.
#pragma once

#include <cstddef>
#include <vector>

namespace trov {

// For every target index along one axis: the source indices and normalised weights.
struct ResampleTaps {
    std::vector<int> start;  // target j's taps are [start[j], start[j + 1])
    std::vector<int> index;
    std::vector<float> weight;

    // The same taps as rows of `span` weights (zeros after a target's own): first[j] is 3 times
    // target j's first source index when its taps are consecutive, -1 when they are not (edge
    // reflection) or there are more than kMaxSpan of them. Adding the zero terms leaves every sum
    // bit for bit as it was, so a padded row and the tap list give the same bytes.
    static constexpr int kMaxSpan = 32;
    int span = 0;
    int spanStride = 0;  // span rounded up to a multiple of 4: whole groups of four load as one
    std::vector<int> first;
    std::vector<float> padded;  // spanStride weights per target

    // Reused while building.
    std::vector<double> scratch;
    std::vector<int> cursor;

    int Targets() const { return start.empty() ? 0 : int(start.size()) - 1; }
    int Count(int j) const { return start[size_t(j) + 1] - start[size_t(j)]; }
};

// Lanczos-3 taps: centre c = j / s, reflected edges, zero weights dropped, weights summing to 1.
void BuildLanczosTaps(int srcSize, int dstSize, ResampleTaps& taps);
// Area taps: source pixel i covers [i*s, (i+1)*s) in target units; its weight for target j is
// the length of the overlap with [j, j+1).
void BuildAreaTaps(int srcSize, int dstSize, ResampleTaps& taps);

// Everything one resampling of sw x sh pixels to tw x th needs. Prepare rebuilds only the axis
// whose sizes changed.
struct ResamplePlan {
    int sw = 0, sh = 0, tw = 0, th = 0;
    bool lanczos = false;
    bool valid = false;
    ResampleTaps hx, vy;
    float bias = 0.0f;

    void Prepare(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, bool useLanczos);
    // Floats of the summed source row, with the zero tail the padded taps read into.
    size_t RowFloats() const { return size_t(3) * size_t(sw) + size_t(3 * hx.span + 4); }
};

}  // namespace trov
