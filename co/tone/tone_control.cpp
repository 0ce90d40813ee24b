// The tone indicator control's tables: identity, service-object names and DISPIDs, event
// routes and its dispatch map (DISPID = position).
#include "tone_control.h"

#include "co_core/control_rows.h"

namespace orv::co::tone {
namespace {

#define ORV_TONE_NAME "Orvane OPOS ToneIndicator Control, 1.9.0.0"
#define ORV_TONE_NOTICE "Copyright (c) Orvane. All rights reserved."

constexpr StringResource kStrings[] = {
    {IDS_CONTROL_TYPENAME, ORV_TONE_NAME ", " ORV_TONE_NOTICE},
    {2, ORV_TONE_NAME ", Property Page"},
    {200, "General"},
    {IDS_CONTROLOBJECTVERSION, "1009000"},
    {IDS_CONTROLOBJECTDESCRIPTION, ORV_TONE_NAME " " ORV_TONE_NOTICE},
};

// Every SO member the control calls, with its DISPID; the names are also checked at Open.
constexpr SoMember kSoMembers[] = {
    {"GetPropertyNumber", kSoGetPropertyNumber},
    {"SetPropertyNumber", kSoSetPropertyNumber},
    {"SetPropertyString", kSoSetPropertyString},
    {"GetPropertyString", kSoGetPropertyString},
    {"OpenService", kSoOpenService},
    {"Close", kSoClose},
    {"Claim", kSoClaim},
    {"Release", kSoRelease},
    {"CheckHealth", kSoCheckHealth},
    {"DirectIO", kSoDirectIO},
    {"COFreezeEvents", kSoCOFreezeEvents},
    {"ClearOutput", kSoClearOutput},
    {"Sound", kSoSound},
    {"SoundImmediate", kSoSoundImmediate},
    {"ClaimDevice", kSoClaimDevice},
    {"ReleaseDevice", kSoReleaseDevice},
    {"CompareFirmwareVersion", kSoCompareFirmwareVersion},
    {"ResetStatistics", kSoResetStatistics},
    {"RetrieveStatistics", kSoRetrieveStatistics},
    {"UpdateFirmware", kSoUpdateFirmware},
    {"UpdateStatistics", kSoUpdateStatistics},
};

constexpr const char* kSoMethodNames[] = {
    "GetPropertyNumber",
    "SetPropertyNumber",
    "SetPropertyString",
    "GetPropertyString",
    "OpenService",
    "Close",
    "Claim",
    "Release",
    "CheckHealth",
    "DirectIO",
    "COFreezeEvents",
    "ClearOutput",
    "Sound",
    "SoundImmediate",
    "ClaimDevice",
    "ReleaseDevice",
    "CompareFirmwareVersion",
    "ResetStatistics",
    "RetrieveStatistics",
    "UpdateFirmware",
    "UpdateStatistics",
};
static_assert(std::size(kSoMethodNames) == std::size(kSoMembers));

// A tone indicator has no input. The service object answers these indexes with the index
// itself (DataEventEnabled would read TRUE, DataCount 12), so the control answers them: 0, and
// ResultCode 106.
constexpr int32_t kUnservedNumbers[] = {PIDX_DataEventEnabled, PIDX_AutoDisable, PIDX_DataCount};

constexpr ControlDescriptor kDescriptor{
    .progId = "OPOS.ToneIndicator",
    .clsid = GUID_INIT(0xC7DDD566, 0x5EAA, 0x4200, 0xA6, 0x39, 0x4E, 0x1C, 0xBD, 0xCD, 0xA8, 0xEF),
    .dispatchIid =
        GUID_INIT(0xB39BEA63, 0x06AD, 0x42E5, 0xBE, 0xAF, 0x7A, 0xBB, 0x84, 0xAF, 0xEC, 0x3A),
    .dispatchName = "_DToneControl",
    .eventIid =
        GUID_INIT(0xFC502447, 0x495F, 0x46CC, 0x9E, 0x4F, 0x75, 0x22, 0x14, 0x1C, 0x58, 0xCC),
    .eventName = "_DToneControlEvents",
    .typeLib =
        GUID_INIT(0xDE7F6B97, 0xDB6C, 0x432C, 0xAB, 0x94, 0x85, 0x23, 0xE2, 0xC0, 0x84, 0xDE),
    .typeLibVersion = "1.0",
    .oleMisc = kControlOleMisc,
    .strings = kStrings,
    .deviceClass = "ToneIndicator",
    .registryKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\ToneIndicator\\",
    .soMethodNames = kSoMethodNames,
    .soMembers = kSoMembers,
    .so =
        {
            .openService = kSoOpenService,
            .close = kSoClose,
            .claim = kSoClaim,
            .claimDevice = kSoClaimDevice,
            .release = kSoRelease,
            .releaseDevice = kSoReleaseDevice,
            .getPropertyNumber = kSoGetPropertyNumber,
            .setPropertyNumber = kSoSetPropertyNumber,
            .getPropertyString = kSoGetPropertyString,
            .setPropertyString = kSoSetPropertyString,
            .coFreezeEvents = kSoCOFreezeEvents,
        },
    // The suite's numbering, DISPID 1 (DataEvent) left unused; OutputCompleteEvent is 5.
    .events = {{
        {0, 0},     // no DataEvent: a tone indicator has no input
        {2225, 2},  // DirectIOEvent
        {2226, 3},  // ErrorEvent
        {2227, 4},  // StatusUpdateEvent
        {2228, 5},  // OutputCompleteEvent
    }},
    .containerFreeze = false,
    .freezeHoldsEvents = true,
    .unservedNumbers = kUnservedNumbers,
};

}  // namespace

const ControlDescriptor& CToneControlCtrl::Descriptor() {
    return kDescriptor;
}

std::span<const DispatchEntry> CToneControlCtrl::DispatchMembers() {
    static constexpr auto kMembers = JoinRows(
        // Common properties, DISPIDs 1 to 26 (AutoDisable, DataCount and DataEventEnabled are
        // answered by the control).
        kCommonPropertyRows,
        std::to_array<DispatchEntry>({
            // Tone indicator properties, DISPIDs 27 to 36.
            BoolProperty<PIDXTone_AsyncMode, PIDXTone_AsyncMode>("AsyncMode"),
            BoolProperty<PIDXTone_CapPitch>("CapPitch"),
            BoolProperty<PIDXTone_CapVolume>("CapVolume"),
            LongProperty<PIDXTone_InterToneWait, PIDXTone_InterToneWait>("InterToneWait"),
            LongProperty<PIDXTone_Tone1Duration, PIDXTone_Tone1Duration>("Tone1Duration"),
            LongProperty<PIDXTone_Tone1Pitch, PIDXTone_Tone1Pitch>("Tone1Pitch"),
            LongProperty<PIDXTone_Tone1Volume, PIDXTone_Tone1Volume>("Tone1Volume"),
            LongProperty<PIDXTone_Tone2Duration, PIDXTone_Tone2Duration>("Tone2Duration"),
            LongProperty<PIDXTone_Tone2Pitch, PIDXTone_Tone2Pitch>("Tone2Pitch"),
            LongProperty<PIDXTone_Tone2Volume, PIDXTone_Tone2Volume>("Tone2Volume"),
        }),
        // Methods, DISPIDs 37 to 53 (ClearInput: no input, 106).
        kOpenClaimReleaseRows,
        std::to_array<DispatchEntry>({
            Forwarded<kSoCheckHealth, VT_I4>("CheckHealth"),
            UnsupportedMethod("ClearInput"),
            Forwarded<kSoClearOutput>("ClearOutput"),
            Forwarded<kSoDirectIO, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
            Forwarded<kSoSound, VT_I4, VT_I4>("Sound"),
            Forwarded<kSoSoundImmediate>("SoundImmediate"),
        }),
        FirmwareStatisticsMethodRows<kSoCompareFirmwareVersion, kSoResetStatistics,
                                     kSoRetrieveStatistics, kSoUpdateFirmware,
                                     kSoUpdateStatistics>(),
        // The service object's callbacks, DISPIDs 54 to 57.
        std::to_array<DispatchEntry>({Row(Member::SOOutputComplete)}),
        kDirectIOErrorStatusCallbackRows);
    static_assert(std::size(kMembers) == 57, "the tone indicator control has 57 members");
    return kMembers;
}

}  // namespace orv::co::tone
