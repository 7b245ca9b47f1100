// "Random Dots": B appears block by block (4 x 4 pixels) in a random order.
// Also the shuffled block lists that "Random Moving Dots" uses.
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"

namespace trov {

// A block of the picture grid: lower-left corner and size (cut off at the right and top edges).
struct SDotBlock {
    int x, y, w, h;
};

// The blocks of side `side` over a width x height picture, listed row by row from the bottom, in
// the shuffled order: each block in list order draws the key (rand() mod 2h) * (rand() mod 2w),
// again while the key is taken, and the blocks are sorted by key. With a hub, "MaxProgress" gets
// the block count and "CurrentProgress" the blocks done every 1/200 of them, and at the end.
std::vector<SDotBlock> ShuffledDotBlocks(int width, int height, int side, CMessagePipelines* hub);

class CRandomDotsEffect : public CBuiltinEffect {
public:
    CRandomDotsEffect();

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    void CopyBlocksOfB(size_t from, size_t to);

    std::vector<SDotBlock> m_blocks;
    size_t m_revealed = 0;  // blocks of B drawn by the previous frames (normal mode)
};

}  // namespace trov
