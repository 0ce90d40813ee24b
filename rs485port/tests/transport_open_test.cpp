// Opening and closing: the start-up, the numbers check, the subsystem's open and acquire, the
// worker window, several devices at once, the close wait and the transport's end.
#include <array>
#include <atomic>
#include <cstring>
#include <thread>

#include "rs485port/pos_subsystem.h"
#include "transport_fixture.h"

namespace orv::rs485::test {
namespace {

using OpenTest = TransportTest;

TEST_F(OpenTest, OpensAcquiresAndHandsOutSlotPlusOne) {
    int status = 12345;
    const int handle = Open(1, 1, 1, 1, &status);
    ASSERT_EQ(handle, 1);
    EXPECT_EQ(status, 12345);  // a successful open leaves the status alone
    EXPECT_EQ(Transport_GetResult(), TR_SUCCESS);
    EXPECT_NE(orvposs_Descriptor(terminal_), 0);
    EXPECT_EQ(orvposs_CallCount("PosIOCtl"), 1u);  // acquire

    // The queue handle the subsystem got is the worker's hidden window.
    HWND worker = orvposs_QueueWindow(terminal_);
    ASSERT_TRUE(IsWindow(worker));
    char title[64] = {};
    GetWindowTextA(worker, title, sizeof title);
    EXPECT_STREQ(title, "Transport Window");
    EXPECT_NE(GetWindowThreadProcessId(worker, nullptr), GetCurrentThreadId());

    EXPECT_EQ(Close(handle), 1);
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);
    EXPECT_EQ(orvposs_CallCount("PosIOCtl"), 2u);  // release
    EXPECT_FALSE(IsWindow(worker));
    // The class went with the last worker: it can be registered afresh.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Transport_xptrs485";
    EXPECT_NE(RegisterClassA(&wc), 0);
    EXPECT_TRUE(UnregisterClassA("Transport_xptrs485", nullptr));

    const std::vector<std::string> log = LogEntries();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[log.size() - 5], "Device ID = 1\t Transport_Close");
    EXPECT_EQ(log[log.size() - 4], "Device ID = 1\t Do not wait for Previous command to get completed");
    EXPECT_EQ(log[log.size() - 3], "Device ID = 1\t Transport_Close::All references zero");
    EXPECT_EQ(log[log.size() - 2], "Device ID = 1\t Transport_Close::Released the device");
    EXPECT_EQ(log[log.size() - 1], "Transport_Destroy::Destroyed the transport layer");
}

TEST_F(OpenTest, StartUpCallsInitializeWithTheCallersNameAndResourceFile) {
    ASSERT_EQ(Open(), 1);
    char text[32] = {}, file[32] = {};
    BOOL zero = FALSE;
    ASSERT_TRUE(orvposs_LastInitialize(text, sizeof text, file, sizeof file, &zero));
    EXPECT_STREQ(text, "ORVANE");
    EXPECT_EQ(std::strlen(text), 6u);
    for (const char* c = text; *c != '\0'; ++c) EXPECT_TRUE(*c >= 'A' && *c <= 'Z');
    EXPECT_STREQ(file, "res.dat");
    EXPECT_TRUE(zero);
}

TEST_F(OpenTest, StartUpRunsOncePerTransportLifeForTheOpensThatAskForIt) {
    orvposs_AddDevice(1, 2, 1, 0x65);
    const int first = Open(1, 1, 1, 1);
    ASSERT_EQ(first, 1);
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 1u);
    const int second = Open(1, 2, 1, 1);  // the transport lives: no second start-up
    ASSERT_EQ(second, 2);
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 1u);
    EXPECT_EQ(Close(first), 1);
    EXPECT_EQ(Close(second), 1);
    ASSERT_EQ(Open(1, 1, 1, 0), 1);  // a new transport, not asking
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 1u);
    Close(1);
    ASSERT_EQ(Open(1, 1, 1, 1), 1);  // a new transport, asking
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 2u);
}

TEST_F(OpenTest, WithoutStartUpAnUninitialisedSubsystemRefusesTheOpen) {
    int status = 0;
    EXPECT_EQ(Open(1, 1, 1, 0, &status), 0);
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 0u);
    EXPECT_EQ(status, TR_E_OPEN_FAILED);
    EXPECT_EQ(Transport_GetResult(), TR_E_POS_OPEN);
    EXPECT_TRUE(LogContains("Pos not initialized!\n"));
    EXPECT_TRUE(LogContains("Device ID = 1\t Can not open pad\n"));
}

