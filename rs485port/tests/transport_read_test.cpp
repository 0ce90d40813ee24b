// Receiving: announced blocks into the 4,096-byte buffer, the status word and length header,
// the client's reads and the re-announcement of what they leave.
#include "rs485port/pos_subsystem.h"
#include "transport_fixture.h"

namespace orv::rs485::test {
namespace {

using ReadTest = TransportTest;

Bytes Block(uint16_t status, uint16_t length, const Bytes& data) {
    Bytes block{uint8_t(status), uint8_t(status >> 8), uint8_t(length), uint8_t(length >> 8)};
    block.insert(block.end(), data.begin(), data.end());
    return block;
}

TEST_F(ReadTest, ReadingTenOfTwentyFiveLeavesFifteenAndAnnouncesThemAgain) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    const Bytes data = Pattern(25);
    ASSERT_EQ(orvposs_SendData(terminal_, data.data(), 25), 1);
    ASSERT_TRUE(WaitForReceiveCalls(1));
    EXPECT_EQ(ReceiveCalls()[0].bytesAvailable, 25);
    EXPECT_EQ(ReceiveCalls()[0].handle, handle);
    MSG announced{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_DATA_AVAILABLE, &announced));
    EXPECT_EQ(announced.lParam, 25);

    Bytes got(10);
    int bytesRead = -1, status = 0;
    EXPECT_EQ(Transport_Read(handle, got.data(), 10, &bytesRead, &status), 1);
    EXPECT_EQ(bytesRead, 10);
    EXPECT_EQ(status, TR_SUCCESS);
    EXPECT_EQ(got, Bytes(data.begin(), data.begin() + 10));
    // The 15 left are announced again, to the callback and to the client.
    ASSERT_EQ(ReceiveCalls().size(), 2u);
    EXPECT_EQ(ReceiveCalls()[1].bytesAvailable, 15);
    const std::vector<MSG> announcements = ClientMessages(TRWM_DATA_AVAILABLE);
    ASSERT_EQ(announcements.size(), 2u);
    EXPECT_EQ(announcements[1].lParam, 15);

    got.assign(100, 0);
    EXPECT_EQ(Transport_Read(handle, got.data(), 100, &bytesRead, &status), 1);
    EXPECT_EQ(bytesRead, 15);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 15), Bytes(data.begin() + 10, data.end()));
    EXPECT_EQ(ReceiveCalls().size(), 2u);  // nothing left, nothing announced

    EXPECT_EQ(Transport_Read(handle, got.data(), 100, &bytesRead, &status), 1);
    EXPECT_EQ(bytesRead, 0);
    EXPECT_EQ(status, TR_SUCCESS);

    const std::string log = Log();
    EXPECT_NE(log.find("Device ID = 1\t Transport_Read requesting 10 bytes\n"), std::string::npos);
    char byte[64];
    std::snprintf(byte, sizeof byte, "Following 10 bytes are consumed\n Byte = 0\t Value = %x\n",
                  unsigned(data[0]));
    EXPECT_NE(log.find(byte), std::string::npos);
    char shift[64];
    std::snprintf(shift, sizeof shift, " ShiftByte = 14\t Value = %x\n", unsigned(data[24]));
    EXPECT_NE(log.find(" Device ID = 1\t Transport_Read:: Consumed = 10\t Bytes remaining = 15\n"),
              std::string::npos);
    EXPECT_NE(log.find(shift), std::string::npos);
    EXPECT_NE(log.find("Device ID = 1\t Consumed all 15 bytes\n"), std::string::npos);
    EXPECT_NE(log.find("Device ID = 1\t No data to consume\n"), std::string::npos);
}

TEST_F(ReadTest, BlocksAccumulateUntilRead) {
    const int handle = Open();
    ASSERT_EQ(orvposs_SendData(terminal_, "abc", 3), 1);
    ASSERT_EQ(orvposs_SendData(terminal_, "defg", 4), 1);
    ASSERT_TRUE(WaitForReceiveCalls(2));
    EXPECT_EQ(ReceiveCalls()[1].bytesAvailable, 7);
    char got[16] = {};
    int bytesRead = 0, status = 0;
    EXPECT_EQ(Transport_Read(handle, got, sizeof got, &bytesRead, &status), 1);
    EXPECT_EQ(std::string(got, size_t(bytesRead)), "abcdefg");
}

TEST_F(ReadTest, ReceiveCallbackMayReadOnTheWorkerThread) {
    ResetCallbacks(true);
    Open();
    const Bytes data = Pattern(300, 5);
    orvposs_SetBlockSize(100);
    ASSERT_EQ(orvposs_SendData(terminal_, data.data(), 300), 3);
    ASSERT_TRUE(WaitForReceiveCalls(3));
    Bytes all;
    for (const ReceiveCall& call : ReceiveCalls()) {
        EXPECT_EQ(call.bytesAvailable, 100);
        all.insert(all.end(), call.read.begin(), call.read.end());
    }
    EXPECT_EQ(all, data);
}

// The status word that opens a block: 1, 2 and 4 are read errors, anything else carries data.
struct StatusRow {
    uint16_t status;
    bool error;
};

void PrintTo(const StatusRow& row, std::ostream* out) {
    *out << "status " << row.status;
}

class StatusWordTest : public TransportTest, public ::testing::WithParamInterface<StatusRow> {};

