// The POS subsystem library (aiplib32) as the transport uses it: entry points, message numbers,
// request codes and error numbers. The subsystem posts its notifications to the window given as
// "queueHandle" when a device is opened; wParam carries the device descriptor.
//
// Every entry point returns a negative value on failure; PosErrno then gives the error number
// of the calling thread's last failure.
#pragma once

#include "platform/wintypes.h"

// Notifications posted by the subsystem.
#define POSM_RS232_ERROR 0x4207
#define POSM_RS232_DATA_AVAIL 0x4208     // lParam: byte count (status word, length, data) in the low 16 bits
#define POSM_RS232_XMIT_ABORT 0x4209
#define POSM_RS232_XMIT_COMPLETE 0x420A
#define POSM_DEVICE_ONLINE 0x420D        // also read as a system message from descriptor 0

// A system message read from descriptor 0: 16 bytes, the message number (32-bit little-endian)
// then its data word; for POSM_DEVICE_ONLINE the data word's low byte is
// POS_ONLINE_DATA_TAG and its second byte the device address.
#define POS_SYSTEM_MESSAGE_SIZE 16
#define POS_ONLINE_DATA_TAG 0x0A

// PosIOCtl requests.
#define POS_IOCTL_ACQUIRE 301
#define POS_IOCTL_RELEASE 304

// Error numbers (PosErrno).
#define POSERR_NOT_INITIALIZED 302
#define POSERR_BAD_DESCRIPTOR 303
#define POSERR_NO_MEMORY 305
#define POSERR_NOT_SUPPORTED 311
#define POSERR_BUFFER_TOO_SMALL 312
#define POSERR_NOT_ACQUIRED 315
#define POSERR_OFFLINE 317
#define POSERR_BAD_LENGTH 318
#define POSERR_TIMED_OUT 329
#define POSERR_INTERRUPTED 332
#define POSERR_BAD_ADDRESS 334
#define POSERR_LOCKED 335
#define POSERR_NOT_AVAILABLE 337
#define POSERR_WRITE_PENDING 5907

// Status words that open a data read and mean the read failed.
#define POS_READ_STATUS_ERROR_1 1
#define POS_READ_STATUS_ERROR_2 2
#define POS_READ_STATUS_ERROR_4 4

extern "C" {

// One name/value pair of PosOpen ("slotNumber", "portNumber", "deviceNumber", "queueHandle").
struct PosOpenArg {
    const char* name;
    INT_PTR value;
};

typedef int (*PosClose_t)(int descriptor);
typedef int (*PosErrno_t)(void);
// text: six upper-case letters naming the caller; resourceFile: "res.dat"; the rest 0.
typedef int (*PosInitialize_t)(const char* text, const char* resourceFile, int reserved1,
                               int reserved2, int reserved3, int reserved4);
typedef int (*PosIOCtl_t)(int descriptor, int request, void* data, int length);
// The descriptor (1 to 0x7FFF); a result with bit 15 set is a failure.
typedef int (*PosOpen_t)(const char* deviceName, const char* deviceType, int argCount,
                         const PosOpenArg* args);
// Descriptor 0 reads system messages. Returns the bytes read (0: nothing waiting).
typedef int (*PosRead_t)(int descriptor, void* buffer, int length);
typedef int (*PosTerm_t)(void);
// Copies the subsystem's version text; *version = major * 100 + minor.
typedef int (*PosVersion_t)(char* buffer, int size, int* version);
// Returns the bytes accepted; transmit-complete follows as POSM_RS232_XMIT_COMPLETE.
typedef int (*PosWrite_t)(int descriptor, const void* data, int length);

}  // extern "C"
