// Stretches: B grows from one edge while A is squeezed toward the other.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

// Types: 1 "Top-Bottom-Stretch", 2 "Bottom-Top-Stretch", 3 "Right-Left-Stretch",
// 4 "Left-Right-Stretch".
class CStretchEffect : public CBuiltinEffect {
public:
    explicit CStretchEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
    fx::CRectScaler m_scaler;
};

}  // namespace trov
