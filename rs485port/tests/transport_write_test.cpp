// Sending: requests of up to 1,024 bytes, 160-byte pieces each after the previous
// transmit-complete, the client's TRWM_XMIT_COMPLETE / TRWM_XMIT_FAILED, and the wait for a
// previous write.
#include <algorithm>
#include <iterator>
#include <thread>

#include "transport_fixture.h"

namespace orv::rs485::test {
namespace {

using WriteTest = TransportTest;

std::vector<unsigned> Pieces(int terminal) {
    std::vector<unsigned> sizes(64);
    sizes.resize(orvposs_TakePieceSizes(terminal, sizes.data(), unsigned(sizes.size())));
    return sizes;
}

Bytes Received(int terminal) {
    Bytes bytes(8192);
    bytes.resize(orvposs_TakeReceived(terminal, bytes.data(), unsigned(bytes.size())));
    return bytes;
}

TEST_F(WriteTest, MoreThan1024BytesFailWith606) {
    const int handle = Open();
    ASSERT_EQ(handle, 1);
    const Bytes data = Pattern(1025);
    int status = 0;
    EXPECT_EQ(Transport_Write(handle, data.data(), 1025, &status), 0);
    EXPECT_EQ(status, TR_E_WRITE_TOO_LONG);
    EXPECT_EQ(Transport_GetResult(), TR_E_WRITE_TOO_LONG);
    PumpFor(250ms);
    EXPECT_EQ(orvposs_CallCount("PosWrite"), 0u);
}

TEST_F(WriteTest, FourHundredBytesLeaveAs160_160_80EachAfterTheLastCompleted) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    ASSERT_EQ(handle, 1);
    orvposs_SetTransmitDelay(40);
    const Bytes data = Pattern(400);
    int status = 0;
    const DWORD start = GetTickCount();
    ASSERT_EQ(Transport_Write(handle, data.data(), 400, &status), 1);
    EXPECT_EQ(status, TR_SUCCESS);
    MSG done{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_XMIT_COMPLETE, &done));
    EXPECT_GE(GetTickCount() - start, 120u);  // three completions, 40 ms each
    EXPECT_EQ(done.wParam, 400u);
    EXPECT_EQ(done.lParam, 0);
    EXPECT_EQ(Pieces(terminal_), (std::vector<unsigned>{160, 160, 80}));
    EXPECT_EQ(Received(terminal_), data);
    EXPECT_EQ(orvposs_ProtocolViolations(), 0u);  // never a piece before the last completed

    // The trace shows each piece handed over only after the previous completion.
    std::vector<std::string> sends;
    for (const std::string& entry : LogEntries()) {
        if (entry.find("Transport_Transmit.. Sending") != std::string::npos ||
            entry.find("POSM_RS232_XMIT_COMPLETE!") != std::string::npos ||
            entry.find("Post TRWM_XMIT_COMPLETE") != std::string::npos)
            sends.push_back(entry);
    }
    const std::vector<std::string> expected = {
        "Device ID = 1\t Transport_Transmit.. Sending 160 bytes of data",
        "Device ID = 1\t POSM_RS232_XMIT_COMPLETE!",
        "Device ID = 1\t Transport_Transmit.. Sending 160 bytes of data",
        "Device ID = 1\t POSM_RS232_XMIT_COMPLETE!",
        "Device ID = 1\t Transport_Transmit.. Sending 80 bytes of data",
        "Device ID = 1\t POSM_RS232_XMIT_COMPLETE!",
        "Device ID = 1\t Transport_HandleXmitComplete::Post TRWM_XMIT_COMPLETE to command window",
    };
    EXPECT_EQ(sends, expected);
}

