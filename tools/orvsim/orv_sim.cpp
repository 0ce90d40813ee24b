// orv-sim COMMAND...: runs one command of the simulated terminal in the program that listens on
// the control FIFO ($ORV_SIM_CONTROL), without ever blocking: a FIFO nobody reads would hold a
// plain `echo ... > fifo` for ever. The answer is read back from $ORV_SIM_CONTROL_LOG when set.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kUsage[] =
    "usage: orv-sim [--fifo PATH] [--timeout SECONDS] COMMAND...\n"
    "Runs COMMAND (java/README.md lists them; `orv-sim help`) in the program listening on the\n"
    "control FIFO (--fifo, else $ORV_SIM_CONTROL) and prints its answer, read from\n"
    "$ORV_SIM_CONTROL_LOG when set. Waits at most SECONDS (default 2) for a listener and for the\n"
    "answer. Exit codes: 0 OK (or sent without a log), 1 the command answered ERR, 2 bad use,\n"
    "3 no program is listening, 4 no answer in time.\n";

int fail(int code, const std::string& text) {
    std::cerr << "orv-sim: " << text << "\n";
    return code;
}

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

off_t size_of(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// The first complete answer line ("<command> -> ...") written to the log after offset.
bool answer_after(const std::string& log, off_t offset, std::string& line) {
    std::ifstream in(log, std::ios::binary);
    if (!in || !in.seekg(offset)) return false;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        line = text.substr(start, end - start);
        if (line.find(" -> ") != std::string::npos) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::string fifo = env("ORV_SIM_CONTROL");
    double seconds = 2.0;
    std::string command;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (command.empty() && (arg == "-h" || arg == "--help")) {
            std::cout << kUsage;
            return 0;
        }
        if (command.empty() && (arg == "--fifo" || arg == "--timeout")) {
            if (i + 1 >= argc) return fail(2, arg + " needs a value\n" + kUsage);
            const std::string value = argv[++i];
            if (arg == "--fifo") {
                fifo = value;
                continue;
            }
            char* end = nullptr;
            seconds = std::strtod(value.c_str(), &end);
            if (!end || *end || !(seconds >= 0 && seconds <= 3600))
                return fail(2, "--timeout takes 0 to 3600 seconds, not " + value);
            continue;
        }
        if (arg.find_first_of("\r\n") != std::string::npos)
            return fail(2, "a command is one line");
        command += (command.empty() ? "" : " ") + arg;
    }
    if (command.empty()) return fail(2, std::string("no command\n") + kUsage);
    if (fifo.empty()) return fail(2, "no control FIFO: set ORV_SIM_CONTROL (or use --fifo)");
    struct stat st;
    if (::stat(fifo.c_str(), &st) != 0)
        return fail(3, "no program is listening on " + fifo + " (" + std::strerror(errno) + ")");
    if (!S_ISFIFO(st.st_mode)) return fail(2, fifo + " is not a FIFO");

    const auto deadline =
        Clock::now() + std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
    // Without a reader a non-blocking open fails with ENXIO instead of waiting.
    int fd = -1;
    for (;;) {
        fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) break;
        if (errno != ENXIO && errno != EINTR)
            return fail(3, "cannot write to " + fifo + ": " + std::strerror(errno));
        if (Clock::now() >= deadline) return fail(3, "no program is listening on " + fifo);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string log = env("ORV_SIM_CONTROL_LOG");
    const off_t offset = log.empty() ? 0 : size_of(log);
    // One write of one line: up to PIPE_BUF it never mixes with another writer's.
    const std::string line = command + "\n";
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            const int err = errno;
            ::close(fd);
            return fail(3, "cannot write to " + fifo + ": " + std::strerror(err));
        }
        if (Clock::now() >= deadline) {
            ::close(fd);
            return fail(3, "the program listening on " + fifo + " does not read");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(fd);
    if (log.empty()) {
        std::cout << "sent; the answer is on the program's standard error (set ORV_SIM_CONTROL_LOG "
                     "for both to read it here)\n";
        return 0;
    }
    std::string answer;
    while (!answer_after(log, offset, answer)) {
        if (Clock::now() >= deadline) return fail(4, "no answer in " + log + " in time");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::cout << answer << "\n";
    const size_t arrow = answer.find(" -> ");
    return answer.compare(arrow + 4, 3, "ERR") == 0 ? 1 : 0;
}
