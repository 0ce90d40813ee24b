#include "transport_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>

namespace orv::rs485::test {
namespace {

namespace fs = std::filesystem;

struct Recorded {
    std::mutex mutex;
    std::condition_variable changed;
    bool readInCallback = false;
    std::vector<ReceiveCall> receives;
    std::vector<ErrorCall> errors;
};

Recorded& State() {
    static auto* state = new Recorded;
    return *state;
}

// Client windows record every message they get, on the test thread.
std::vector<MSG>& ClientLog() {
    static std::vector<MSG> log;
    return log;
}

LRESULT CALLBACK ClientProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER) ClientLog().push_back(MSG{hwnd, msg, wParam, lParam, 0, {0, 0}});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeClientWindow() {
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ClientProcedure;
        wc.lpszClassName = "Rs485TestClient";
        return RegisterClassA(&wc);
    }();
    EXPECT_NE(atom, 0);
    return CreateWindowExA(0, "Rs485TestClient", "client", 0, 0, 0, 0, 0, nullptr, nullptr,
                           nullptr, nullptr);
}

}  // namespace

void ResetCallbacks(bool readInCallback) {
    std::lock_guard lock(State().mutex);
    State().readInCallback = readInCallback;
    State().receives.clear();
    State().errors.clear();
}

void OnReceiveRecorded(int bytesAvailable, int handle) {
    ReceiveCall call{bytesAvailable, handle, {}};
    bool read = false;
    {
        std::lock_guard lock(State().mutex);
        read = State().readInCallback;
    }
    if (read && bytesAvailable > 0) {
        call.read.resize(size_t(bytesAvailable));
        int got = 0, status = 0;
        Transport_Read(handle, call.read.data(), unsigned(bytesAvailable), &got, &status);
        call.read.resize(size_t(got));
    }
    std::lock_guard lock(State().mutex);
    State().receives.push_back(std::move(call));
    State().changed.notify_all();
}

void OnErrorRecorded(int code, char* text, int deviceSlot) {
    std::lock_guard lock(State().mutex);
    State().errors.push_back({code, text != nullptr ? text : "", deviceSlot});
    State().changed.notify_all();
}

std::vector<ReceiveCall> ReceiveCalls() {
    std::lock_guard lock(State().mutex);
    return State().receives;
}

std::vector<ErrorCall> ErrorCalls() {
    std::lock_guard lock(State().mutex);
    return State().errors;
}

bool WaitForReceiveCalls(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(State().mutex);
    return State().changed.wait_for(lock, timeout,
                                    [&] { return State().receives.size() >= count; });
}

bool WaitForErrorCalls(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(State().mutex);
    return State().changed.wait_for(lock, timeout, [&] { return State().errors.size() >= count; });
}

Bytes Pattern(size_t size, unsigned seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>((i * 7 + seed) % 251);
    return bytes;
}

void TransportTest::SetUp() {
    home_ = fs::current_path();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');  // parameterised: "Name/3"
    work_ = fs::temp_directory_path() / ("orv-rs485-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(work_);
    fs::create_directories(work_);
    fs::current_path(work_);  // the trace log goes into the current folder
    orvposs_Reset();
    terminal_ = orvposs_AddDevice(1, 1, 1, 0x64);
    ResetCallbacks(false);
    ClientLog().clear();
    client_ = MakeClientWindow();
}

void TransportTest::TearDown() {
    for (int handle : open_) {
        int status = 0;
        Transport_Close(handle, &status);
    }
    open_.clear();
    if (client_ != nullptr) DestroyWindow(client_);
    fs::current_path(home_);
    fs::remove_all(work_);
}

int TransportTest::Open(unsigned slot, unsigned port, unsigned deviceId, int initialize,
                        int* status, HWND client) {
    int handle = 0;
    int localStatus = 0;
    if (Transport_Open(&handle, slot, port, deviceId, initialize, client,
                       status != nullptr ? status : &localStatus, OnReceiveRecorded,
                       OnErrorRecorded) == 0)
        return 0;
    open_.push_back(handle);
    return handle;
}

int TransportTest::Close(int handle) {
    Forget(handle);
    int status = 0;
    return Transport_Close(handle, &status);
}

void TransportTest::Forget(int handle) {
    std::erase(open_, handle);
}

std::string TransportTest::Log() const {
    std::ifstream in(work_ / "Rs485PortLibLog.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> TransportTest::LogEntries() const {
    std::vector<std::string> entries;
    std::istringstream in(Log());
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find(":\t");
        const bool ticked = tab != std::string::npos && tab > 0 &&
                            line.find_first_not_of("0123456789") == tab;
        entries.push_back(ticked ? line.substr(tab + 2) : line);
    }
    return entries;
}

bool TransportTest::WaitForClientMessage(UINT message, MSG* got,
                                         std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        for (const MSG& seen : ClientLog()) {
            if (seen.message == message) {
                if (got != nullptr) *got = seen;
                return true;
            }
        }
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(5);
    }
}

std::vector<MSG> TransportTest::ClientMessages(UINT message) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    std::vector<MSG> matching;
    for (const MSG& seen : ClientLog()) {
        if (seen.message == message) matching.push_back(seen);
    }
    return matching;
}

void TransportTest::PumpFor(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    }
}

}  // namespace orv::rs485::test
