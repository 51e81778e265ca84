#pragma once
// The full pages of every series (4 KiB each) come from here. They are cut from chunks of 2 MiB
// mapped from the system, so that loading a large archive neither asks the allocator for tens of
// thousands of small blocks (and frees them one by one later) nor takes a page fault for every
// 4 KiB: once the pool holds a few chunks, each further chunk is advised to the system as one
// huge page. A small store (a live reception of a few cables) stays in the first chunks, which
// are touched page by page only. A chunk whose pages have all come back is returned to the system
// at once. Safe to use from several threads.

#include <cstddef>

namespace drumo::SeriesPages {

inline constexpr size_t PageBytes = 4096;
inline constexpr size_t ChunkBytes = size_t{2} << 20;

// A page of PageBytes, aligned to PageBytes, its content undefined. Throws std::bad_alloc when
// the system gives no memory.
void* Take();
// Returns a page that Take gave.
void Give(void* page);
// Bytes mapped from the system for pages, in use or free.
size_t MappedBytes();

}  // namespace drumo::SeriesPages