TEST_F(OpenTest, StartUpCountsOnlyListedAddressesAnnouncedOnline) {
    orvposs_Reset();
    terminal_ = orvposs_AddDevice(1, 1, 1, 0x70);  // online, but not on the list
    int status = 0;
    EXPECT_EQ(Open(1, 1, 1, 1, &status), 0);
    EXPECT_EQ(Transport_GetResult(), TR_E_POSS);
    EXPECT_EQ(status, TR_E_POSS);
    EXPECT_TRUE(LogContains("Pos device offline!\n"));

    // A foreign system message and a device-online message with the wrong tag do not count;
    // a listed address does.
    const uint8_t foreign[16] = {0x0A, 0x42, 0, 0, 0x0A, 0x64};
    const uint8_t wrongTag[16] = {0x0D, 0x42, 0, 0, 0x0B, 0x64};
    const uint8_t listed[16] = {0x0D, 0x42, 0, 0, 0x0A, 0x69};
    orvposs_QueueSystemMessage(foreign);
    orvposs_QueueSystemMessage(wrongTag);
    EXPECT_EQ(Open(1, 1, 1, 1), 0);
    orvposs_QueueSystemMessage(foreign);
    orvposs_QueueSystemMessage(listed);
    EXPECT_EQ(Open(1, 1, 1, 1), 1);
}

TEST_F(OpenTest, StartUpReadsAtMost101SystemMessages) {
    orvposs_Reset();
    terminal_ = orvposs_AddDevice(1, 1, 1, 0x64);
    orvposs_SetOnline(terminal_, 0);
    const uint8_t noise[16] = {0x01, 0x02};
    for (int i = 0; i < 150; ++i) orvposs_QueueSystemMessage(noise);
    EXPECT_EQ(Open(1, 1, 1, 1), 0);
    EXPECT_EQ(orvposs_CallCount("PosRead"), 101u);
}

TEST_F(OpenTest, StartUpStopsOnceEveryListedDeviceIsOnline) {
    orvposs_AddDevice(1, 2, 1, 0x65);
    orvposs_AddDevice(1, 3, 1, 0x68);
    orvposs_AddDevice(1, 4, 1, 0x69);
    orvposs_AddDevice(1, 5, 1, 0x70);  // announced fifth, never read
    ASSERT_EQ(Open(), 1);
    EXPECT_EQ(orvposs_CallCount("PosRead"), 4u);
}

// Each error number PosInitialize can fail with: its trace text and the open's result.
struct StartupError {
    int posErrno;
    const char* text;
    int result;
};

void PrintTo(const StartupError& row, std::ostream* out) {
    *out << "PosErrno " << row.posErrno;
}

class StartupErrorTest : public TransportTest,
                         public ::testing::WithParamInterface<StartupError> {};

TEST_P(StartupErrorTest, LogsTheTableTextAndFailsTheOpen) {
    const StartupError& row = GetParam();
    orvposs_FailNext("PosInitialize", row.posErrno, 1);
    int status = 0;
    EXPECT_EQ(Open(1, 1, 1, 1, &status), 0);
    EXPECT_EQ(Transport_GetResult(), row.result);
    EXPECT_EQ(status, row.result);
    EXPECT_TRUE(LogContains(row.text)) << Log();
}

INSTANTIATE_TEST_SUITE_P(
    PosErrorTable, StartupErrorTest,
    ::testing::Values(StartupError{302, "Pos not initialized!\n", -618},
                      StartupError{303, "Attempt to use invalid POSS device descriptor\n", -619},
                      StartupError{305, "POSS OOM!\n", -617},
                      StartupError{311, "Pos function not supported!\n", -617},
                      StartupError{312, "Pos buffer to small error!\n", -617},
                      StartupError{315, "POSS Sys not acquired!\n", -617},
                      StartupError{317, "Pos device offline!\n", -617},
                      StartupError{318, "invalide byte length!\n", -617},
                      StartupError{329, "POSS timed out!\n", -617},
                      StartupError{332, "POSS interrupted error!\n", -617},
                      StartupError{334, "Poss invalid address!\n", -617},
                      StartupError{335, "Pos sys locked no read!\n", -617},
                      StartupError{337, "Pos service not available!\n", -617},
                      StartupError{5907, "Pos previous write not complete!\n", -617},
                      // Numbers that leave the result alone still fail the start-up.
                      StartupError{16905, "Recived TransmitAbort Mesage!", -617},
                      StartupError{999, "Pos Error Message ID 999\n", -617}));

// A zero (in 16 bits) slot, port or device number: the first one is logged, -609.
struct BadNumbers {
    unsigned slot, port, device;
    const char* logged;
};

void PrintTo(const BadNumbers& row, std::ostream* out) {
    *out << row.slot << "/" << row.port << "/" << row.device;
}

