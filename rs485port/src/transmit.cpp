// Outgoing data: a request of up to 1,024 bytes is queued by Transport_Write and leaves on the
// worker thread in pieces of at most 160 bytes, each handed to PosWrite after the subsystem's
// transmit-complete of the previous one.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "device_io.h"
#include "pos_library.h"
#include "rs485port/pos_subsystem.h"
#include "trace_log.h"

namespace orv::rs485 {
namespace {

// What the end of a request tells the client, taken under `device.lock` and posted once it is
// free: a client woken while the worker holds it (at once, when both share a core) only blocks
// on it in its next Transport_Write and switches back.
struct ClientNotice {
    HWND client = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;

    void SetLocked(const DeviceRecord& device, UINT what, WPARAM value) {
        client = device.client;
        message = what;
        wParam = value;
    }
    // The trace so far reaches the file first (the worker's lines otherwise wait for the end of
    // its pass).
    void Post() const {
        if (client == nullptr) return;  // nobody to tell: the lines go with the pass
        TraceLog::Get().Flush();
        PostMessageA(client, message, wParam, 0);
    }
};

constexpr auto kWriteWait = std::chrono::milliseconds(5000);

// Hands the next piece to PosWrite; `device.lock` is held. False when the request failed (and
// has ended; `notice` then holds the failure for the client).
bool TransmitLocked(DeviceRecord& device, ClientNotice& notice) {
    TraceLog& log = TraceLog::Get();
    const int id = device.Id();
    const uint32_t remaining = device.transmitTotal - device.transmitOffset;
    if (device.transmitOffset >= device.transmitTotal) {
        log.Line("Device ID = %d\t Improper write request in Transport_Transmit!\n", id);
        return true;
    }
    const int piece = int(std::min<uint32_t>(remaining, TR_PIECE_SIZE));
    log.Line("Device ID = %d\t Transport_Transmit.. Sending %d bytes of data\n", id, piece);
    PosLibrary& pos = PosLibrary::Get();
    const int written =
        pos.Write(device.descriptor.load(), device.transmit + device.transmitOffset, piece);
    if (written == piece) {
        log.Line("Device ID = %d\t Transport_Transmit.. Sent %d bytes of data\n", id, piece);
        device.writeInProgress = true;
        device.transmitReady = false;
        device.transmitOffset += uint32_t(piece);
        return true;
    }
    const int posError = pos.Errno();
    log.PosError(posError);
    device.ResetTransmitLocked(false);
    log.Line("Device ID = %d\t Write data failed!\n", id);
    notice.SetLocked(device, TRWM_XMIT_FAILED, WPARAM(posError));
    return false;
}

// A request ended (sent or failed): the next of the long write it belonged to, queued here as
// Transport_Write would, logging the same lines. `device.lock` is held; false when nothing was
// queued (the caller signals `transmitted` then, after letting go of the lock).
bool QueueNextOfStreamLocked(DeviceRecord& device) {
    WriteStream* stream = device.stream;
    if (stream == nullptr) return false;
    if (!device.open || stream->queued >= stream->length) {
        device.EndStreamLocked();
        return false;
    }
    Transport& transport = Transport::Get();
    TraceLog& log = TraceLog::Get();
    const int id = device.Id();
    const uint32_t piece = std::min<uint32_t>(stream->length - stream->queued, TR_MAX_WRITE);
    log.Line("Device ID = %d\t Transport_Write\n", id);
    log.Line("Device ID = %d\t Transport_Write:: Past all sanity checks\n", id);
    std::memcpy(device.transmit, stream->data + stream->queued, piece);
    device.transmitTotal = piece;
    device.transmitOffset = 0;
    device.writeInProgress = true;
    log.Line("Device ID = %d\t About to post TRWM_STARTXMIT\n", id);
    if (!PostMessageA(transport.WorkerWindow(), TRWM_STARTXMIT, 0, LPARAM(stream->handle))) {
        device.ResetTransmitLocked(false);
        transport.SetResult(TR_E_NO_WORKER_WINDOW);
        device.EndStreamLocked();
        return false;
    }
    transport.SetResult(TR_SUCCESS);
    stream->queued += piece;
    if (stream->queued < stream->length) return true;
    device.EndStreamLocked();  // the last request is queued: its writer returns, once woken
    return false;
}

// A request ended with `device.lock` held by `lock`: the long write goes on, or ends and its
// writer (and any other write waiting for this request) is woken. The client hears of the end
// first, both with the lock free.
void EndRequest(DeviceRecord& device, std::unique_lock<std::mutex>& lock,
                const ClientNotice& notice) {
    const bool goesOn = QueueNextOfStreamLocked(device);
    lock.unlock();
    notice.Post();
    if (!goesOn) device.transmitted.notify_all();
}

}  // namespace

void BeginSend(Transport& transport, DeviceRecord& device) {
    std::unique_lock lock(device.lock);
    const int id = device.Id();
    if (device.open && device.transmitReady && device.transmitTotal > 0) {
        TraceLog::Get().Line("Device ID = %d\t Transport_beginSend.. Sending data\n", id);
        ClientNotice notice;
        if (!TransmitLocked(device, notice)) EndRequest(device, lock, notice);
    } else if (device.transmitTotal == 0) {
        TraceLog::Get().Line("Device ID = %d\t Attempt to send no data\n", id);
        transport.SetResult(TR_E_SEND_NO_DATA);
    } else {
        TraceLog::Get().Line("Device ID = %d\t Attempt to send while in progress\n", id);
        transport.SetResult(TR_E_SEND_BUSY);
    }
}

void ContinueSend(Transport&, DeviceRecord& device) {
    std::unique_lock lock(device.lock);
    const int id = device.Id();
    TraceLog& log = TraceLog::Get();
    device.transmitReady = true;
    if (!device.open) {
        // Closing: the outstanding piece is done and nothing more goes out. Wakes the close
        // waiting for this piece (and a long write).
        device.EndStreamLocked();
        device.ResetTransmitLocked();
        log.Line("Device ID = %d\t Skipped POSM_RS232_XMIT_COMPLETE Message & reset values\n", id);
        return;
    }
    log.Line("Device ID = %d\t Handling POSM_RS232_XMIT_COMPLETE Message\n", id);
    if (device.transmitOffset < device.transmitTotal) {
        log.Line("Device ID = %d\t Transport_HandleXmitComplete::Transmit the next set of data\n",
                 id);
        ClientNotice notice;
        if (!TransmitLocked(device, notice)) EndRequest(device, lock, notice);
        return;
    }
    if (device.transmitTotal == 0) return;  // nothing was being sent: a stray completion
    log.Line("Device ID = %d\t Transport_HandleXmitComplete::Post TRWM_XMIT_COMPLETE to command "
             "window\n",
             id);
    ClientNotice notice;
    notice.SetLocked(device, TRWM_XMIT_COMPLETE, WPARAM(device.transmitTotal));
    device.ResetTransmitLocked(false);
    // The next write, waiting for this one, is woken with the lock free: woken under it, it
    // would only run to block on it again.
    EndRequest(device, lock, notice);
}

void AbortSend(Transport&, DeviceRecord& device) {
    std::unique_lock lock(device.lock);
    if (device.transmitReady) return;  // no piece outstanding
    // The aborted piece will never complete: end the request as a failed write, or every later
    // write of the device would wait in vain.
    device.ResetTransmitLocked(false);
    TraceLog::Get().Line("Device ID = %d\t Write data failed!\n", device.Id());
    ClientNotice notice;
    notice.SetLocked(device, TRWM_XMIT_FAILED, WPARAM(POSM_RS232_XMIT_ABORT));
    EndRequest(device, lock, notice);
}

int QueueWrite(Transport& transport, int handle, const void* data, unsigned length, int* status,
               WriteStream* stream) {
    std::lock_guard writeLock(transport.writeLock);
    TraceLog::Batch batch;
    DeviceRecord* device = transport.DeviceForHandle(handle);
    auto fail = [&](int code) {
        *status = code;
        transport.SetResult(code);
        return 0;
    };
    if (device == nullptr) return fail(TR_E_NO_DEVICE);
    TraceLog& log = TraceLog::Get();
    const int id = device->Id();
    log.Line("Device ID = %d\t Transport_Write\n", id);
    // Too long is refused at once rather than after waiting out a previous write.
    if (length > TR_MAX_WRITE) return fail(TR_E_WRITE_TOO_LONG);
    {
        // Woken by the end of the previous request (sent, failed or aborted) or by a close.
        std::unique_lock lock(device->lock);
        auto free = [&] { return !device->writeInProgress.load() || !device->open; };
        if (!free()) {
            log.Flush();  // what this write logged is in the file while it waits
            device->transmitted.wait_for(lock, kWriteWait, free);
        }
        if (!free()) {
            lock.unlock();
            log.Line("Device ID = %d\t Previous Write Not Complete\n", id);
            return fail(TR_E_WRITE_BUSY);
        }
        if (!device->open) return fail(TR_E_NO_DEVICE);  // closed while waiting
        log.Line("Device ID = %d\t Transport_Write:: Past all sanity checks\n", id);
        std::memcpy(device->transmit, data, length);
        device->transmitTotal = length;
        device->transmitOffset = 0;
        // Set before the post: the worker may send everything before this thread runs again.
        device->writeInProgress = true;
        if (stream != nullptr) {
            stream->queued = length;
            device->stream = stream;
        }
    }
    log.Line("Device ID = %d\t About to post TRWM_STARTXMIT\n", id);
    if (!PostMessageA(transport.WorkerWindow(), TRWM_STARTXMIT, 0, LPARAM(handle))) {
        std::lock_guard lock(device->lock);
        device->EndStreamLocked();
        device->ResetTransmitLocked();
        return fail(TR_E_NO_WORKER_WINDOW);
    }
    batch.LeaveToWorker();
    *status = TR_SUCCESS;
    transport.SetResult(TR_SUCCESS);
    return 1;
}

uint32_t QueueWriteInRequests(Transport& transport, int handle, const uint8_t* data,
                              uint32_t length) {
    int status = 0;
    const uint32_t first = std::min<uint32_t>(length, TR_MAX_WRITE);
    if (length <= TR_MAX_WRITE) return QueueWrite(transport, handle, data, first, &status) ? first : 0;
    WriteStream stream;
    stream.data = data;
    stream.length = length;
    stream.handle = handle;
    if (!QueueWrite(transport, handle, data, first, &status, &stream)) return 0;
    // The slot outlives the device's close, which detaches the write as ended.
    DeviceRecord& device = transport.Slot(handle - 1);
    std::unique_lock lock(device.lock);
    // Every way the write ends (last request queued, a close, a post that fails) signals; the
    // timeout only checks again that the device is still open.
    while (!stream.ended) {
        if (device.transmitted.wait_for(lock, std::chrono::milliseconds(200)) ==
                std::cv_status::timeout &&
            !device.open && device.stream == &stream)
            device.EndStreamLocked();
    }
    return stream.queued;
}

}  // namespace orv::rs485
