// Records what the device layer's callbacks deliver (they are plain function pointers, so the
// record is process-wide) and lets a test wait for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hidport/orvhid.h"

namespace orv::hidport::test {

struct Delivery {
    std::vector<unsigned char> bytes;
    void* handle;
    std::thread::id thread;
};

struct ErrorReport {
    int code;
    std::string message;
    void* handle;
    std::thread::id thread;
};

class Recorder {
public:
    static Recorder& Instance();
    void Reset();

    static void OnReceive(unsigned char* data, ULONG length, void* handle);
    static void OnError(int code, std::string message, void* handle);
    static bool OnThreadStart();
    static bool RefuseThreadStart();

    // Waits until at least `count` deliveries / errors are recorded.
    bool WaitDeliveries(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    bool WaitErrors(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    std::vector<Delivery> Deliveries();
    std::vector<ErrorReport> Errors();
    int ThreadStarts();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Delivery> deliveries_;
    std::vector<ErrorReport> errors_;
    int threadStarts_ = 0;
};

}  // namespace orv::hidport::test
