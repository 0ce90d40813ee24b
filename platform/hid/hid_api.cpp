// The OrvHid* functions of hid.h: handle tables, backend choice and argument checks.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "interface.h"
#include "platform/hid.h"
#include "platform/win32.h"

namespace orv::hid {
namespace {

// Handle values: a base per table plus 4 × slot, so device and list handles never mix and a
// freed slot's value comes back, lowest first.
constexpr uintptr_t kDeviceBase = 0x10000;
constexpr uintptr_t kListBase = 0x80000;
constexpr size_t kMaxSlots = 0x4000;

template <typename T>
class HandleTable {
public:
    explicit HandleTable(uintptr_t base) : base_(base) {}

    HANDLE Add(std::shared_ptr<T> object) {
        std::lock_guard lock(mutex_);
        size_t slot = 0;
        while (slot < slots_.size() && slots_[slot]) ++slot;
        if (slot == kMaxSlots) return INVALID_HANDLE_VALUE;
        if (slot == slots_.size()) slots_.emplace_back();
        slots_[slot] = std::move(object);
        return reinterpret_cast<HANDLE>(base_ + 4 * slot);
    }
    std::shared_ptr<T> Find(HANDLE handle) {
        std::lock_guard lock(mutex_);
        const auto slot = SlotOf(handle);
        return slot < slots_.size() ? slots_[slot] : nullptr;
    }
    std::shared_ptr<T> Remove(HANDLE handle) {
        std::lock_guard lock(mutex_);
        const auto slot = SlotOf(handle);
        return slot < slots_.size() ? std::move(slots_[slot]) : nullptr;
    }

private:
    size_t SlotOf(HANDLE handle) const {
        const auto value = reinterpret_cast<uintptr_t>(handle);
        if (value < base_ || (value - base_) % 4 != 0) return SIZE_MAX;
        return (value - base_) / 4;
    }
    const uintptr_t base_;
    std::mutex mutex_;
    std::vector<std::shared_ptr<T>> slots_;
};

using InterfaceList = std::vector<std::string>;

// Intentionally leaked: handles may be used from threads still running at process exit.
HandleTable<Interface>& Devices() {
    static auto* table = new HandleTable<Interface>(kDeviceBase);
    return *table;
}
HandleTable<InterfaceList>& Lists() {
    static auto* table = new HandleTable<InterfaceList>(kListBase);
    return *table;
}

bool SimSelected() {
    const char* backend = std::getenv("ORV_HID_BACKEND");
    return backend != nullptr && std::strcmp(backend, "sim") == 0;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

BOOL Outcome(DWORD error) {
    SetLastError(error);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL CopyString(DWORD error, const std::u16string& text, LPVOID buffer, ULONG bufferLength) {
    if (error != ERROR_SUCCESS) return Fail(error);
    const size_t units = std::min<size_t>(text.size(), bufferLength / 2 - 1);
    auto* out = static_cast<char16_t*>(buffer);
    std::memcpy(out, text.data(), units * sizeof(char16_t));
    out[units] = u'\0';
    return Outcome(ERROR_SUCCESS);
}

}  // namespace
}  // namespace orv::hid

using namespace orv::hid;

extern "C" {

ORV_API HANDLE WINAPI OrvHidGetInterfaceList(void) {
    auto list = std::make_shared<InterfaceList>();
    if (SimSelected()) {
        *list = sim::ListInterfaces();
    } else if (const DWORD error = hidraw::ListInterfaces(*list); error != ERROR_SUCCESS) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = Lists().Add(std::move(list));
    SetLastError(handle == INVALID_HANDLE_VALUE ? ERROR_NOT_ENOUGH_MEMORY : ERROR_SUCCESS);
    return handle;
}

ORV_API BOOL WINAPI OrvHidGetInterfacePath(HANDLE list, DWORD index, LPSTR path, DWORD size,
                                           DWORD* required) {
    auto paths = Lists().Find(list);
    if (!paths) return Fail(ERROR_INVALID_HANDLE);
    if (index >= paths->size()) return Fail(ERROR_NO_MORE_ITEMS);
    const std::string& entry = (*paths)[index];
    if (required != nullptr) *required = DWORD(entry.size() + 1);
    if (path == nullptr || size < entry.size() + 1) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(path, entry.c_str(), entry.size() + 1);
    return Outcome(ERROR_SUCCESS);
}

ORV_API BOOL WINAPI OrvHidDestroyInterfaceList(HANDLE list) {
    return Lists().Remove(list) ? Outcome(ERROR_SUCCESS) : Fail(ERROR_INVALID_HANDLE);
}

ORV_API HANDLE WINAPI OrvHidOpen(LPCSTR path) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string text(path);
    DWORD error = ERROR_SUCCESS;
    std::unique_ptr<Interface> opened =
        text.rfind(sim::kPathPrefix, 0) == 0 ? sim::Open(text, error) : hidraw::Open(text, error);
    if (!opened) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    std::shared_ptr<Interface> shared(std::move(opened));
    HANDLE handle = Devices().Add(shared);
    if (handle == INVALID_HANDLE_VALUE) {
        shared->Close();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

ORV_API BOOL WINAPI OrvHidClose(HANDLE device) {
    auto removed = Devices().Remove(device);
    if (!removed) return Fail(ERROR_INVALID_HANDLE);
    removed->Close();
    return Outcome(ERROR_SUCCESS);
}

ORV_API BOOL WINAPI OrvHidGetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    if (attributes == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return Outcome(open->Attributes(*attributes));
}

ORV_API BOOL WINAPI OrvHidGetProductString(HANDLE device, LPVOID buffer, ULONG bufferLength) {
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    if (buffer == nullptr || bufferLength < 2) return Fail(ERROR_INVALID_PARAMETER);
    std::u16string text;
    const DWORD error = open->ProductString(text);
    return CopyString(error, text, buffer, bufferLength);
}

ORV_API BOOL WINAPI OrvHidGetSerialNumberString(HANDLE device, LPVOID buffer, ULONG bufferLength) {
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    if (buffer == nullptr || bufferLength < 2) return Fail(ERROR_INVALID_PARAMETER);
    std::u16string text;
    const DWORD error = open->SerialNumberString(text);
    return CopyString(error, text, buffer, bufferLength);
}

ORV_API BOOL WINAPI OrvHidGetCaps(HANDLE device, HIDP_CAPS* caps) {
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    if (caps == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return Outcome(open->Caps(*caps));
}

ORV_API BOOL WINAPI OrvHidGetFeature(HANDLE device, LPVOID buffer, ULONG length) {
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    if (buffer == nullptr || length == 0) return Fail(ERROR_INVALID_PARAMETER);
    return Outcome(open->GetFeature(static_cast<BYTE*>(buffer), length));
}

ORV_API BOOL WINAPI OrvHidSetFeature(HANDLE device, LPVOID buffer, ULONG length) {
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    if (buffer == nullptr || length == 0) return Fail(ERROR_INVALID_PARAMETER);
    return Outcome(open->SetFeature(static_cast<const BYTE*>(buffer), length));
}

ORV_API BOOL WINAPI OrvHidReadReport(HANDLE device, LPVOID buffer, DWORD size, DWORD* bytesRead,
                                     HANDLE readyEvent) {
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    if (readyEvent == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return Outcome(open->Input()->Read(static_cast<BYTE*>(buffer), size, bytesRead, readyEvent));
}

ORV_API BOOL WINAPI OrvHidGetReadResult(HANDLE device, LPVOID buffer, DWORD size,
                                        DWORD* bytesRead) {
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    return Outcome(open->Input()->Result(static_cast<BYTE*>(buffer), size, bytesRead));
}

ORV_API BOOL WINAPI OrvHidWriteReport(HANDLE device, LPCVOID buffer, DWORD length, DWORD timeoutMs,
                                      DWORD* bytesWritten) {
    if (bytesWritten != nullptr) *bytesWritten = 0;
    auto open = Devices().Find(device);
    if (!open) return Fail(ERROR_INVALID_HANDLE);
    const DWORD error = open->Write(static_cast<const BYTE*>(buffer), length, timeoutMs);
    if (error == ERROR_SUCCESS && bytesWritten != nullptr) *bytesWritten = length;
    return Outcome(error);
}

}  // extern "C"
