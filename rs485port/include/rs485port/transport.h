// Rs485PortLib's transport API: the terminal over the RS-485 port of the POS subsystem.
//
// Handles are 1 to 4 (device slot + 1). Every call stores its outcome as the last result code
// (Transport_GetResult); the status out-parameters carry the same codes. Incoming data is
// announced through the receive callback and TRWM_DATA_AVAILABLE, outgoing data leaves in pieces
// of at most 160 bytes, each after the subsystem's transmit-complete of the previous one.
// Callbacks run on the transport's worker thread; client notifications are posted, never sent.
#pragma once

#include "platform/wintypes.h"

// Messages to the client window.
#define TRWM_XMIT_FAILED 0x40A     // wParam: POS error number
#define TRWM_STARTXMIT 0x40B       // to the worker window; lParam: device handle
#define TRWM_XMIT_COMPLETE 0x40C   // wParam: bytes sent
#define TRWM_DATA_AVAILABLE 0x40D  // lParam: bytes held in the receive buffer
#define TRWM_ERROR 0x40E

// Result and status codes.
#define TR_SUCCESS 1
#define TR_E_NO_DEVICE (-600)         // no device for this handle
#define TR_E_SLOT_IN_USE (-601)       // device slot already open (or no slot free)
#define TR_E_NO_WORKER_WINDOW (-602)  // the worker window could not be created
#define TR_E_OPEN_FAILED (-603)       // status only: opening or acquiring the device failed
#define TR_E_BAD_ARGUMENT (-604)      // missing or zero argument
#define TR_E_WRITE_BUSY (-605)        // previous write still in progress after 5 seconds
#define TR_E_WRITE_TOO_LONG (-606)    // more than 1,024 bytes
#define TR_E_POS_OPEN (-607)          // PosOpen failed
#define TR_E_ACQUIRE (-608)           // acquiring the device failed
#define TR_E_BAD_NUMBER (-609)        // slot, port or device number is 0
#define TR_E_SEND_BUSY (-612)         // send while a piece is outstanding or the device is closed
#define TR_E_SEND_NO_DATA (-613)
#define TR_E_READ (-615)              // read error reported to the client
#define TR_E_POSS (-617)              // POS subsystem error
#define TR_E_POSS_NOT_INITIALIZED (-618)
#define TR_E_POSS_DESCRIPTOR (-619)   // invalid POS device descriptor
#define TR_E_POSS_UNKNOWN_DEVICE (-620)  // POS message for a descriptor of no device

#define TR_MAX_WRITE 1024
#define TR_RECEIVE_BUFFER 4096
#define TR_PIECE_SIZE 160

extern "C" {

// Announces bytesAvailable bytes held for handle (the receive buffer's whole content).
typedef void (*TransportReceiveCallback)(int bytesAvailable, int handle);
// Reports an error of the device in deviceSlot (0 to 3: the handle - 1).
typedef void (*TransportErrorCallback)(int code, char* text, int deviceSlot);

// Opens slot/port/device (each nonzero in 16 bits) and acquires it. initialize asks for the POS
// start-up (PosInitialize and the device-online messages), which runs once while the transport
// lives. Returns 1 with *handle 1 to 4 (status untouched); 0 with *handle -1 or 0 and the
// reason in the result (and in *status where one applies). Null handle or status: -604.
ORV_API int Transport_Open(int* handle, unsigned slotNumber, unsigned portNumber,
                           unsigned deviceId, int initialize, HWND clientWindow, int* status,
                           TransportReceiveCallback onReceive, TransportErrorCallback onError);
// Releases and closes the device; a piece still outstanding is waited for, at most 5 seconds.
// The last close ends the worker. 1 / 0 (-604, -600).
ORV_API int Transport_Close(int handle, int* status);
// Copies up to size held bytes; what remains is announced again. 1 when bytes were copied, or
// when nothing was held (*bytesRead 0); 0 otherwise (-604, -600).
ORV_API int Transport_Read(int handle, void* buffer, unsigned size, int* bytesRead, int* status);
// Queues up to 1,024 bytes for sending; waits up to 5 seconds for the device's previous write
// to finish (writes to all devices pass one at a time). 1 when queued; 0 otherwise (-604, -600, -605, -606).
ORV_API int Transport_Write(int handle, const void* data, unsigned length, int* status);
// Sets the window that receives the TRWM_* notifications of the device. 1 / 0 (-604, -600).
ORV_API int Transport_SetClient(int handle, HWND clientWindow, int* status);
ORV_API int Transport_GetResult(void);

}  // extern "C"
