// Stretch cross dissolves: B, squeezed into a strip at one edge that widens to the whole picture,
// fades in over A while it stretches.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

// Types: 1 "Stretch-Cross-Dissolve (Left-Right)", 2 "(Right-Left)", 3 "(Top-Bottom)",
// 4 "(Bottom-Top)".
class CStretchCrossDissolveEffect : public CBuiltinEffect {
public:
    explicit CStretchCrossDissolveEffect(int type);

protected:
    void DrawFrame(int k) override;
    void FreeBuffers() override { m_work.Reset(); }

private:
    int m_type;
    fx::CRectScaler m_scaler;
    fx::CBlendTable m_table;
    CDibPicture m_work;
};

}  // namespace trov
