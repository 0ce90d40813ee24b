// Finds the ProgID of the service object configured for a device: the default value of
// HKEY_LOCAL_MACHINE\<registry key><device name>.
#pragma once

#include <cstdint>
#include <string>

namespace orv::co {

struct ServiceLookup {
    int32_t openResult = 0;  // 0 when found, else the OpenResult to record
    int32_t result = 0;      // 0 when found, else what Open returns
    std::string progId;
};

// The value is read into a 100-byte buffer: a longer ProgID is a configuration error.
ServiceLookup LookUpServiceProgId(const std::string& keyName);

}  // namespace orv::co
