// Handle table: slots reused through a free list, each reuse with a new generation so that an
// old handle value does not name the next object of the slot.
#include "kernel_objects.h"

#include <mutex>
#include <shared_mutex>
#include <vector>

#include "platform/win32.h"

namespace orv::win32 {
namespace {

// Handle value: generation in the high 32 bits, (slot + 1) * 4 in the low ones: never null,
// never INVALID_HANDLE_VALUE, a multiple of four like Windows handles.
constexpr uint64_t kMaxSlots = 0x3FFFFFFF;

struct Slot {
    uint32_t generation = 1;
    std::shared_ptr<KernelObject> object;
};

class HandleTable {
public:
    HANDLE Insert(std::shared_ptr<KernelObject> object) {
        std::unique_lock lock(mutex_);
        size_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kMaxSlots) return nullptr;
            // Room for every slot in the free list, so that Remove never allocates.
            free_.reserve(slots_.size() + 1);
            slots_.emplace_back();
            index = slots_.size() - 1;
        }
        Slot& slot = slots_[index];
        slot.object = std::move(object);
        return Encode(index, slot.generation);
    }

    std::shared_ptr<KernelObject> Lookup(HANDLE handle) {
        size_t index;
        uint32_t generation;
        if (!Decode(handle, &index, &generation)) return nullptr;
        std::shared_lock lock(mutex_);
        if (index >= slots_.size() || slots_[index].generation != generation) return nullptr;
        return slots_[index].object;
    }

    bool Remove(HANDLE handle) {
        size_t index;
        uint32_t generation;
        if (!Decode(handle, &index, &generation)) return false;
        std::shared_ptr<KernelObject> dropped;  // destroyed after the lock is released
        std::unique_lock lock(mutex_);
        if (index >= slots_.size()) return false;
        Slot& slot = slots_[index];
        if (slot.generation != generation || !slot.object) return false;
        dropped = std::move(slot.object);
        slot.object.reset();
        ++slot.generation;
        if (slot.generation == 0) slot.generation = 1;
        free_.push_back(index);
        return true;
    }

private:
    static HANDLE Encode(size_t index, uint32_t generation) {
        const uint64_t value = (static_cast<uint64_t>(generation) << 32) | ((index + 1) << 2);
        return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    }
    static bool Decode(HANDLE handle, size_t* index, uint32_t* generation) {
        const auto value = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
        const uint64_t low = value & 0xFFFFFFFFu;
        if ((low & 3) != 0 || low == 0) return false;
        *index = static_cast<size_t>((low >> 2) - 1);
        *generation = static_cast<uint32_t>(value >> 32);
        return true;
    }

    std::shared_mutex mutex_;
    std::vector<Slot> slots_;
    std::vector<size_t> free_;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // never destroyed: used until process exit
    return *table;
}

}  // namespace

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
    try {
        HANDLE handle = Table().Insert(std::move(object));
        if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return handle;
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    return Table().Lookup(handle);
}

bool RemoveHandle(HANDLE handle) {
    return Table().Remove(handle);
}

}  // namespace orv::win32

extern "C" {

ORV_API BOOL WINAPI CloseHandle(HANDLE handle) {
    if (!orv::win32::RemoveHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
