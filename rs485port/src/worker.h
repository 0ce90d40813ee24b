// The transport's worker thread: it owns the hidden window "Transport Window" of class
// "Transport_xptrs485" (the POS subsystem's queue handle) and dispatches its messages, then
// waits for the next message or 100 ms, whichever comes first, until it is told to stop.
#pragma once

#include <memory>
#include <thread>

#include "platform/win32.h"

namespace orv::rs485 {

class Worker {
public:
    Worker() = default;
    Worker(Worker&&) noexcept = default;
    Worker& operator=(Worker&&) = delete;
    ~Worker() { Stop(); }

    // Starts the thread and waits up to 1,000 ms for its window. The window, or null (the thread
    // has ended or is ending then).
    HWND Start(WNDPROC procedure);
    // Ends the thread and waits for it; from the worker thread itself (a callback closing the
    // last device) the thread is left to end on its own once the callback returns.
    void Stop();
    HWND Window() const;
    bool Running() const { return thread_.joinable(); }

    // Whether the calling thread is a transport worker (any, current or ending).
    static bool OnWorkerThread();

private:
    struct Run;
    static void Main(std::shared_ptr<Run> run, WNDPROC procedure);
    std::shared_ptr<Run> run_;
    std::thread thread_;
};

}  // namespace orv::rs485
