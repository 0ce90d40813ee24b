// CSigcapControlCtrl: the OPOS signature capture control ("OPOS.SigCap"), a thin client of the
// signature capture service object ("ORVSig.so" by default configuration).
#pragma once

#include <span>

#include "co_core/control_object.h"

namespace orv::co::sigcap {

// The signature capture service object's DISPIDs (its dispatch map order).
enum SoDispid : DISPID {
    kSoGetPropertyNumber = 1,
    kSoSetPropertyNumber = 2,
    kSoSetPropertyString = 3,  // exists, never called: the class has no writable strings
    kSoOpenService = 4,
    kSoClose = 5,
    kSoClaim = 6,
    kSoRelease = 7,
    kSoCheckHealth = 8,
    kSoDirectIO = 9,
    kSoCOFreezeEvents = 10,
    kSoClearInput = 11,
    kSoBeginCapture = 12,
    kSoEndCapture = 13,
    kSoGetPropertyString = 14,
    kSoClaimDevice = 15,  // exists, never called: ClaimDevice calls Claim
    kSoReleaseDevice = 16,
    kSoCompareFirmwareVersion = 17,
    kSoResetStatistics = 18,
    kSoRetrieveStatistics = 19,
    kSoUpdateFirmware = 20,
    kSoUpdateStatistics = 21,
};

class CSigcapControlCtrl final : public ControlObject<CSigcapControlCtrl> {
public:
    static const ControlDescriptor& Descriptor();
    static std::span<const DispatchEntry> DispatchMembers();

private:
    // A signature pad has no output: 111, open or closed.
    int32_t ClearOutput() { return OPOS_E_FAILURE; }
};

}  // namespace orv::co::sigcap
