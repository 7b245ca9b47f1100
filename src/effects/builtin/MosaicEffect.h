// "Blur´N Sharp": A dissolves into ever larger blocks, which then shrink back into B.
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"

namespace trov {

class CMosaicEffect : public CBuiltinEffect {
public:
    CMosaicEffect();

protected:
    void DrawFrame(int k) override;

private:
    std::vector<uint8_t> m_row;  // one block row, copied to every row of the block
};

}  // namespace trov
