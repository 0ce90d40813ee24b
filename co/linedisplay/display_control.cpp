// The line display control's tables: identity, service-object DISPIDs, event routes, and its
// dispatch map (DISPID = position). An output-only device: two events, no name check at Open,
// and the input members (OutputID, AutoDisable, DataEventEnabled, DataCount, ClearInput,
// ClearOutput) answer 111 without the service object, open or closed.
#include "display_control.h"

#include "co_core/control_rows.h"

namespace orv::co::linedisplay {
namespace {

#define ORV_DISPLAY_NAME "Orvane OPOS Line Display Control, 1.9.0.0"
#define ORV_DISPLAY_NOTICE "Copyright (c) Orvane. All rights reserved."

constexpr StringResource kStrings[] = {
    {IDS_CONTROL_TYPENAME, ORV_DISPLAY_NAME ", " ORV_DISPLAY_NOTICE},
    {2, ORV_DISPLAY_NAME ", Property Page"},
    {200, "General"},
    {IDS_CONTROLOBJECTVERSION, "1009000"},
    {IDS_CONTROLOBJECTDESCRIPTION, ORV_DISPLAY_NAME ", " ORV_DISPLAY_NOTICE},
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
    {"ClearText", kSoClearText},
    {"DisplayText", kSoDisplayText},
    {"COFreezeEvents", kSoCOFreezeEvents},
    {"GetPropertyString", kSoGetPropertyString},
    {"DisplayTextAt", kSoDisplayTextAt},
    {"ScrollText", kSoScrollText},
    {"ClearDescriptors", kSoClearDescriptors},
    {"SetDescriptor", kSoSetDescriptor},
    {"CreateWindow", kSoCreateWindow},
    {"DestroyWindow", kSoDestroyWindow},
    {"RefreshWindow", kSoRefreshWindow},
    {"ReadCharacterAtCursor", kSoReadCharacterAtCursor},
    {"DisplayBitmap", kSoDisplayBitmap},
    {"SetBitmap", kSoSetBitmap},
    {"defineGlyph", kSoDefineGlyph},
    {"ClaimDevice", kSoClaimDevice},
    {"ReleaseDevice", kSoReleaseDevice},
    {"ResetStatistics", kSoResetStatistics},
    {"RetrieveStatistics", kSoRetrieveStatistics},
    {"UpdateFirmware", kSoUpdateFirmware},
    {"UpdateStatistics", kSoUpdateStatistics},
    {"CompareFirmwareVersion", kSoCompareFirmwareVersion},
};

constexpr ControlDescriptor kDescriptor{
    .progId = "DisplayControl.DisplayControlCtrl.1",
    .clsid = GUID_INIT(0x756206B1, 0x7F8D, 0x4821, 0x85, 0x9A, 0xE3, 0xDD, 0xD4, 0xC9, 0xC7, 0x39),
    .dispatchIid =
        GUID_INIT(0x8FA6C043, 0x3856, 0x4BCD, 0x80, 0x9E, 0x96, 0x2F, 0xD1, 0x86, 0xC0, 0x39),
    .dispatchName = "_DDisplayControl",
    .eventIid =
        GUID_INIT(0x60638D2A, 0xAAA3, 0x4609, 0x96, 0x1C, 0x90, 0x8B, 0x89, 0x35, 0xF5, 0xBE),
    .eventName = "_DDisplayControlEvents",
    .typeLib =
        GUID_INIT(0x59BBA51D, 0xAA61, 0x40FA, 0x9E, 0x20, 0x71, 0x62, 0x60, 0x80, 0xCB, 0xB8),
    .typeLibVersion = "1.0",
    .oleMisc = kControlOleMisc,
    .strings = kStrings,
    .deviceClass = "LineDisplay",
    .registryKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\",
    .soMethodNames = {},  // no name check at Open
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
        {0, 0},     // no DataEvent
        {1124, 1},  // DirectIOEvent
        {0, 0},     // no ErrorEvent
        {1125, 2},  // StatusUpdateEvent
    }},
    .containerFreeze = true,
    .freezeHoldsEvents = true,
};

}  // namespace

const ControlDescriptor& CDisplayControlCtrl::Descriptor() {
    return kDescriptor;
}

