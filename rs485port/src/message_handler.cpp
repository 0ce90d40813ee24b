#include "message_handler.h"

#include <string>

#include "device_io.h"
#include "rs485port/pos_subsystem.h"
#include "trace_log.h"
#include "transport_object.h"

namespace orv::rs485 {
namespace {

using Handler = void (*)(Transport&, UINT, WPARAM, LPARAM);

// A subsystem notification for the device its descriptor (wParam) names; one for no device is
// logged and answered with -620.
template <void (*Handle)(Transport&, DeviceRecord&, int, UINT, LPARAM)>
void ForDevice(Transport& transport, UINT message, WPARAM wParam, LPARAM lParam) {
    int handle = 0;
    DeviceRecord* device = transport.DeviceForDescriptor(wParam, handle);
    if (device == nullptr) {
        TraceLog::Get().Line("Received POS message for non-existent device!\n");
        transport.SetResult(TR_E_POSS_UNKNOWN_DEVICE);
        return;
    }
    Handle(transport, *device, handle, message, lParam);
}

void OnTimer(Transport&, UINT, WPARAM, LPARAM) {
    TraceLog::Get().Line("Received WM_TIMER!\n");
}

void OnStartTransmit(Transport& transport, UINT, WPARAM, LPARAM lParam) {
    DeviceRecord* device = transport.DeviceForHandle(int(lParam));
    if (device == nullptr) return;  // closed since the write was queued
    TraceLog::Get().Line("Device ID = %d\t WM_STARTXMIT...\n", device->Id());
    BeginSend(transport, *device);
    TraceLog::Get().Line("Device ID = %d\t Done with Transport_BeginSend\n", device->Id());
}

void OnDataAvailable(Transport& transport, DeviceRecord& device, int handle, UINT, LPARAM lParam) {
    TakeAnnouncedData(transport, device, handle, LOWORD(lParam));
}

void OnPosError(Transport& transport, DeviceRecord& device, int, UINT message, LPARAM) {
    TraceLog::Get().Line("Device ID = %d\t Received POS Error message\n", device.Id());
    TraceLog::Get().PosError(int(message));
    if (message == POSM_RS232_XMIT_ABORT) AbortSend(transport, device);
}

void OnTransmitComplete(Transport& transport, DeviceRecord& device, int, UINT, LPARAM) {
    TraceLog::Get().Line("Device ID = %d\t POSM_RS232_XMIT_COMPLETE!\n", device.Id());
    ContinueSend(transport, device);
}

void OnDeviceOnline(Transport&, UINT, WPARAM, LPARAM) {
    TraceLog::Get().Line("Device online through Transport_WndProc!");
}

struct MessageRow {
    UINT message;
    Handler handle;
};

// The messages the transport handles; any other message of the routed ranges is only logged.
constexpr MessageRow kMessages[] = {
    {WM_TIMER, OnTimer},
    {TRWM_STARTXMIT, OnStartTransmit},
    {POSM_RS232_DATA_AVAIL, ForDevice<OnDataAvailable>},
    {POSM_RS232_ERROR, ForDevice<OnPosError>},
    {POSM_RS232_XMIT_ABORT, ForDevice<OnPosError>},
    {POSM_RS232_XMIT_COMPLETE, ForDevice<OnTransmitComplete>},
    {POSM_DEVICE_ONLINE, OnDeviceOnline},
};

bool RoutedToTransport(UINT message) {
    return message == WM_TIMER || (message >= 0x40A && message <= 0x411) ||
           (message >= POSM_RS232_ERROR && message <= POSM_RS232_XMIT_COMPLETE) ||
           message == POSM_DEVICE_ONLINE;
}

void HandleTransportMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    Transport& transport = Transport::Get();
    if (!transport.Initialised()) return;
    for (const MessageRow& row : kMessages) {
        if (row.message == message) {
            row.handle(transport, message, wParam, lParam);
            return;
        }
    }
    TraceLog::Get().Line("Non-transport message in Transport_HandleTransportMessage()\n");
}

}  // namespace

LRESULT CALLBACK TransportWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    try {
        // Formatted as the trace is (a printf per message was a good part of a piece's time).
        thread_local std::string line;
        line.clear();
        AppendPrintf(line, "wndproc: hwnd=0x%x msg=0x%x\n",
                     unsigned(reinterpret_cast<uintptr_t>(window)), message);
        OutputDebugStringA(line.c_str());
        if (!RoutedToTransport(message)) return DefWindowProcA(window, message, wParam, lParam);
        HandleTransportMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may leave a window procedure; the message is simply lost.
    }
    return 0;
}

}  // namespace orv::rs485
