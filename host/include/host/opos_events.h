// What a host needs in place of a type library: the event DISPIDs and event interface IIDs of
// the suite's OPOS controls, as documented for each control. Method and property names are
// resolved at run time with IDispatch::GetIDsOfNames (orv::host::Control does that).
#pragma once

#include "platform/com.h"
#include "platform/opos.h"

namespace orv::host::opos {

// Event DISPIDs of the PIN pad, signature capture, MSR and POS keyboard controls.
inline constexpr DISPID DataEvent = 1;          // (long Status)
inline constexpr DISPID DirectIOEvent = 2;      // (long EventNumber, long* pData, BSTR* pString)
inline constexpr DISPID ErrorEvent = 3;         // (long ResultCode, long ResultCodeExtended,
                                                //  long ErrorLocus, long* pErrorResponse)
inline constexpr DISPID StatusUpdateEvent = 4;  // (long Data)

// The line display control has two events only.
namespace linedisplay {
inline constexpr DISPID DirectIOEvent = 1;
inline constexpr DISPID StatusUpdateEvent = 2;
}  // namespace linedisplay

// The tone indicator control: DirectIOEvent, ErrorEvent and StatusUpdateEvent as above, no
// DataEvent, and the completion of an asynchronous output.
namespace tone {
inline constexpr DISPID OutputCompleteEvent = 5;  // (long OutputID)
}  // namespace tone

// Event interfaces; a control also reports its own through IProvideClassInfo2.
inline constexpr IID kPinpadControlEvents =
    GUID_INIT(0x00311136, 0x618B, 0x11D3, 0xA7, 0x33, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA);
inline constexpr IID kSigcapControlEvents =
    GUID_INIT(0x18EC52F5, 0x2E73, 0x11D1, 0x8B, 0x24, 0x00, 0xA0, 0xC9, 0x27, 0x25, 0x4A);
inline constexpr IID kDisplayControlEvents =
    GUID_INIT(0x60638D2A, 0xAAA3, 0x4609, 0x96, 0x1C, 0x90, 0x8B, 0x89, 0x35, 0xF5, 0xBE);
inline constexpr IID kStripeControlEvents =
    GUID_INIT(0x3EF04108, 0xE8F4, 0x11D1, 0x8C, 0x56, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57);

inline constexpr IID kKeyboardControlEvents =
    GUID_INIT(0xDB7E9FFE, 0xA5BE, 0x4255, 0x86, 0x4F, 0x26, 0xA9, 0x07, 0x5F, 0x35, 0xDB);
inline constexpr IID kToneControlEvents =
    GUID_INIT(0xFC502447, 0x495F, 0x46CC, 0x9E, 0x4F, 0x75, 0x22, 0x14, 0x1C, 0x58, 0xCC);

// ErrorEvent responses an application writes through pErrorResponse.
using ::orv::OPOS_ER_CLEAR;
using ::orv::OPOS_ER_CONTINUEINPUT;
using ::orv::OPOS_ER_RETRY;

}  // namespace orv::host::opos
