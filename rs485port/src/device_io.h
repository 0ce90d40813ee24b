// Moving data through a device: the transmit side (requests, 160-byte pieces, transmit-complete)
// and the receive side (announced blocks, reads by the client).
#pragma once

#include <cstdint>

#include "device_record.h"
#include "transport_object.h"

namespace orv::rs485 {

// Worker side.
void BeginSend(Transport& transport, DeviceRecord& device);     // TRWM_STARTXMIT
void ContinueSend(Transport& transport, DeviceRecord& device);  // POSM_RS232_XMIT_COMPLETE
void AbortSend(Transport& transport, DeviceRecord& device);     // POSM_RS232_XMIT_ABORT
void TakeAnnouncedData(Transport& transport, DeviceRecord& device, int handle, uint32_t count);

// API side (the argument checks are done).
int QueueWrite(Transport& transport, int handle, const void* data, unsigned length, int* status,
               WriteStream* stream = nullptr);
// Any length, in requests of up to 1,024 bytes, each queued once the previous has ended (sent or
// failed), as a loop of QueueWrite would; returns when the last is queued, or when a request
// cannot be queued (the device closed, or not open). The bytes of the requests queued.
uint32_t QueueWriteInRequests(Transport& transport, int handle, const uint8_t* data,
                              uint32_t length);
int ReadHeld(Transport& transport, int handle, void* buffer, unsigned size, int* bytesRead,
             int* status);

}  // namespace orv::rs485