class BadNumberTest : public TransportTest, public ::testing::WithParamInterface<BadNumbers> {};

TEST_P(BadNumberTest, LogsTheFirstZeroAndFails) {
    const BadNumbers& row = GetParam();
    int status = 0;
    int handle = 77;
    EXPECT_EQ(Transport_Open(&handle, row.slot, row.port, row.device, 1, nullptr, &status,
                             OnReceiveRecorded, OnErrorRecorded),
              0);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(status, TR_E_BAD_NUMBER);
    EXPECT_EQ(Transport_GetResult(), TR_E_BAD_NUMBER);
    EXPECT_TRUE(LogContains(row.logged)) << Log();
    EXPECT_EQ(orvposs_CallCount("PosOpen"), 0u);
    // The open that failed does not keep the transport alive.
    EXPECT_TRUE(LogContains("Transport_Destroy::Destroyed the transport layer\n"));
}

INSTANTIATE_TEST_SUITE_P(
    ZeroNumbers, BadNumberTest,
    ::testing::Values(BadNumbers{0, 1, 1, "Invalid SlotNumber = 0\t "},
                      BadNumbers{1, 0, 1, "Invalid PortNumber = 0\t "},
                      BadNumbers{1, 1, 0, "Invalid DeviceID = 0\t "},
                      BadNumbers{0, 0, 0, "Invalid SlotNumber = 0\t "},
                      BadNumbers{1, 0x10000, 1, "Invalid PortNumber = 0\t "},
                      BadNumbers{1, 1, 0x30000, "Invalid DeviceID = 0\t "}));

TEST_F(OpenTest, SubsystemOpenAndAcquireFailures) {
    int status = 0;
    orvposs_SetOnline(terminal_, 0);
    orvposs_AddDevice(1, 2, 1, 0x65);  // keeps the start-up succeeding
    EXPECT_EQ(Open(1, 1, 1, 1, &status), 0);
    EXPECT_EQ(status, TR_E_OPEN_FAILED);
    EXPECT_EQ(Transport_GetResult(), TR_E_POS_OPEN);
    EXPECT_TRUE(LogContains("Pos device offline!\n"));

    orvposs_SetOnline(terminal_, 1);
    orvposs_FailNext("PosIOCtl", 315, 1);
    int handle = 5;
    EXPECT_EQ(Transport_Open(&handle, 1, 1, 1, 1, nullptr, &status, nullptr, nullptr), 0);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(status, TR_E_OPEN_FAILED);
    EXPECT_EQ(Transport_GetResult(), TR_E_ACQUIRE);
    EXPECT_TRUE(LogContains("Device ID = 1\t Can not acquire pad\n"));
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);  // the descriptor was closed again

    EXPECT_EQ(Open(1, 7, 1, 1, &status), 0);  // no such terminal
    EXPECT_TRUE(LogContains("Poss invalid address!\n"));
}

TEST_F(OpenTest, NoWorkerWindowFailsWith602) {
    // A class of that name whose windows refuse to be created.
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        return m == WM_CREATE ? -1 : DefWindowProcA(h, m, w, l);
    };
    wc.lpszClassName = "Transport_xptrs485";
    ASSERT_NE(RegisterClassA(&wc), 0);
    int status = 0;
    int handle = 9;
    EXPECT_EQ(Transport_Open(&handle, 1, 1, 1, 0, nullptr, &status, nullptr, nullptr), 0);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(status, TR_E_NO_WORKER_WINDOW);
    EXPECT_TRUE(LogContains("Device ID = 1\t Failed to create transport layer's worker window!\n"));
    UnregisterClassA("Transport_xptrs485", nullptr);
    EXPECT_EQ(Open(1, 1, 1, 1), 1);  // and all is well again
}

TEST_F(OpenTest, FourDevicesShareOneWorkerAndAFifthFindsNoSlot) {
    int terminals[4] = {terminal_, orvposs_AddDevice(1, 2, 1, 0x65), orvposs_AddDevice(1, 3, 1, 0x68),
                        orvposs_AddDevice(1, 4, 1, 0x69)};
    orvposs_AddDevice(1, 5, 1, 0x64);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(Open(1, unsigned(i + 1), 1), i + 1);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(orvposs_QueueWindow(terminals[i]), orvposs_QueueWindow(terminals[0]));
    int status = 0;
    int handle = 0;
    EXPECT_EQ(Transport_Open(&handle, 1, 5, 1, 0, nullptr, &status, nullptr, nullptr), 0);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(status, TR_E_SLOT_IN_USE);

    // Closing one frees its slot for the next open; the others keep working.
    EXPECT_EQ(Close(2), 1);
    EXPECT_EQ(Open(1, 5, 1), 2);
    ResetCallbacks(true);
    ASSERT_EQ(orvposs_SendData(terminals[3], "four", 4), 1);
    ASSERT_TRUE(WaitForReceiveCalls(1));
    EXPECT_EQ(ReceiveCalls()[0].handle, 4);
    EXPECT_EQ(ReceiveCalls()[0].read, (Bytes{'f', 'o', 'u', 'r'}));
}

