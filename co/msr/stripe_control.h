// CStripeControlCtrl: the OPOS MSR control ("OPOS.MSR"), a thin client of the MSR service object
// ("ORVMsr.so" by default configuration).
#pragma once

#include <span>

#include "co_core/control_object.h"

namespace orv::co::msr {

// The MSR service object's DISPIDs (its dispatch map order) that the control calls.
enum SoDispid : DISPID {
    kSoCheckHealth = 1,
    kSoClaim = 2,
    kSoClearInput = 3,
    kSoClose = 4,
    kSoCOFreezeEvents = 5,  // exists, never called: no container freeze
    kSoDirectIO = 6,
    kSoRelease = 7,
    kSoOpenService = 8,
    kSoGetPropertyNumber = 9,
    kSoSetPropertyNumber = 10,
    kSoGetPropertyString = 11,
    kSoSetPropertyString = 12,  // exists, never called: no writable string property
    kSoClaimDevice = 13,        // exists, never called: ClaimDevice calls Claim
    kSoReleaseDevice = 14,      // exists, never called: ReleaseDevice calls Release
    kSoCompareFirmwareVersion = 15,
    kSoResetStatistics = 16,
    kSoRetrieveStatistics = 17,
    kSoUpdateFirmware = 18,
    kSoUpdateStatistics = 19,
};

class CStripeControlCtrl final : public ControlObject<CStripeControlCtrl> {
public:
    static const ControlDescriptor& Descriptor();
    static std::span<const DispatchEntry> DispatchMembers();
};

}  // namespace orv::co::msr
