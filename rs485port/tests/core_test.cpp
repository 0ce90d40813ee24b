// The transport's pure pieces: the device address list check of the start-up, device-online
// messages, and taking an announced block into the receive buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "incoming_data.h"
#include "pos_startup.h"
#include "rs485port/transport.h"

namespace orv::rs485 {
namespace {

struct AddressListRow {
    const char* list;
    int entries;  // 0: refused
    DeviceAddresses addresses;
};

TEST(DeviceAddressList, ChecksShapeAndReadsEntriesAsHexBytes) {
    const AddressListRow rows[] = {
        {"64,65,68,69", 4, {0x64, 0x65, 0x68, 0x69}},
        {"64", 1, {0x64}},
        {"00,99", 2, {0x00, 0x99}},
        {"10,20,30", 3, {0x10, 0x20, 0x30}},
        {"", 0, {}},
        {"6", 0, {}},                // one character
        {"645", 0, {}},              // longer than 3 × 1 − 1
        {"6,45", 0, {}},             // right length, but an entry of one digit
        {"64,", 0, {}},              // empty last entry
        {",64", 0, {}},
        {"64,,65", 0, {}},
        {"64,65,68,69,70", 0, {}},   // five entries
        {"6A,65", 0, {}},            // only digits and commas
        {"64 65", 0, {}},
        {"64;65", 0, {}},
        {"-1,65", 0, {}},
        {"64,65,68,699", 0, {}},
    };
    for (const AddressListRow& row : rows) {
        DeviceAddresses got{};
        EXPECT_EQ(ParseDeviceAddressList(row.list, got), row.entries) << '"' << row.list << '"';
        if (row.entries > 0) {
            EXPECT_EQ(got, row.addresses) << row.list;
        }
    }
    DeviceAddresses standard{};
    EXPECT_EQ(ParseDeviceAddressList(kDeviceAddressList, standard), 4);
}

TEST(DeviceAddressList, OnlineMessagesCountOnlyListedAddressesWithTheTag) {
    const DeviceAddresses listed{0x64, 0x65, 0x68, 0x69};
    auto message = [](uint32_t number, uint8_t tag, uint8_t address) {
        std::vector<uint8_t> m(16);
        std::memcpy(m.data(), &number, 4);
        m[4] = tag;
        m[5] = address;
        return m;
    };
    EXPECT_EQ(OnlineDeviceBit(message(0x420D, 0x0A, 0x64).data(), 16, listed, 4), 1u);
    EXPECT_EQ(OnlineDeviceBit(message(0x420D, 0x0A, 0x69).data(), 16, listed, 4), 8u);
    EXPECT_EQ(OnlineDeviceBit(message(0x420D, 0x0A, 0x69).data(), 16, listed, 2), 0u);
    EXPECT_EQ(OnlineDeviceBit(message(0x420D, 0x0B, 0x64).data(), 16, listed, 4), 0u);
    EXPECT_EQ(OnlineDeviceBit(message(0x420C, 0x0A, 0x64).data(), 16, listed, 4), 0u);
    EXPECT_EQ(OnlineDeviceBit(message(0x420D, 0x0A, 0x70).data(), 16, listed, 4), 0u);
    EXPECT_EQ(OnlineDeviceBit(message(0x420D, 0x0A, 0x64).data(), 7, listed, 4), 0u);  // short
    EXPECT_EQ(OnlineDeviceBit(nullptr, 16, listed, 4), 0u);
}

// One announced block against a buffer already holding `held` bytes of 'h'.
struct IncomingRow {
    const char* name;
    uint32_t held;
    uint32_t announced;
    std::vector<uint8_t> block;  // what the subsystem's read gives
    int readResult;              // PosRead's result (the block's size unless it lies or fails)
    IncomingOutcome::Kind kind;
    uint32_t added;
};

std::vector<uint8_t> BlockOf(uint16_t status, uint16_t length, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> block(4 + data.size());
    block[0] = uint8_t(status);
    block[1] = uint8_t(status >> 8);
    block[2] = uint8_t(length);
    block[3] = uint8_t(length >> 8);
    std::copy(data.begin(), data.end(), block.begin() + 4);
    return block;
}

TEST(IncomingData, StatusWordLengthHeaderAndRoom) {
    using K = IncomingOutcome;
    const std::vector<uint8_t> three{'a', 'b', 'c'};
    const IncomingRow rows[] = {
        {"data", 0, 7, BlockOf(0, 3, three), 7, K::kData, 3},
        {"appended", 10, 7, BlockOf(0, 3, three), 7, K::kData, 3},
        {"length word too big", 0, 7, BlockOf(0, 3000, three), 7, K::kData, 3},
        {"length word smaller", 0, 7, BlockOf(0, 2, three), 7, K::kData, 2},
        {"length word zero", 0, 7, BlockOf(0, 0, three), 7, K::kNothingNew, 0},
        {"header only", 0, 4, BlockOf(0, 9, {}), 4, K::kNothingNew, 0},
        {"status word only", 0, 2, {0, 0}, 2, K::kNothingNew, 0},
        {"status 1", 0, 7, BlockOf(1, 3, three), 7, K::kStatusError, 0},
        {"status 2", 0, 7, BlockOf(2, 3, three), 7, K::kStatusError, 0},
        {"status 4", 0, 7, BlockOf(4, 3, three), 7, K::kStatusError, 0},
        {"status 2 alone", 0, 2, {2, 0}, 2, K::kStatusError, 0},
        {"status 3", 0, 7, BlockOf(3, 3, three), 7, K::kData, 3},
        {"one byte", 0, 1, {0}, 1, K::kReadFailed, 0},
        {"nothing", 0, 7, {}, 0, K::kReadFailed, 0},
        {"read failed", 0, 7, {}, -1, K::kReadFailed, 0},
        {"zero announced", 0, 0, BlockOf(0, 3, three), 7, K::kZeroLength, 0},
        {"exactly full", 4089, 7, BlockOf(0, 3, three), 7, K::kData, 3},
        {"one too many", 4090, 7, BlockOf(0, 3, three), 7, K::kDropped, 0},
        {"announced beyond any buffer", 0, 65535, BlockOf(0, 3, three), 7, K::kDropped, 0},
        {"reader claims more than it may", 4089, 7, BlockOf(0, 60000, three), 60000, K::kData, 3},
    };
    for (const IncomingRow& row : rows) {
        std::vector<uint8_t> buffer(TR_RECEIVE_BUFFER, 0);
        std::memset(buffer.data(), 'h', row.held);
        uint32_t held = row.held;
        int capacityGiven = -1;
        const IncomingOutcome outcome =
            TakeIncomingData(buffer.data(), held, row.announced, [&](uint8_t* into, int capacity) {
                capacityGiven = capacity;
                std::copy_n(row.block.begin(), std::min<size_t>(row.block.size(), size_t(capacity)),
                            into);
                return row.readResult;
            });
        EXPECT_EQ(outcome.kind, row.kind) << row.name;
        EXPECT_EQ(outcome.added, row.added) << row.name;
        EXPECT_EQ(held, row.held + row.added) << row.name;
        if (capacityGiven >= 0) {
            EXPECT_EQ(uint32_t(capacityGiven), TR_RECEIVE_BUFFER - row.held);
        }
        // Held bytes stay, new data follows them, and every byte after is zero.
        for (uint32_t i = 0; i < row.held; ++i) ASSERT_EQ(buffer[i], 'h') << row.name;
        for (uint32_t i = 0; i < row.added; ++i) EXPECT_EQ(buffer[row.held + i], three[i]) << row.name;
        for (size_t i = held; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0) << row.name << " at " << i;
    }
}

}  // namespace
}  // namespace orv::rs485
