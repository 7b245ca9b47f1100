// Zooms: B grows out of the centre over A ("Zoom-In"), or A shrinks into it over B ("Zoom-Out").
#pragma once

#include "effects/BuiltinEffect.h"
#include "effects/EffectPixels.h"

namespace trov {

// Types: 1 "Zoom-In", 2 "Zoom-Out".
class CZoomEffect : public CBuiltinEffect {
public:
    explicit CZoomEffect(int type);

protected:
    void DrawFrame(int k) override;
    void FreeBuffers() override { m_scaled.Reset(); }

private:
    int m_type;
    fx::CRectScaler m_scaler;
    CDibPicture m_scaled;
};

}  // namespace trov
