// What the transport tests share: a private folder for the trace log, a fresh simulated
// subsystem with one terminal, a client window on the test thread that records the TRWM_*
// notifications, and recorders for the receive and error callbacks.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "possim/orvposs.h"
#include "rs485port/transport.h"

namespace orv::rs485::test {

using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;

struct ReceiveCall {
    int bytesAvailable;
    int handle;
    Bytes read;  // what the callback read, when reading is on
};
struct ErrorCall {
    int code;
    std::string text;
    int slot;
};

// Callback recorders (thread-safe; the callbacks run on the worker).
void ResetCallbacks(bool readInCallback);
void OnReceiveRecorded(int bytesAvailable, int handle);
void OnErrorRecorded(int code, char* text, int deviceSlot);
std::vector<ReceiveCall> ReceiveCalls();
std::vector<ErrorCall> ErrorCalls();
// Waits until `count` calls were recorded; false after the time-out.
bool WaitForReceiveCalls(size_t count, std::chrono::milliseconds timeout = 3s);
bool WaitForErrorCalls(size_t count, std::chrono::milliseconds timeout = 3s);

Bytes Pattern(size_t size, unsigned seed = 0);

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens slot/port/device with the recorders; the handle (closed at tear-down) or 0.
    int Open(unsigned slot = 1, unsigned port = 1, unsigned deviceId = 1, int initialize = 1,
             int* status = nullptr, HWND client = nullptr);
    int Close(int handle);
    void Forget(int handle);

    std::string Log() const;
    // Lines of the trace log with their "<tick>:\t" prefix removed.
    std::vector<std::string> LogEntries() const;
    bool LogContains(const std::string& text) const { return Log().find(text) != std::string::npos; }

    HWND Client() const { return client_; }
    // Pumps the test thread's queue until the client saw `message`; its wParam and lParam.
    bool WaitForClientMessage(UINT message, MSG* got = nullptr,
                              std::chrono::milliseconds timeout = 3s);
    std::vector<MSG> ClientMessages(UINT message);
    void PumpFor(std::chrono::milliseconds time);

    std::filesystem::path home_, work_;
    int terminal_ = 0;  // the simulated terminal at 1/1/1, address 0x64
    HWND client_ = nullptr;
    std::vector<int> open_;
};

}  // namespace orv::rs485::test
