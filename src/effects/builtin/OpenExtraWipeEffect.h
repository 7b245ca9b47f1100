// Open-extra wipes: B's band opens from the centre line and its edge rows (or columns) are
// stretched out to the picture's edges, so B seems pulled out of its centre line.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Horizontal-Open-Extra-Wipe" (1.1, rows), 2 "Vertical-Open-Extra-Wipe" (1.0, columns).
class COpenExtraWipeEffect : public CBuiltinEffect {
public:
    explicit COpenExtraWipeEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
