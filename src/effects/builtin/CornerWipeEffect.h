// Corner wipes ("Diagonal-Wipe-..."): B's rectangle grows out of one corner.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Diagonal-Wipe-Left-Bottom", 2 "Diagonal-Wipe-Right-Bottom", 3 "Diagonal-Wipe-Left-Top",
// 4 "Diagonal-Wipe-Right-Top".
class CCornerWipeEffect : public CBuiltinEffect {
public:
    explicit CCornerWipeEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
