// The MSR control's tables: identity, service-object names and DISPIDs, event routes, and its
// dispatch map (DISPID = position).
#include "stripe_control.h"

#include "co_core/control_rows.h"

namespace orv::co::msr {
namespace {

#define ORV_MSR_NAME "Orvane OPOS MSR Control, 1.9.0.0"
#define ORV_MSR_NOTICE "Copyright (c) Orvane. All rights reserved."

constexpr StringResource kStrings[] = {
    {IDS_CONTROL_TYPENAME, ORV_MSR_NAME ", " ORV_MSR_NOTICE},
    {2, ORV_MSR_NAME ", Property Page"},
    {200, "General"},
    // Six digits, unlike the other controls' seven: major version 0 by the OPOS rule.
    {IDS_CONTROLOBJECTVERSION, "100900"},
    {IDS_CONTROLOBJECTDESCRIPTION, ORV_MSR_NAME ", " ORV_MSR_NOTICE},
};

// Every name must exist on the service object, in this order.
constexpr const char* kSoMethodNames[] = {
    "CheckHealth",
    "Claim",
    "ClearInput",
    "Close",
    "COFreezeEvents",
    "DirectIO",
    "Release",
    "OpenService",
    "GetPropertyNumber",
    "SetPropertyNumber",
    "GetPropertyString",
    "SetPropertyString",
    "ClaimDevice",
    "ReleaseDevice",
    "UpdateStatistics",
    "CompareFirmwareVersion",
    "ResetStatistics",
    "RetrieveStatistics",
    "UpdateFirmware",
};

constexpr SoMember kSoMembers[] = {
    {"CheckHealth", kSoCheckHealth},
    {"Claim", kSoClaim},
    {"ClearInput", kSoClearInput},
    {"Close", kSoClose},
    {"COFreezeEvents", kSoCOFreezeEvents},
    {"DirectIO", kSoDirectIO},
    {"Release", kSoRelease},
    {"OpenService", kSoOpenService},
    {"GetPropertyNumber", kSoGetPropertyNumber},
    {"SetPropertyNumber", kSoSetPropertyNumber},
    {"GetPropertyString", kSoGetPropertyString},
    {"SetPropertyString", kSoSetPropertyString},
    {"ClaimDevice", kSoClaimDevice},
    {"ReleaseDevice", kSoReleaseDevice},
    {"CompareFirmwareVersion", kSoCompareFirmwareVersion},
    {"ResetStatistics", kSoResetStatistics},
    {"RetrieveStatistics", kSoRetrieveStatistics},
    {"UpdateFirmware", kSoUpdateFirmware},
    {"UpdateStatistics", kSoUpdateStatistics},
};

constexpr ControlDescriptor kDescriptor{
    .progId = "OPOS.MSR",
    .clsid = GUID_INIT(0x3EF04109, 0xE8F4, 0x11D1, 0x8C, 0x56, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57),
    .dispatchIid =
        GUID_INIT(0x3EF04107, 0xE8F4, 0x11D1, 0x8C, 0x56, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57),
    .dispatchName = "_DStripeControl",
    .eventIid =
        GUID_INIT(0x3EF04108, 0xE8F4, 0x11D1, 0x8C, 0x56, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57),
    .eventName = "_DStripeControlEvents",
    .typeLib =
        GUID_INIT(0x3EF04106, 0xE8F4, 0x11D1, 0x8C, 0x56, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57),
    .typeLibVersion = "1.2",
    .oleMisc = kControlOleMisc,
    .strings = kStrings,
    .deviceClass = "MSR",
    .registryKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR\\",
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
        {1034, 1},  // DataEvent
        {1036, 2},  // DirectIOEvent
        {1035, 3},  // ErrorEvent
        {1037, 4},  // StatusUpdateEvent
    }},
    .containerFreeze = false,
    // FreezeEvents is only forwarded: holding events is the service object's job.
    .freezeHoldsEvents = false,
};

}  // namespace

const ControlDescriptor& CStripeControlCtrl::Descriptor() {
    return kDescriptor;
}

