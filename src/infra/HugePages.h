// Huge pages for big blocks: photos, prepared pictures and libjpeg's coefficient buffers are tens
// of megabytes, each faulted in page by page on first touch, thousands of faults a block. Where the
// system offers huge pages on request, the block's 2 MiB-aligned interior asks for them: a fault per
// 2 MiB. Only a hint; refused, nothing changes.
#pragma once

#include <cstddef>
#include <cstdint>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace trov {

// Call before the block is first written; blocks under 4 MiB are left alone.
inline void AskForHugePages(void* block, size_t size) {
#if defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    if (!block || size < 2 * kHuge) return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace trov
