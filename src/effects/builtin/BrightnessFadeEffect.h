// Brightness fades: B replaces A pixel by pixel in the order of a brightness.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/RevealMap.h"

namespace trov {

// Types: 1 "Color Cross Fade - Black to White" (A's dark areas turn first),
// 2 "Near Far Color Cross Fade" (pixels whose brightness changes least turn first).
class CBrightnessFadeEffect : public CBuiltinEffect {
public:
    explicit CBrightnessFadeEffect(int type);

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override { m_map.Free(); }

private:
    int m_type;
    fx::CRevealMap m_map;
};

}  // namespace trov
