// The underwater effects: the picture is warped by guide lines that wave like seen through water.
// Types 1-3: "Underwater Fade Out" (A warps more and more while dissolving into B),
// "Underwater Fade In" (B, warped at first, calms down while A dissolves into it),
// "Underwater Cross Dissolve" (both, mixed).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

class CUnderwaterEffect : public CBuiltinEffect {
public:
    static constexpr int kLines = 7;        // guide lines per direction, the outer two fixed
    static constexpr int kComponents = 10;  // wave components per inner line

    // type 1..3 as above; other numbers serve as type 1.
    explicit CUnderwaterEffect(int type);
    ~CUnderwaterEffect() override;

    // One wave component of an inner guide line.
    struct Wave {
        double spatial = 0.0;   // degrees per pixel along the line
        double temporal = 0.0;  // degrees per frame
        double phase = 0.0;     // pixels
        int amplitude = 0;      // pixels
    };
    // For tests: the components of inner line 1..5 (vertical lines when vertical is set).
    const Wave* GetWaves(bool vertical, int line) const;
    // For tests: the displacement of an inner line at position t along it, frame k, strength s.
    int Displacement(bool vertical, int line, int t, int k, double s) const;

    // Warps source into target (both W x H) with strength s at frame k: the row pass, then the
    // column pass. Reports progress on the hub.
    void Warp(const CPicture& source, CPicture& target, double s, int k);

    // The waves are the only numbers drawn, all in Init; a frame depends on them, A, B and its
    // number. Between Init and End: a new effect of the same type whose every Init takes the
    // waves this one drew (both halves' for type 3) instead of drawing its own. Null when none
    // were drawn (no Init, or a picture missing).
    std::unique_ptr<CUnderwaterEffect> TwinWithSameWaves() const;

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    // The overlaps of one run length resampled to another: per target pixel its first source
    // pixel and tap count, the taps' weights one after another.
    struct RunTaps {
        double norm = 1.0;
        std::vector<int> first;
        std::vector<int> count;
        std::vector<double> weights;
    };
    const RunTaps& TapsFor(int sw, int dw);
    void ResampleRun(const uint8_t* src, std::ptrdiff_t srcStep, int sw, uint8_t* dst, std::ptrdiff_t dstStep,
                     int dw);
    void MakeWaves(std::vector<Wave>& waves, int spacing);

    // The waves of one effect: vertical and horizontal guide lines.
    struct WaveDraw {
        std::vector<Wave> vertical, horizontal;
    };

    int m_type;
    std::array<int, kLines> m_xs{};                   // vertical guide lines (columns)
    std::array<int, kLines> m_ys{};                   // horizontal guide lines (rows)
    std::vector<Wave> m_vertical;                     // 5 x kComponents
    std::vector<Wave> m_horizontal;                   // 5 x kComponents
    std::vector<int> m_shift;                         // per-frame displacements of the inner lines
    std::unordered_map<uint64_t, RunTaps> m_runTaps;  // by (source length << 32 | target length)
    CDibPicture m_rowPass;
    CDibPicture m_warped;
    fx::CBlendTable m_table;
    // "Underwater Cross Dissolve": a fade-out over (A, A) and a fade-in over (B, B).
    std::unique_ptr<CUnderwaterEffect> m_fadeOut;
    std::unique_ptr<CUnderwaterEffect> m_fadeIn;
    // Whether Init has set the waves (until End); the waves every Init takes instead of drawing:
    // none, [its own] or, for type 3, [the fade-out's, the fade-in's].
    bool m_drawn = false;
    std::vector<WaveDraw> m_given;
};

}  // namespace trov