std::span<const DispatchEntry> CStripeControlCtrl::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        // Properties, DISPIDs 1 to 70.
        BoolProperty<PIDX_AutoDisable, PIDX_AutoDisable>("AutoDisable"),
        LongProperty<PIDX_BinaryConversion, PIDX_BinaryConversion>("BinaryConversion"),
        LongProperty<PIDX_CapPowerReporting>("CapPowerReporting"),
        StringProperty<PIDX_CheckHealthText>("CheckHealthText"),
        BoolProperty<PIDX_Claimed>("Claimed"),
        LongProperty<PIDX_DataCount>("DataCount"),
        BoolProperty<PIDX_DataEventEnabled, PIDX_DataEventEnabled>("DataEventEnabled"),
        BoolProperty<PIDX_DeviceEnabled, PIDX_DeviceEnabled>("DeviceEnabled"),
        Row(Member::FreezeEvents),
        LongProperty<PIDX_PowerNotify, PIDX_PowerNotify>("PowerNotify"),
        LongProperty<PIDX_PowerState>("PowerState"),
        LongProperty<PIDX_ResultCode>("ResultCode"),
        LongProperty<PIDX_ResultCodeExtended>("ResultCodeExtended"),
        LongProperty<PIDX_State>("State"),
        Row(Member::ControlObjectDescription),
        Row(Member::ControlObjectVersion),
        StringProperty<PIDX_ServiceObjectDescription>("ServiceObjectDescription"),
        LongProperty<PIDX_ServiceObjectVersion>("ServiceObjectVersion"),
        StringProperty<PIDX_DeviceDescription>("DeviceDescription"),
        StringProperty<PIDX_DeviceName>("DeviceName"),
        BoolProperty<7501>("CapISO"),
        BoolProperty<7502>("CapJISOne"),
        BoolProperty<7503>("CapJISTwo"),
        LongProperty<7003, 7003>("TracksToRead"),
        BoolProperty<7001, 7001>("DecodeData"),
        BoolProperty<7002, 7002>("ParseDecodeData"),
        LongProperty<7004, 7004>("ErrorReportingType"),
        StringProperty<1007009>("Track1Data"),
        StringProperty<1007011>("Track2Data"),
        StringProperty<1007013>("Track3Data"),
        StringProperty<1007001>("AccountNumber"),
        StringProperty<1007002>("ExpirationDate"),
        StringProperty<1007008>("Title"),
        StringProperty<1007003>("FirstName"),
        StringProperty<1007004>("MiddleInitial"),
        StringProperty<1007007>("Surname"),
        StringProperty<1007006>("Suffix"),
        StringProperty<1007005>("ServiceCode"),
        StringProperty<1007010>("Track1DiscretionaryData"),
        StringProperty<1007012>("Track2DiscretionaryData"),
        BoolProperty<7504>("CapTransmitSentinels"),
        StringProperty<1007014>("Track4Data"),
        BoolProperty<7005, 7005>("TransmitSentinels"),
        FillerProperty("xFillerProperty03"),
        FillerProperty("xFillerProperty04"),
        FillerProperty("xFillerProperty05"),
        FillerProperty("xFillerProperty06"),
        FillerProperty("xFillerProperty07"),
        FillerProperty("xFillerProperty08"),
        FillerProperty("xFillerProperty09"),
        FillerProperty("xFillerProperty10"),
        FillerProperty("xFillerProperty11"),
        FillerProperty("xFillerProperty12"),
        FillerProperty("xFillerProperty13"),
        FillerProperty("xFillerProperty14"),
        FillerProperty("xFillerProperty15"),
        FillerProperty("xFillerProperty16"),
        FillerProperty("xFillerProperty17"),
        FillerProperty("xFillerProperty18"),
        FillerProperty("xFillerProperty19"),
        FillerProperty("xFillerProperty20"),
        FillerProperty("xFillerProperty21"),
        FillerProperty("xFillerProperty22"),
        FillerProperty("xFillerProperty23"),
        FillerProperty("xFillerProperty24"),
        Row(Member::OpenResult),
        BoolProperty<PIDX_CapCompareFirmwareVersion>("CapCompareFirmwareVersion"),
        BoolProperty<PIDX_CapStatisticsReporting>("CapStatisticsReporting"),
        BoolProperty<PIDX_CapUpdateFirmware>("CapUpdateFirmware"),
        BoolProperty<PIDX_CapUpdateStatistics>("CapUpdateStatistics"),

        // Methods, DISPIDs 71 to 88.
        Row(Member::Open),
        Row(Member::Close),
        Row(Member::Claim),
        Row(Member::Release),
        Forwarded<kSoCheckHealth, VT_I4>("CheckHealth"),
        Forwarded<kSoClearInput>("ClearInput"),
        Forwarded<kSoDirectIO, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
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
    static_assert(std::size(kMembers) == 88, "the MSR control has 88 members");
    return kMembers;
}

}  // namespace orv::co::msr
