#pragma once
// The full pages of every series (4 KiB each) come from here. They are cut from chunks of 2 MiB
// mapped from the system, so that loading a large archive does not ask the allocator for tens of
// thousands of small blocks, nor free them one by one when the store lets go of them. A chunk
// costs memory only for the pages written so far, so a small store (a live reception of a few
// cables) stays small. Pages given back are taken again first; a chunk whose pages have all come
// back is returned to the system at once. Safe to use from several threads.

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
