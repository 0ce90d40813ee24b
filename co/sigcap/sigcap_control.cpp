// The signature capture control's tables: identity, service-object names and DISPIDs, event
// routes, and its dispatch map (DISPID = position).
#include "sigcap_control.h"

#include "co_core/control_rows.h"

namespace orv::co::sigcap {
namespace {

#define ORV_SIGCAP_VERSION "1.9.0.0"
#define ORV_SIGCAP_NOTICE "Copyright (c) Orvane. All rights reserved."

constexpr StringResource kStrings[] = {
    {IDS_CONTROL_TYPENAME, "Orvane OPOS POSSig Control, " ORV_SIGCAP_VERSION " " ORV_SIGCAP_NOTICE},
    {2, "Orvane OPOS POSSig Control " ORV_SIGCAP_VERSION " Property Page 1.0"},
    {200, "General"},
    {IDS_CONTROLOBJECTVERSION, "1009000"},
    {IDS_CONTROLOBJECTDESCRIPTION, "Orvane OPOS SigCap Control " ORV_SIGCAP_VERSION ", " ORV_SIGCAP_NOTICE},
};

// Every name must exist on the service object, in this order.
constexpr const char* kSoMethodNames[] = {
    "GetPropertyNumber", "SetPropertyNumber", "SetPropertyString", "OpenService",
    "Close",             "Claim",             "Release",           "CheckHealth",
    "DirectIO",          "COFreezeEvents",    "ClearInput",        "BeginCapture",
    "EndCapture",        "GetPropertyString", "ClaimDevice",       "ReleaseDevice",
    "UpdateStatistics",  "CompareFirmwareVersion", "ResetStatistics", "RetrieveStatistics",
    "UpdateFirmware",
};

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
    {"BeginCapture", kSoBeginCapture},
    {"EndCapture", kSoEndCapture},
    {"GetPropertyString", kSoGetPropertyString},
    {"ClaimDevice", kSoClaimDevice},
    {"ReleaseDevice", kSoReleaseDevice},
    {"CompareFirmwareVersion", kSoCompareFirmwareVersion},
    {"ResetStatistics", kSoResetStatistics},
    {"RetrieveStatistics", kSoRetrieveStatistics},
    {"UpdateFirmware", kSoUpdateFirmware},
    {"UpdateStatistics", kSoUpdateStatistics},
};

constexpr ControlDescriptor kDescriptor{
    .progId = "OPOS.SigCap",
    .clsid = GUID_INIT(0x18EC52F6, 0x2E73, 0x11D1, 0x8B, 0x24, 0x00, 0xA0, 0xC9, 0x27, 0x25, 0x4A),
    .dispatchIid =
        GUID_INIT(0x18EC52F4, 0x2E73, 0x11D1, 0x8B, 0x24, 0x00, 0xA0, 0xC9, 0x27, 0x25, 0x4A),
    .dispatchName = "_DSigcapControl",
    .eventIid =
        GUID_INIT(0x18EC52F5, 0x2E73, 0x11D1, 0x8B, 0x24, 0x00, 0xA0, 0xC9, 0x27, 0x25, 0x4A),
    .eventName = "_DSigcapControlEvents",
    .typeLib =
        GUID_INIT(0x18EC52F3, 0x2E73, 0x11D1, 0x8B, 0x24, 0x00, 0xA0, 0xC9, 0x27, 0x25, 0x4A),
    .typeLibVersion = "1.2",
    .oleMisc = kControlOleMisc,
    .strings = kStrings,
    .deviceClass = "SignatureCapture",
    .registryKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\SignatureCapture\\",
    .soMethodNames = kSoMethodNames,
    .soMembers = kSoMembers,
    .so =
        {
            .openService = kSoOpenService,
            .close = kSoClose,
            .claim = kSoClaim,
            .claimDevice = kSoClaim,
            .release = kSoRelease,
            .releaseDevice = kSoRelease,
            .getPropertyNumber = kSoGetPropertyNumber,
            .setPropertyNumber = kSoSetPropertyNumber,
            .getPropertyString = kSoGetPropertyString,
            .setPropertyString = kSoSetPropertyString,
            .coFreezeEvents = kSoCOFreezeEvents,
        },
    .events = {{
        {1124, 1},  // DataEvent
        {1125, 2},  // DirectIOEvent
        {1126, 3},  // ErrorEvent
        {1127, 4},  // StatusUpdateEvent
    }},
    .containerFreeze = true,
    .freezeHoldsEvents = true,
    .errorEventOneWay = true,
    .errorEventDebugLine = "****************SigcapControl CFireEvent::OnErrorEvent\n",
};

}  // namespace

