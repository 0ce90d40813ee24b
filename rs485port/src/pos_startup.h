// The POS start-up: PosInitialize, then the device-online system messages read from
// descriptor 0, counted for the devices of the address list.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orv::rs485 {

constexpr std::string_view kDeviceAddressList = "64,65,68,69";
// The caller's name handed to PosInitialize: six upper-case letters.
constexpr char kInitializeText[] = "ORVANE";
constexpr char kResourceFile[] = "res.dat";
constexpr int kMaxSystemMessageReads = 101;

using DeviceAddresses = std::array<uint8_t, 4>;

// Checks a list of one to four two-digit entries separated by commas (only digits and commas,
// longer than one character, at most 3 × entries − 1) and reads each entry as a hexadecimal
// byte ("64" → 0x64). Returns the number of entries, 0 for a list that fails the check.
int ParseDeviceAddressList(std::string_view list, DeviceAddresses& addresses);

// The bit (1 << index in addresses) of the device a system message announces online; 0 when
// the message is not POSM_DEVICE_ONLINE for one of the `count` addresses.
unsigned OnlineDeviceBit(const uint8_t* message, size_t length, const DeviceAddresses& addresses,
                         int count);

// Runs the start-up. TR_SUCCESS when at least one listed device came online; otherwise the
// result code of the failure, which has been logged.
int RunPosStartup();

}  // namespace orv::rs485
