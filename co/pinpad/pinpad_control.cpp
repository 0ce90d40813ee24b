// The PIN pad control's tables: identity, service-object names and DISPIDs, event routes, and
// its dispatch map (DISPID = position).
#include "pinpad_control.h"

#include "co_core/control_rows.h"

namespace orv::co::pinpad {
namespace {

#define ORV_PINPAD_NAME "Orvane OPOS PINPad Control, 1.9.0.0"
#define ORV_PINPAD_NOTICE "Copyright (c) Orvane. All rights reserved."

constexpr StringResource kStrings[] = {
    {IDS_CONTROL_TYPENAME, ORV_PINPAD_NAME ", " ORV_PINPAD_NOTICE},
    {2, ORV_PINPAD_NAME ", Property Page"},
    {200, "General"},
    {IDS_CONTROLOBJECTVERSION, "1009000"},
    {IDS_CONTROLOBJECTDESCRIPTION, ORV_PINPAD_NAME " " ORV_PINPAD_NOTICE},
};

// Every name must exist on the service object, in this order.
constexpr const char* kSoMethodNames[] = {
    "BeginEFTTransaction",
    "ComputeMAC",
    "EnablePINEntry",
    "EndEFTTransaction",
    "UpdateKey",
    "VerifyMAC",
    "CheckHealth",
    "Claim",
    "ClearInput",
    "Close",
    "DirectIO",
    "Release",
    "GetPropertyNumber",
    "GetPropertyString",
    "SetPropertyNumber",
    "SetPropertyString",
    "GetAmount",
    "SetAmount",
    "OpenService",
    "COFreezeEvents",
    "ClaimDevice",
    "ReleaseDevice",
    "UpdateStatistics",
    "CompareFirmwareVersion",
    "ResetStatistics",
    "RetrieveStatistics",
    "UpdateFirmware",
};

constexpr SoMember kSoMembers[] = {
    {"BeginEFTTransaction", kSoBeginEFTTransaction},
    {"ComputeMAC", kSoComputeMAC},
    {"EnablePINEntry", kSoEnablePINEntry},
    {"EndEFTTransaction", kSoEndEFTTransaction},
    {"UpdateKey", kSoUpdateKey},
    {"VerifyMAC", kSoVerifyMAC},
    {"CheckHealth", kSoCheckHealth},
    {"Claim", kSoClaim},
    {"ClearInput", kSoClearInput},
    {"Close", kSoClose},
    {"DirectIO", kSoDirectIO},
    {"Release", kSoRelease},
    {"GetPropertyNumber", kSoGetPropertyNumber},
    {"GetPropertyString", kSoGetPropertyString},
    {"SetPropertyNumber", kSoSetPropertyNumber},
    {"SetPropertyString", kSoSetPropertyString},
    {"GetAmount", kSoGetAmount},
    {"SetAmount", kSoSetAmount},
    {"OpenService", kSoOpenService},
    {"COFreezeEvents", kSoCOFreezeEvents},
    {"ClaimDevice", kSoClaimDevice},
    {"ReleaseDevice", kSoReleaseDevice},
    {"CompareFirmwareVersion", kSoCompareFirmwareVersion},
    {"ResetStatistics", kSoResetStatistics},
    {"RetrieveStatistics", kSoRetrieveStatistics},
    {"UpdateFirmware", kSoUpdateFirmware},
    {"UpdateStatistics", kSoUpdateStatistics},
};

constexpr ControlDescriptor kDescriptor{
    .progId = "OPOS.PINPad",
    .clsid = GUID_INIT(0x00311137, 0x618B, 0x11D3, 0xA7, 0x33, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA),
    .dispatchIid =
        GUID_INIT(0x00311135, 0x618B, 0x11D3, 0xA7, 0x33, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA),
    .dispatchName = "_DPinpadControl",
    .eventIid =
        GUID_INIT(0x00311136, 0x618B, 0x11D3, 0xA7, 0x33, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA),
    .eventName = "_DPinpadControlEvents",
    .typeLib =
        GUID_INIT(0x00311134, 0x618B, 0x11D3, 0xA7, 0x33, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA),
    .typeLibVersion = "1.3",
    .oleMisc = kControlOleMisc | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SIMPLEFRAME,
    .strings = kStrings,
    .deviceClass = "PINPad",
    .registryKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\",
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
        {2024, 1},  // DataEvent
        {2025, 2},  // DirectIOEvent
        {2026, 3},  // ErrorEvent
        {2027, 4},  // StatusUpdateEvent
    }},
    .containerFreeze = false,
    .freezeHoldsEvents = true,
};

}  // namespace

