// Controls of the simulated HID bus (selected with ORV_HID_BACKEND=sim, see hid.h): tests and
// demos plug in virtual devices, feed them input reports, read what was written to them, make
// writes fail or stall, and unplug them. The bus is process-wide; these are plain C functions so
// that C++ tests and small JNI test libraries can both reach it.
//
// Input and output report bytes on this side are what the device itself sends and receives: with
// the report ID first on a device that uses report IDs, without it otherwise (the host side adds
// and removes the leading 0 byte, as hidraw does).
#pragma once

#include "platform/wintypes.h"

extern "C" {

struct ORV_HID_SIM_DEVICE {
    LPCSTR Product;       // product string; null or "" for a device without one
    LPCSTR SerialNumber;  // serial number string; null or "" for none
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
    USHORT UsagePage;  // of the top-level collection
    USHORT Usage;
    // Report lengths as Windows counts them (report ID byte included); 0 = no such reports.
    USHORT InputReportByteLength;
    USHORT OutputReportByteLength;
    USHORT FeatureReportByteLength;
    BOOL UsesReportIds;
};

#define ORV_HID_SIM_WRITE_NORMAL 0  // writes are taken at once
#define ORV_HID_SIM_WRITE_FAIL 1    // writes fail with ERROR_GEN_FAILURE
#define ORV_HID_SIM_WRITE_STALL 2   // writes wait (until the writer's time-out or a mode change)

// Input reports each open handle can hold before the bus refuses more (the host's buffer).
#define ORV_HID_SIM_INPUT_QUEUE 512

// Plugs in a device at the end of the bus. Returns its id (nonzero), or 0 with
// ERROR_INVALID_PARAMETER for a null record or a report length above 4096.
ORV_API DWORD WINAPI OrvHidSimAddDevice(const ORV_HID_SIM_DEVICE* device);
// Unplugs a device: it leaves the bus, reads waiting on its handles complete with
// ERROR_DEVICE_NOT_CONNECTED, stalled writes fail with it. FALSE with ERROR_FILE_NOT_FOUND for an
// unknown or already unplugged id.
ORV_API BOOL WINAPI OrvHidSimUnplug(DWORD deviceId);
// Unplugs every device and forgets all ids (test isolation).
ORV_API void WINAPI OrvHidSimReset(void);

// The device sends one input report (device form, see above) to every open handle. Returns the
// number of handles that queued it. FALSE/0 with ERROR_FILE_NOT_FOUND (unknown or unplugged
// device), ERROR_INVALID_PARAMETER (null data with a nonzero length, or a report longer than the
// input report length allows). A handle whose queue is full (ORV_HID_SIM_INPUT_QUEUE) does not
// take the report; *dropped (when given) counts those handles.
ORV_API DWORD WINAPI OrvHidSimSendInput(DWORD deviceId, const BYTE* report, DWORD length,
                                        DWORD* dropped);

// Feature reports on this side always carry their report ID first (0 on a device without
// report IDs), as HidD_GetFeature/HidD_SetFeature show them.
//
// Sets the answer to a feature request for reportId: the report ID byte followed by `length`
// bytes of data (a zero length answers with the ID alone, zero-filled by the host). Until an
// answer is set, a request for an ID answers with the last report set for it through
// OrvHidSetFeature, and fails with ERROR_GEN_FAILURE when there is none. FALSE with
// ERROR_FILE_NOT_FOUND or ERROR_INVALID_PARAMETER (null data with a nonzero length, length
// above 4096).
ORV_API BOOL WINAPI OrvHidSimSetFeatureAnswer(DWORD deviceId, BYTE reportId, const BYTE* data,
                                              DWORD length);

// Takes the oldest output report written to the device (device form), waiting at most timeoutMs
// for one. Returns its length and copies at most `size` bytes; 0 with ERROR_TIMEOUT when none
// came, ERROR_FILE_NOT_FOUND for an unknown id.
ORV_API DWORD WINAPI OrvHidSimTakeOutput(DWORD deviceId, BYTE* buffer, DWORD size, DWORD timeoutMs);
// As OrvHidSimTakeOutput for the feature reports set with OrvHidSetFeature (ID first).
ORV_API DWORD WINAPI OrvHidSimTakeFeature(DWORD deviceId, BYTE* buffer, DWORD size,
                                          DWORD timeoutMs);
// Number of output reports written and not yet taken.
ORV_API DWORD WINAPI OrvHidSimPendingOutput(DWORD deviceId);

// Chooses how writes behave (ORV_HID_SIM_WRITE_*). Leaving STALL releases the stalled writes:
// to NORMAL they complete, to FAIL they fail. FALSE with ERROR_FILE_NOT_FOUND or
// ERROR_INVALID_PARAMETER.
ORV_API BOOL WINAPI OrvHidSimSetWriteMode(DWORD deviceId, DWORD mode);

// Number of feature reports the host has asked the device for (OrvHidGetFeature) so far.
ORV_API DWORD WINAPI OrvHidSimFeatureRequests(DWORD deviceId);

// Number of handles open on the device (0 for an unknown id).
ORV_API DWORD WINAPI OrvHidSimOpenHandles(DWORD deviceId);

}  // extern "C"
