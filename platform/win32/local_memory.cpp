// LocalAlloc/LocalFree: fixed blocks from malloc. Live blocks are kept in a table so that
// LocalFree of a pointer it never gave out fails instead of corrupting the heap.
#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "platform/win32.h"

namespace {

struct LocalBlocks {
    std::mutex mutex;
    std::unordered_set<void*> live;
};

// Never destroyed: threads still running at process exit may free blocks.
LocalBlocks& Blocks() {
    static LocalBlocks* blocks = new LocalBlocks;
    return *blocks;
}

}  // namespace

extern "C" {

// Only fixed memory (LMEM_FIXED, optionally LMEM_ZEROINIT); other flags fail with
// ERROR_INVALID_PARAMETER. A zero-byte request gives a valid, distinct block.
ORV_API HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
    if ((flags & ~static_cast<UINT>(LMEM_FIXED | LMEM_ZEROINIT)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const size_t size = bytes == 0 ? 1 : bytes;
    void* block = (flags & LMEM_ZEROINIT) != 0 ? std::calloc(1, size) : std::malloc(size);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    try {
        LocalBlocks& blocks = Blocks();
        std::lock_guard lock(blocks.mutex);
        blocks.live.insert(block);
    } catch (...) {
        std::free(block);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return block;
}

// Null on success (and for a null argument); the argument itself with ERROR_INVALID_HANDLE
// when it is not a live block of LocalAlloc.
ORV_API HLOCAL WINAPI LocalFree(HLOCAL memory) {
    if (memory == nullptr) return nullptr;
    {
        LocalBlocks& blocks = Blocks();
        std::lock_guard lock(blocks.mutex);
        if (blocks.live.erase(memory) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return memory;
        }
    }
    std::free(memory);
    return nullptr;
}

}  // extern "C"
