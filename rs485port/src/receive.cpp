// Incoming data: blocks announced by the subsystem are appended to the device's 4,096-byte
// receive buffer and announced to the client (callback and TRWM_DATA_AVAILABLE); the client
// takes them with Transport_Read, and what it leaves is announced again.
#include <algorithm>
#include <cstring>

#include "device_io.h"
#include "incoming_data.h"
#include "pos_library.h"
#include "trace_log.h"

namespace orv::rs485 {
namespace {

constexpr int kReadErrorCode = TRWM_ERROR;
char kReadErrorText[] = "TRWM_ERROR";

struct Listeners {
    HWND client;
    TransportReceiveCallback onReceive;
    TransportErrorCallback onError;
};

Listeners ListenersOf(DeviceRecord& device) {
    std::lock_guard lock(device.lock);
    return {device.client, device.onReceive, device.onError};
}

// Callbacks run with no lock of the device held, so that they may read, write or close.
void Announce(DeviceRecord& device, int handle, uint32_t held) {
    const Listeners to = ListenersOf(device);
    TraceLog::Get().Flush();  // the trace is in the file before anyone hears of the data
    if (to.client != nullptr) PostMessageA(to.client, TRWM_DATA_AVAILABLE, 0, LPARAM(held));
    if (to.onReceive != nullptr) to.onReceive(int(held), handle);
}

void ReportReadError(Transport& transport, DeviceRecord& device, int handle) {
    const Listeners to = ListenersOf(device);
    transport.SetResult(TR_E_READ);
    TraceLog::Get().Flush();
    if (to.client != nullptr) PostMessageA(to.client, TRWM_ERROR, 0, 0);
    if (to.onError != nullptr) to.onError(kReadErrorCode, kReadErrorText, handle - 1);
}

}  // namespace

void TakeAnnouncedData(Transport& transport, DeviceRecord& device, int handle, uint32_t count) {
    TraceLog& log = TraceLog::Get();
    const int id = device.Id();
    if (count == 0) {
        log.Line("Device ID = %d\t Received 0 length data from POSS on data available!\n", id);
        return;
    }
    PosLibrary& pos = PosLibrary::Get();
    const int descriptor = device.descriptor.load();
    IncomingOutcome outcome;
    uint32_t held = 0;
    int posError = 0;
    {
        std::lock_guard lock(device.receiveLock);
        outcome = TakeIncomingData(device.receive, device.receiveCount, count,
                                   [&](uint8_t* into, int capacity) {
                                       const int got = pos.Read(descriptor, into, capacity);
                                       if (got <= 1) posError = pos.Errno();
                                       return got;
                                   });
        held = device.receiveCount;
    }
    switch (outcome.kind) {
        case IncomingOutcome::kData:
            device.dataPending = true;
            transport.SetResult(TR_SUCCESS);
            Announce(device, handle, held);
            break;
        case IncomingOutcome::kStatusError:
            log.Line("Device ID = %d\t PosRead returned an error condition", id);
            ReportReadError(transport, device, handle);
            break;
        case IncomingOutcome::kReadFailed:
            log.PosError(posError);
            ReportReadError(transport, device, handle);
            break;
        case IncomingOutcome::kZeroLength:
        case IncomingOutcome::kDropped:
        case IncomingOutcome::kNothingNew:
            break;
    }
}

int ReadHeld(Transport& transport, int handle, void* buffer, unsigned size, int* bytesRead,
             int* status) {
    std::lock_guard readLock(transport.readLock);
    DeviceRecord* device = transport.DeviceForHandle(handle);
    if (device == nullptr) {
        *status = TR_E_NO_DEVICE;
        *bytesRead = 0;
        transport.SetResult(TR_E_NO_DEVICE);
        return 0;
    }
    TraceLog& log = TraceLog::Get();
    const int id = device->Id();
    log.Line("Device ID = %d\t Transport_Read requesting %ld bytes\n", id, long(size));
    uint32_t copied = 0;
    uint32_t remaining = 0;
    {
        std::lock_guard lock(device->receiveLock);
        if (device->receiveCount == 0) {
            *status = TR_SUCCESS;
            *bytesRead = 0;
            log.Line("Device ID = %d\t No data to consume\n", id);
            transport.SetResult(TR_SUCCESS);
            return 1;
        }
        copied = std::min<uint32_t>(size, device->receiveCount);
        std::memcpy(buffer, device->receive, copied);
        *bytesRead = int(copied);
        log.Line("Device ID = %d\t Following %d bytes are consumed\n", id, int(copied));
        log.Bytes("Byte", device->receive, copied);
        remaining = device->receiveCount - copied;
        if (remaining > 0) {
            std::memmove(device->receive, device->receive + copied, remaining);
            std::memset(device->receive + remaining, 0, TR_RECEIVE_BUFFER - remaining);
            device->receiveCount = remaining;
            log.Text(" Device ID = %d\t Transport_Read:: Consumed = %d\t Bytes remaining = %d\n", id,
                     int(copied), int(remaining));
            log.Bytes("ShiftByte", device->receive, remaining);
            log.Flush();
        } else {
            log.Line("Device ID = %d\t Consumed all %d bytes\n", id, int(copied));
            std::memset(device->receive, 0, TR_RECEIVE_BUFFER);
            device->receiveCount = 0;
            device->dataPending = false;
        }
    }
    *status = TR_SUCCESS;
    transport.SetResult(TR_SUCCESS);
    if (remaining > 0) Announce(*device, handle, remaining);
    return copied > 0 ? 1 : 0;
}

}  // namespace orv::rs485
