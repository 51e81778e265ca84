#include "model/SeriesPages.h"

#include <sys/mman.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define DRUMO_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define DRUMO_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define DRUMO_POISON(p, n) ((void)(p), (void)(n))
#define DRUMO_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace drumo::SeriesPages {
namespace {

constexpr size_t PagesPerChunk = ChunkBytes / PageBytes;

struct Chunk {
    size_t used = 0;        // pages given out
    size_t untouched = 0;   // pages from here to the end were never given out
    void* free = nullptr;   // pages given back, each holding the address of the next
};

class Pool {
public:
    void* Take() {
        std::lock_guard lock(mutex_);
        if (current_ == chunks_.end() || Full(current_->second)) current_ = ChunkWithRoom();
        Chunk& chunk = current_->second;
        char* page;
        if (chunk.free) {
            page = static_cast<char*>(chunk.free);
            DRUMO_UNPOISON(page, sizeof(void*));
            chunk.free = *reinterpret_cast<void**>(page);
        } else {
            page = reinterpret_cast<char*>(current_->first) + chunk.untouched * PageBytes;
            ++chunk.untouched;
        }
        ++chunk.used;
        DRUMO_UNPOISON(page, PageBytes);
        return page;
    }

    void Give(void* page) {
        std::lock_guard lock(mutex_);
        const auto it = chunks_.find(reinterpret_cast<uintptr_t>(page) & ~(ChunkBytes - 1));
        if (it == chunks_.end()) return;  // not one of ours: a programming error, better leaked than corrupted
        Chunk& chunk = it->second;
        if (--chunk.used == 0) {
            ::munmap(reinterpret_cast<void*>(it->first), ChunkBytes);
            if (current_ == it) current_ = chunks_.end();
            chunks_.erase(it);
            return;
        }
        *static_cast<void**>(page) = chunk.free;
        chunk.free = page;
        DRUMO_POISON(page, PageBytes);
        // The next page taken is this one: it is in memory already, untouched pages are not.
        current_ = it;
    }

    size_t MappedBytes() {
        std::lock_guard lock(mutex_);
        return chunks_.size() * ChunkBytes;
    }

private:
    using Chunks = std::map<uintptr_t, Chunk>;

    static bool Full(const Chunk& chunk) { return chunk.free == nullptr && chunk.untouched == PagesPerChunk; }

    Chunks::iterator ChunkWithRoom() {
        for (auto it = chunks_.begin(); it != chunks_.end(); ++it)
            if (!Full(it->second)) return it;
        return chunks_.emplace(MapChunk(), Chunk{}).first;
    }

    // A chunk aligned to its size, so that a page finds its chunk by its address alone. The
    // system backs it page by page as the pages are first written. (Huge pages were tried: mostly
    // a little faster, but now and then much slower, when the system had to find and clear
    // whole 2 MiB pages first.)
    static uintptr_t MapChunk() {
        const size_t span = 2 * ChunkBytes;
        void* mapped = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) throw std::bad_alloc();
        const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
        const uintptr_t base = (start + ChunkBytes - 1) & ~(ChunkBytes - 1);
        if (base > start) ::munmap(mapped, base - start);
        if (const size_t tail = start + span - (base + ChunkBytes); tail > 0)
            ::munmap(reinterpret_cast<void*>(base + ChunkBytes), tail);
        DRUMO_POISON(reinterpret_cast<void*>(base), ChunkBytes);
        return base;
    }

    std::mutex mutex_;
    Chunks chunks_;
    Chunks::iterator current_ = chunks_.end();
};

Pool& ThePool() {
    // Never destroyed: series in other static objects may give their pages back at exit.
    static Pool* pool = new Pool;
    return *pool;
}

}  // namespace

void* Take() { return ThePool().Take(); }
void Give(void* page) { ThePool().Give(page); }
size_t MappedBytes() { return ThePool().MappedBytes(); }

}  // namespace drumo::SeriesPages
