// Sand clocks: slices across the direction of travel turn like the grains of a sand clock; a
// wave of turning slices runs across the picture with A ahead of it and B behind it.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

// Types 1-4: "SandClock-Effekt (Left-Right)", "(Right-Left)", "(Top-Bottom)", "(Bottom-Top)",
// slices 1 pixel wide; types 5-8: "SandClock-Effekt-Blocked (...)", slices 20 pixels wide.
class CSandClockEffect : public CBuiltinEffect {
public:
    explicit CSandClockEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
    fx::CRectScaler m_scaler;
};

}  // namespace trov
