// Simulated devices of each dialect, as the terminals and scanners present them.
#pragma once

#include <string>

#include "platform/hid_sim.h"

namespace orv::hidport::test {

inline ORV_HID_SIM_DEVICE PosScanner(const char* product = "ZR Scanner", const char* serial = "") {
    return {product, serial, 0x0C2E, 0x0B61, 0x0100, 0x008C, 0x0002, 64, 64, 2, TRUE};
}
inline ORV_HID_SIM_DEVICE StringReportDevice(const char* product = "ZR Text") {
    return {product, "", 0x1A2B, 0x4B00, 0, 0xFF45, 0x4B00, 64, 13, 0, FALSE};
}
inline ORV_HID_SIM_DEVICE FeatureReportDevice(const char* product = "ZR Feature") {
    return {product, "", 0x1A2B, 0x6400, 0, 0xFF45, 0x6400, 8, 64, 250, FALSE};
}
inline ORV_HID_SIM_DEVICE CountedReportDevice(const char* product = "ZR Counted",
                                              USHORT output = 64) {
    return {product, "", 0x1A2B, 0xA000, 0, 0xFFA0, 0x0001, 64, output, 0, FALSE};
}

inline std::string SimPath(unsigned id) {
    return "sim:" + std::to_string(id);
}

}  // namespace orv::hidport::test
