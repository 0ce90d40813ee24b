// OutputDebugStringA: standard error when ORV_DEBUG_OUTPUT switches it on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/win32.h"

namespace {

// Runs fn with standard error captured and returns what was written.
template <typename Fn>
std::string CaptureStderr(Fn fn) {
    int pipeFds[2];
    EXPECT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    const int saved = dup(STDERR_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    close(pipeFds[1]);
    fn();
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) out.append(buffer, n);
    close(pipeFds[0]);
    return out;
}

class DebugOutputTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("ORV_DEBUG_OUTPUT"); }
};

TEST_F(DebugOutputTest, SwitchedByTheEnvironment) {
    const struct {
        const char* value;  // null: unset
        bool written;
    } rows[] = {{nullptr, false}, {"", false}, {"0", false}, {"1", true}, {"yes", true}};
    for (const auto& row : rows) {
        if (row.value == nullptr)
            unsetenv("ORV_DEBUG_OUTPUT");
        else
            setenv("ORV_DEBUG_OUTPUT", row.value, 1);
        const std::string text = "wndproc: hwnd=0x10000 msg=0x420a\n";
        const std::string out = CaptureStderr([&] { OutputDebugStringA(text.c_str()); });
        EXPECT_EQ(out, row.written ? text : "") << (row.value ? row.value : "(unset)");
    }
}

TEST_F(DebugOutputTest, WritesTextAsIsAndIgnoresNull) {
    setenv("ORV_DEBUG_OUTPUT", "1", 1);
    const std::string out = CaptureStderr([] {
        OutputDebugStringA("****************SigcapControl CFireEvent::OnErrorEvent\n");
        OutputDebugStringA(nullptr);
        OutputDebugStringA("no newline");
    });
    EXPECT_EQ(out, "****************SigcapControl CFireEvent::OnErrorEvent\nno newline");
}

}  // namespace
