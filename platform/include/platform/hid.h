// HID interfaces: the narrow operations the USB HID port library needs in place of Windows'
// SetupAPI enumeration, HidD_*/HidP_* queries and overlapped ReadFile/WriteFile.
//
// Backends. Every enumeration and open chooses its backend from the environment variable
// ORV_HID_BACKEND: "sim" selects the simulated HID bus of this process (see hid_sim.h), anything
// else (or unset) selects Linux hidraw. An open handle keeps the backend it was opened with.
//
// hidraw backend. Interfaces are the hidraw nodes listed under $ORV_HID_SYSFS_ROOT/class/hidraw
// (default root "/sys"), in node-number order, opened as $ORV_HID_DEV_ROOT/hidrawN (default
// "/dev"). Vendor and product IDs come from the HID device's uevent; product and serial strings
// from the USB device above it (its "product" and "serial" files, as the device reports them),
// or from the HID name and unique ID for devices not on USB; usage page, usage and report lengths
// from its report descriptor.
//
// Report bytes are laid out as on Windows: the first byte of every input, output and feature
// report is its report ID, 0 on a device that does not use report IDs (the backend adds and
// removes that byte), and InputReportByteLength / OutputReportByteLength /
// FeatureReportByteLength count it. Input reports shorter than InputReportByteLength are padded
// with zero bytes.
//
// Handles are pointer-sized values of their own (not event handles: close them with
// OrvHidClose). A closed handle's value is reused by a later open, lowest value first, as Windows
// reuses handle values. Every function looks a handle up in a table: a closed or unknown handle
// gives ERROR_INVALID_HANDLE, never a crash.
#pragma once

#include "platform/winerror.h"
#include "platform/wintypes.h"

#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif

typedef USHORT USAGE;

// As HidD_GetAttributes fills it.
struct HIDD_ATTRIBUTES {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
};

// The Windows HIDP_CAPS record (64 bytes). Usage, UsagePage, the three report lengths and
// NumberLinkCollectionNodes are filled; the button/value/data-index counts are left 0.
struct HIDP_CAPS {
    USAGE Usage;
    USAGE UsagePage;
    USHORT InputReportByteLength;
    USHORT OutputReportByteLength;
    USHORT FeatureReportByteLength;
    USHORT Reserved[17];
    USHORT NumberLinkCollectionNodes;
    USHORT NumberInputButtonCaps;
    USHORT NumberInputValueCaps;
    USHORT NumberInputDataIndices;
    USHORT NumberOutputButtonCaps;
    USHORT NumberOutputValueCaps;
    USHORT NumberOutputDataIndices;
    USHORT NumberFeatureButtonCaps;
    USHORT NumberFeatureValueCaps;
    USHORT NumberFeatureDataIndices;
};
static_assert(sizeof(HIDP_CAPS) == 64, "HIDP_CAPS is 64 bytes as on Windows");

extern "C" {

// ---------------------------------------------------------------- enumeration

// Takes a snapshot of the HID interfaces present now (the role of SetupDiGetClassDevsA with
// DIGCF_PRESENT | DIGCF_DEVICEINTERFACE). Returns a list handle, or INVALID_HANDLE_VALUE with
// ERROR_PATH_NOT_FOUND when the backend has no bus to list (hidraw: no sysfs class folder).
// An empty bus gives a valid, empty list.
ORV_API HANDLE WINAPI OrvHidGetInterfaceList(void);
// Copies the path of interface `index` (0-based, bus order) with its terminator. FALSE with
// ERROR_NO_MORE_ITEMS past the last interface, ERROR_INSUFFICIENT_BUFFER when `size` is too small
// (*required, when given, receives the size needed), ERROR_INVALID_HANDLE for a bad list.
ORV_API BOOL WINAPI OrvHidGetInterfacePath(HANDLE list, DWORD index, LPSTR path, DWORD size,
                                           DWORD* required);
// Frees a list. FALSE with ERROR_INVALID_HANDLE for a bad or already freed list.
ORV_API BOOL WINAPI OrvHidDestroyInterfaceList(HANDLE list);

// ---------------------------------------------------------------- open, close, queries

// Opens an interface for reading and writing (shared, like CreateFileA with GENERIC_READ |
// GENERIC_WRITE and FILE_SHARE_READ | FILE_SHARE_WRITE). Returns INVALID_HANDLE_VALUE with
// ERROR_FILE_NOT_FOUND (no such interface, or unplugged), ERROR_ACCESS_DENIED (no permission)
// or ERROR_INVALID_PARAMETER (null path).
ORV_API HANDLE WINAPI OrvHidOpen(LPCSTR path);
// Closes a handle. A read waiting on it is abandoned (its event is not set) and a write stalled
// on it fails with ERROR_OPERATION_ABORTED. FALSE with ERROR_INVALID_HANDLE for a bad handle.
ORV_API BOOL WINAPI OrvHidClose(HANDLE device);

// HidD_GetAttributes: fills VendorID, ProductID, VersionNumber and sets Size. FALSE with
// ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER (null record) or ERROR_DEVICE_NOT_CONNECTED.
ORV_API BOOL WINAPI OrvHidGetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes);
// HidD_GetProductString / HidD_GetSerialNumberString: the string as UTF-16 with a zero unit after
// it, truncated to fit bufferLength bytes. FALSE with ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER
// (null buffer or bufferLength below 2) or ERROR_NOT_SUPPORTED (the device has no such string).
ORV_API BOOL WINAPI OrvHidGetProductString(HANDLE device, LPVOID buffer, ULONG bufferLength);
ORV_API BOOL WINAPI OrvHidGetSerialNumberString(HANDLE device, LPVOID buffer, ULONG bufferLength);
// HidD_GetPreparsedData + HidP_GetCaps + HidD_FreePreparsedData in one step. FALSE with
// ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER (null record) or ERROR_INVALID_DATA (the report
// descriptor cannot be read or parsed; the record is then left untouched).
ORV_API BOOL WINAPI OrvHidGetCaps(HANDLE device, HIDP_CAPS* caps);

