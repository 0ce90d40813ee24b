#include "device_factory.h"

#include <array>

#include "device_classes.h"

namespace orv::hidport {
namespace {

constexpr USAGE kAnyUsage = 0;  // in a row's first slot: every usage of the page

struct DeviceClassRow {
    USAGE usagePage;
    std::array<USAGE, 4> usages;  // unused slots repeat an earlier value
    std::shared_ptr<CDeviceBase> (*create)();
};

template <typename T>
std::shared_ptr<CDeviceBase> Create() {
    return std::make_shared<T>();
}

// Tested in order; the first row that matches wins. 0x008C is the HID point-of-sale bar code
// scanner page; the others are the terminal's vendor pages.
constexpr DeviceClassRow kDeviceClasses[] = {
    {0x008C, {kAnyUsage, kAnyUsage, kAnyUsage, kAnyUsage}, Create<CDeviceHidPos>},
    {0xFF45, {0x4B00, 0x4A00, 0x4A00, 0x4A00}, Create<CDeviceStringReport>},
    {0xFF45, {0x6400, 0x6500, 0x6800, 0x6900}, Create<CDeviceFeatureReport>},
    {0xFFA0, {kAnyUsage, kAnyUsage, kAnyUsage, kAnyUsage}, Create<CDeviceCountedReport>},
};

bool Matches(const DeviceClassRow& row, USAGE usagePage, USAGE usage) {
    if (row.usagePage != usagePage) return false;
    if (row.usages[0] == kAnyUsage) return true;
    for (USAGE candidate : row.usages)
        if (candidate == usage) return true;
    return false;
}

}  // namespace

std::shared_ptr<CDeviceBase> CreateDeviceFor(USAGE usagePage, USAGE usage) {
    for (const auto& row : kDeviceClasses)
        if (Matches(row, usagePage, usage)) return row.create();
    return nullptr;
}

}  // namespace orv::hidport
