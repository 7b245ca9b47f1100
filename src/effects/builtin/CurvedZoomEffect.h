// Curved zooms: one picture flies out of a corner toward the viewer (Zoom-In) or away into a
// corner (Zoom-Out) along a curved path, growing or shrinking with perspective.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

// Types: 1 "Curved Zoom-Out (Top-Right)", 2 "Curved Zoom-In (Top-Right)", 3 "... Out (Top-Left)",
// 4 "... In (Top-Left)", 5 "... Out (Bottom-Right)", 6 "... In (Bottom-Right)",
// 7 "... Out (Bottom-Left)", 8 "... In (Bottom-Left)".
class CCurvedZoomEffect : public CBuiltinEffect {
public:
    explicit CCurvedZoomEffect(int type);

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    int m_type;
    CDibPicture m_copyA, m_copyB;
    fx::CRectScaler m_scaler;
};

}  // namespace trov
