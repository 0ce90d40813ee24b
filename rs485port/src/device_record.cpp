#include "device_record.h"

#include <cstring>

namespace orv::rs485 {

void DeviceRecord::ResetTransmitLocked(bool wake) {
    transmitReady = true;
    transmitTotal = 0;
    transmitOffset = 0;
    writeInProgress = false;
    std::memset(transmit, 0, sizeof transmit);
    if (wake) transmitted.notify_all();  // a write waiting for this request may go
}

void DeviceRecord::EndStreamLocked() {
    if (stream == nullptr) return;
    stream->ended = true;
    stream = nullptr;
}

void DeviceRecord::Clear() {
    {
        std::lock_guard guard(lock);
        EndStreamLocked();
        descriptor = 0;
        slotNumber = 0;
        portNumber = 0;
        deviceId = 0;
        open = false;
        ResetTransmitLocked();
        transmitReady = false;
        references = 0;
        client = nullptr;
        onReceive = nullptr;
        onError = nullptr;
        dataPending = false;
    }
    std::lock_guard guard(receiveLock);
    receiveCount = 0;
    std::memset(receive, 0, sizeof receive);
}

}  // namespace orv::rs485
