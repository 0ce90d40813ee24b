// The MSR's dispatch map and the registry fallback of its OpenService.
#include "msr_so.h"

#include <cstring>

#include "platform/registry.h"

namespace orv::so::msr {
namespace {

// A registry handle that is closed once: explicitly, where the result matters, or on leaving.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() { Close(); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool Open(HKEY parent, const char* name) {
        return RegOpenKeyExA(parent, name, 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key_; }
    // True when there was nothing to close or the close succeeded.
    bool Close() {
        if (!key_) return true;
        const LSTATUS status = RegCloseKey(key_);
        key_ = nullptr;
        return status == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

// The "Devicename" text, or "" when it cannot be used: missing, not a string, or longer than
// the buffer allows (a value that fills the buffer without a terminator counts as too long).
std::string ReadDevicename(HKEY device, bool* readable) {
    char buffer[kDevicenameBuffer] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof buffer;
    *readable = RegQueryValueExA(device, kDevicenameValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
                type == REG_SZ && size <= sizeof buffer;
    if (!*readable) return {};
    const size_t length = strnlen(buffer, size);
    if (length >= sizeof buffer) {
        *readable = false;
        return {};
    }
    return std::string(buffer, length);
}

}  // namespace

OpenRetry JavaNameFromRegistry(OposJNI& bridge, const char* deviceName) {
    // A device name is one key name: an empty one or a path would open some other key.
    const bool oneKeyName = deviceName && *deviceName && !std::strchr(deviceName, '\\');
    OpenKey parent, device;
    if (!parent.Open(HKEY_LOCAL_MACHINE, kMsrKey) || !oneKeyName ||
        !device.Open(parent.Get(), deviceName)) {
        bridge.LogLine("Failed to open the registry");
        return {OPOS_E_NOEXIST, {}};  // the parent key is closed on the way out
    }
    bool readable = false;
    std::string name = ReadDevicename(device.Get(), &readable);
    if (!readable) bridge.LogLine("Failed to query Device Name value from the registry");
    const bool deviceClosed = device.Close();
    const bool parentClosed = parent.Close();
    if (!deviceClosed || !parentClosed) {
        bridge.LogLine("Failed to close from the registry");
        return {OPOS_E_NOSERVICE, {}};
    }
    return {OPOS_SUCCESS, std::move(name)};
}

// The dispatch map: DISPIDs are these positions, fixed for every MSR control.
std::span<const DispatchEntry> CMsrSO::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        Entry(Common::CheckHealth),
        Entry(Common::Claim),
        Entry(Common::ClearInput),
        Entry(Common::Close),
        Entry(Common::COFreezeEvents),
        Entry(Common::DirectIO),
        Entry(Common::Release),
        Entry(Common::OpenService),
        Entry(Common::GetPropertyNumber),
        Entry(Common::SetPropertyNumber),
        Entry(Common::GetPropertyString),
        Entry(Common::SetPropertyStringIgnored),
        Entry(Common::ClaimDevice),
        Entry(Common::ReleaseDevice),
        Entry(Common::CompareFirmwareVersion),
        Entry(Common::ResetStatistics),
        Entry(Common::RetrieveStatistics),
        Entry(Common::UpdateFirmware),
        Entry(Common::UpdateStatistics),
    };
    static_assert(std::size(kMembers) == 19, "the MSR service object has 19 members");
    return kMembers;
}

}  // namespace orv::so::msr