TEST_F(OpenTest, DevicesOpenWriteAndCloseFromSeveralThreadsAtOnce) {
    const int terminals[4] = {terminal_, orvposs_AddDevice(1, 2, 1, 0x65),
                              orvposs_AddDevice(1, 3, 1, 0x68), orvposs_AddDevice(1, 4, 1, 0x69)};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const Bytes data = Pattern(300, unsigned(t));
            for (int round = 0; round < 5; ++round) {
                int handle = 0, status = 0;
                if (Transport_Open(&handle, 1, unsigned(t + 1), 1, 1, nullptr, &status, nullptr,
                                   nullptr) == 0) {
                    ++failures;
                    continue;
                }
                if (Transport_Write(handle, data.data(), 300, &status) == 0) ++failures;
                for (int i = 0; i < 300 && orvposs_CallCount("PosWrite") == 0; ++i) Sleep(5);
                Sleep(DWORD(10 * t));
                if (Transport_Close(handle, &status) == 0) ++failures;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);
    EXPECT_EQ(orvposs_ProtocolViolations(), 0u);
    for (int terminal : terminals) EXPECT_LE(orvposs_TakeReceived(terminal, nullptr, 0), 1500u);
    // Whatever interleaving it went through, the transport ends closed and opens afresh.
    EXPECT_EQ(Open(), 1);
}

TEST_F(OpenTest, CloseWaitsForTheOutstandingPieceAtMostFiveSeconds) {
    const int handle = Open();
    ASSERT_EQ(handle, 1);
    orvposs_HoldTransmitComplete(1);  // the terminal never answers
    int status = 0;
    const Bytes data = Pattern(400);
    ASSERT_EQ(Transport_Write(handle, data.data(), 400, &status), 1);
    for (int i = 0; i < 100 && orvposs_CallCount("PosWrite") == 0; ++i) Sleep(10);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Close(handle), 1);
    const DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 4900u);
    EXPECT_LT(waited, 7000u);
    EXPECT_TRUE(LogContains("Device ID = 1\t Enter wait for Previous command to get completed\n"));
    EXPECT_TRUE(LogContains("Device ID = 1\t Done Flag = 0\n"));
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);
}

TEST_F(OpenTest, CloseEndsTheWriteWhenTheOutstandingPieceCompletes) {
    const int handle = Open();
    ASSERT_EQ(handle, 1);
    orvposs_SetTransmitDelay(300);
    int status = 0;
    const Bytes data = Pattern(400);
    const DWORD written = GetTickCount();  // the piece goes out after this, done 300 ms later
    ASSERT_EQ(Transport_Write(handle, data.data(), 400, &status), 1);
    for (int i = 0; i < 100 && orvposs_CallCount("PosWrite") == 0; ++i) Sleep(10);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Close(handle), 1);
    const DWORD end = GetTickCount();
    // Close returned once the piece was done: not before its 300 ms, and long before the
    // five seconds it waits for a piece that never completes.
    EXPECT_GE(end - written, 290u);
    EXPECT_LT(end - start, 2000u);
    EXPECT_TRUE(LogContains("Device ID = 1\t Done Flag = 1\n"));
    // The piece that was out completed; no further piece was started.
    EXPECT_EQ(orvposs_CallCount("PosWrite"), 1u);
    EXPECT_TRUE(LogContains("Skipped POSM_RS232_XMIT_COMPLETE Message & reset values\n"));
}

TEST_F(OpenTest, CloseFromTheReceiveCallbackEndsTheTransport) {
    static int closed = -1;
    closed = -1;
    int handle = 0, status = 0;
    ASSERT_EQ(Transport_Open(&handle, 1, 1, 1, 1, nullptr, &status,
                             [](int, int h) {
                                 int s = 0;
                                 closed = Transport_Close(h, &s);
                             },
                             nullptr),
              1);
    HWND worker = orvposs_QueueWindow(terminal_);
    ASSERT_EQ(orvposs_SendData(terminal_, "x", 1), 1);
    for (int i = 0; i < 300 && IsWindow(worker); ++i) Sleep(10);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(IsWindow(worker));
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);
    EXPECT_EQ(Open(), 1);  // a new transport starts cleanly
}

}  // namespace
}  // namespace orv::rs485::test
