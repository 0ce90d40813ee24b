// Opening and closing devices (the argument checks are done by the API).
#pragma once

#include "transport_object.h"

namespace orv::rs485 {

int OpenDevice(Transport& transport, int* handle, unsigned slotNumber, unsigned portNumber,
               unsigned deviceId, bool initialize, HWND client, int* status,
               TransportReceiveCallback onReceive, TransportErrorCallback onError);
int CloseDevice(Transport& transport, int handle, int* status, bool onWorkerThread);

}  // namespace orv::rs485