const ControlDescriptor& CSigcapControlCtrl::Descriptor() {
    return kDescriptor;
}

std::span<const DispatchEntry> CSigcapControlCtrl::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        // Properties, DISPIDs 1 to 34.
        StringProperty<PIDX_CheckHealthText>("CheckHealthText"),
        BoolProperty<PIDX_Claimed>("Claimed"),
        BoolProperty<PIDX_DataEventEnabled, PIDX_DataEventEnabled>("DataEventEnabled"),
        BoolProperty<PIDX_DeviceEnabled, PIDX_DeviceEnabled>("DeviceEnabled"),
        Row(Member::FreezeEvents),
        LongProperty<PIDX_ResultCode>("ResultCode"),
        LongProperty<PIDX_ResultCodeExtended>("ResultCodeExtended"),
        LongProperty<PIDX_State>("State"),
        Row(Member::ControlObjectDescription),
        Row(Member::ControlObjectVersion),
        StringProperty<PIDX_ServiceObjectDescription>("ServiceObjectDescription"),
        LongProperty<PIDX_ServiceObjectVersion>("ServiceObjectVersion"),
        StringProperty<PIDX_DeviceDescription>("DeviceDescription"),
        StringProperty<PIDX_DeviceName>("DeviceName"),
        BoolProperty<11501>("CapDisplay"),
        BoolProperty<11502>("CapUserTerminated"),
        LongProperty<11001>("MaximumX"),
        LongProperty<11002>("MaximumY"),
        StringProperty<1011001>("RawData"),
        LongProperty<11003>("TotalPoints"),
        StringProperty<1011002>("PointArray"),
        BoolProperty<PIDX_AutoDisable, PIDX_AutoDisable>("AutoDisable"),
        LongProperty<PIDX_BinaryConversion, PIDX_BinaryConversion>("BinaryConversion"),
        LongProperty<PIDX_DataCount>("DataCount"),
        BoolProperty<11503>("CapRealTimeData"),
        BoolProperty<11004, 11004>("RealTimeDataEnabled"),
        LongProperty<PIDX_CapPowerReporting>("CapPowerReporting"),
        LongProperty<PIDX_PowerState>("PowerState"),
        LongProperty<PIDX_PowerNotify, PIDX_PowerNotify>("PowerNotify"),
        Row(Member::OpenResult),
        BoolProperty<PIDX_CapCompareFirmwareVersion>("CapCompareFirmwareVersion"),
        BoolProperty<PIDX_CapStatisticsReporting>("CapStatisticsReporting"),
        BoolProperty<PIDX_CapUpdateFirmware>("CapUpdateFirmware"),
        BoolProperty<PIDX_CapUpdateStatistics>("CapUpdateStatistics"),

        // Methods, DISPIDs 35 to 55.
        Row(Member::Close),
        Row(Member::Claim),
        Row(Member::Release),
        Forwarded<kSoCheckHealth, VT_I4>("CheckHealth"),
        Forwarded<kSoClearInput>("ClearInput"),
        DispMethod<&CSigcapControlCtrl::ClearOutput, VT_I4>("ClearOutput"),
        Forwarded<kSoDirectIO, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
        Row(Member::Open),
        Forwarded<kSoBeginCapture, VT_BSTR>("BeginCapture"),
        Forwarded<kSoEndCapture>("EndCapture"),
        Row(Member::SOData),
        Row(Member::SODirectIO),
        Row(Member::SOError),
        Row(Member::SOStatusUpdate),
        Row(Member::ClaimDevice),
        Row(Member::ReleaseDevice),
        Forwarded<kSoCompareFirmwareVersion, VT_BSTR, VT_I4>("CompareFirmwareVersion"),
        Forwarded<kSoResetStatistics, VT_BSTR>("ResetStatistics"),
        Forwarded<kSoRetrieveStatistics, VT_BSTR | VT_BYREF>("RetrieveStatistics"),
        Forwarded<kSoUpdateFirmware, VT_BSTR>("UpdateFirmware"),
        Forwarded<kSoUpdateStatistics, VT_BSTR>("UpdateStatistics"),
    };
    static_assert(std::size(kMembers) == 55, "the signature capture control has 55 members");
    return kMembers;
}

}  // namespace orv::co::sigcap
