// Bad arguments on every call, the worker window's message handling, the debugger line per
// message and the shape of the trace log.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "rs485port/pos_subsystem.h"
#include "transport_fixture.h"

namespace orv::rs485::test {
namespace {

using MessageTest = TransportTest;

struct BadCall {
    const char* name;
    std::function<int(int handle)> call;
};

TEST_F(MessageTest, MissingOrZeroArgumentsGive604AndTouchNothing) {
    const int handle = Open(1, 1, 1, 1, nullptr, Client());
    ASSERT_EQ(handle, 1);
    char buffer[8];
    int bytesRead = 0, status = 0;
    HWND client = Client();
    const std::vector<BadCall> calls = {
        {"Open without handle",
         [&](int) { return Transport_Open(nullptr, 1, 1, 1, 0, nullptr, &status, nullptr, nullptr); }},
        {"Open without status",
         [&](int) {
             int h = 0;
             return Transport_Open(&h, 1, 1, 1, 0, nullptr, nullptr, nullptr, nullptr);
         }},
        {"Close of handle 0", [&](int) { return Transport_Close(0, &status); }},
        {"Close without status", [&](int h) { return Transport_Close(h, nullptr); }},
        {"Read of handle 0", [&](int) { return Transport_Read(0, buffer, 8, &bytesRead, &status); }},
        {"Read without buffer",
         [&](int h) { return Transport_Read(h, nullptr, 8, &bytesRead, &status); }},
        {"Read of 0 bytes", [&](int h) { return Transport_Read(h, buffer, 0, &bytesRead, &status); }},
        {"Read without count", [&](int h) { return Transport_Read(h, buffer, 8, nullptr, &status); }},
        {"Read without status",
         [&](int h) { return Transport_Read(h, buffer, 8, &bytesRead, nullptr); }},
        {"Write of handle 0", [&](int) { return Transport_Write(0, buffer, 8, &status); }},
        {"Write without data", [&](int h) { return Transport_Write(h, nullptr, 8, &status); }},
        {"Write without status", [&](int h) { return Transport_Write(h, buffer, 8, nullptr); }},
        {"Write of 0 bytes", [&](int h) { return Transport_Write(h, buffer, 0, &status); }},
        {"SetClient of handle 0", [&](int) { return Transport_SetClient(0, client, &status); }},
        {"SetClient without window",
         [&](int h) { return Transport_SetClient(h, nullptr, &status); }},
        {"SetClient without status", [&](int h) { return Transport_SetClient(h, client, nullptr); }},
    };
    for (const BadCall& bad : calls) {
        // A call that succeeds first, so that the result really comes from the bad one.
        ASSERT_EQ(Transport_Read(handle, buffer, 8, &bytesRead, &status), 1);
        ASSERT_EQ(Transport_GetResult(), TR_SUCCESS);
        EXPECT_EQ(bad.call(handle), 0) << bad.name;
        EXPECT_EQ(Transport_GetResult(), TR_E_BAD_ARGUMENT) << bad.name;
    }
    PumpFor(150ms);
    EXPECT_EQ(orvposs_CallCount("PosWrite"), 0u);
    EXPECT_EQ(orvposs_OpenDescriptors(), 1u);  // the device is still open
}

TEST_F(MessageTest, HandlesOfNoDeviceGive600) {
    ASSERT_EQ(Open(), 1);
    char buffer[8];
    for (int handle : {2, 4, 5, -1, 1000}) {
        int bytesRead = 99, status = 0;
        EXPECT_EQ(Transport_Read(handle, buffer, 8, &bytesRead, &status), 0);
        EXPECT_EQ(bytesRead, 0);
        EXPECT_EQ(status, TR_E_NO_DEVICE);
        status = 0;
        EXPECT_EQ(Transport_Write(handle, buffer, 8, &status), 0);
        EXPECT_EQ(status, TR_E_NO_DEVICE);
        status = 0;
        EXPECT_EQ(Transport_SetClient(handle, Client(), &status), 0);
        EXPECT_EQ(status, TR_E_NO_DEVICE);
        status = 0;
        EXPECT_EQ(Transport_Close(handle, &status), 0);
        EXPECT_EQ(status, TR_E_NO_DEVICE);
        EXPECT_EQ(Transport_GetResult(), TR_E_NO_DEVICE);
    }
    EXPECT_EQ(Close(1), 1);
    int status = 0;
    EXPECT_EQ(Transport_Close(1, &status), 0);  // closed twice
    EXPECT_EQ(status, TR_E_NO_DEVICE);
}

// Messages posted to the worker window and what each leaves in the trace.
struct WorkerMessage {
    UINT message;
    bool forTerminal;  // wParam = the terminal's descriptor (else 0x7777, no device)
    const char* logged;
    int result;  // 0: the result stays as the open left it
};

void PrintTo(const WorkerMessage& row, std::ostream* out) {
    *out << "message 0x" << std::hex << row.message << (row.forTerminal ? " for the terminal" : "");
}

class WorkerMessageTest : public TransportTest,
                          public ::testing::WithParamInterface<WorkerMessage> {};

TEST_P(WorkerMessageTest, IsHandledAsTheTransportDoes) {
    const WorkerMessage& row = GetParam();
    ASSERT_EQ(Open(), 1);
    HWND worker = orvposs_QueueWindow(terminal_);
    const WPARAM descriptor = row.forTerminal ? WPARAM(orvposs_Descriptor(terminal_)) : 0x7777;
    ASSERT_TRUE(PostMessageA(worker, row.message, descriptor, 0));
    for (int i = 0; i < 100 && !LogContains(row.logged); ++i) Sleep(10);
    EXPECT_TRUE(LogContains(row.logged)) << Log();
    EXPECT_EQ(Transport_GetResult(), row.result != 0 ? row.result : TR_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(
    Routed, WorkerMessageTest,
    ::testing::Values(
        WorkerMessage{WM_TIMER, false, "Received WM_TIMER!\n", 0},
        WorkerMessage{POSM_RS232_ERROR, true,
                      "Device ID = 1\t Received POS Error message\n", 0},
        WorkerMessage{POSM_RS232_ERROR, true, "Pos Error Message ID 16903\n", 0},
        WorkerMessage{POSM_RS232_XMIT_ABORT, true, "Recived TransmitAbort Mesage!", 0},
        WorkerMessage{POSM_DEVICE_ONLINE, false, "Device online through Transport_WndProc!", 0},
        WorkerMessage{POSM_RS232_DATA_AVAIL, false,
                      "Received POS message for non-existent device!\n", -620},
        WorkerMessage{POSM_RS232_XMIT_COMPLETE, false,
                      "Received POS message for non-existent device!\n", -620},
        WorkerMessage{TRWM_XMIT_FAILED, false,
                      "Non-transport message in Transport_HandleTransportMessage()\n", 0},
        WorkerMessage{0x411, false,
                      "Non-transport message in Transport_HandleTransportMessage()\n", 0}));

TEST_F(MessageTest, DeviceComingOnlineIsAnnouncedToTheWorker) {
    const int other = orvposs_AddDevice(3, 3, 3, 0x68);
    orvposs_SetOnline(other, 0);
    ASSERT_EQ(Open(), 1);
    orvposs_SetOnline(other, 1);
    for (int i = 0; i < 100 && !LogContains("Device online through"); ++i) Sleep(10);
    EXPECT_TRUE(LogContains("Device online through Transport_WndProc!"));
}

TEST_F(MessageTest, EveryWorkerMessageGoesToTheDebuggerOutput) {
    ASSERT_EQ(Open(), 1);
    HWND worker = orvposs_QueueWindow(terminal_);
    const std::string captured = (work_ / "stderr.txt").string();
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int file = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    dup2(file, STDERR_FILENO);
    setenv("ORV_DEBUG_OUTPUT", "1", 1);
    PostMessageA(worker, WM_TIMER, 0, 0);
    PostMessageA(worker, WM_USER + 99, 0, 0);  // not the transport's: still traced
    for (int i = 0; i < 100 && !LogContains("Received WM_TIMER!"); ++i) Sleep(10);
    Sleep(150);
    unsetenv("ORV_DEBUG_OUTPUT");
    dup2(saved, STDERR_FILENO);
    close(saved);
    close(file);
    std::ifstream in(captured);
    std::stringstream text;
    text << in.rdbuf();
    char expected[96];
    const unsigned low = unsigned(reinterpret_cast<uintptr_t>(worker));
    std::snprintf(expected, sizeof expected, "wndproc: hwnd=0x%x msg=0x113\n", low);
    EXPECT_NE(text.str().find(expected), std::string::npos) << text.str();
    std::snprintf(expected, sizeof expected, "wndproc: hwnd=0x%x msg=0x463\n", low);
    EXPECT_NE(text.str().find(expected), std::string::npos) << text.str();
}

TEST_F(MessageTest, TraceEntriesStartWithTheTickCount) {
    const DWORD before = GetTickCount();
    const int handle = Open();
    ASSERT_EQ(orvposs_SendData(terminal_, "ab", 2), 1);
    ASSERT_TRUE(WaitForReceiveCalls(1));
    char buffer[4];
    int bytesRead = 0, status = 0;
    Transport_Read(handle, buffer, 1, &bytesRead, &status);
    Close(handle);
    std::istringstream in(Log());
    std::string line;
    const std::regex ticked(R"(^(\d+):\t.+)");
    const std::regex dump(R"(^ (Byte|ShiftByte) = \d+\t Value = [0-9a-f]+$|^ Device ID = .*)");
    int lines = 0;
    std::string last;
    while (std::getline(in, line)) {
        last = line;
        std::smatch match;
        if (std::regex_match(line, match, ticked)) {
            const unsigned long tick = std::stoul(match[1]);
            EXPECT_GE(tick, before);
            EXPECT_LE(tick, GetTickCount());
        } else {
            EXPECT_TRUE(std::regex_match(line, dump)) << line;
        }
        ++lines;
    }
    EXPECT_EQ(lines, 10) << Log();  // read: 5 (two dumped bytes), close: 5
    EXPECT_TRUE(std::regex_match(last, std::regex(R"(\d+:\tTransport_Destroy::Destroyed the transport layer)")))
        << last;
}

}  // namespace
}  // namespace orv::rs485::test
