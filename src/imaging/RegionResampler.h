// Crop-and-resample of a part of a picture straight into a frame the caller keeps: the weight
// tables stay between calls (rebuilt in place when the part or target size changes) and the row
// kernels have AVX2 builds (and an AVX-512 one of the vertical sums) chosen at run time, giving the
// same bytes as the plain ones.
#pragma once

#include <vector>

#include "imaging/Picture.h"
#include "imaging/ResampleTaps.h"

namespace trov {

class CPictureTools;

// Target rows [k0, k1) of plan: the plan.sw x plan.sh part of src at column sx, memory row sy,
// into the plan.tw x plan.th rectangle of dst at (ox, oy). For each target row the vertical taps
// are summed over whole source rows into `row` (this thread's buffer, grown as needed), then the
// horizontal taps over that float row. False when the row buffer cannot be had.
bool ResampleRows(const CPicture& src, int sx, int sy, const ResamplePlan& plan, CPicture& dst, int ox,
                  int oy, int k0, int k1, std::vector<float>& row);

// One object per user, not shared between threads.
class CRegionResampler {
public:
    // Threads a call splits its rows among: 0 (the default) = CPictureTools::GetThreadCount(),
    // as Resize; 1 for a caller that already renders frames side by side.
    void SetThreads(int threads) { m_threads = threads < 0 ? 0 : threads; }

    // Writes the part [left, right) x [bottom, top) of source (columns, memory rows; clipped to
    // the picture) scaled to the whole of target, whose size is the output size, with the filter
    // of quality (kQualityProduction / kQualityFinalProduction). The bytes are those Resize makes
    // of a copy of that part. progress (may be null) gets "MaxProgress" and "CurrentProgress" as
    // Resize sends them. False when the part or the target is empty (target untouched) or a row
    // buffer cannot be had.
    bool Resample(const CPicture& source, int left, int bottom, int right, int top, CPicture& target,
                  int quality, CPictureTools* progress = nullptr);

    // Whether the AVX2 kernels are used where the processor has them (the default). Off: the
    // plain kernels everywhere, for comparing the two. Process-wide.
    static void SetVectorKernels(bool on);
    static bool VectorKernels();
    // Whether the vertical sums take AVX-512 where the processor has it (the default). Off: AVX2
    // there too, for comparing. Process-wide.
    static void SetWideVectorKernels(bool on);
    static bool WideVectorKernels();

private:
    ResamplePlan m_plan;
    std::vector<std::vector<float>> m_rows;  // one summed-row buffer per thread
    int m_threads = 0;
};

}  // namespace trov
