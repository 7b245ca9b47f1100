// Lens zooms: A's four quadrants sink into the centre over B, or B's grow out of it over A.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Lens-Zoom-In", 2 "Lens-Zoom-Out".
class CLensZoomEffect : public CBuiltinEffect {
public:
    explicit CLensZoomEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
