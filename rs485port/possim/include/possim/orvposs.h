// The simulated POS subsystem (libaiplib32.so): the entry points of rs485port/pos_subsystem.h
// over simulated RS-485 terminals, and these control functions for tests and demos.
//
// A terminal has a slot, port and device number (what PosOpen names) and a bus address (what
// its device-online message carries). PosInitialize announces every online terminal as a
// POSM_DEVICE_ONLINE system message (read from descriptor 0); PosOpen takes the four name/value
// pairs and posts the terminal's notifications to "queueHandle" with PostMessageA, wParam = the
// descriptor. Each PosWrite (at most 160 bytes, only after the previous one completed) is
// answered by POSM_RS232_XMIT_COMPLETE after the transmit delay; data from the terminal is
// announced by POSM_RS232_DATA_AVAIL (lParam = the block's size) and read as one block: a
// 16-bit status word, a 16-bit length, the data.
//
// Start-up configuration: ORV_POSS_DEVICES lists terminals as
// "slot:port:device=address[:echo][:offline]" separated by ',' or ';' (address in hex, e.g.
// "1:1:1=64:echo"); ORV_POSS_XMIT_DELAY_MS sets the transmit delay. An echo terminal answers
// each piece it received with the same bytes. orvposs_Reset returns to that configuration.
//
// Errors of the entry points (PosErrno): 302 not initialised, 303 unknown descriptor, 311
// unknown device name/type or request, 312 block larger than the read buffer, 315 not acquired,
// 317 terminal offline, 318 bad write length, 334 no terminal at that slot/port/device,
// 335 terminal already open, 5907 previous write not complete.
#pragma once

#include "platform/wintypes.h"

extern "C" {

// Every simulated terminal closed and removed, faults and counters cleared, the subsystem not
// initialised; then the terminals of ORV_POSS_DEVICES (none when unset) and its delay.
ORV_API void orvposs_Reset(void);
// Adds an online terminal; its id (1 and up), 0 when the numbers are taken or 0.
ORV_API int orvposs_AddDevice(unsigned slotNumber, unsigned portNumber, unsigned deviceNumber,
                              unsigned address);
// Online/offline. Coming online queues a device-online system message and posts
// POSM_DEVICE_ONLINE (lParam = its data word) to the queue windows of the open terminals.
ORV_API int orvposs_SetOnline(int device, int online);
// An echo terminal sends back each piece it received, as one data block after the completion.
ORV_API int orvposs_SetEcho(int device, int echo);
// Largest data part of one block orvposs_SendData makes (1 to 4,092; default 1,024).
ORV_API void orvposs_SetBlockSize(unsigned bytes);

// Milliseconds between a PosWrite and its transmit-complete (default 0: posted at once).
ORV_API void orvposs_SetTransmitDelay(unsigned milliseconds);
// While held, transmit-completes are kept back (a write that never completes).
ORV_API void orvposs_HoldTransmitComplete(int hold);
// Posts the completions kept back; how many.
ORV_API int orvposs_ReleaseTransmitComplete(void);

// The next call of the named entry point ("PosOpen", "PosRead", ...) fails with that PosErrno
// number; `calls` > 1 fails that many calls in a row. 0 for an unknown name.
ORV_API int orvposs_FailNext(const char* entryPoint, int posErrno, unsigned calls);

// Data from the terminal: blocks with status word 0, each announced. The number of blocks; -1
// when the terminal is not open and acquired.
ORV_API int orvposs_SendData(int device, const void* data, unsigned length);
// A raw block (any status word or length header) announced with `announced` as its byte count.
ORV_API int orvposs_SendBlock(int device, const void* block, unsigned length, unsigned announced);
// Posts any message to the terminal's queue window with wParam = its descriptor.
ORV_API int orvposs_PostToQueue(int device, UINT message, LPARAM lParam);
// Queues a 16-byte system message for descriptor 0.
ORV_API void orvposs_QueueSystemMessage(const void* message16);

// What the terminal received since the last call (bytes, copied up to size); the total.
ORV_API unsigned orvposs_TakeReceived(int device, void* buffer, unsigned size);
// Sizes of the PosWrite calls since the last call, in order (up to max); the count.
ORV_API unsigned orvposs_TakePieceSizes(int device, unsigned* sizes, unsigned max);
// Calls of an entry point since the reset.
ORV_API unsigned orvposs_CallCount(const char* entryPoint);
// PosWrite calls that broke the protocol (too long, or before the previous completion).
ORV_API unsigned orvposs_ProtocolViolations(void);
// Open descriptors, the terminal's descriptor (0 when closed) and queue window.
ORV_API unsigned orvposs_OpenDescriptors(void);
ORV_API int orvposs_Descriptor(int device);
ORV_API HWND orvposs_QueueWindow(int device);
// The arguments of the last PosInitialize: the text, the resource file, and whether the four
// reserved arguments were 0. FALSE when it was never called.
ORV_API BOOL orvposs_LastInitialize(char* text, unsigned textSize, char* resourceFile,
                                    unsigned fileSize, BOOL* reservedZero);

}  // extern "C"
