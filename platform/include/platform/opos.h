// OPOS numbers every service object, control and host of the suite shares: result codes,
// OpenResult details, device states, error-event values, BinaryConversion and the common
// property indexes.
#pragma once

#include <cstdint>

namespace orv {

// Result codes.
inline constexpr int32_t OPOS_SUCCESS = 0;
inline constexpr int32_t OPOS_E_CLOSED = 101;
inline constexpr int32_t OPOS_E_CLAIMED = 102;
inline constexpr int32_t OPOS_E_NOTCLAIMED = 103;
inline constexpr int32_t OPOS_E_NOSERVICE = 104;
inline constexpr int32_t OPOS_E_DISABLED = 105;
inline constexpr int32_t OPOS_E_ILLEGAL = 106;
inline constexpr int32_t OPOS_E_NOHARDWARE = 107;
inline constexpr int32_t OPOS_E_OFFLINE = 108;
inline constexpr int32_t OPOS_E_NOEXIST = 109;
inline constexpr int32_t OPOS_E_EXISTS = 110;
inline constexpr int32_t OPOS_E_FAILURE = 111;
inline constexpr int32_t OPOS_E_TIMEOUT = 112;
inline constexpr int32_t OPOS_E_BUSY = 113;
inline constexpr int32_t OPOS_E_EXTENDED = 114;

// OpenResult: why the last Open failed.
inline constexpr int32_t OPOS_OR_ALREADYOPEN = 301;
inline constexpr int32_t OPOS_OR_FAILEDOPEN_CREATE = 304;  // service object cannot be created
inline constexpr int32_t OPOS_OR_BADIF = 305;              // a required method name is missing
inline constexpr int32_t OPOS_OR_FAILEDOPEN = 306;
inline constexpr int32_t OPOS_OR_BADVERSION = 307;
inline constexpr int32_t OPOS_ORS_CONFIG = 403;  // registry configuration missing

// Device states.
inline constexpr int32_t OPOS_S_CLOSED = 1;
inline constexpr int32_t OPOS_S_IDLE = 2;
inline constexpr int32_t OPOS_S_BUSY = 3;
inline constexpr int32_t OPOS_S_ERROR = 4;

// ErrorEvent: loci and the application's responses.
inline constexpr int32_t OPOS_EL_OUTPUT = 1;
inline constexpr int32_t OPOS_EL_INPUT = 2;
inline constexpr int32_t OPOS_EL_INPUT_DATA = 3;
inline constexpr int32_t OPOS_ER_RETRY = 11;
inline constexpr int32_t OPOS_ER_CLEAR = 12;
inline constexpr int32_t OPOS_ER_CONTINUEINPUT = 13;

// BinaryConversion values.
inline constexpr int32_t OPOS_BC_NONE = 0;
inline constexpr int32_t OPOS_BC_NIBBLE = 1;
inline constexpr int32_t OPOS_BC_DECIMAL = 2;

// The result ClearInput gives when the Java method is missing. It lies outside the OPOS result
// set, but controls and applications have seen it for years.
inline constexpr int32_t kClearInputMissingResult = 12;

// Common property indexes (each device class adds its own from its class base).
inline constexpr int32_t PIDX_Claimed = 1;
inline constexpr int32_t PIDX_DataEventEnabled = 2;
inline constexpr int32_t PIDX_DeviceEnabled = 3;
inline constexpr int32_t PIDX_FreezeEvents = 4;
inline constexpr int32_t PIDX_OutputID = 5;
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

}  // namespace orv