const ControlDescriptor& CPinpadControlCtrl::Descriptor() {
    return kDescriptor;
}

std::span<const DispatchEntry> CPinpadControlCtrl::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        // Properties, DISPIDs 1 to 70.
        LongPropertyIgnoringWrites<PIDX_CapPowerReporting>("CapPowerReporting"),
        StringProperty<PIDX_CheckHealthText>("CheckHealthText"),
        Row(Member::ControlObjectDescription),
        Row(Member::ControlObjectVersion),
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
        StringProperty<PIDX_ServiceObjectDescription>("ServiceObjectDescription"),
        LongProperty<PIDX_ServiceObjectVersion>("ServiceObjectVersion"),
        StringProperty<PIDX_DeviceDescription>("DeviceDescription"),
        StringProperty<PIDX_DeviceName>("DeviceName"),
        BoolProperty<17504>("CapMACCalculation"),
        LongProperty<17501>("CapDisplay"),
        LongProperty<17503>("CapLanguage"),
        BoolProperty<17502>("CapKeyboard"),
        BoolProperty<17505>("CapTone"),
        LongProperty<17004, 17004>("Prompt"),
        StringProperty<1017003>("AvailableLanguagesList"),
        LongProperty<17005, 17005>("PromptLanguage"),
        StringProperty<1017001, 1017001>("AccountNumber"),
        CurrencyProperty<kSoGetAmount, kSoSetAmount>("Amount"),
        StringProperty<1017007, 1017007>("MerchantID"),
        StringProperty<1017008, 1017008>("TerminalID"),
        StringProperty<1017009, 1017009>("Track1Data"),
        StringProperty<1017010, 1017010>("Track2Data"),
        StringProperty<1017011, 1017011>("Track3Data"),
        StringProperty<17006, 17006>("TransactionType"),  // a string under a numeric index
        LongProperty<17002, 17002>("MinimumPINLength"),
        LongProperty<17001, 17001>("MaximumPINLength"),
        BoolProperty<17003>("PINEntryEnabled"),
        StringProperty<1017006>("EncryptedPIN"),
        StringProperty<1017002>("AdditionalSecurityInformation"),
        StringProperty<1017005>("AvailablePromptsList"),
        StringProperty<1017012, 1017012>("Track4Data"),
        LongProperty<PIDX_BinaryConversion, PIDX_BinaryConversion>("BinaryConversion"),
        FillerProperty("xFillerProperty02"),
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

        // Methods, DISPIDs 71 to 95.
        Row(Member::Open),
        Row(Member::Close),
        Row(Member::Claim),
        Row(Member::Release),
        Forwarded<kSoCheckHealth, VT_I4>("CheckHealth"),
        Forwarded<kSoClearInput>("ClearInput"),
        Forwarded<kSoDirectIO, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
        Forwarded<kSoBeginEFTTransaction, VT_BSTR, VT_I4>("BeginEFTTransaction"),
        Forwarded<kSoComputeMAC, VT_BSTR, VT_BSTR | VT_BYREF>("ComputeMAC"),
        Forwarded<kSoEnablePINEntry>("EnablePINEntry"),
        Forwarded<kSoEndEFTTransaction, VT_I4>("EndEFTTransaction"),
        Forwarded<kSoUpdateKey, VT_I4, VT_BSTR>("UpdateKey"),
        // The service object's boolean answer as is; 101 (so TRUE) while closed.
        ForwardedAs<kSoVerifyMAC, OPOS_E_CLOSED, VT_BOOL, VT_BSTR>("VerifyMAC"),
        Row(Member::SOData),
        Row(Member::SODirectIO),
        Row(Member::SOError),
        Row(Member::SOStatusUpdate),
        ForwardedAs<kSoCOFreezeEvents, 0, VT_I4, VT_BOOL>("COFreezeEvents"),
        Row(Member::ClaimDevice),
        Row(Member::ReleaseDevice),
        Forwarded<kSoCompareFirmwareVersion, VT_BSTR, VT_I4>("CompareFirmwareVersion"),
        Forwarded<kSoResetStatistics, VT_BSTR>("ResetStatistics"),
        Forwarded<kSoRetrieveStatistics, VT_BSTR | VT_BYREF>("RetrieveStatistics"),
        Forwarded<kSoUpdateFirmware, VT_BSTR>("UpdateFirmware"),
        Forwarded<kSoUpdateStatistics, VT_BSTR>("UpdateStatistics"),
    };
    static_assert(std::size(kMembers) == 95, "the PIN pad control has 95 members");
    return kMembers;
}

}  // namespace orv::co::pinpad
