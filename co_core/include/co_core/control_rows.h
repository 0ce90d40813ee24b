// Rows of a control's dispatch map. A control lists its members in its own order, one row per
// member, so that the table reads like the control's interface description:
//
//   Row(Member::Open),
//   BoolProperty<PIDX_DeviceEnabled, PIDX_DeviceEnabled>("DeviceEnabled"),
//   StringProperty<1017001, 1017001>("AccountNumber"),
//   Forwarded<kSoBeginEFTTransaction, VT_BSTR, VT_I4>("BeginEFTTransaction"),
//
// Property rows name the OPOS property index used for get and for put (kNoIndex: no put).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

#include "co_core/control_core.h"

namespace orv::co {

inline constexpr int32_t kNoIndex = -1;

namespace rows_detail {

// C++ parameter type of each automation type a forwarded method takes.
template <VARTYPE VT>
struct Cpp;
template <>
struct Cpp<VT_I4> {
    using type = int32_t;
};
template <>
struct Cpp<VT_BOOL> {
    using type = int16_t;  // 0 or -1, passed on as a VARIANT_BOOL value
};
template <>
struct Cpp<VT_BSTR> {
    using type = BSTR;
};
template <>
struct Cpp<VT_I4 | VT_BYREF> {
    using type = int32_t*;
};
template <>
struct Cpp<VT_BSTR | VT_BYREF> {
    using type = BSTR*;
};

template <int32_t GetIndex, int32_t PutIndex, VARTYPE VT>
constexpr DispatchEntry Number(const char* name) {
    if constexpr (PutIndex == kNoIndex)
        return DispProperty<&ControlCore::GetNumber<GetIndex>, nullptr, VT>(name);
    else
        return DispProperty<&ControlCore::GetNumber<GetIndex>, &ControlCore::SetNumber<PutIndex>,
                            VT>(name);
}

}  // namespace rows_detail

// A long property forwarded by index.
template <int32_t GetIndex, int32_t PutIndex = kNoIndex>
constexpr DispatchEntry LongProperty(const char* name) {
    return rows_detail::Number<GetIndex, PutIndex, VT_I4>(name);
}

// A VARIANT_BOOL property: the service object's long answer is the value (nonzero = TRUE).
template <int32_t GetIndex, int32_t PutIndex = kNoIndex>
constexpr DispatchEntry BoolProperty(const char* name) {
    return rows_detail::Number<GetIndex, PutIndex, VT_BOOL>(name);
}

// A BSTR property forwarded with the string calls (whatever range its index lies in).
template <int32_t GetIndex, int32_t PutIndex = kNoIndex>
constexpr DispatchEntry StringProperty(const char* name) {
    if constexpr (PutIndex == kNoIndex)
        return DispProperty<&ControlCore::GetString<GetIndex>, nullptr, VT_BSTR>(name);
    else
        return DispProperty<&ControlCore::GetString<GetIndex>, &ControlCore::SetString<PutIndex>,
                            VT_BSTR>(name);
}

// A long property read by index whose writes are accepted and ignored.
template <int32_t GetIndex>
constexpr DispatchEntry LongPropertyIgnoringWrites(const char* name) {
    return DispProperty<&ControlCore::GetNumber<GetIndex>, &ControlCore::IgnoreNumber, VT_I4>(name);
}

// A CURRENCY property read and written through service-object methods of its own.
template <DISPID SoGet, DISPID SoSet>
constexpr DispatchEntry CurrencyProperty(const char* name) {
    return DispProperty<&ControlCore::GetCurrency<SoGet>, &ControlCore::SetCurrency<SoSet>, VT_CY>(
        name);
}

// A short property that only holds a DISPID position.
constexpr DispatchEntry FillerProperty(const char* name) {
    return DispProperty<&ControlCore::GetFiller, &ControlCore::SetFiller, VT_I2>(name);
}

// A method forwarded to the service-object method SoId with the same arguments; long result,
// 101 while closed.
template <DISPID SoId, VARTYPE... Params>
constexpr DispatchEntry Forwarded(const char* name) {
    return DispMethod<
        &ControlCore::Forward<SoId, OPOS_E_CLOSED, typename rows_detail::Cpp<Params>::type...>,
        VT_I4, Params...>(name);
}

// A method the class does not support (see ControlCore::Unsupported).
constexpr DispatchEntry UnsupportedMethod(const char* name) {
    return DispMethod<&ControlCore::Unsupported, VT_I4>(name);
}

// The same with another answer while closed and another result type (VT_I4 or VT_BOOL).
template <DISPID SoId, int32_t ClosedResult, VARTYPE Result, VARTYPE... Params>
constexpr DispatchEntry ForwardedAs(const char* name) {
    return DispMethod<
        &ControlCore::Forward<SoId, ClosedResult, typename rows_detail::Cpp<Params>::type...>,
        Result, Params...>(name);
}

// A method without a result forwarded to the service-object method SoId; nothing while closed.
template <DISPID SoId, VARTYPE... Params>
constexpr DispatchEntry ForwardedVoid(const char* name) {
    return DispMethod<&ControlCore::ForwardVoid<SoId, typename rows_detail::Cpp<Params>::type...>,
                      VT_EMPTY, Params...>(name);
}

// A read-only long property and a method that answer Value without the service object, open
// or closed (members a device class does not have).
template <int32_t Value>
constexpr DispatchEntry FixedProperty(const char* name) {
    return DispProperty<&ControlCore::Fixed<Value>, nullptr, VT_I4>(name);
}
template <int32_t Value>
constexpr DispatchEntry FixedMethod(const char* name) {
    return DispMethod<&ControlCore::Fixed<Value>, VT_I4>(name);
}

// Members whose behaviour the core itself defines.
enum class Member {
    Open,
    Close,
    Claim,
    ClaimDevice,
    Release,
    ReleaseDevice,
    SOData,
    SODirectIO,
    SOError,
    SOStatusUpdate,
    SOOutputComplete,
    FreezeEvents,
    ControlObjectDescription,
    ControlObjectVersion,
    OpenResult,
};

constexpr DispatchEntry Row(Member m) {
    using C = ControlCore;
    switch (m) {
        case Member::Open:
            return DispMethod<&C::Open, VT_I4, VT_BSTR>("Open");
        case Member::Close:
            return DispMethod<&C::Close, VT_I4>("Close");
        case Member::Claim:
            return DispMethod<&C::Claim, VT_I4, VT_I4>("Claim");
        case Member::ClaimDevice:
            return DispMethod<&C::ClaimDevice, VT_I4, VT_I4>("ClaimDevice");
        case Member::Release:
            return DispMethod<&C::ReleaseMethod, VT_I4>("Release");
        case Member::ReleaseDevice:
            return DispMethod<&C::ReleaseDeviceMethod, VT_I4>("ReleaseDevice");
        case Member::SOData:
            return DispMethod<&C::SOData, VT_EMPTY, VT_I4>("SOData");
        case Member::SODirectIO:
            return DispMethod<&C::SODirectIO, VT_EMPTY, VT_I4, VT_I4 | VT_BYREF,
                              VT_BSTR | VT_BYREF>("SODirectIO");
        case Member::SOError:
            return DispMethod<&C::SOError, VT_EMPTY, VT_I4, VT_I4, VT_I4, VT_I4 | VT_BYREF>(
                "SOError");
        case Member::SOStatusUpdate:
            return DispMethod<&C::SOStatusUpdate, VT_EMPTY, VT_I4>("SOStatusUpdate");
        case Member::SOOutputComplete:
            return DispMethod<&C::SOOutputComplete, VT_EMPTY, VT_I4>("SOOutputComplete");
        case Member::FreezeEvents:
            return DispProperty<&C::GetNumber<PIDX_FreezeEvents>, &C::SetFreezeEvents, VT_BOOL>(
                "FreezeEvents");
        case Member::ControlObjectDescription:
            return DispProperty<&C::GetControlObjectDescription, nullptr, VT_BSTR>(
                "ControlObjectDescription");
        case Member::ControlObjectVersion:
            return DispProperty<&C::GetControlObjectVersion, nullptr, VT_I4>(
                "ControlObjectVersion");
        case Member::OpenResult:
            return DispProperty<&C::GetOpenResult, nullptr, VT_I4>("OpenResult");
    }
    return DispatchEntry{};
}

// The 26 common properties as the suite's own controls number them (DISPIDs 1 to 26, by name).
inline constexpr std::array<DispatchEntry, 26> kCommonPropertyRows = {{
    BoolProperty<PIDX_AutoDisable, PIDX_AutoDisable>("AutoDisable"),
    LongProperty<PIDX_BinaryConversion, PIDX_BinaryConversion>("BinaryConversion"),
    BoolProperty<PIDX_CapCompareFirmwareVersion>("CapCompareFirmwareVersion"),
    LongProperty<PIDX_CapPowerReporting>("CapPowerReporting"),
    BoolProperty<PIDX_CapStatisticsReporting>("CapStatisticsReporting"),
    BoolProperty<PIDX_CapUpdateFirmware>("CapUpdateFirmware"),
    BoolProperty<PIDX_CapUpdateStatistics>("CapUpdateStatistics"),
    StringProperty<PIDX_CheckHealthText>("CheckHealthText"),
    BoolProperty<PIDX_Claimed>("Claimed"),
    Row(Member::ControlObjectDescription),
    Row(Member::ControlObjectVersion),
    LongProperty<PIDX_DataCount>("DataCount"),
    BoolProperty<PIDX_DataEventEnabled, PIDX_DataEventEnabled>("DataEventEnabled"),
    StringProperty<PIDX_DeviceDescription>("DeviceDescription"),
    BoolProperty<PIDX_DeviceEnabled, PIDX_DeviceEnabled>("DeviceEnabled"),
    StringProperty<PIDX_DeviceName>("DeviceName"),
    Row(Member::FreezeEvents),
    Row(Member::OpenResult),
    LongProperty<PIDX_OutputID>("OutputID"),
    LongProperty<PIDX_PowerNotify, PIDX_PowerNotify>("PowerNotify"),
    LongProperty<PIDX_PowerState>("PowerState"),
    LongProperty<PIDX_ResultCode>("ResultCode"),
    LongProperty<PIDX_ResultCodeExtended>("ResultCodeExtended"),
    StringProperty<PIDX_ServiceObjectDescription>("ServiceObjectDescription"),
    LongProperty<PIDX_ServiceObjectVersion>("ServiceObjectVersion"),
    LongProperty<PIDX_State>("State"),
}};

// Blocks of method rows the suite's own controls list alike (their DISPIDs follow from where a
// control joins them).
inline constexpr std::array<DispatchEntry, 6> kOpenClaimReleaseRows = {{
    Row(Member::Open),
    Row(Member::Close),
    Row(Member::Claim),
    Row(Member::ClaimDevice),
    Row(Member::Release),
    Row(Member::ReleaseDevice),
}};

// The callbacks every class takes after its first one (SOData or SOOutputComplete).
inline constexpr std::array<DispatchEntry, 3> kDirectIOErrorStatusCallbackRows = {{
    Row(Member::SODirectIO),
    Row(Member::SOError),
    Row(Member::SOStatusUpdate),
}};

// The five firmware and statistics methods, forwarded to the service object's methods of the
// same names (their DISPIDs differ from class to class).
template <DISPID CompareFirmwareVersion, DISPID ResetStatistics, DISPID RetrieveStatistics,
          DISPID UpdateFirmware, DISPID UpdateStatistics>
constexpr std::array<DispatchEntry, 5> FirmwareStatisticsMethodRows() {
    return {{
        Forwarded<CompareFirmwareVersion, VT_BSTR, VT_I4>("CompareFirmwareVersion"),
        Forwarded<ResetStatistics, VT_BSTR>("ResetStatistics"),
        Forwarded<RetrieveStatistics, VT_BSTR | VT_BYREF>("RetrieveStatistics"),
        Forwarded<UpdateFirmware, VT_BSTR>("UpdateFirmware"),
        Forwarded<UpdateStatistics, VT_BSTR>("UpdateStatistics"),
    }};
}

// One dispatch map from blocks of rows, in order: DISPID = position in the joined map.
template <size_t... N>
constexpr std::array<DispatchEntry, (N + ...)> JoinRows(const std::array<DispatchEntry, N>&... blocks) {
    std::array<DispatchEntry, (N + ...)> out{};
    size_t at = 0;
    ((std::copy(blocks.begin(), blocks.end(), out.begin() + at), at += N), ...);
    return out;
}

}  // namespace orv::co