TEST_P(StatusWordTest, ErrorsGoToTheClientAndTheErrorCallback) {
    const StatusRow& row = GetParam();
    Open(1, 1, 1, 1, nullptr, Client());
    const Bytes block = Block(row.status, 2, {'o', 'k'});
    ASSERT_EQ(orvposs_SendBlock(terminal_, block.data(), unsigned(block.size()),
                                unsigned(block.size())),
              1);
    if (row.error) {
        ASSERT_TRUE(WaitForErrorCalls(1));
        const ErrorCall call = ErrorCalls()[0];
        EXPECT_EQ(call.code, 0x40E);
        EXPECT_EQ(call.text, "TRWM_ERROR");
        EXPECT_EQ(call.slot, 0);
        MSG error{};
        ASSERT_TRUE(WaitForClientMessage(TRWM_ERROR, &error));
        EXPECT_EQ(error.wParam, 0u);
        EXPECT_EQ(error.lParam, 0);
        EXPECT_EQ(Transport_GetResult(), TR_E_READ);
        EXPECT_TRUE(LogContains("Device ID = 1\t PosRead returned an error condition"));
        EXPECT_TRUE(ReceiveCalls().empty());
    } else {
        ASSERT_TRUE(WaitForReceiveCalls(1));
        EXPECT_EQ(ReceiveCalls()[0].bytesAvailable, 2);
        EXPECT_TRUE(ErrorCalls().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(StatusWords, StatusWordTest,
                         ::testing::Values(StatusRow{0, false}, StatusRow{1, true},
                                           StatusRow{2, true}, StatusRow{3, false},
                                           StatusRow{4, true}, StatusRow{5, false},
                                           StatusRow{0x0102, false}));

TEST_F(ReadTest, BlockThatWouldOverflowTheBufferWaitsUnread) {
    const int handle = Open();
    orvposs_SetBlockSize(4000);
    const Bytes first = Pattern(4000), second = Pattern(200, 1);
    ASSERT_EQ(orvposs_SendData(terminal_, first.data(), 4000), 1);
    ASSERT_TRUE(WaitForReceiveCalls(1));
    ASSERT_EQ(orvposs_SendData(terminal_, second.data(), 200), 1);  // 204 + 4,000 > 4,096
    PumpFor(250ms);
    EXPECT_EQ(ReceiveCalls().size(), 1u);

    Bytes got(4096);
    int bytesRead = 0, status = 0;
    ASSERT_EQ(Transport_Read(handle, got.data(), 4096, &bytesRead, &status), 1);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + bytesRead), first);
    // The block left in the subsystem is not lost: it comes with the next announcement, and
    // each later block with the announcement after its own.
    ResetCallbacks(true);
    ASSERT_EQ(orvposs_SendData(terminal_, "n", 1), 1);
    ASSERT_TRUE(WaitForReceiveCalls(1));
    EXPECT_EQ(ReceiveCalls()[0].read, second);
    ASSERT_EQ(orvposs_SendData(terminal_, "o", 1), 1);
    ASSERT_TRUE(WaitForReceiveCalls(2));
    EXPECT_EQ(ReceiveCalls()[1].read, Bytes{'n'});
}

TEST_F(ReadTest, ZeroLengthAnnouncementIsOnlyLogged) {
    Open();
    const unsigned reads = orvposs_CallCount("PosRead");
    ASSERT_EQ(orvposs_PostToQueue(terminal_, POSM_RS232_DATA_AVAIL, 0x10000), 1);  // low word 0
    ASSERT_EQ(orvposs_SendData(terminal_, "z", 1), 1);
    ASSERT_TRUE(WaitForReceiveCalls(1));
    EXPECT_TRUE(
        LogContains("Device ID = 1\t Received 0 length data from POSS on data available!\n"));
    EXPECT_EQ(orvposs_CallCount("PosRead"), reads + 1);  // only the data's block was read
}

TEST_F(ReadTest, FailedSubsystemReadIsReportedAsReadError) {
    Open(1, 1, 1, 1, nullptr, Client());
    orvposs_FailNext("PosRead", 335, 1);
    ASSERT_EQ(orvposs_SendData(terminal_, "lost", 4), 1);
    ASSERT_TRUE(WaitForErrorCalls(1));
    EXPECT_EQ(ErrorCalls()[0].code, TRWM_ERROR);
    EXPECT_TRUE(WaitForClientMessage(TRWM_ERROR));
    EXPECT_TRUE(LogContains("Pos sys locked no read!\n"));
    EXPECT_EQ(Transport_GetResult(), TR_E_READ);
}

TEST_F(ReadTest, SetClientMovesTheNotifications) {
    const int handle = Open(1, 1, 1, 1, nullptr, nullptr);
    int status = 0;
    ASSERT_EQ(orvposs_SendData(terminal_, "1", 1), 1);
    ASSERT_TRUE(WaitForReceiveCalls(1));
    EXPECT_TRUE(ClientMessages(TRWM_DATA_AVAILABLE).empty());
    EXPECT_EQ(Transport_SetClient(handle, Client(), &status), 1);
    EXPECT_EQ(status, TR_SUCCESS);
    ASSERT_EQ(orvposs_SendData(terminal_, "2", 1), 1);
    MSG announced{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_DATA_AVAILABLE, &announced));
    EXPECT_EQ(announced.lParam, 2);
}

}  // namespace
}  // namespace orv::rs485::test
