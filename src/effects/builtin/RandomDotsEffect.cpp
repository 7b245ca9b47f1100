// Random Dots: a shuffled list of 4 x 4 blocks, revealed from B in list order.
#include "effects/builtin/RandomDotsEffect.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>

#include "effects/EffectPixels.h"
#include "infra/MessagePipelines.h"

namespace trov {

std::vector<SDotBlock> ShuffledDotBlocks(int width, int height, int side, CMessagePipelines* hub) {
    std::vector<SDotBlock> blocks;
    if (width <= 0 || height <= 0 || side <= 0) return blocks;
    for (int y = 0; y < height; y += side)
        for (int x = 0; x < width; x += side)
            blocks.push_back({x, y, std::min(side, width - x), std::min(side, height - y)});
    const size_t count = blocks.size();
    fx::ReportProgressStart(hub, static_cast<int>(count));
    const size_t every = std::max<size_t>(1, count / 200);
    const long long rows = 2LL * height, columns = 2LL * width;
    std::map<long long, size_t> byKey;
    long long largest = 0;
    for (size_t i = 0; i < count; ++i) {
        long long key = 0;
        bool found = false;
        // Small pictures have few distinct products; after many collisions fall back to a key
        // above every key drawn so far, so the shuffle always ends.
        for (int attempt = 0; attempt < 100000 && !found; ++attempt) {
            // Two statements: the row draw comes first on every compiler.
            const long long row = std::rand() % rows;
            key = row * (std::rand() % columns);
            found = byKey.find(key) == byKey.end();
        }
        if (!found) key = largest + 1;
        largest = std::max(largest, key);
        byKey.emplace(key, i);
        if ((i + 1) % every == 0) fx::ReportProgress(hub, static_cast<int>(i + 1));
    }
    fx::ReportProgress(hub, static_cast<int>(count));
    std::vector<SDotBlock> shuffled;
    shuffled.reserve(count);
    for (const auto& entry : byKey) shuffled.push_back(blocks[entry.second]);
    return shuffled;
}

CRandomDotsEffect::CRandomDotsEffect() : CBuiltinEffect("Random Dots", "2.0", true) {}

void CRandomDotsEffect::PrepareFrames() {
    m_blocks = ShuffledDotBlocks(W(), H(), 4, GetPipelines());
    m_revealed = 0;
}

void CRandomDotsEffect::FreeBuffers() {
    m_blocks = {};
    m_revealed = 0;
}

void CRandomDotsEffect::CopyBlocksOfB(size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        const SDotBlock& b = m_blocks[i];
        for (int y = b.y; y < b.y + b.h; ++y)
            std::memcpy(RowOut(y) + 3 * b.x, RowB(y) + 3 * b.x, size_t(3) * b.w);
    }
}

void CRandomDotsEffect::DrawFrame(int k) {
    const size_t count = m_blocks.size();
    const double x = static_cast<double>(count) * k / N();
    const size_t upTo = std::min(count, static_cast<size_t>(std::max(0, fx::Trunc(x))));
    if (IsTextMode()) {
        // The base has copied A; caption frames are complete and include block trunc(x).
        CopyBlocksOfB(0, std::min(count, upTo + 1));
        return;
    }
    if (upTo > m_revealed) {
        CopyBlocksOfB(m_revealed, upTo);
        m_revealed = upTo;
    }
}

}  // namespace trov
