// CKeyboardControlCtrl: the OPOS POS keyboard control ("OPOS.POSKeyboard"), a thin client of
// the POS keyboard service object ("ORVKbd.so" by default configuration).
#pragma once

#include <span>

#include "co_core/control_object.h"

namespace orv::co::keyboard {

// The POS keyboard service object's DISPIDs (its dispatch map order). The statistics and
// firmware entries are in the keyboard's own order, not the PIN pad's.
enum SoDispid : DISPID {
    kSoGetPropertyNumber = 1,
    kSoSetPropertyNumber = 2,
    kSoSetPropertyString = 3,
    kSoOpenService = 4,
    kSoClose = 5,
    kSoClaim = 6,
    kSoRelease = 7,
    kSoCheckHealth = 8,
    kSoDirectIO = 9,
    kSoCOFreezeEvents = 10,
    kSoClearInput = 11,
    kSoGetPropertyString = 12,
    kSoClaimDevice = 13,
    kSoReleaseDevice = 14,
    kSoUpdateStatistics = 15,
    kSoResetStatistics = 16,
    kSoRetrieveStatistics = 17,
    kSoUpdateFirmware = 18,
    kSoCompareFirmwareVersion = 19,
};

// Property indexes of the POS keyboard class.
inline constexpr int32_t PIDXKbd_POSKeyData = 12001;
inline constexpr int32_t PIDXKbd_EventTypes = 12002;
inline constexpr int32_t PIDXKbd_POSKeyEventType = 12003;
inline constexpr int32_t PIDXKbd_CapKeyUp = 12501;

class CKeyboardControlCtrl final : public ControlObject<CKeyboardControlCtrl> {
public:
    static const ControlDescriptor& Descriptor();
    static std::span<const DispatchEntry> DispatchMembers();
};

}  // namespace orv::co::keyboard
