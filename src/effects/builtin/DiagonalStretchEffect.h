// Diagonal stretches: B, scaled down, grows out of a corner over A; the Reverse types shrink A
// into the corner over B.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

// Types 1-4: "Diagonal-Stretch-Left-Bottom", "-Right-Bottom", "-Left-Top", "-Right-Top";
// types 5-8: the same corners with " Reverse".
class CDiagonalStretchEffect : public CBuiltinEffect {
public:
    explicit CDiagonalStretchEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
    fx::CRectScaler m_scaler;
};

}  // namespace trov
