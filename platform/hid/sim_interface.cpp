// Host side of a simulated device: what OrvHid* calls see on a "sim:" handle.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "sim_bus.h"
#include "text.h"

namespace orv::hid::sim {

SimInterface::SimInterface(std::shared_ptr<Device> device)
    : device_(std::move(device)),
      queue_(device_->info.InputReportByteLength, ORV_HID_SIM_INPUT_QUEUE) {}

DWORD SimInterface::Attributes(HIDD_ATTRIBUTES& attributes) {
    std::lock_guard lock(Bus::Instance().mutex);
    if (!device_->plugged) return ERROR_DEVICE_NOT_CONNECTED;
    attributes.Size = sizeof(HIDD_ATTRIBUTES);
    attributes.VendorID = device_->info.VendorID;
    attributes.ProductID = device_->info.ProductID;
    attributes.VersionNumber = device_->info.VersionNumber;
    return ERROR_SUCCESS;
}

static DWORD StringOf(const Device& device, const std::string& value, std::u16string& text) {
    if (!device.plugged) return ERROR_DEVICE_NOT_CONNECTED;
    if (value.empty()) return ERROR_NOT_SUPPORTED;
    text = Utf8ToUtf16(value);
    return ERROR_SUCCESS;
}

DWORD SimInterface::ProductString(std::u16string& text) {
    std::lock_guard lock(Bus::Instance().mutex);
    return StringOf(*device_, device_->product, text);
}

DWORD SimInterface::SerialNumberString(std::u16string& text) {
    std::lock_guard lock(Bus::Instance().mutex);
    return StringOf(*device_, device_->serial, text);
}

DWORD SimInterface::Caps(HIDP_CAPS& caps) {
    std::lock_guard lock(Bus::Instance().mutex);
    if (!device_->plugged) return ERROR_DEVICE_NOT_CONNECTED;
    caps = HIDP_CAPS{};
    caps.UsagePage = device_->info.UsagePage;
    caps.Usage = device_->info.Usage;
    caps.InputReportByteLength = device_->info.InputReportByteLength;
    caps.OutputReportByteLength = device_->info.OutputReportByteLength;
    caps.FeatureReportByteLength = device_->info.FeatureReportByteLength;
    caps.NumberLinkCollectionNodes = 1;
    return ERROR_SUCCESS;
}

DWORD SimInterface::GetFeature(BYTE* buffer, ULONG length) {
    std::lock_guard lock(Bus::Instance().mutex);
    if (closed_) return ERROR_INVALID_HANDLE;
    if (!device_->plugged) return ERROR_DEVICE_NOT_CONNECTED;
    const BYTE id = buffer[0];
    ++device_->featureRequests;
    const std::vector<BYTE>* answer = nullptr;
    if (auto it = device_->answers.find(id); it != device_->answers.end())
        answer = &it->second;
    else if (auto last = device_->lastSet.find(id); last != device_->lastSet.end())
        answer = &last->second;
    if (answer == nullptr) return ERROR_GEN_FAILURE;  // the device stalls an unknown request
    const size_t copied = std::min<size_t>(length, answer->size());
    std::memcpy(buffer, answer->data(), copied);
    std::memset(buffer + copied, 0, length - copied);
    return ERROR_SUCCESS;
}

DWORD SimInterface::SetFeature(const BYTE* buffer, ULONG length) {
    std::lock_guard lock(Bus::Instance().mutex);
    if (closed_) return ERROR_INVALID_HANDLE;
    if (!device_->plugged) return ERROR_DEVICE_NOT_CONNECTED;
    if (!device_->info.UsesReportIds && buffer[0] != 0) return ERROR_INVALID_PARAMETER;
    if (device_->info.FeatureReportByteLength == 0) return ERROR_GEN_FAILURE;
    std::vector<BYTE> report(buffer, buffer + length);
    device_->lastSet[buffer[0]] = report;
    device_->features.push_back(std::move(report));
    Bus::Instance().changed.notify_all();
    return ERROR_SUCCESS;
}

DWORD SimInterface::Write(const BYTE* buffer, DWORD length, DWORD timeoutMs) {
    const DWORD check = CheckOutputReport(buffer, length, device_->info.OutputReportByteLength,
                                          device_->info.UsesReportIds);
    if (check != ERROR_SUCCESS) return check;
    Bus& bus = Bus::Instance();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(bus.mutex);
    for (;;) {
        if (closed_) return ERROR_OPERATION_ABORTED;
        if (!device_->plugged) return ERROR_DEVICE_NOT_CONNECTED;
        if (device_->writeMode == ORV_HID_SIM_WRITE_FAIL) return ERROR_GEN_FAILURE;
        if (device_->writeMode == ORV_HID_SIM_WRITE_NORMAL) break;
        if (bus.changed.wait_until(lock, deadline) == std::cv_status::timeout &&
            device_->writeMode == ORV_HID_SIM_WRITE_STALL && device_->plugged && !closed_)
            return ERROR_TIMEOUT;
    }
    const BYTE* start = device_->info.UsesReportIds ? buffer : buffer + 1;
    device_->outputs.emplace_back(start, buffer + length);
    bus.changed.notify_all();
    return ERROR_SUCCESS;
}

void SimInterface::Close() {
    Bus& bus = Bus::Instance();
    {
        std::lock_guard lock(bus.mutex);
        closed_ = true;
        auto& handles = device_->handles;
        handles.erase(std::remove(handles.begin(), handles.end(), this), handles.end());
        bus.changed.notify_all();  // wakes a write stalled on this handle
    }
    queue_.Close();
}

}  // namespace orv::hid::sim
