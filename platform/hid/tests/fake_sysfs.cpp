#include "fake_sysfs.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace orv::hid::test {
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

}  // namespace

FakeSysfs::FakeSysfs() {
    std::string pattern = (fs::temp_directory_path() / "orv-hid-sysfs-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    root_ = pattern;
    fs::create_directories(fs::path(root_) / "sys/class/hidraw");
    fs::create_directories(fs::path(root_) / "dev");
    setenv("ORV_HID_SYSFS_ROOT", (fs::path(root_) / "sys").c_str(), 1);
    setenv("ORV_HID_DEV_ROOT", (fs::path(root_) / "dev").c_str(), 1);
}

FakeSysfs::~FakeSysfs() {
    unsetenv("ORV_HID_SYSFS_ROOT");
    unsetenv("ORV_HID_DEV_ROOT");
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string FakeSysfs::DevPath(int number) const {
    return (fs::path(root_) / "dev" / ("hidraw" + std::to_string(number))).string();
}

void FakeSysfs::Add(const FakeNode& node) {
    const fs::path sys = fs::path(root_) / "sys";
    const std::string n = std::to_string(node.number);
    const std::string hidName = (node.usb ? "0003:" : "0005:") + Hex(node.vendorId, 4) + ":" +
                                Hex(node.productId, 4) + "." + Hex(node.number + 1, 4);
    fs::path parent;
    if (node.usb) {
        const fs::path usbDevice = sys / "devices/pci0000:00/0000:00:14.0/usb1" / ("1-" + n);
        Write(usbDevice / "idVendor", Hex(node.vendorId, 4) + "\n");
        Write(usbDevice / "idProduct", Hex(node.productId, 4) + "\n");
        Write(usbDevice / "bcdDevice", Hex(node.bcdDevice, 4) + "\n");
        if (!node.product.empty()) Write(usbDevice / "product", node.product + "\n");
        if (!node.serial.empty()) Write(usbDevice / "serial", node.serial + "\n");
        parent = usbDevice / ("1-" + n + ":1.0");
    } else {
        parent = sys / "devices/virtual/misc/uhid" / ("bt" + n);
    }
    const fs::path hidDevice = parent / hidName;
    std::string uevent = "DRIVER=hid-generic\nHID_ID=" + std::string(node.usb ? "0003" : "0005") +
                         ":0000" + Hex(node.vendorId, 4) + ":0000" + Hex(node.productId, 4) + "\n";
    uevent += "HID_NAME=" + (node.usb ? "Maker " + node.product : node.product) + "\n";
    uevent += "HID_UNIQ=" + (node.usb ? std::string() : node.serial) + "\n";
    Write(hidDevice / "uevent", uevent);
    Write(hidDevice / "report_descriptor",
          std::string(node.descriptor.begin(), node.descriptor.end()));
    const fs::path classNode = sys / "class/hidraw" / ("hidraw" + n);
    fs::create_directories(hidDevice / "hidraw" / ("hidraw" + n));
    fs::create_directories(classNode);
    fs::create_directory_symlink(fs::relative(hidDevice, classNode), classNode / "device");
    // class/hidraw/hidrawN is itself a link in real sysfs; a folder holding the "device" link
    // reads the same.
    switch (node.dev) {
        case FakeNode::Dev::File:
            Write(DevPath(node.number), "");
            break;
        case FakeNode::Dev::Fifo:
            mkfifo(DevPath(node.number).c_str(), 0600);
            break;
        case FakeNode::Dev::Missing:
            break;
    }
}

}  // namespace orv::hid::test
