// CScannerControlCtrl: the OPOS scanner control ("OPOS.Scanner"), a thin client of the scanner
// service object ("ORVScanner.so" by default configuration).
#pragma once

#include <span>

#include "co_core/control_object.h"

namespace orv::co::scanner {

// The scanner service object's DISPIDs (its dispatch map order) that the control calls.
enum SoDispid : DISPID {
    kSoGetPropertyNumber = 1,
    kSoSetPropertyNumber = 2,
    kSoSetPropertyString = 3,  // (long, long), does nothing; the scanner has no string to set
    kSoGetPropertyString = 4,
    kSoOpenService = 5,
    kSoClose = 6,
    kSoClaim = 7,
    kSoRelease = 8,
    kSoCheckHealth = 9,
    kSoDirectIO = 10,
    kSoCOFreezeEvents = 11,
    kSoClearInput = 12,
    kSoClaimDevice = 13,
    kSoReleaseDevice = 14,
    kSoCompareFirmwareVersion = 15,
    kSoResetStatistics = 16,
    kSoRetrieveStatistics = 17,
    kSoUpdateFirmware = 18,
    kSoUpdateStatistics = 19,
};

class CScannerControlCtrl final : public ControlObject<CScannerControlCtrl> {
public:
    static const ControlDescriptor& Descriptor();
    static std::span<const DispatchEntry> DispatchMembers();
};

}  // namespace orv::co::scanner
