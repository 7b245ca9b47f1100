// Flipping stripes: the picture is cut into 30 x 30 tiles that turn over like cards, showing A on
// their front and B on their back; the flip stretches turn the whole picture as one card.
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

// Types: 1 "Left-Right-Stripes", 2 "Right-Left-Stripes", 3 "Top-Bottom-Stripes",
// 4 "Bottom-Top-Stripes", 5 "Horizontal-Random-Stripes", 6 "Vertical-Random-Stripes",
// 7 "Vertical-Flip-Stretch", 8 "Horizontal-Flip-Stretch".
class CStripesEffect : public CBuiltinEffect {
public:
    explicit CStripesEffect(int type);

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override { std::vector<int>().swap(m_starts); }

private:
    int m_type;
    int m_tile = 30;
    int m_columns = 0;  // tiles per row, the last one cut at the edge
    int m_rows = 0;
    int m_duration = 1;
    std::vector<int> m_starts;  // start frame per tile, row-major from the bottom left
    fx::CRectScaler m_scaler;
};

// "Left-Right-Stripes" is registered from a class of its own.
class CLeftRightStripesEffect : public CStripesEffect {
public:
    CLeftRightStripesEffect() : CStripesEffect(1) {}
};

}  // namespace trov
