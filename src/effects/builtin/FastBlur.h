// Box-average blurs along a line or over a disc on raw 24-bit rows, used by the blur fades.
//
// The blur of radius r is defined by a scatter: every source pixel adds its bytes to every target
// pixel (x + dx, y + dy) inside the picture, for every kernel offset (dx, dy); each target byte is
// then trunc(sum / count). Equivalently a target pixel is the truncated average of the source
// pixels (x - dx, y - dy) that lie inside the picture. ScatterBlur does the literal scatter (the
// reference, seconds per frame); CFastBlur computes the same averages with running sums (lines) or
// per-row prefix sums over the disc's chords, so its bytes equal ScatterBlur's exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace trov {

// Kernel shapes by blur fade type. Offsets are (dx, dy) with dy counting rows as stored.
enum class EBlurKernel {
    VerticalLine = 1,      // (0, i)
    HorizontalLine = 2,    // (i, 0)
    AntiDiagonalLine = 3,  // (-i, i)
    DiagonalLine = 4,      // (i, i)
    Disc = 5               // every (dx, dy) of the range with dx^2 + dy^2 <= r^2
};

struct SBlurOffset {
    int dx;
    int dy;
};

// The kernel of radius r: i runs over the integers from trunc(-r) while i < r. A radius <= 0 (or
// not a number) gives the single offset (0, 0).
std::vector<SBlurOffset> BuildBlurKernel(EBlurKernel kind, double r);

// A view of a 24-bit pixel block: width x height pixels, rows `stride` bytes apart.
struct SPixelBlock {
    const uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Called after each completed row with the row's number (0-based), for progress reports.
using BlurRowCallback = std::function<void(int row)>;

// The literal scatter into target (same geometry as source). Row padding bytes become 0.
void ScatterBlur(const SPixelBlock& source, uint8_t* target, EBlurKernel kind, double r,
                 const BlurRowCallback& rowDone = {});

// The fast blur. Keeps its work buffers between calls, so one object per effect avoids
// reallocating them every frame. Not thread-safe.
class CFastBlur {
public:
    // target must hold source.height rows of source.stride bytes and must not alias source.
    // Row padding bytes become 0. r <= 0 copies the picture.
    void Blur(const SPixelBlock& source, uint8_t* target, EBlurKernel kind, double r,
              const BlurRowCallback& rowDone = {});
    // Releases the work buffers.
    void Free();

private:
    void BlurVertical(const SPixelBlock& s, uint8_t* target, int a, int b, const BlurRowCallback& rowDone);
    void BlurHorizontal(const SPixelBlock& s, uint8_t* target, int a, int b, const BlurRowCallback& rowDone);
    void BlurDiagonal(const SPixelBlock& s, uint8_t* target, int ux, int a, int b,
                      const BlurRowCallback& rowDone);
    void BlurDisc(const SPixelBlock& s, uint8_t* target, const std::vector<SBlurOffset>& kernel,
                  const BlurRowCallback& rowDone);
    // 1 / count for every count up to maxCount.
    void PrepareReciprocals(int maxCount);

    std::vector<int32_t> m_acc;     // one row of sums
    std::vector<int32_t> m_prefix;  // prefix sums (rows, or the diagonal table)
    std::vector<int32_t> m_counts;  // per-column counts of one row
    std::vector<double> m_reciprocal;
};

}  // namespace trov
