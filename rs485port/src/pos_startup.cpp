#include "pos_startup.h"

#include "pos_errors.h"
#include "pos_library.h"
#include "rs485port/pos_subsystem.h"
#include "rs485port/transport.h"
#include "trace_log.h"

namespace orv::rs485 {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

uint32_t LittleEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// A failed start-up always fails the open, whatever the table says of the number.
int StartupFailure(int posError) {
    TraceLog::Get().PosError(posError);
    const int result = FindPosError(posError).result;
    return result != 0 ? result : TR_E_POSS;
}

}  // namespace

int ParseDeviceAddressList(std::string_view list, DeviceAddresses& addresses) {
    int entries = 1;
    for (char c : list) {
        if (c == ',') {
            ++entries;
        } else if (!IsDigit(c)) {
            return 0;
        }
    }
    if (entries > int(addresses.size())) return 0;
    if (list.size() <= 1 || list.size() > size_t(3 * entries - 1)) return 0;
    int index = 0;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string_view::npos) end = list.size();
        if (end - start != 2) return 0;  // each entry is exactly one byte in two digits
        addresses[size_t(index++)] =
            uint8_t((list[start] - '0') << 4 | (list[start + 1] - '0'));
        start = end + 1;
    }
    return entries;
}

unsigned OnlineDeviceBit(const uint8_t* message, size_t length, const DeviceAddresses& addresses,
                         int count) {
    if (message == nullptr || length < 8) return 0;
    if (LittleEndian32(message) != POSM_DEVICE_ONLINE) return 0;
    if (message[4] != POS_ONLINE_DATA_TAG) return 0;
    for (int i = 0; i < count && i < int(addresses.size()); ++i) {
        if (message[5] == addresses[size_t(i)]) return 1u << i;
    }
    return 0;
}

int RunPosStartup() {
    DeviceAddresses addresses{};
    const int count = ParseDeviceAddressList(kDeviceAddressList, addresses);
    if (count == 0) return StartupFailure(POSERR_BAD_ADDRESS);

    PosLibrary& pos = PosLibrary::Get();
    const int initialized = pos.Initialize(kInitializeText, kResourceFile);
    if (initialized != 0) return StartupFailure(initialized < 0 ? pos.Errno() : initialized);

    const unsigned all = (1u << count) - 1;
    unsigned online = 0;
    uint8_t message[POS_SYSTEM_MESSAGE_SIZE];
    for (int read = 0; read < kMaxSystemMessageReads && online != all; ++read) {
        const int got = pos.Read(0, message, sizeof message);
        if (got <= 0) break;
        online |= OnlineDeviceBit(message, size_t(got), addresses, count);
    }
    if (online == 0) return StartupFailure(POSERR_OFFLINE);
    return TR_SUCCESS;
}

}  // namespace orv::rs485
