// Box wipes: a centred rectangle of B grows over A, or one of A shrinks over B.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Box-Wipe", 2 "Box-Wipe-Reverse".
class CBoxWipeEffect : public CBuiltinEffect {
public:
    explicit CBoxWipeEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    int m_type;
};

}  // namespace trov
