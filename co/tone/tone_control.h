// CToneControlCtrl: the OPOS tone indicator control ("OPOS.ToneIndicator"), a thin client of the
// tone indicator service object ("ORVTone.so" by default configuration).
#pragma once

#include <span>

#include "co_core/control_object.h"

namespace orv::co::tone {

// The tone indicator service object's DISPIDs (its dispatch map order).
enum SoDispid : DISPID {
    kSoGetPropertyNumber = 1,
    kSoSetPropertyNumber = 2,
    kSoSetPropertyString = 3,  // (long, long); no tone property is a string
    kSoGetPropertyString = 4,
    kSoOpenService = 5,
    kSoClose = 6,
    kSoClaim = 7,
    kSoRelease = 8,
    kSoCheckHealth = 9,
    kSoDirectIO = 10,
    kSoCOFreezeEvents = 11,
    kSoClearOutput = 12,
    kSoSound = 13,
    kSoSoundImmediate = 14,
    kSoClaimDevice = 15,
    kSoReleaseDevice = 16,
    kSoCompareFirmwareVersion = 17,
    kSoResetStatistics = 18,
    kSoRetrieveStatistics = 19,
    kSoUpdateFirmware = 20,
    kSoUpdateStatistics = 21,
};

// Property indexes of the tone indicator class.
inline constexpr int32_t PIDXTone_AsyncMode = 14001;
inline constexpr int32_t PIDXTone_Tone1Pitch = 14002;
inline constexpr int32_t PIDXTone_Tone1Volume = 14003;
inline constexpr int32_t PIDXTone_Tone1Duration = 14004;
inline constexpr int32_t PIDXTone_Tone2Pitch = 14005;
inline constexpr int32_t PIDXTone_Tone2Volume = 14006;
inline constexpr int32_t PIDXTone_Tone2Duration = 14007;
inline constexpr int32_t PIDXTone_InterToneWait = 14008;
inline constexpr int32_t PIDXTone_CapPitch = 14501;
inline constexpr int32_t PIDXTone_CapVolume = 14502;

class CToneControlCtrl final : public ControlObject<CToneControlCtrl> {
public:
    static const ControlDescriptor& Descriptor();
    static std::span<const DispatchEntry> DispatchMembers();
};

}  // namespace orv::co::tone
