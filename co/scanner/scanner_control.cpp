// The scanner control's tables: identity, service-object names and DISPIDs, event routes, and
// its dispatch map (DISPID = position).
#include "scanner_control.h"

#include "co_core/control_rows.h"

namespace orv::co::scanner {
namespace {

#define ORV_SCANNER_NAME "Orvane OPOS Scanner Control, 1.9.0.0"
#define ORV_SCANNER_NOTICE "Copyright (c) Orvane. All rights reserved."

// Scanner property indexes (class base 10000).
constexpr int32_t kDecodeData = 10001;
constexpr int32_t kScanDataType = 10002;
constexpr int32_t kScanData = 1010001;
constexpr int32_t kScanDataLabel = 1010002;

constexpr StringResource kStrings[] = {
    {IDS_CONTROL_TYPENAME, ORV_SCANNER_NAME ", " ORV_SCANNER_NOTICE},
    {2, ORV_SCANNER_NAME ", Property Page"},
    {200, "General"},
    {IDS_CONTROLOBJECTVERSION, "1009000"},
    {IDS_CONTROLOBJECTDESCRIPTION, ORV_SCANNER_NAME " " ORV_SCANNER_NOTICE},
};

// Every name must exist on the service object: Open proves it is a scanner service object.
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
    "ClearInput",
    "ClaimDevice",
    "ReleaseDevice",
    "CompareFirmwareVersion",
    "ResetStatistics",
    "RetrieveStatistics",
    "UpdateFirmware",
    "UpdateStatistics",
};

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
    {"ClearInput", kSoClearInput},
    {"ClaimDevice", kSoClaimDevice},
    {"ReleaseDevice", kSoReleaseDevice},
    {"CompareFirmwareVersion", kSoCompareFirmwareVersion},
    {"ResetStatistics", kSoResetStatistics},
    {"RetrieveStatistics", kSoRetrieveStatistics},
    {"UpdateFirmware", kSoUpdateFirmware},
    {"UpdateStatistics", kSoUpdateStatistics},
};

// A scanner has no output: OutputID reads 0 and ClearOutput answers 106 (101 while closed),
// ResultCode 106 after either. Both exist because OPOS applications probe every control's
// common members.
constexpr int32_t kUnservedNumbers[] = {PIDX_OutputID};

constexpr ControlDescriptor kDescriptor{
    .progId = "OPOS.Scanner",
    .clsid = GUID_INIT(0xBEE76707, 0x0FA8, 0x4E7B, 0xAD, 0x73, 0x5E, 0x0F, 0xB0, 0xDD, 0x99, 0x0C),
    .dispatchIid =
        GUID_INIT(0x0D73E0C9, 0x6792, 0x406B, 0x8E, 0xAF, 0x3B, 0x98, 0x82, 0xC2, 0x35, 0x0C),
    .dispatchName = "_DScannerControl",
    .eventIid =
        GUID_INIT(0xD846676E, 0x7799, 0x4815, 0xB0, 0xBB, 0xD9, 0x9B, 0x4C, 0xE2, 0x69, 0xBE),
    .eventName = "_DScannerControlEvents",
    .typeLib =
        GUID_INIT(0x213D1C42, 0xB652, 0x45E6, 0x85, 0x5E, 0x02, 0xEA, 0x85, 0x92, 0x66, 0x58),
    .typeLibVersion = "1.0",
    .oleMisc = kControlOleMisc,
    .strings = kStrings,
    .deviceClass = "Scanner",
    .registryKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\Scanner\\",
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
        {2224, 1},  // DataEvent
        {2225, 2},  // DirectIOEvent
        {2226, 3},  // ErrorEvent
        {2227, 4},  // StatusUpdateEvent
    }},
    .containerFreeze = false,
    .freezeHoldsEvents = true,
    .unservedNumbers = kUnservedNumbers,
};

}  // namespace

const ControlDescriptor& CScannerControlCtrl::Descriptor() {
    return kDescriptor;
}

std::span<const DispatchEntry> CScannerControlCtrl::DispatchMembers() {
    static constexpr auto kMembers = JoinRows(
        // Properties, DISPIDs 1 to 30: the common ones, then the scanner's.
        kCommonPropertyRows,
        std::to_array<DispatchEntry>({
            BoolProperty<kDecodeData, kDecodeData>("DecodeData"),
            StringProperty<kScanData>("ScanData"),
            StringProperty<kScanDataLabel>("ScanDataLabel"),
            LongProperty<kScanDataType>("ScanDataType"),
        }),
        // Methods, DISPIDs 31 to 49.
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
        std::to_array<DispatchEntry>({Row(Member::SOData)}),
        kDirectIOErrorStatusCallbackRows);
    static_assert(std::size(kMembers) == 49, "the scanner control has 49 members");
    return kMembers;
}

}  // namespace orv::co::scanner
