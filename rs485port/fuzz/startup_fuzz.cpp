// The start-up's device address list check and its reading of device-online messages, fed any
// text and any system messages: a list that passes has one to four two-digit entries and reads
// back as it was written; a message counts for at most one listed address.
//
// Input: byte 0 the length of the list text, the text, then 16-byte system messages.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pos_startup.h"

using namespace orv::rs485;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t listLength = std::min<size_t>(data[0], size - 1);
    const std::string_view list(reinterpret_cast<const char*>(data + 1), listLength);
    DeviceAddresses addresses{};
    const int count = ParseDeviceAddressList(list, addresses);
    if (count < 0 || count > 4) std::abort();
    if (count > 0) {
        std::string rebuilt;
        for (int i = 0; i < count; ++i) {
            char entry[4];
            std::snprintf(entry, sizeof entry, "%02x", addresses[size_t(i)]);
            rebuilt += (i > 0 ? "," : "") + std::string(entry);
        }
        if (rebuilt != list) std::abort();
    }
    const uint8_t* messages = data + 1 + listLength;
    size_t left = size - 1 - listLength;
    while (left > 0) {
        const size_t length = std::min<size_t>(left, 16);
        const unsigned bit = OnlineDeviceBit(messages, length, addresses, count);
        if (bit != 0 && ((bit & (bit - 1)) != 0 || bit >= (1u << count))) std::abort();
        messages += length;
        left -= length;
    }
    return 0;
}
