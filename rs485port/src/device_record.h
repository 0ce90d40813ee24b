// One of the transport's four device slots.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/wintypes.h"
#include "rs485port/transport.h"

namespace orv::rs485 {

// A write longer than one request (a Java port's): after its first request the worker queues
// each next one itself as the previous ends, so the writing thread is not woken, and does not
// wake the worker, for every 1,024 bytes. Lives on the writer's stack; the worker touches it
// only while it is attached to the device (under the device's lock).
struct WriteStream {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    uint32_t queued = 0;  // bytes of the requests queued so far
    int handle = 0;
    bool ended = false;   // detached: the last request is queued, or the device closed
};

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
    WriteStream* stream = nullptr;  // the long write whose request is in progress, if any

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
    // Detaches the long write, if any, as ended; `lock` held, `transmitted` to be signalled.
    void EndStreamLocked();
};

}  // namespace orv::rs485
