// The MSR's dispatch map and the registry fallback of its OpenService.
#include "msr_so.h"

#include <cstring>

#include "platform/handles.h"
#include "platform/registry.h"

namespace orv::so::msr {
namespace {

// Opens a subkey for reading; false (and nothing held) when it cannot be opened.
bool OpenForReading(UniqueHkey& key, HKEY parent, const char* name) {
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, key.out()) == ERROR_SUCCESS) return true;
    key.release();
    return false;
}

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
    UniqueHkey parent, device;
    if (!OpenForReading(parent, HKEY_LOCAL_MACHINE, kMsrKey) || !oneKeyName ||
        !OpenForReading(device, parent.get(), deviceName)) {
        bridge.LogLine("Failed to open the registry");
        return {OPOS_E_NOEXIST, {}};  // the parent key is closed on the way out
    }
    bool readable = false;
    std::string name = ReadDevicename(device.get(), &readable);
    if (!readable) bridge.LogLine("Failed to query Device Name value from the registry");
    const bool deviceClosed = device.Close() == ERROR_SUCCESS;
    const bool parentClosed = parent.Close() == ERROR_SUCCESS;
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