TEST_F(WriteTest, ExactlyOneKilobyteIsSixFullPiecesAndTheRest) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    const Bytes data = Pattern(1024, 3);
    int status = 0;
    ASSERT_EQ(Transport_Write(handle, data.data(), 1024, &status), 1);
    MSG done{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_XMIT_COMPLETE, &done));
    EXPECT_EQ(done.wParam, 1024u);
    EXPECT_EQ(Pieces(terminal_), (std::vector<unsigned>{160, 160, 160, 160, 160, 160, 64}));
    EXPECT_EQ(Received(terminal_), data);
}

TEST_F(WriteTest, SecondWriteWaitsForTheFirstAndFailsAfterFiveSeconds) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    orvposs_HoldTransmitComplete(1);
    const Bytes first = Pattern(400), second = Pattern(10, 1);
    int status = 0;
    ASSERT_EQ(Transport_Write(handle, first.data(), 400, &status), 1);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Transport_Write(handle, second.data(), 10, &status), 0);
    const DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 4950u);
    EXPECT_LT(waited, 6500u);
    EXPECT_EQ(status, TR_E_WRITE_BUSY);
    EXPECT_EQ(Transport_GetResult(), TR_E_WRITE_BUSY);
    EXPECT_TRUE(LogContains("Device ID = 1\t Previous Write Not Complete\n"));

    // The first write still finishes once the terminal answers.
    orvposs_HoldTransmitComplete(0);
    orvposs_ReleaseTransmitComplete();
    MSG done{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_XMIT_COMPLETE, &done));
    EXPECT_EQ(done.wParam, 400u);
    EXPECT_EQ(Received(terminal_), first);
}

TEST_F(WriteTest, SecondWriteGoesOutWhenTheFirstFinishesInTime) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    orvposs_SetTransmitDelay(100);
    const Bytes first = Pattern(400), second = Pattern(200, 9);
    int status = 0;
    ASSERT_EQ(Transport_Write(handle, first.data(), 400, &status), 1);
    ASSERT_EQ(Transport_Write(handle, second.data(), 200, &status), 1);
    for (int i = 0; i < 300 && ClientMessages(TRWM_XMIT_COMPLETE).size() < 2; ++i) PumpFor(10ms);
    const std::vector<MSG> done = ClientMessages(TRWM_XMIT_COMPLETE);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].wParam, 400u);
    EXPECT_EQ(done[1].wParam, 200u);
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(Received(terminal_), both);
    EXPECT_EQ(orvposs_ProtocolViolations(), 0u);
}

TEST_F(WriteTest, RefusedPieceEndsTheWriteWithXmitFailed) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    orvposs_FailNext("PosWrite", 317, 1);
    const Bytes data = Pattern(300);
    int status = 0;
    ASSERT_EQ(Transport_Write(handle, data.data(), 300, &status), 1);
    MSG failed{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_XMIT_FAILED, &failed));
    EXPECT_EQ(failed.wParam, 317u);
    EXPECT_TRUE(LogContains("Pos device offline!\n"));
    EXPECT_TRUE(LogContains("Device ID = 1\t Write data failed!\n"));
    EXPECT_TRUE(ClientMessages(TRWM_XMIT_COMPLETE).empty());

    // The device is free for the next write at once.
    const DWORD start = GetTickCount();
    ASSERT_EQ(Transport_Write(handle, data.data(), 300, &status), 1);
    EXPECT_LT(GetTickCount() - start, 1000u);
    MSG done{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_XMIT_COMPLETE, &done));
    EXPECT_EQ(done.wParam, 300u);
}

