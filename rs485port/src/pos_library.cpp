#include "pos_library.h"

#include <atomic>
#include <mutex>

#include "platform/win32.h"

namespace orv::rs485 {
namespace {

struct EntryPoints {
    PosClose_t close = nullptr;
    PosErrno_t errnoOf = nullptr;
    PosInitialize_t initialize = nullptr;
    PosIOCtl_t ioctl = nullptr;
    PosOpen_t open = nullptr;
    PosRead_t read = nullptr;
    PosTerm_t term = nullptr;
    PosVersion_t version = nullptr;
    PosWrite_t write = nullptr;
};

std::mutex g_loadMutex;
std::atomic<bool> g_loaded{false};
EntryPoints g_entries;  // written once under g_loadMutex before g_loaded is set

// Set when this thread's last call found no usable library.
thread_local bool t_notAvailable = false;

template <typename Fn>
bool Bind(HMODULE module, const char* name, Fn& slot, bool required) {
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr || !required;
}

// Every entry point by its plain name (Linux symbols carry no __stdcall decoration); all but
// PosErrno are required. Each is bound, so a missing one is never called through.
bool BindAll(HMODULE module, EntryPoints& e) {
    const bool found[] = {
        Bind(module, "PosClose", e.close, true),
        Bind(module, "PosErrno", e.errnoOf, false),
        Bind(module, "PosInitialize", e.initialize, true),
        Bind(module, "PosIOCtl", e.ioctl, true),
        Bind(module, "PosOpen", e.open, true),
        Bind(module, "PosRead", e.read, true),
        Bind(module, "PosTerm", e.term, true),
        Bind(module, "PosVersion", e.version, true),
        Bind(module, "PosWrite", e.write, true),
    };
    for (bool ok : found) {
        if (!ok) return false;
    }
    return true;
}

}  // namespace

PosLibrary& PosLibrary::Get() {
    static PosLibrary library;
    return library;
}

bool PosLibrary::Ensure() {
    if (g_loaded.load(std::memory_order_acquire)) {
        t_notAvailable = false;
        return true;
    }
    std::lock_guard lock(g_loadMutex);
    if (!g_loaded.load(std::memory_order_relaxed)) {
        const UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
        HMODULE module = LoadLibraryA("aiplib32");
        SetErrorMode(previousMode);
        if (module != nullptr) {
            EntryPoints e;
            if (BindAll(module, e)) {
                g_entries = e;
                g_loaded.store(true, std::memory_order_release);
            } else {
                FreeLibrary(module);
            }
        }
    }
    t_notAvailable = !g_loaded.load(std::memory_order_relaxed);
    return !t_notAvailable;
}

int PosLibrary::Initialize(const char* text, const char* resourceFile) {
    return Ensure() ? g_entries.initialize(text, resourceFile, 0, 0, 0, 0) : -1;
}

int PosLibrary::Open(const char* deviceName, const char* deviceType, int argCount,
                     const PosOpenArg* args) {
    return Ensure() ? g_entries.open(deviceName, deviceType, argCount, args) : -1;
}

int PosLibrary::IOCtl(int descriptor, int request) {
    return Ensure() ? g_entries.ioctl(descriptor, request, nullptr, 0) : -1;
}

int PosLibrary::Read(int descriptor, void* buffer, int length) {
    return Ensure() ? g_entries.read(descriptor, buffer, length) : -1;
}

int PosLibrary::Write(int descriptor, const void* data, int length) {
    return Ensure() ? g_entries.write(descriptor, data, length) : -1;
}

int PosLibrary::Close(int descriptor) {
    return Ensure() ? g_entries.close(descriptor) : -1;
}

int PosLibrary::Errno() {
    if (t_notAvailable) return POSERR_NOT_AVAILABLE;
    // PosErrno is optional: without it the number is unknown (0).
    return g_entries.errnoOf != nullptr ? g_entries.errnoOf() : 0;
}

}  // namespace orv::rs485
