#include "infra/LargeBlocks.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace trov {

namespace {

// Before every block: how it was made, so that the free needs no size (libjpeg frees its blocks
// with a size of its own reckoning, a few bytes short of the one it asked for).
struct alignas(16) BlockHeader {
    size_t mapped;  // the mapping's length, 0 for a malloc block
    size_t unused;
};

#if defined(MAP_ANONYMOUS)

// Freed mappings kept for reuse: only the sizes of frames (photos and prepared pictures are
// bigger, each of a size of its own), a few of them, the oldest given back first.
constexpr size_t kMaxSpareBytes = size_t(32) << 20;
constexpr size_t kMaxSpares = 4;

class CSpareMappings {
public:
    void* Take(size_t length) {
        std::lock_guard<std::mutex> lock(m_mutex);
        // The last one freed first: its pages are the likeliest still in the caches.
        for (size_t i = m_count; i-- > 0;)
            if (m_spares[i].length == length) {
                void* base = m_spares[i].base;
                Remove(i);
                return base;
            }
        return nullptr;
    }

    // False when the mapping is not kept (the caller unmaps it).
    bool Keep(void* base, size_t length) {
        if (length > kMaxSpareBytes / 4) return false;
        // The mappings given back are unmapped after the lock is let go, from this call's own list.
        Spare evicted[kMaxSpares];
        size_t evictions = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            while (m_count > 0 && (m_count == kMaxSpares || m_bytes + length > kMaxSpareBytes)) {
                evicted[evictions++] = m_spares[0];
                Remove(0);
            }
            m_spares[m_count++] = Spare{base, length};
            m_bytes += length;
        }
        for (size_t i = 0; i < evictions; ++i) munmap(evicted[i].base, evicted[i].length);
        return true;
    }

private:
    struct Spare {
        void* base = nullptr;
        size_t length = 0;
    };

    void Remove(size_t i) {
        m_bytes -= m_spares[i].length;
        for (size_t k = i + 1; k < m_count; ++k) m_spares[k - 1] = m_spares[k];
        --m_count;
    }

    std::mutex m_mutex;
    std::array<Spare, kMaxSpares> m_spares{};
    size_t m_count = 0;
    size_t m_bytes = 0;
};

CSpareMappings& Spares() {
    static CSpareMappings* spares = new CSpareMappings;  // never destroyed: frees may come late
    return *spares;
}

// A huge page covers an aligned 2 MiB, and the kernel places a mapping only on a 4 KiB boundary:
// a frame of 2.7 MB placed anywhere mostly holds no whole huge page and is faulted in 4 KiB at a
// time. So a block starts on a 2 MiB boundary: a huge page more is mapped, and what lies before the
// boundary and after the block is given back. The block's tail beyond its last whole huge page
// keeps small pages (rounding the length up would make every frame resident to the next 2 MiB).
void* MapAligned(size_t length) {
    const size_t span = length + kHugePageBytes;  // AllocateLargeBlock keeps length far from overflow
    void* m = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(m);
    const uintptr_t aligned = (start + kHugePageBytes - 1) & ~uintptr_t(kHugePageBytes - 1);
    const size_t head = aligned - start, tail = span - head - length;
    if (head > 0) munmap(m, head);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
    return reinterpret_cast<void*>(aligned);
}

void* MapBlock(size_t length) {
    if (void* kept = Spares().Take(length)) return kept;
    void* m = length >= kHugePageBytes ? MapAligned(length) : nullptr;
    if (!m) {
        m = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED) return nullptr;
    }
#if defined(MADV_HUGEPAGE)
    // Only a hint: refused, the block has small pages.
    madvise(m, length, MADV_HUGEPAGE);
#endif
    return m;
}

#endif

}  // namespace

void* AllocateLargeBlock(size_t size) {
    if (size > SIZE_MAX / 2) return nullptr;
    size_t total = size + sizeof(BlockHeader);
    void* base = nullptr;
    size_t mapped = 0;
#if defined(MAP_ANONYMOUS)
    if (total >= kLargeBlockBytes) {
        constexpr size_t kPage = 4096;
        total = (total + kPage - 1) / kPage * kPage;
        base = MapBlock(total);
        if (base) mapped = total;
    }
#endif
    if (!base) base = std::malloc(total);
    if (!base) return nullptr;
    auto* header = static_cast<BlockHeader*>(base);
    header->mapped = mapped;
    return header + 1;
}

void FreeLargeBlock(void* block) {
    if (!block) return;
    auto* header = static_cast<BlockHeader*>(block) - 1;
#if defined(MAP_ANONYMOUS)
    if (const size_t length = header->mapped) {
        if (!Spares().Keep(header, length)) munmap(header, length);
        return;
    }
#endif
    std::free(header);
}

}  // namespace trov
