// What sysfs tells about a hidraw node: IDs, strings and the report descriptor. Kept apart from
// the I/O so that enumeration can be tested against a fake tree.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace orv::hid::hidraw {

struct Roots {
    std::string sys;  // $ORV_HID_SYSFS_ROOT or "/sys"
    std::string dev;  // $ORV_HID_DEV_ROOT or "/dev"
    static Roots FromEnvironment();
};

struct NodeInfo {
    USHORT vendorId = 0;
    USHORT productId = 0;
    USHORT version = 0;
    std::string product;  // empty: the device has none
    std::string serial;
    std::vector<BYTE> reportDescriptor;
    bool haveIds = false;         // the uevent's HID_ID was read
    bool haveDescriptor = false;  // report_descriptor was read
};

// "hidrawN" node names present under <sys>/class/hidraw, in N order; nullopt without the folder.
std::optional<std::vector<std::string>> ListNodes(const Roots& roots);
// Reads what sysfs has for node `name` ("hidraw3"); nullopt when the node is not there.
std::optional<NodeInfo> ReadNodeInfo(const Roots& roots, const std::string& name);

}  // namespace orv::hid::hidraw
