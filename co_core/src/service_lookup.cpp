#include "service_lookup.h"

#include "platform/opos.h"
#include "platform/handles.h"
#include "platform/registry.h"

namespace orv::co {
namespace {

constexpr DWORD kProgIdBuffer = 100;

ServiceLookup Missing(int32_t result) {
    return ServiceLookup{OPOS_ORS_CONFIG, result, {}};
}

}  // namespace

ServiceLookup LookUpServiceProgId(const std::string& keyName) {
    UniqueHkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_READ, key.out()) !=
        ERROR_SUCCESS) {
        key.release();  // a failed open leaves nothing to close
        return Missing(OPOS_E_NOEXIST);
    }
    char buffer[kProgIdBuffer + 1] = {};
    DWORD size = kProgIdBuffer;
    DWORD type = REG_NONE;
    const LSTATUS read =
        RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return Missing(OPOS_E_NOEXIST);  // the key closes on the way out
    if (key.Close() != ERROR_SUCCESS) return Missing(OPOS_E_NOSERVICE);
    buffer[size < kProgIdBuffer ? size : kProgIdBuffer] = '\0';
    return ServiceLookup{0, 0, std::string(buffer)};
}

}  // namespace orv::co
