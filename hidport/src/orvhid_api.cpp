// The exported device API (hidport/orvhid.h). Every export catches what the layer below might
// throw (allocation failures): nothing leaves as a C++ exception.
#include "device_factory.h"
#include "device_table.h"
#include "hidport/orvhid.h"

using namespace orv::hidport;

// The exported signature takes both strings by value.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
ORV_API bool orvhidOpenDevice(std::string productName, std::string serialNumber,
                              ReceiveCallback onReceive, ErrorCallback onError,
                              ThreadStartCallback onThreadStart, void*& handle) {
    try {
        if (productName.empty()) return false;
        // A plain device finds the interface and tells its usage; the class for that usage then
        // opens it for real.
        void* probeHandle = nullptr;
        auto probe = std::make_shared<CDeviceBase>();
        if (!probe->Open(productName, serialNumber, onReceive, onError, onThreadStart, probeHandle))
            return false;
        const HIDP_CAPS caps = probe->Caps();
        std::shared_ptr<CDeviceBase> device = CreateDeviceFor(caps.UsagePage, caps.Usage);
        probe->Close();
        probe.reset();
        if (!device) return false;
        void* opened = nullptr;
        if (!device->Open(productName, serialNumber, onReceive, onError, onThreadStart, opened))
            return false;
        InsertDevice(opened, device);
        handle = opened;
        return true;
    } catch (...) {
        return false;
    }
}

ORV_API bool orvhidCloseDevice(void* handle) {
    try {
        auto device = FindDevice(handle);
        if (!device) return false;
        device->Close();
        return true;
    } catch (...) {
        return false;
    }
}

ORV_API bool orvhidWriteToDevice(void* handle, const unsigned char* data, ULONG length) {
    try {
        auto device = FindDevice(handle);
        return device && device->WriteData(data, length);
    } catch (...) {
        return false;
    }
}

ORV_API void orvhidEnumerateDevices(std::vector<std::string>& productNames) {
    try {
        productNames.clear();
        productNames = CDeviceBase::EnumerateProducts();
    } catch (...) {
    }
}

ORV_API std::string orvhidGetProductName(void* handle) {
    try {
        return CDeviceBase::ReadProductString(handle);
    } catch (...) {
        return {};
    }
}

// Stored capabilities and live attributes; 0 for what cannot be had.
template <typename Read>
static unsigned short Query(void* handle, Read read) {
    try {
        auto device = FindDevice(handle);
        return device ? read(*device) : 0;
    } catch (...) {
        return 0;
    }
}

static HIDD_ATTRIBUTES AttributesOf(const CDeviceBase& device) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!OrvHidGetAttributes(device.DeviceHandle(), &attributes)) attributes = HIDD_ATTRIBUTES{};
    return attributes;
}

ORV_API unsigned short orvhidGetUsagePage(void* handle) {
    return Query(handle, [](const CDeviceBase& d) { return d.Caps().UsagePage; });
}

ORV_API unsigned short orvhidGetUsage(void* handle) {
    return Query(handle, [](const CDeviceBase& d) { return d.Caps().Usage; });
}

ORV_API unsigned short orvhidGetProductID(void* handle) {
    return Query(handle, [](const CDeviceBase& d) { return AttributesOf(d).ProductID; });
}

ORV_API unsigned short orvhidGetVendorID(void* handle) {
    return Query(handle, [](const CDeviceBase& d) { return AttributesOf(d).VendorID; });
}
