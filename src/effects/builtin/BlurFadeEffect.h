// The blur fades: A blurs more and more while B, blurred at first, sharpens, and the mix moves
// from A's side to B's. Types 1-5: "Vertical-Blur-Fade", "Horizontal-Blur-Fade",
// "TopLeft-BottomRight-Blur-Fade", "TopRight-BottomLeft-Blur-Fade", "Blur-Fade" (disc).
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"
#include "effects/builtin/FastBlur.h"

namespace trov {

class CBlurFadeEffect : public CBuiltinEffect {
public:
    // type 1..5 as above; other numbers serve as type 5.
    explicit CBlurFadeEffect(int type);

    // The maximum radius R of the current transition (after Init), for tests and tools.
    double GetMaxRadius() const { return m_radius; }

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    // Blurs source into target with radius r, reporting rows on the progress pipelines.
    void BlurWithProgress(const CPicture& source, CPicture& target, double r, int k);

    int m_type;
    EBlurKernel m_kernel;
    double m_radius = 0.0;
    CFastBlur m_blur;
    CDibPicture m_blurA;
    CDibPicture m_blurB;
    fx::CBlendTable m_table;
};

}  // namespace trov
