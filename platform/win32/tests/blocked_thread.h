// For tests that must let another thread reach a blocking call before they act: the thread's id
// as the kernel knows it, and a wait until that thread sleeps (it has posted its message and
// waits for the answer, or sits in a stalled write). A condition to wait for, not a guessed delay.
#pragma once

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace orv::test {

inline pid_t ThreadId() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

// True once the thread is asleep in the kernel (state S); false when the limit passes first.
inline bool WaitUntilBlocked(pid_t tid, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream in(path);
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // "tid (comm) S ...": the state follows the last ')', as comm may hold one.
        const size_t close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'S')
            return true;
        std::this_thread::yield();
    }
    return false;
}

}  // namespace orv::test
