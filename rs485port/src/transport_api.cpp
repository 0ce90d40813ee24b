// The exported transport API: argument checks, and the edge no C++ exception crosses.
#include "device_io.h"
#include "open_close.h"
#include "rs485port/transport.h"
#include "transport_object.h"
#include "worker.h"

using orv::rs485::Transport;

namespace {

int BadArgument() {
    Transport::Get().SetResult(TR_E_BAD_ARGUMENT);
    return 0;
}

}  // namespace

extern "C" {

ORV_API int Transport_Open(int* handle, unsigned slotNumber, unsigned portNumber,
                           unsigned deviceId, int initialize, HWND clientWindow, int* status,
                           TransportReceiveCallback onReceive, TransportErrorCallback onError) {
    if (handle == nullptr || status == nullptr) return BadArgument();
    try {
        return orv::rs485::OpenDevice(Transport::Get(), handle, slotNumber, portNumber, deviceId,
                                      initialize != 0, clientWindow, status, onReceive, onError);
    } catch (...) {
        // Only starting the worker thread can throw.
        *status = TR_E_NO_WORKER_WINDOW;
        Transport::Get().SetResult(TR_E_NO_WORKER_WINDOW);
        return 0;
    }
}

ORV_API int Transport_Close(int handle, int* status) {
    if (handle == 0 || status == nullptr) return BadArgument();
    try {
        return orv::rs485::CloseDevice(Transport::Get(), handle, status,
                                       orv::rs485::Worker::OnWorkerThread());
    } catch (...) {
        return 0;
    }
}

ORV_API int Transport_Read(int handle, void* buffer, unsigned size, int* bytesRead, int* status) {
    // A zero size could never be satisfied: its re-announcement would only call the reader back.
    if (handle == 0 || buffer == nullptr || size == 0 || bytesRead == nullptr || status == nullptr)
        return BadArgument();
    try {
        return orv::rs485::ReadHeld(Transport::Get(), handle, buffer, size, bytesRead, status);
    } catch (...) {
        return 0;
    }
}

ORV_API int Transport_Write(int handle, const void* data, unsigned length, int* status) {
    if (handle == 0 || data == nullptr || status == nullptr || length == 0) return BadArgument();
    try {
        return orv::rs485::QueueWrite(Transport::Get(), handle, data, length, status);
    } catch (...) {
        return 0;
    }
}

ORV_API int Transport_SetClient(int handle, HWND clientWindow, int* status) {
    Transport& transport = Transport::Get();
    if (handle == 0 || clientWindow == nullptr) {
        if (status != nullptr) *status = TR_E_BAD_ARGUMENT;
        return BadArgument();
    }
    if (status == nullptr) return BadArgument();
    orv::rs485::DeviceRecord* device = transport.DeviceForHandle(handle);
    if (device == nullptr) {
        *status = TR_E_NO_DEVICE;
        transport.SetResult(TR_E_NO_DEVICE);
        return 0;
    }
    {
        std::lock_guard lock(device->lock);
        device->client = clientWindow;
    }
    *status = TR_SUCCESS;
    transport.SetResult(TR_SUCCESS);
    return 1;
}

ORV_API int Transport_GetResult(void) {
    return Transport::Get().Result();
}

}  // extern "C"
