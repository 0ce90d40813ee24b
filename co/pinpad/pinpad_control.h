// CPinpadControlCtrl: the OPOS PIN pad control ("OPOS.PINPad"), a thin client of the PIN pad
// service object ("ORVPin.so" by default configuration).
#pragma once

#include <span>

#include "co_core/control_object.h"

namespace orv::co::pinpad {

// The PIN pad service object's DISPIDs (its dispatch map order) that the control calls.
enum SoDispid : DISPID {
    kSoBeginEFTTransaction = 1,
    kSoComputeMAC = 2,
    kSoEnablePINEntry = 3,
    kSoEndEFTTransaction = 4,
    kSoUpdateKey = 5,
    kSoVerifyMAC = 6,
    kSoCheckHealth = 7,
    kSoClaim = 8,
    kSoClearInput = 9,
    kSoClose = 10,
    kSoDirectIO = 11,
    kSoRelease = 12,
    kSoGetPropertyNumber = 13,
    kSoGetPropertyString = 14,
    kSoSetPropertyNumber = 15,
    kSoSetPropertyString = 16,
    kSoGetAmount = 17,
    kSoSetAmount = 18,
    kSoOpenService = 19,
    kSoCOFreezeEvents = 20,
    kSoClaimDevice = 21,  // exists, never called: ClaimDevice calls Claim
    kSoReleaseDevice = 22,
    kSoCompareFirmwareVersion = 23,
    kSoResetStatistics = 24,
    kSoRetrieveStatistics = 25,
    kSoUpdateFirmware = 26,
    kSoUpdateStatistics = 27,
};

class CPinpadControlCtrl final : public ControlObject<CPinpadControlCtrl> {
public:
    static const ControlDescriptor& Descriptor();
    static std::span<const DispatchEntry> DispatchMembers();
};

}  // namespace orv::co::pinpad