// HidD_GetFeature: buffer[0] names the report ID on entry; on success the buffer holds the report
// (ID first), zero-filled past what the device answered. HidD_SetFeature: sends `length` bytes,
// ID first. FALSE with ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER (null buffer or zero length),
// ERROR_DEVICE_NOT_CONNECTED, or ERROR_GEN_FAILURE (the device refused the request).
ORV_API BOOL WINAPI OrvHidGetFeature(HANDLE device, LPVOID buffer, ULONG length);
ORV_API BOOL WINAPI OrvHidSetFeature(HANDLE device, LPVOID buffer, ULONG length);

// ---------------------------------------------------------------- input reports

// Reads one input report (the overlapped ReadFile of a HID reader). Each handle has its own queue
// of received reports, filled from the moment it is opened.
// - A report waits: it is copied to buffer (InputReportByteLength bytes), *bytesRead is set and
//   the result is TRUE.
// - None waits: FALSE with ERROR_IO_PENDING, and readyEvent (an event of CreateEventA) is set as
//   soon as a report arrives or the device is unplugged; take the outcome with
//   OrvHidGetReadResult. Only the latest readyEvent of a handle is armed.
// - FALSE with ERROR_INVALID_HANDLE, or ERROR_INVALID_PARAMETER for a null buffer or bytesRead,
//   or a size below InputReportByteLength.
// Unplugging is always reported through the pending path: a read started on an unplugged device
// returns ERROR_IO_PENDING with readyEvent already set, and its result is
// ERROR_DEVICE_NOT_CONNECTED. Reports received before the unplug are still delivered first.
ORV_API BOOL WINAPI OrvHidReadReport(HANDLE device, LPVOID buffer, DWORD size, DWORD* bytesRead,
                                     HANDLE readyEvent);
// Takes the outcome of a pending read without waiting (GetOverlappedResult with bWait FALSE):
// TRUE with the report as for OrvHidReadReport; FALSE with ERROR_IO_INCOMPLETE while nothing has
// arrived, ERROR_DEVICE_NOT_CONNECTED once the device is gone and its queue is empty,
// ERROR_INVALID_HANDLE or ERROR_INVALID_PARAMETER as above.
ORV_API BOOL WINAPI OrvHidGetReadResult(HANDLE device, LPVOID buffer, DWORD size, DWORD* bytesRead);

// ---------------------------------------------------------------- output reports

// Writes one output report of exactly OutputReportByteLength bytes, ID first, waiting at most
// timeoutMs for the device to take it. TRUE with *bytesWritten = length. FALSE with
// ERROR_TIMEOUT (the device did not take it in time; the report is dropped),
// ERROR_DEVICE_NOT_CONNECTED, ERROR_GEN_FAILURE (the device refused it), ERROR_OPERATION_ABORTED
// (the handle was closed meanwhile), ERROR_INVALID_HANDLE, or ERROR_INVALID_PARAMETER (null
// buffer, a length other than OutputReportByteLength, a device without output reports, or a
// nonzero first byte on a device that does not use report IDs).
ORV_API BOOL WINAPI OrvHidWriteReport(HANDLE device, LPCVOID buffer, DWORD length, DWORD timeoutMs,
                                      DWORD* bytesWritten);

}  // extern "C"
