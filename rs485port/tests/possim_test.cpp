// The simulated POS subsystem on its own: the entry points as the transport relies on them,
// the terminal's answers, the faults on demand and the configuration from the environment.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/win32.h"
#include "possim/orvposs.h"
#include "rs485port/pos_subsystem.h"

extern "C" {
int PosInitialize(const char*, const char*, int, int, int, int);
int PosOpen(const char*, const char*, int, const PosOpenArg*);
int PosIOCtl(int, int, void*, int);
int PosRead(int, void*, int);
int PosWrite(int, const void*, int);
int PosClose(int);
int PosErrno(void);
int PosTerm(void);
int PosVersion(char*, int, int*);
}

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<MSG>& Seen() {
    static std::vector<MSG> seen;
    return seen;
}

LRESULT CALLBACK Record(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER) Seen().push_back(MSG{hwnd, msg, wParam, lParam, 0, {0, 0}});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class PosSim : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ORV_POSS_DEVICES");
        unsetenv("ORV_POSS_XMIT_DELAY_MS");
        orvposs_Reset();
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Record;
            wc.lpszClassName = "PosSimQueue";
            return RegisterClassA(&wc);
        }();
        ASSERT_NE(atom, 0);
        queue_ = CreateWindowExA(0, "PosSimQueue", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                 nullptr);
        Seen().clear();
        terminal_ = orvposs_AddDevice(1, 2, 3, 0x65);
    }
    void TearDown() override { DestroyWindow(queue_); }

    int OpenTerminal(unsigned slot = 1, unsigned port = 2, unsigned device = 3) {
        const PosOpenArg args[] = {{"slotNumber", INT_PTR(slot)},
                                   {"portNumber", INT_PTR(port)},
                                   {"deviceNumber", INT_PTR(device)},
                                   {"queueHandle", reinterpret_cast<INT_PTR>(queue_)}};
        return PosOpen("xptrs485", "PosRs232", 4, args);
    }
    std::vector<MSG> Messages(UINT message, int wait_ms = 0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
        std::vector<MSG> matching;
        do {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            matching.clear();
            for (const MSG& m : Seen())
                if (m.message == message) matching.push_back(m);
            if (!matching.empty()) break;
            Sleep(2);
        } while (std::chrono::steady_clock::now() < end);
        return matching;
    }

    HWND queue_ = nullptr;
    int terminal_ = 0;
};

TEST_F(PosSim, InitializeAnnouncesOnlineTerminalsOnDescriptorZero) {
    const int offline = orvposs_AddDevice(4, 4, 4, 0x69);
    orvposs_SetOnline(offline, 0);
    uint8_t message[32];
    EXPECT_EQ(PosRead(0, message, 16), -1);
    EXPECT_EQ(PosErrno(), POSERR_NOT_INITIALIZED);
    ASSERT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), 0);
    ASSERT_EQ(PosRead(0, message, 16), 16);
    const uint8_t expected[16] = {0x0D, 0x42, 0, 0, 0x0A, 0x65};
    EXPECT_EQ(std::memcmp(message, expected, 16), 0);
    EXPECT_EQ(PosRead(0, message, 16), 0);  // the offline one is not announced
    orvposs_SetOnline(offline, 1);           // until it comes online
    ASSERT_EQ(PosRead(0, message, 16), 16);
    EXPECT_EQ(message[5], 0x69);
    EXPECT_EQ(PosRead(0, message, 8), 0);
    orvposs_SetOnline(offline, 0);
    orvposs_SetOnline(offline, 1);
    EXPECT_EQ(PosRead(0, message, 8), -1);  // a system message is read whole
    EXPECT_EQ(PosErrno(), POSERR_BUFFER_TOO_SMALL);
}

