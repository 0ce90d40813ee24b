// OPOS numbers the control objects use: result codes, the OpenResult detail codes and the
// property indexes every control forwards.
#pragma once

#include <cstdint>

namespace orv::co {

inline constexpr int32_t OPOS_SUCCESS = 0;
inline constexpr int32_t OPOS_E_CLOSED = 101;
inline constexpr int32_t OPOS_E_NOSERVICE = 104;
inline constexpr int32_t OPOS_E_ILLEGAL = 106;
inline constexpr int32_t OPOS_E_NOEXIST = 109;
inline constexpr int32_t OPOS_E_FAILURE = 111;

// OpenResult: why the last Open failed.
inline constexpr int32_t OPOS_OR_ALREADYOPEN = 301;
inline constexpr int32_t OPOS_OR_FAILEDOPEN_CREATE = 304;  // service object cannot be created
inline constexpr int32_t OPOS_OR_BADIF = 305;              // a required method name is missing
inline constexpr int32_t OPOS_OR_FAILEDOPEN = 306;
inline constexpr int32_t OPOS_OR_BADVERSION = 307;
inline constexpr int32_t OPOS_ORS_CONFIG = 403;  // registry configuration missing

// Common property indexes.
inline constexpr int32_t PIDX_Claimed = 1;
inline constexpr int32_t PIDX_DataEventEnabled = 2;
inline constexpr int32_t PIDX_DeviceEnabled = 3;
inline constexpr int32_t PIDX_FreezeEvents = 4;
inline constexpr int32_t PIDX_ResultCode = 6;
inline constexpr int32_t PIDX_ResultCodeExtended = 7;
inline constexpr int32_t PIDX_ServiceObjectVersion = 8;
inline constexpr int32_t PIDX_State = 9;
inline constexpr int32_t PIDX_AutoDisable = 10;
inline constexpr int32_t PIDX_BinaryConversion = 11;
inline constexpr int32_t PIDX_DataCount = 12;
inline constexpr int32_t PIDX_PowerNotify = 13;
inline constexpr int32_t PIDX_PowerState = 14;
inline constexpr int32_t PIDX_CapPowerReporting = 501;
inline constexpr int32_t PIDX_CapStatisticsReporting = 801;
inline constexpr int32_t PIDX_CapUpdateStatistics = 802;
inline constexpr int32_t PIDX_CapCompareFirmwareVersion = 901;
inline constexpr int32_t PIDX_CapUpdateFirmware = 902;
inline constexpr int32_t PIDX_CheckHealthText = 1000001;
inline constexpr int32_t PIDX_DeviceDescription = 1000002;
inline constexpr int32_t PIDX_DeviceName = 1000003;
inline constexpr int32_t PIDX_ServiceObjectDescription = 1000004;

// What a closed control answers for a string property.
inline constexpr const char* kClosedString = "[Error]";

}  // namespace orv::co
