// Big blocks (frames, photos, prepared pictures, libjpeg's coefficient buffers: megabytes each)
// come from mappings of their own, not from malloc's heaps:
// - a freed heap block stays resident in the heap of the thread that made it, and frames made and
//   freed on several threads left tens of megabytes of such memory in the heaps of a creation;
// - each mapping asks for huge pages, so that first touch costs a fault per 2 MiB instead of one
//   per 4 KiB (a big block inside a heap would leave its huge pages there for the small blocks
//   after it);
// - a few freed mappings of frame size are kept for the next block of the same size: a creation
//   makes and frees frames all the time, and a fresh mapping is faulted in again page by page.
#pragma once

#include <cstddef>

namespace trov {

// Blocks from this size up are mapped; smaller ones come from malloc.
constexpr size_t kLargeBlockBytes = size_t(1) << 20;
// Mapped blocks of at least a huge page start on a huge-page boundary.
constexpr size_t kHugePageBytes = size_t(2) << 20;

// A block of at least `size` bytes, aligned to 16, its contents undefined; null when there is no
// memory.
void* AllocateLargeBlock(size_t size);
// Frees a block of AllocateLargeBlock (null does nothing).
void FreeLargeBlock(void* block);

// For a unique_ptr to an AllocateLargeBlock block.
struct LargeBlockFree {
    void operator()(void* block) const { FreeLargeBlock(block); }
};

}  // namespace trov
