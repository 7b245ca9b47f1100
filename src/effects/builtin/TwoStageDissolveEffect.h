// Two-stage dissolves: A dissolves into a middle picture, which dissolves into B.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/builtin/CrossDissolveEffect.h"

namespace trov {

// Types: 1 "Additional Dissolve" (middle = min(255, A + B) per byte),
// 2 "Substractional Dissolve" (middle = max(0, B - A) per byte).
// The first trunc(n / 2) frames go from A to the middle, the rest from the middle to B.
class CTwoStageDissolveEffect : public CBuiltinEffect {
public:
    explicit CTwoStageDissolveEffect(int type);

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    int m_type;
    int m_firstStage = 0;
    CDibPicture m_middle;
    CCrossDissolveEffect m_dissolve;
};

}  // namespace trov