TEST_F(PosSim, OpenChecksNamesPairsAndTheTerminal) {
    EXPECT_EQ(OpenTerminal(), -1);
    EXPECT_EQ(PosErrno(), POSERR_NOT_INITIALIZED);
    ASSERT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), 0);
    EXPECT_EQ(PosOpen("other", "PosRs232", 0, nullptr), -1);
    EXPECT_EQ(PosErrno(), POSERR_NOT_SUPPORTED);
    EXPECT_EQ(OpenTerminal(1, 2, 4), -1);
    EXPECT_EQ(PosErrno(), POSERR_BAD_ADDRESS);
    const int descriptor = OpenTerminal();
    ASSERT_GT(descriptor, 0);
    EXPECT_EQ(descriptor & 0x8000, 0);
    EXPECT_EQ(orvposs_Descriptor(terminal_), descriptor);
    EXPECT_EQ(orvposs_QueueWindow(terminal_), queue_);
    EXPECT_EQ(OpenTerminal(), -1);
    EXPECT_EQ(PosErrno(), POSERR_LOCKED);
    EXPECT_EQ(PosClose(descriptor), 0);
    EXPECT_EQ(PosClose(descriptor), -1);
    EXPECT_EQ(PosErrno(), POSERR_BAD_DESCRIPTOR);
    orvposs_SetOnline(terminal_, 0);
    EXPECT_EQ(OpenTerminal(), -1);
    EXPECT_EQ(PosErrno(), POSERR_OFFLINE);
}

TEST_F(PosSim, WritesAreAcquiredPiecesAnsweredByTransmitComplete) {
    ASSERT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), 0);
    const int descriptor = OpenTerminal();
    const Bytes piece(160, 'p');
    EXPECT_EQ(PosWrite(descriptor, piece.data(), 160), -1);
    EXPECT_EQ(PosErrno(), POSERR_NOT_ACQUIRED);
    ASSERT_EQ(PosIOCtl(descriptor, POS_IOCTL_ACQUIRE, nullptr, 0), 0);
    EXPECT_EQ(PosIOCtl(descriptor, 999, nullptr, 0), -1);
    EXPECT_EQ(PosErrno(), POSERR_NOT_SUPPORTED);
    EXPECT_EQ(PosWrite(descriptor, piece.data(), 161), -1);
    EXPECT_EQ(PosErrno(), POSERR_BAD_LENGTH);

    orvposs_HoldTransmitComplete(1);
    EXPECT_EQ(PosWrite(descriptor, piece.data(), 160), 160);
    EXPECT_EQ(PosWrite(descriptor, piece.data(), 10), -1);  // before the completion
    EXPECT_EQ(PosErrno(), POSERR_WRITE_PENDING);
    EXPECT_EQ(orvposs_ProtocolViolations(), 2u);
    EXPECT_TRUE(Messages(POSM_RS232_XMIT_COMPLETE, 50).empty());
    EXPECT_EQ(orvposs_ReleaseTransmitComplete(), 1);
    const auto done = Messages(POSM_RS232_XMIT_COMPLETE, 1000);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].hwnd, queue_);
    EXPECT_EQ(done[0].wParam, WPARAM(descriptor));
    orvposs_HoldTransmitComplete(0);
    EXPECT_EQ(PosWrite(descriptor, piece.data(), 10), 10);
    unsigned sizes[4] = {};
    EXPECT_EQ(orvposs_TakePieceSizes(terminal_, sizes, 4), 2u);
    EXPECT_EQ(sizes[0], 160u);
    EXPECT_EQ(sizes[1], 10u);
    EXPECT_EQ(orvposs_TakeReceived(terminal_, nullptr, 0), 170u);
    EXPECT_EQ(orvposs_TakeReceived(terminal_, nullptr, 0), 0u);
}

TEST_F(PosSim, DataIsAnnouncedAndReadInBlocks) {
    ASSERT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), 0);
    const int descriptor = OpenTerminal();
    EXPECT_EQ(orvposs_SendData(terminal_, "abc", 3), -1);  // not acquired yet
    ASSERT_EQ(PosIOCtl(descriptor, POS_IOCTL_ACQUIRE, nullptr, 0), 0);
    orvposs_SetBlockSize(4);
    ASSERT_EQ(orvposs_SendData(terminal_, "abcdef", 6), 2);
    const auto announced = Messages(POSM_RS232_DATA_AVAIL, 100);
    ASSERT_EQ(announced.size(), 2u);
    EXPECT_EQ(announced[0].wParam, WPARAM(descriptor));
    EXPECT_EQ(announced[0].lParam, 8);
    EXPECT_EQ(announced[1].lParam, 6);
    uint8_t block[16] = {};
    EXPECT_EQ(PosRead(descriptor, block, 7), -1);  // a block is read whole
    EXPECT_EQ(PosErrno(), POSERR_BUFFER_TOO_SMALL);
    ASSERT_EQ(PosRead(descriptor, block, 16), 8);
    EXPECT_EQ(std::memcmp(block, "\0\0\4\0abcd", 8), 0);
    ASSERT_EQ(PosRead(descriptor, block, 16), 6);
    EXPECT_EQ(std::memcmp(block, "\0\0\2\0ef", 6), 0);
    EXPECT_EQ(PosRead(descriptor, block, 16), 0);
}

