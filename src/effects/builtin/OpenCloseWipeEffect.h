// Open and close wipes: B's band grows from the centre line outward, or from both edges inward.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Horizontal-Open-Wipe", 2 "Horizontal-Close-Wipe", 3 "Vertical-Open-Wipe",
// 4 "Vertical-Close-Wipe". Horizontal ones work on rows, vertical ones on columns.
class COpenCloseWipeEffect : public CBuiltinEffect {
public:
    explicit COpenCloseWipeEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
