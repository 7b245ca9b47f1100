// Floating cross dissolves: A floats in a sine wave of growing amplitude while it dissolves into B.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

// Types: 1 "Horizontal Floating Cross Dissolve" (rows shift sideways),
// 2 "Vertical Floating Cross Dissolve" (columns shift up and down).
class CFloatingDissolveEffect : public CBuiltinEffect {
public:
    explicit CFloatingDissolveEffect(int type);

protected:
    void DrawFrame(int k) override;
    void FreeBuffers() override { m_work.Reset(); }

private:
    int m_type;
    CDibPicture m_work;
    fx::CBlendTable m_table;
};

}  // namespace trov