TEST_F(PosSim, EchoTerminalAnswersEachPiece) {
    orvposs_SetEcho(terminal_, 1);
    ASSERT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), 0);
    const int descriptor = OpenTerminal();
    ASSERT_EQ(PosIOCtl(descriptor, POS_IOCTL_ACQUIRE, nullptr, 0), 0);
    ASSERT_EQ(PosWrite(descriptor, "hello", 5), 5);
    ASSERT_EQ(Messages(POSM_RS232_DATA_AVAIL, 100).size(), 1u);
    uint8_t block[16] = {};
    ASSERT_EQ(PosRead(descriptor, block, 16), 9);
    EXPECT_EQ(std::memcmp(block, "\0\0\5\0hello", 9), 0);
}

TEST_F(PosSim, PlantedFaultsTakeTheNamedCallsOnly) {
    EXPECT_EQ(orvposs_FailNext("PosNothing", 1, 1), 0);
    ASSERT_EQ(orvposs_FailNext("PosInitialize", 329, 2), 1);
    EXPECT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), -1);
    EXPECT_EQ(PosErrno(), 329);
    EXPECT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), -1);
    EXPECT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), 0);
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 3u);
    // PosErrno belongs to the calling thread.
    int other = -1;
    std::thread([&] { other = PosErrno(); }).join();
    EXPECT_EQ(other, 0);
    char text[64];
    int version = 0;
    EXPECT_EQ(PosVersion(text, sizeof text, &version), 0);
    EXPECT_EQ(version, 100);
    EXPECT_EQ(PosTerm(), 0);
    EXPECT_EQ(OpenTerminal(), -1);
}

TEST_F(PosSim, CloseCancelsWhatTheTerminalStillHadToSay) {
    orvposs_SetTransmitDelay(50);
    ASSERT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), 0);
    const int descriptor = OpenTerminal();
    ASSERT_EQ(PosIOCtl(descriptor, POS_IOCTL_ACQUIRE, nullptr, 0), 0);
    ASSERT_EQ(PosWrite(descriptor, "x", 1), 1);
    ASSERT_EQ(PosClose(descriptor), 0);
    EXPECT_TRUE(Messages(POSM_RS232_XMIT_COMPLETE, 200).empty());
}

TEST_F(PosSim, TerminalsComeFromTheEnvironment) {
    setenv("ORV_POSS_DEVICES", "1:1:1=64:echo; 2:2:2=6A:offline,bad,0:1:1=64,3:3:3=ZZ", 1);
    orvposs_Reset();
    unsetenv("ORV_POSS_DEVICES");
    ASSERT_EQ(PosInitialize("ORVANE", "res.dat", 0, 0, 0, 0), 0);
    uint8_t message[16];
    ASSERT_EQ(PosRead(0, message, 16), 16);
    EXPECT_EQ(message[5], 0x64);
    EXPECT_EQ(PosRead(0, message, 16), 0);  // the second is offline, the rest did not parse
    EXPECT_GT(OpenTerminal(1, 1, 1), 0);
    EXPECT_EQ(OpenTerminal(2, 2, 2), -1);
    EXPECT_EQ(PosErrno(), POSERR_OFFLINE);
    EXPECT_EQ(OpenTerminal(1, 2, 3), -1);  // the reset dropped the fixture's terminal
    EXPECT_EQ(PosErrno(), POSERR_BAD_ADDRESS);
}

}  // namespace
