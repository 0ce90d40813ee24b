// A fake sysfs and /dev tree in a temporary folder, shaped as the kernel lays out hidraw nodes:
//   sys/class/hidraw/hidrawN/device -> sys/devices/.../<usb device>/<interface>/<bus:vid:pid.n>
// with uevent and report_descriptor in the HID device folder and product/serial/idVendor/
// bcdDevice in the USB device folder above it. The environment points the backend at it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::hid::test {

struct FakeNode {
    int number = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::vector<uint8_t> descriptor;
    bool usb = true;      // false: a Bluetooth device (no USB folder above it)
    std::string product;  // USB "product", or HID_NAME off USB
    std::string serial;   // USB "serial", or HID_UNIQ off USB
    uint16_t bcdDevice = 0;
    enum class Dev { File, Fifo, Missing } dev = Dev::File;
};

class FakeSysfs {
public:
    FakeSysfs();   // creates the tree and sets ORV_HID_SYSFS_ROOT / ORV_HID_DEV_ROOT
    ~FakeSysfs();  // removes it and unsets them
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    void Add(const FakeNode& node);
    std::string DevPath(int number) const;
    const std::string& Root() const { return root_; }

private:
    std::string root_;
};

}  // namespace orv::hid::test
