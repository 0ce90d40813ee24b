// CDisplayControlCtrl: the OPOS line display control ("DisplayControl.DisplayControlCtrl.1"), a
// thin client of the line display service object ("ORVLine.so" by default configuration).
#pragma once

#include <span>

#include "co_core/control_object.h"

namespace orv::co::linedisplay {

// The line display service object's DISPIDs (its dispatch map order) that the control calls.
enum SoDispid : DISPID {
    kSoGetPropertyNumber = 1,
    kSoSetPropertyNumber = 2,
    kSoSetPropertyString = 3,  // exists, never called: the control has no writable string
    kSoOpenService = 4,
    kSoClose = 5,
    kSoClaim = 6,
    kSoRelease = 7,
    kSoCheckHealth = 8,
    kSoDirectIO = 9,
    kSoClearText = 10,
    kSoDisplayText = 11,
    kSoCOFreezeEvents = 12,
    kSoGetPropertyString = 13,
    kSoDisplayTextAt = 14,
    kSoScrollText = 15,
    kSoClearDescriptors = 16,
    kSoSetDescriptor = 17,
    kSoCreateWindow = 18,
    kSoDestroyWindow = 19,
    kSoRefreshWindow = 20,
    kSoReadCharacterAtCursor = 21,
    kSoDisplayBitmap = 22,
    kSoSetBitmap = 23,
    kSoDefineGlyph = 24,
    kSoClaimDevice = 25,
    kSoReleaseDevice = 26,
    kSoResetStatistics = 27,
    kSoRetrieveStatistics = 28,
    kSoUpdateFirmware = 29,
    kSoUpdateStatistics = 30,
    kSoCompareFirmwareVersion = 31,
};

class CDisplayControlCtrl final : public ControlObject<CDisplayControlCtrl> {
public:
    static const ControlDescriptor& Descriptor();
    static std::span<const DispatchEntry> DispatchMembers();
};

}  // namespace orv::co::linedisplay
