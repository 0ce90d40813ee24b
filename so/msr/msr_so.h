// CMsrSO: the MSR service object (ProgID "ORVMsr.so"), forwarding to jpos/MSR.
#pragma once

#include <span>
#include <string>

#include "so_core/service_object.h"

namespace orv::so::msr {

// Identity, callback list, property tables and traits of the MSR class.
extern const SoIdentity kIdentity;

// Where OpenService looks for another Java device name when jpos/MSR refuses the one given.
inline constexpr char kMsrKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR";
inline constexpr char kDevicenameValue[] = "Devicename";
// The value is read into this many bytes, terminator included: names of up to 99 characters.
inline constexpr unsigned kDevicenameBuffer = 100;

// The registry fallback of OpenService (OpenFallback of kIdentity): the "Devicename" value of the
// device's key, "" when it cannot be read; 109 when the key is missing, 104 when a key cannot be
// closed.
OpenRetry JavaNameFromRegistry(OposJNI& bridge, const char* deviceName);

class CMsrSO final : public ServiceObject<CMsrSO> {
public:
    CMsrSO() : ServiceObject(kIdentity) {}
    static std::span<const DispatchEntry> DispatchMembers();
};

}  // namespace orv::so::msr
