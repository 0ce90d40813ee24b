// The POS keyboard control's tables: identity, service-object names and DISPIDs, event routes,
// and its dispatch map (DISPID = position).
#include "keyboard_control.h"

#include "co_core/control_rows.h"

namespace orv::co::keyboard {
namespace {

#define ORV_KEYBOARD_NAME "Orvane OPOS POSKeyboard Control, 1.9.0.0"
#define ORV_KEYBOARD_NOTICE "Copyright (c) Orvane. All rights reserved."

constexpr StringResource kStrings[] = {
    {IDS_CONTROL_TYPENAME, ORV_KEYBOARD_NAME ", " ORV_KEYBOARD_NOTICE},
    {2, ORV_KEYBOARD_NAME ", Property Page"},
    {200, "General"},
    {IDS_CONTROLOBJECTVERSION, "1009000"},
    {IDS_CONTROLOBJECTDESCRIPTION, ORV_KEYBOARD_NAME " " ORV_KEYBOARD_NOTICE},
};

// Every SO member the control calls, with its DISPID; the names are also checked at Open.
constexpr SoMember kSoMembers[] = {
    {"GetPropertyNumber", kSoGetPropertyNumber},
    {"SetPropertyNumber", kSoSetPropertyNumber},
    {"SetPropertyString", kSoSetPropertyString},
    {"OpenService", kSoOpenService},
    {"Close", kSoClose},
    {"Claim", kSoClaim},
    {"Release", kSoRelease},
    {"CheckHealth", kSoCheckHealth},
    {"DirectIO", kSoDirectIO},
    {"COFreezeEvents", kSoCOFreezeEvents},
    {"ClearInput", kSoClearInput},
    {"GetPropertyString", kSoGetPropertyString},
    {"ClaimDevice", kSoClaimDevice},
    {"ReleaseDevice", kSoReleaseDevice},
    {"UpdateStatistics", kSoUpdateStatistics},
    {"ResetStatistics", kSoResetStatistics},
    {"RetrieveStatistics", kSoRetrieveStatistics},
    {"UpdateFirmware", kSoUpdateFirmware},
    {"CompareFirmwareVersion", kSoCompareFirmwareVersion},
};

constexpr const char* kSoMethodNames[] = {
    "GetPropertyNumber",
    "SetPropertyNumber",
    "SetPropertyString",
    "OpenService",
    "Close",
    "Claim",
    "Release",
    "CheckHealth",
    "DirectIO",
    "COFreezeEvents",
    "ClearInput",
    "GetPropertyString",
    "ClaimDevice",
    "ReleaseDevice",
    "UpdateStatistics",
    "ResetStatistics",
    "RetrieveStatistics",
    "UpdateFirmware",
    "CompareFirmwareVersion",
};
static_assert(std::size(kSoMethodNames) == std::size(kSoMembers));

// OutputID belongs to output devices; applications that read it on every device (the bench's
// common panel does) get 0 and ResultCode 106 rather than the service object's unknown-index 0.
constexpr int32_t kUnservedNumbers[] = {PIDX_OutputID};

constexpr ControlDescriptor kDescriptor{
    .progId = "OPOS.POSKeyboard",
    .clsid = GUID_INIT(0xF87BCC37, 0x85D6, 0x4093, 0x93, 0x19, 0xD5, 0x8E, 0x20, 0x92, 0x11, 0x94),
    .dispatchIid =
        GUID_INIT(0x70D0ADBA, 0x43A0, 0x4F4A, 0xA5, 0xC2, 0x74, 0xDA, 0x22, 0xCC, 0x06, 0x7E),
    .dispatchName = "_DKeyboardControl",
    .eventIid =
        GUID_INIT(0xDB7E9FFE, 0xA5BE, 0x4255, 0x86, 0x4F, 0x26, 0xA9, 0x07, 0x5F, 0x35, 0xDB),
    .eventName = "_DKeyboardControlEvents",
    .typeLib =
        GUID_INIT(0x8062199F, 0x1F59, 0x4C25, 0x9F, 0xD6, 0xC7, 0x98, 0x94, 0xFA, 0xEE, 0xEE),
    .typeLibVersion = "1.0",
    .oleMisc = kControlOleMisc,
    .strings = kStrings,
    .deviceClass = "POSKeyboard",
    .registryKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSKeyboard\\",
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
    .events = {{
        {2124, 1},  // DataEvent
        {2125, 2},  // DirectIOEvent
        {2126, 3},  // ErrorEvent
        {2127, 4},  // StatusUpdateEvent
        {0, 0},     // no OutputCompleteEvent: a keyboard has no output
    }},
    .containerFreeze = false,
    .freezeHoldsEvents = true,
    .unservedNumbers = kUnservedNumbers,
};

}  // namespace

const ControlDescriptor& CKeyboardControlCtrl::Descriptor() {
    return kDescriptor;
}

std::span<const DispatchEntry> CKeyboardControlCtrl::DispatchMembers() {
    static constexpr auto kMembers = JoinRows(
        // Common properties, DISPIDs 1 to 26 (OutputID answered by the control).
        kCommonPropertyRows,
        std::to_array<DispatchEntry>({
            // POS keyboard properties, DISPIDs 27 to 30.
            BoolProperty<PIDXKbd_CapKeyUp>("CapKeyUp"),
            LongProperty<PIDXKbd_EventTypes, PIDXKbd_EventTypes>("EventTypes"),
            LongProperty<PIDXKbd_POSKeyData>("POSKeyData"),
            LongProperty<PIDXKbd_POSKeyEventType>("POSKeyEventType"),
        }),
        // Methods, DISPIDs 31 to 45 (ClearOutput: no output, 106).
        kOpenClaimReleaseRows,
        std::to_array<DispatchEntry>({
            Forwarded<kSoCheckHealth, VT_I4>("CheckHealth"),
            Forwarded<kSoClearInput>("ClearInput"),
            UnsupportedMethod("ClearOutput"),
            Forwarded<kSoDirectIO, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
        }),
        FirmwareStatisticsMethodRows<kSoCompareFirmwareVersion, kSoResetStatistics,
                                     kSoRetrieveStatistics, kSoUpdateFirmware,
                                     kSoUpdateStatistics>(),
        // The service object's callbacks, DISPIDs 46 to 49.
        std::to_array<DispatchEntry>({Row(Member::SOData)}),
        kDirectIOErrorStatusCallbackRows);
    static_assert(std::size(kMembers) == 49, "the POS keyboard control has 49 members");
    return kMembers;
}

}  // namespace orv::co::keyboard