std::span<const DispatchEntry> CDisplayControlCtrl::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        // Properties, DISPIDs 1 to 69.
        LongProperty<PIDX_CapPowerReporting>("CapPowerReporting"),
        StringProperty<PIDX_CheckHealthText>("CheckHealthText"),
        BoolProperty<PIDX_Claimed>("Claimed"),
        BoolProperty<PIDX_DeviceEnabled, PIDX_DeviceEnabled>("DeviceEnabled"),
        LongProperty<PIDX_PowerNotify, PIDX_PowerNotify>("PowerNotify"),
        LongProperty<PIDX_PowerState>("PowerState"),
        LongProperty<PIDX_State>("State"),
        LongProperty<5501>("CapBlink"),
        BoolProperty<5508>("CapBitmap"),
        BoolProperty<5603>("CapBlinkRate"),
        BoolProperty<5502>("CapBrightness"),
        LongProperty<5503>("CapCharacterSet"),
        LongProperty<5509>("CapCursorType"),
        BoolProperty<5600>("CapCustomGlyph"),
        BoolProperty<5504>("CapDescriptors"),
        BoolProperty<5505>("CapHMarquee"),
        BoolProperty<5506>("CapICharWait"),
        BoolProperty<5702>("CapMapCharacterSet"),
        LongProperty<5601>("CapReadBack"),
        LongProperty<5602>("CapScreenMode"),  // a plain long, though served as 0/1
        LongProperty<5507>("CapVMarquee"),    // likewise
        LongProperty<5701, 5701>("BlinkRate"),
        LongProperty<5001, 5001>("CharacterSet"),
        StringProperty<1005001>("CharacterSetList"),
        LongProperty<5002>("Columns"),
        LongProperty<5003, 5003>("CurrentWindow"),
        LongProperty<5004, 5004>("CursorColumn"),
        LongProperty<5005, 5005>("CursorRow"),
        LongProperty<5018, 5018>("CursorType"),
        BoolProperty<5006, 5006>("CursorUpdate"),
        StringProperty<1005002>("CustomGlyphList"),
        LongProperty<5007, 5007>("DeviceBrightness"),
        LongProperty<5008>("DeviceColumns"),
        LongProperty<5009>("DeviceDescriptors"),
        LongProperty<5010>("DeviceRows"),
        LongProperty<5011>("DeviceWindows"),
        LongProperty<5606>("GlyphHeight"),
        LongProperty<5607>("GlyphWidth"),
        LongProperty<5012, 5012>("InterCharacterWait"),
        BoolProperty<5604, 5604>("MapCharacterSet"),
        LongProperty<5017, 5017>("MarqueeFormat"),
        LongProperty<5013, 5013>("MarqueeRepeatWait"),
        LongProperty<5014, 5014>("MarqueeType"),
        LongProperty<5015, 5015>("MarqueeUnitWait"),
        LongProperty<5608>("MaximumX"),
        LongProperty<5609>("MaximumY"),
        LongProperty<5016>("Rows"),
        LongProperty<5605>("ScreenMode"),  // read-only here
        StringProperty<1005003>("ScreenModeList"),
        Row(Member::FreezeEvents),
        LongProperty<5700>("CapReverse"),
        FixedProperty<OPOS_E_FAILURE>("OutputID"),
        LongProperty<PIDX_BinaryConversion, PIDX_BinaryConversion>("BinaryConversion"),
        LongProperty<PIDX_ResultCode>("ResultCode"),
        LongProperty<PIDX_ResultCodeExtended>("ResultCodeExtended"),
        Row(Member::ControlObjectDescription),
        Row(Member::ControlObjectVersion),
        StringProperty<PIDX_ServiceObjectDescription>("ServiceObjectDescription"),
        LongProperty<PIDX_ServiceObjectVersion>("ServiceObjectVersion"),
        StringProperty<PIDX_DeviceDescription>("DeviceDescription"),
        StringProperty<PIDX_DeviceName>("DeviceName"),
        Row(Member::OpenResult),
        FixedProperty<OPOS_E_FAILURE>("AutoDisable"),
        FixedProperty<OPOS_E_FAILURE>("DataEventEnabled"),
        FixedProperty<OPOS_E_FAILURE>("DataCount"),
        BoolProperty<PIDX_CapCompareFirmwareVersion>("CapCompareFirmwareVersion"),
        BoolProperty<PIDX_CapStatisticsReporting>("CapStatisticsReporting"),
        BoolProperty<PIDX_CapUpdateFirmware>("CapUpdateFirmware"),
        BoolProperty<PIDX_CapUpdateStatistics>("CapUpdateStatistics"),

        // Methods, DISPIDs 70 to 99.
        Row(Member::Close),
        Row(Member::Open),
        Row(Member::Claim),
        Row(Member::Release),
        Forwarded<kSoCheckHealth, VT_I4>("CheckHealth"),
        Row(Member::SODirectIO),
        Row(Member::SOStatusUpdate),
        Forwarded<kSoClearText>("ClearText"),
        Forwarded<kSoDisplayText, VT_BSTR, VT_I4>("DisplayText"),
        Forwarded<kSoDisplayTextAt, VT_I4, VT_I4, VT_BSTR, VT_I4>("DisplayTextAt"),
        Forwarded<kSoScrollText, VT_I4, VT_I4>("ScrollText"),
        Forwarded<kSoClearDescriptors>("ClearDescriptors"),
        Forwarded<kSoSetDescriptor, VT_I4, VT_I4>("SetDescriptor"),
        Forwarded<kSoRefreshWindow, VT_I4>("RefreshWindow"),
        Forwarded<kSoReadCharacterAtCursor, VT_I4>("ReadCharacterAtCursor"),
        Forwarded<kSoDisplayBitmap, VT_BSTR, VT_I4, VT_I4, VT_I4>("DisplayBitmap"),
        Forwarded<kSoSetBitmap, VT_I4, VT_BSTR, VT_I4, VT_I4, VT_I4>("SetBitmap"),
        FixedMethod<OPOS_E_FAILURE>("ClearInput"),
        FixedMethod<OPOS_E_FAILURE>("ClearOutput"),
        Row(Member::ClaimDevice),
        Row(Member::ReleaseDevice),
        ForwardedVoid<kSoDefineGlyph, VT_I4, VT_I4>("DefineGlyph"),
        Forwarded<kSoCreateWindow, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4>("CreateWindow"),
        Forwarded<kSoDestroyWindow>("DestroyWindow"),
        Forwarded<kSoDirectIO, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
        Forwarded<kSoCompareFirmwareVersion, VT_BSTR, VT_I4>("CompareFirmwareVersion"),
        Forwarded<kSoResetStatistics, VT_BSTR>("ResetStatistics"),
        Forwarded<kSoRetrieveStatistics, VT_BSTR | VT_BYREF>("RetrieveStatistics"),
        Forwarded<kSoUpdateFirmware, VT_BSTR>("UpdateFirmware"),
        Forwarded<kSoUpdateStatistics, VT_BSTR>("UpdateStatistics"),
    };
    static_assert(std::size(kMembers) == 99, "the line display control has 99 members");
    return kMembers;
}

}  // namespace orv::co::linedisplay
