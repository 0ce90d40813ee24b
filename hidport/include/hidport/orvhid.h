// HidPortLib's exported device API: find a HID interface by product (and serial) string, run a
// reader thread that delivers each input report's bytes to a callback, write output data, and
// query the open device. An open device is named by its HID handle.
//
// These are exported under their C++ names; nothing throws out of them.
#pragma once

#include <string>
#include <vector>

#include "platform/wintypes.h"

// Bytes of one input report as the device class parsed them; valid only during the call, on the
// device's reader thread.
typedef void (*ReceiveCallback)(unsigned char* data, ULONG length, void* handle);
// code: 0 for the library's own messages, a Win32 error code otherwise.
typedef void (*ErrorCallback)(int code, std::string message, void* handle);
// Called once at the start of each reader thread; false ends that reader at once.
typedef bool (*ThreadStartCallback)();

// Opens the first interface (lowest bus index) whose product string equals productName and,
// when serialNumber is not empty, whose serial number string equals it; chooses the device class
// from its usage page and usage. True with `handle` set once the reader has a read pending.
// False (handle untouched) for an empty product name, a null receive or error callback, no
// match, a usage no device class serves, or a reader not running within 1,000 ms.
ORV_API bool orvhidOpenDevice(std::string productName, std::string serialNumber,
                              ReceiveCallback onReceive, ErrorCallback onError,
                              ThreadStartCallback onThreadStart, void*& handle);
// Stops the reader and closes the device. True when the handle names a device opened here
// (also when it is closed already: closing twice is harmless).
ORV_API bool orvhidCloseDevice(void* handle);
// Writes data in chunks of at most 247 bytes, each framed by the device class. True when every
// chunk went out; a length of 0 is true at once. Write failures are also reported through the
// error callback.
ORV_API bool orvhidWriteToDevice(void* handle, const unsigned char* data, ULONG length);
// Clears productNames, then appends the product string of every HID interface that opens
// (empty strings too), in bus order.
ORV_API void orvhidEnumerateDevices(std::vector<std::string>& productNames);
// Product string of any open HID handle (no lookup in the device table); empty when unknown.
ORV_API std::string orvhidGetProductName(void* handle);
// Stored capabilities of a device opened here (kept after it closes); 0 for an unknown handle.
ORV_API unsigned short orvhidGetUsagePage(void* handle);
ORV_API unsigned short orvhidGetUsage(void* handle);
// Attributes read from the open device; 0 for an unknown or closed handle.
ORV_API unsigned short orvhidGetProductID(void* handle);
ORV_API unsigned short orvhidGetVendorID(void* handle);
