// The simulated bus and its controls (hid_sim.h).
#include "sim_bus.h"

#include <chrono>
#include <cstring>

#include "platform/win32.h"

namespace orv::hid::sim {

constexpr DWORD kMaxReportLength = 4096;

Bus& Bus::Instance() {
    static Bus* bus = new Bus;  // never destroyed: handles may outlive static destruction
    return *bus;
}

std::shared_ptr<Device> Bus::Find(DWORD id) {
    for (const auto& device : devices)
        if (device->id == id) return device;
    return nullptr;
}

std::vector<std::string> ListInterfaces() {
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    std::vector<std::string> paths;
    for (const auto& device : bus.devices)
        if (device->plugged) paths.push_back(kPathPrefix + std::to_string(device->id));
    return paths;
}

std::unique_ptr<Interface> Open(const std::string& path, DWORD& error) {
    const std::string digits = path.substr(sizeof(kPathPrefix) - 1);
    DWORD id = 0;
    for (char c : digits) {
        if (c < '0' || c > '9' || id > 100000000) {
            error = ERROR_FILE_NOT_FOUND;
            return nullptr;
        }
        id = id * 10 + DWORD(c - '0');
    }
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    auto device = digits.empty() ? nullptr : bus.Find(id);
    if (!device || !device->plugged) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    auto handle = std::make_unique<SimInterface>(device);
    device->handles.push_back(handle.get());
    error = ERROR_SUCCESS;
    return handle;
}

// Waits for a report in `queue` of device `id` and copies it out (the Take* controls).
static DWORD TakeFrom(DWORD id, std::deque<std::vector<BYTE>> Device::*queue, BYTE* buffer,
                      DWORD size, DWORD timeoutMs) {
    Bus& bus = Bus::Instance();
    std::unique_lock lock(bus.mutex);
    auto device = bus.Find(id);
    if (!device) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    auto& reports = (*device).*queue;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!bus.changed.wait_until(lock, deadline, [&] { return !reports.empty(); })) {
        SetLastError(ERROR_TIMEOUT);
        return 0;
    }
    std::vector<BYTE> report = std::move(reports.front());
    reports.pop_front();
    if (buffer != nullptr)
        std::memcpy(buffer, report.data(), std::min<size_t>(size, report.size()));
    return DWORD(report.size());
}

}  // namespace orv::hid::sim

using namespace orv::hid::sim;

extern "C" {

ORV_API DWORD WINAPI OrvHidSimAddDevice(const ORV_HID_SIM_DEVICE* info) {
    if (info == nullptr || info->InputReportByteLength > kMaxReportLength ||
        info->OutputReportByteLength > kMaxReportLength ||
        info->FeatureReportByteLength > kMaxReportLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto device = std::make_shared<Device>();
    device->product = info->Product ? info->Product : "";
    device->serial = info->SerialNumber ? info->SerialNumber : "";
    device->info = *info;
    device->info.Product = nullptr;
    device->info.SerialNumber = nullptr;
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    device->id = bus.nextId++;
    bus.devices.push_back(device);
    return device->id;
}

ORV_API BOOL WINAPI OrvHidSimUnplug(DWORD deviceId) {
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    auto device = bus.Find(deviceId);
    if (!device || !device->plugged) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    device->plugged = false;
    for (SimInterface* handle : device->handles) handle->Input()->MarkGone();
    bus.changed.notify_all();
    return TRUE;
}

ORV_API void WINAPI OrvHidSimReset(void) {
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    for (const auto& device : bus.devices) {
        device->plugged = false;
        for (SimInterface* handle : device->handles) handle->Input()->MarkGone();
    }
    bus.devices.clear();
    bus.changed.notify_all();
}

ORV_API DWORD WINAPI OrvHidSimSendInput(DWORD deviceId, const BYTE* report, DWORD length,
                                        DWORD* dropped) {
    if (dropped != nullptr) *dropped = 0;
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    auto device = bus.Find(deviceId);
    if (!device || !device->plugged) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const bool ids = device->info.UsesReportIds;
    const size_t hostLength = size_t(length) + (ids ? 0 : 1);
    if ((report == nullptr && length != 0) || (ids && length == 0) ||
        hostLength > device->info.InputReportByteLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Host form: a device without report IDs gets the 0 byte in front. Only the bytes given are
    // filled: the queue pads the report to its length itself.
    BYTE hostReport[kMaxReportLength + 1];
    hostReport[0] = 0;
    if (length != 0) std::memcpy(hostReport + (ids ? 0 : 1), report, length);
    DWORD queued = 0;
    for (SimInterface* handle : device->handles) {
        if (handle->Input()->Push(hostReport, hostLength))
            ++queued;
        else if (dropped != nullptr)
            ++*dropped;
    }
    SetLastError(ERROR_SUCCESS);
    return queued;
}

ORV_API BOOL WINAPI OrvHidSimSetFeatureAnswer(DWORD deviceId, BYTE reportId, const BYTE* data,
                                              DWORD length) {
    if ((data == nullptr && length != 0) || length > kMaxReportLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    auto device = bus.Find(deviceId);
    if (!device) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::vector<BYTE> answer{reportId};
    if (length != 0) answer.insert(answer.end(), data, data + length);
    device->answers[reportId] = std::move(answer);
    return TRUE;
}

ORV_API DWORD WINAPI OrvHidSimTakeOutput(DWORD deviceId, BYTE* buffer, DWORD size,
                                         DWORD timeoutMs) {
    return TakeFrom(deviceId, &Device::outputs, buffer, size, timeoutMs);
}

ORV_API DWORD WINAPI OrvHidSimTakeFeature(DWORD deviceId, BYTE* buffer, DWORD size,
                                          DWORD timeoutMs) {
    return TakeFrom(deviceId, &Device::features, buffer, size, timeoutMs);
}

ORV_API DWORD WINAPI OrvHidSimPendingOutput(DWORD deviceId) {
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    auto device = bus.Find(deviceId);
    return device ? DWORD(device->outputs.size()) : 0;
}

ORV_API BOOL WINAPI OrvHidSimSetWriteMode(DWORD deviceId, DWORD mode) {
    if (mode > ORV_HID_SIM_WRITE_STALL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    auto device = bus.Find(deviceId);
    if (!device) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    device->writeMode = mode;
    bus.changed.notify_all();
    return TRUE;
}

ORV_API DWORD WINAPI OrvHidSimFeatureRequests(DWORD deviceId) {
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    auto device = bus.Find(deviceId);
    return device ? device->featureRequests : 0;
}

ORV_API DWORD WINAPI OrvHidSimOpenHandles(DWORD deviceId) {
    Bus& bus = Bus::Instance();
    std::lock_guard lock(bus.mutex);
    auto device = bus.Find(deviceId);
    return device ? DWORD(device->handles.size()) : 0;
}

}  // extern "C"
