// Shape wipes driven by a per-pixel frame map: "Iris (Round)", "Center-Fan (Left and Right)",
// "Splitted Circle (In-In)", "Splitted Circle (In-Out)". Each family only says when a pixel turns.
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/RevealMap.h"

namespace trov {

class CShapeWipeEffect : public CBuiltinEffect {
protected:
    using CBuiltinEffect::CBuiltinEffect;
    // Fills m_map with the frame (1..n) at which each pixel shows B. Pixels the shape never
    // reaches get n, so the last frame is B.
    virtual void BuildMap() = 0;
    void PrepareFrames() override { BuildMap(); }
    void DrawFrame(int k) override;
    void FreeBuffers() override { m_map.Free(); }

    fx::CRevealMap m_map;
};

// A ring around the centre grows outward: frame k sets every pixel with R(k-1)/n <= d <= Rk/n.
class CIrisEffect : public CShapeWipeEffect {
public:
    CIrisEffect();

protected:
    void BuildMap() override;
};

// A fan opening from the vertical centre line, pivot at the middle of the bottom edge.
class CFanEffect : public CShapeWipeEffect {
public:
    CFanEffect();

protected:
    void BuildMap() override;
};

// 26 ring bands: every other ring from the outside inward, then the rest inward (type 1 "In-In")
// or outward from the centre (type 2 "In-Out").
class CSplittedCircleEffect : public CShapeWipeEffect {
public:
    explicit CSplittedCircleEffect(int type);

protected:
    void BuildMap() override;

private:
    int m_type;
};

}  // namespace trov
