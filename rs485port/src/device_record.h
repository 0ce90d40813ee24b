// One of the transport's four device slots.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/wintypes.h"
#include "rs485port/transport.h"

namespace orv::rs485 {

struct DeviceRecord {
    // The POS descriptor; 0 while the slot is free. Set last by an open, cleared last by a close,
    // so a device is visible to lookups only while it is fully open.
    std::atomic<uint16_t> descriptor{0};
    std::atomic<uint16_t> slotNumber{0}, portNumber{0}, deviceId{0};
    // Set from Transport_Write until the whole request is sent or has failed (changed under
    // `lock`, with `transmitted` signalled when it clears).
    std::atomic<bool> writeInProgress{false};
    // Announced data not yet read in full.
    std::atomic<bool> dataPending{false};

    // Guards what follows, up to the receive buffer.
    std::mutex lock;
    // Signalled at each transmit-complete (a close waits for the outstanding piece) and when a
    // request ends or the device closes (a write waits for the previous request).
    std::condition_variable transmitted;
    bool open = false;           // opened and acquired
    bool transmitReady = false;  // no piece outstanding
    uint32_t transmitTotal = 0;  // bytes of the request
    uint32_t transmitOffset = 0; // bytes already handed to PosWrite
    int references = 0;
    HWND client = nullptr;
    TransportReceiveCallback onReceive = nullptr;
    TransportErrorCallback onError = nullptr;
    uint8_t transmit[TR_MAX_WRITE] = {};

    // One lock for the receive buffer, whether the worker fills it or a reader empties it.
    std::recursive_mutex receiveLock;
    uint32_t receiveCount = 0;
    uint8_t receive[TR_RECEIVE_BUFFER] = {};

    int Id() const { return deviceId.load(std::memory_order_relaxed); }

    // Back to a free slot (takes both locks).
    void Clear();
    // Transmit state back to idle; `lock` held by the caller. Without `wake` the caller
    // signals `transmitted` itself (after letting go of the lock).
    void ResetTransmitLocked(bool wake = true);
};

}  // namespace orv::rs485