TEST_F(WriteTest, TransmitAbortEndsTheWriteInsteadOfBlockingTheDevice) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    orvposs_HoldTransmitComplete(1);
    const Bytes data = Pattern(400);
    int status = 0;
    ASSERT_EQ(Transport_Write(handle, data.data(), 400, &status), 1);
    for (int i = 0; i < 100 && orvposs_CallCount("PosWrite") == 0; ++i) Sleep(10);
    ASSERT_EQ(orvposs_PostToQueue(terminal_, 0x4209, 0), 1);  // POSM_RS232_XMIT_ABORT
    MSG failed{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_XMIT_FAILED, &failed));
    EXPECT_EQ(failed.wParam, 0x4209u);
    EXPECT_TRUE(LogContains("Device ID = 1\t Received POS Error message\n"));
    EXPECT_TRUE(LogContains("Recived TransmitAbort Mesage!"));

    // A late completion of the aborted piece is ignored; the device writes again at once.
    orvposs_HoldTransmitComplete(0);
    orvposs_ReleaseTransmitComplete();
    PumpFor(250ms);
    const DWORD start = GetTickCount();
    ASSERT_EQ(Transport_Write(handle, data.data(), 10, &status), 1);
    EXPECT_LT(GetTickCount() - start, 1000u);
    MSG done{};
    ASSERT_TRUE(WaitForClientMessage(TRWM_XMIT_COMPLETE, &done));
    EXPECT_EQ(done.wParam, 10u);
    EXPECT_EQ(ClientMessages(TRWM_XMIT_COMPLETE).size(), 1u);
}


// Writes back to back, each waiting for the previous request: every one goes out whole and in
// order, whatever its size against the 160-byte piece.
TEST_F(WriteTest, BackToBackWritesOfEverySizeLeaveInOrder) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    const unsigned sizes[] = {1, 159, 160, 161, 320, 1023, 1024, 7, 1024, 1};
    Bytes all;
    unsigned seed = 0;
    for (unsigned size : sizes) {
        const Bytes data = Pattern(size, ++seed);
        int status = -1;
        ASSERT_EQ(Transport_Write(handle, data.data(), size, &status), 1) << size;
        EXPECT_EQ(status, TR_SUCCESS);
        all.insert(all.end(), data.begin(), data.end());
    }
    for (int i = 0; i < 300 && ClientMessages(TRWM_XMIT_COMPLETE).size() < std::size(sizes); ++i)
        PumpFor(10ms);
    const std::vector<MSG> done = ClientMessages(TRWM_XMIT_COMPLETE);
    ASSERT_EQ(done.size(), std::size(sizes));
    for (size_t i = 0; i < done.size(); ++i) EXPECT_EQ(done[i].wParam, sizes[i]) << i;
    EXPECT_EQ(Received(terminal_), all);
    EXPECT_EQ(orvposs_ProtocolViolations(), 0u);
}

// A write waiting for the previous request is ended by a close of the device: it fails with
// "no device" instead of waiting out its five seconds, and the close succeeds.
TEST_F(WriteTest, CloseEndsAWriteWaitingForThePreviousOne) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    orvposs_SetTransmitDelay(50);  // seven pieces: about 350 ms for the first request
    const Bytes first = Pattern(1024), second = Pattern(100, 3);
    int status = 0;
    ASSERT_EQ(Transport_Write(handle, first.data(), 1024, &status), 1);
    int secondResult = -1, secondStatus = -1;
    std::thread writer([&] {
        secondResult = Transport_Write(handle, second.data(), 100, &secondStatus);
    });
    auto writes = [&] {
        const std::string log = Log();
        size_t n = 0;
        for (size_t at = log.find("Transport_Write\n"); at != std::string::npos;
             at = log.find("Transport_Write\n", at + 1))
            ++n;
        return n;
    };
    for (int i = 0; i < 300 && writes() < 2; ++i) Sleep(10);
    ASSERT_EQ(writes(), 2u);
    EXPECT_EQ(Close(handle), 1);
    writer.join();
    EXPECT_EQ(secondResult, 0);
    EXPECT_EQ(secondStatus, TR_E_NO_DEVICE);
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);
    const Bytes received = Received(terminal_);
    EXPECT_LT(received.size(), 1024u);  // the rest of the first request never left
    EXPECT_TRUE(std::equal(received.begin(), received.end(), first.begin()));
}

}  // namespace
}  // namespace orv::rs485::test
