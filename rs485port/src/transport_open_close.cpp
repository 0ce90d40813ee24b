// Opening and closing a device: the transport reference, the POS start-up, the slot, and the
// subsystem's open/acquire and release/close.
#include <chrono>

#include "open_close.h"
#include "pos_library.h"
#include "pos_startup.h"
#include "rs485port/pos_subsystem.h"
#include "trace_log.h"

namespace orv::rs485 {
namespace {

// How long a close waits for the transmit-complete of a piece still outstanding. A piece is at
// most 160 bytes, a fraction of a second on the wire; 5 seconds is what a write already allows
// a previous one before giving up on the terminal.
constexpr auto kCloseWait = std::chrono::milliseconds(5000);

constexpr char kDeviceName[] = "xptrs485";
constexpr char kDeviceType[] = "PosRs232";

// Drops the reference an open took unless the open succeeded.
class ReferenceGuard {
public:
    explicit ReferenceGuard(Transport& transport) : transport_(transport) {}
    ReferenceGuard(const ReferenceGuard&) = delete;
    ReferenceGuard& operator=(const ReferenceGuard&) = delete;
    ~ReferenceGuard() {
        if (!kept_) transport_.DropReference();
    }
    void Keep() { kept_ = true; }

private:
    Transport& transport_;
    bool kept_ = false;
};

// The first zero of slot, port and device (16 bits each) is logged; true when all are nonzero.
bool NumbersValid(uint16_t slot, uint16_t port, uint16_t deviceId) {
    TraceLog& log = TraceLog::Get();
    if (slot == 0) {
        log.Line("Invalid SlotNumber = %d\t ", slot);
        return false;
    }
    if (port == 0) {
        log.Line("Invalid PortNumber = %d\t ", port);
        return false;
    }
    if (deviceId == 0) {
        log.Line("Invalid DeviceID = %d\t ", deviceId);
        return false;
    }
    return true;
}

// PosOpen and acquire. The descriptor, or 0 with the result set.
uint16_t OpenAndAcquire(Transport& transport, uint16_t slot, uint16_t port, uint16_t deviceId,
                        HWND queue) {
    PosLibrary& pos = PosLibrary::Get();
    TraceLog& log = TraceLog::Get();
    const PosOpenArg args[] = {
        {"slotNumber", slot},
        {"portNumber", port},
        {"deviceNumber", deviceId},
        {"queueHandle", reinterpret_cast<INT_PTR>(queue)},
    };
    const int opened = pos.Open(kDeviceName, kDeviceType, 4, args);
    // Bit 15 marks a failure; 0 would name the system descriptor, never a device.
    if (opened < 0 || (opened & 0x8000) != 0 || (opened & 0xFFFF) == 0) {
        log.PosError(pos.Errno());
        log.Line("Device ID = %d\t Can not open pad\n", deviceId);
        transport.SetResult(TR_E_POS_OPEN);
        return 0;
    }
    const uint16_t descriptor = uint16_t(opened);
    if (pos.IOCtl(descriptor, POS_IOCTL_ACQUIRE) != 0) {
        log.PosError(pos.Errno());
        pos.Close(descriptor);
        log.Line("Device ID = %d\t Can not acquire pad\n", deviceId);
        transport.SetResult(TR_E_ACQUIRE);
        return 0;
    }
    return descriptor;
}

}  // namespace

int OpenDevice(Transport& transport, int* handle, unsigned slotNumber, unsigned portNumber,
               unsigned deviceId, bool initialize, HWND client, int* status,
               TransportReceiveCallback onReceive, TransportErrorCallback onError) {
    *handle = -1;
    std::lock_guard openLock(transport.openLock);
    const HWND worker = transport.AddReference();
    ReferenceGuard reference(transport);
    transport.SetResult(TR_SUCCESS);
    auto fail = [&](int code) {
        *status = code;
        transport.SetResult(code);
        return 0;
    };

    // The subsystem is started once while the transport lives, by the first open that asks.
    if (initialize && !transport.StartupDone()) {
        const int started = RunPosStartup();
        if (started != TR_SUCCESS) return fail(started);
        transport.SetStartupDone();
    }

    int index = -1;
    for (int i = 0; i < kDeviceSlots && index < 0; ++i) {
        if (transport.Slot(i).descriptor.load() == 0) index = i;
    }
    if (index < 0) return fail(TR_E_SLOT_IN_USE);

    const uint16_t slot = uint16_t(slotNumber), port = uint16_t(portNumber),
                   id = uint16_t(deviceId);
    if (!NumbersValid(slot, port, id)) return fail(TR_E_BAD_NUMBER);

    DeviceRecord& device = transport.Slot(index);
    {
        std::lock_guard lock(device.lock);
        if (device.open || device.references != 0) return fail(TR_E_SLOT_IN_USE);
    }
    if (worker == nullptr) {
        TraceLog::Get().Line("Device ID = %d\t Failed to create transport layer's worker window!\n",
                             id);
        *handle = 0;
        return fail(TR_E_NO_WORKER_WINDOW);
    }
    const uint16_t descriptor = OpenAndAcquire(transport, slot, port, id, worker);
    if (descriptor == 0) {
        *status = TR_E_OPEN_FAILED;
        *handle = 0;
        return 0;
    }
    {
        std::lock_guard lock(device.lock);
        device.slotNumber = slot;
        device.portNumber = port;
        device.deviceId = id;
        device.open = true;
        device.transmitReady = true;
        device.client = client;
        device.onReceive = onReceive;
        device.onError = onError;
        device.references = 1;
        device.dataPending = false;
        device.descriptor = descriptor;  // visible to lookups from here on
    }
    reference.Keep();
    transport.SetResult(TR_SUCCESS);
    *handle = index + 1;
    return 1;
}

int CloseDevice(Transport& transport, int handle, int* status, bool onWorkerThread) {
    {
        std::lock_guard closeLock(transport.closeLock);
        DeviceRecord* device = transport.DeviceForHandle(handle);
        if (device == nullptr) {
            *status = TR_E_NO_DEVICE;
            transport.SetResult(TR_E_NO_DEVICE);
            return 0;
        }
        TraceLog& log = TraceLog::Get();
        const int id = device->Id();
        log.Line("Device ID = %d\t Transport_Close\n", id);
        std::unique_lock lock(device->lock);
        if (--device->references > 0) {
            *status = TR_SUCCESS;
            transport.SetResult(TR_SUCCESS);
            return 1;
        }
        const bool outstanding = !device->transmitReady;
        log.Line("Device ID = %d\t %s wait for Previous command to get completed\n", id,
                 outstanding ? "Enter" : "Do not");
        // From here a transmit-complete ends the transmission instead of sending the next piece,
        // and a long write queues nothing more.
        device->open = false;
        device->EndStreamLocked();
        device->transmitted.notify_all();
        if (outstanding) {
            // The worker cannot deliver the completion while it runs this close itself.
            const bool done =
                !onWorkerThread && device->transmitted.wait_for(lock, kCloseWait, [&] {
                    return device->transmitReady;
                });
            log.Line("Device ID = %d\t Done Flag = %d\n", id, done ? 1 : 0);
        }
        log.Line("Device ID = %d\t Transport_Close::All references zero\n", id);
        device->ResetTransmitLocked();
        const int descriptor = device->descriptor.load();
        lock.unlock();
        PosLibrary& pos = PosLibrary::Get();
        pos.IOCtl(descriptor, POS_IOCTL_RELEASE);
        pos.Close(descriptor);
        log.Line("Device ID = %d\t Transport_Close::Released the device\n", id);
        device->Clear();
        *status = TR_SUCCESS;
        transport.SetResult(TR_SUCCESS);
    }
    transport.DropReference();
    return 1;
}

}  // namespace orv::rs485
