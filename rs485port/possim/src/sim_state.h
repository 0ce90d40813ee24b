// The simulated POS subsystem's state: terminals, descriptors, system messages, planted faults,
// held and delayed transmit-completes, and counters. One per process, guarded by one mutex;
// messages are posted with no lock held.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"
#include "rs485port/pos_subsystem.h"

namespace orv::possim {

enum class Entry { kClose, kErrno, kInitialize, kIOCtl, kOpen, kRead, kTerm, kVersion, kWrite };
constexpr size_t kEntryCount = 9;
std::optional<Entry> EntryByName(const char* name);

struct TerminalConfig {
    uint16_t slot = 0, port = 0, number = 0;
    uint8_t address = 0;
    bool online = true;
    bool echo = false;
};

// ORV_POSS_DEVICES as terminals; entries that do not parse are skipped.
std::vector<TerminalConfig> ParseDeviceList(const std::string& text);

struct Terminal {
    int id = 0;
    TerminalConfig config;
    int descriptor = 0;  // 0: not open
    HWND queue = nullptr;
    bool acquired = false;
    bool writeOutstanding = false;
    std::deque<std::vector<uint8_t>> blocks;  // data from the terminal, oldest first
    std::vector<uint8_t> received;            // bytes the terminal got
    std::vector<unsigned> pieces;             // PosWrite sizes
};

struct Post {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
using Posts = std::vector<Post>;

class Sim {
public:
    static Sim& Get();

    // Entry points. Each returns the result and sets the calling thread's PosErrno on failure.
    int Initialize(const char* text, const char* file, bool reservedZero);
    int Term();
    int Version(char* buffer, int size, int* version);
    int Open(const char* name, const char* type, int count, const PosOpenArg* args);
    int IOCtl(int descriptor, int request);
    int Read(int descriptor, void* buffer, int length);
    int Write(int descriptor, const void* data, int length);
    int Close(int descriptor);
    static int Errno();

    // Control.
    void Reset();
    int AddTerminal(const TerminalConfig& config);
    bool SetOnline(int id, bool online);
    bool SetEcho(int id, bool echo);
    void SetBlockSize(unsigned bytes);
    void SetTransmitDelay(unsigned milliseconds);
    void HoldTransmitComplete(bool hold);
    int ReleaseTransmitComplete();
    bool FailNext(Entry entry, int posErrno, unsigned calls);
    int SendData(int id, const uint8_t* data, unsigned length);
    int SendBlock(int id, const uint8_t* block, unsigned length, unsigned announced);
    bool PostToQueue(int id, UINT message, LPARAM lParam);
    void QueueSystemMessage(const uint8_t* message);
    std::vector<uint8_t> TakeReceived(int id);
    std::vector<unsigned> TakePieceSizes(int id);
    unsigned CallCount(Entry entry);
    unsigned ProtocolViolations();
    unsigned OpenDescriptors();
    int Descriptor(int id);
    HWND QueueWindow(int id);
    bool LastInitialize(std::string& text, std::string& file, bool& reservedZero);

private:
    struct Completion {
        int descriptor;
        std::vector<uint8_t> echo;
    };
    struct Timed {
        std::chrono::steady_clock::time_point due;
        Completion completion;
    };

    Sim();
    // Counts the call; true (with PosErrno set) when a planted fault takes it.
    bool Enter(Entry entry);
    Terminal* ByDescriptor(int descriptor);
    Terminal* ById(int id);
    void QueueOnline(const Terminal& terminal, Posts& posts);
    // Posts the transmit-complete (and an echo terminal's answer); PostMessageA never blocks.
    void CompleteLocked(const Completion& completion);
    void Complete(const Completion& completion);
    void ScheduleLocked(Completion completion);
    void TimerMain();
    static void Deliver(const Posts& posts);

    std::mutex mutex_;
    std::vector<Terminal> terminals_;
    int nextId_ = 1;
    int nextDescriptor_ = 1;
    bool initialized_ = false;
    std::deque<std::array<uint8_t, POS_SYSTEM_MESSAGE_SIZE>> systemMessages_;
    std::array<unsigned, kEntryCount> calls_{};
    std::array<std::pair<int, unsigned>, kEntryCount> faults_{};
    unsigned violations_ = 0;
    unsigned blockSize_ = 1024;
    unsigned transmitDelayMs_ = 0;
    bool hold_ = false;
    std::vector<Completion> held_;
    bool initializeCalled_ = false;
    std::string initText_, initFile_;
    bool initReservedZero_ = false;

    std::condition_variable timerWake_;
    std::vector<Timed> timed_;
    bool timerRunning_ = false;
};

}  // namespace orv::possim
