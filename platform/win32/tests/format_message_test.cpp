// FormatMessageA with the system table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

constexpr DWORD kSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kNeutralDefault = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

std::string SystemText(DWORD code) {
    char buffer[512];
    const DWORD n = FormatMessageA(kSystem, nullptr, code, 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, n);
}

struct Expected {
    DWORD code;
    const char* text;
};

// The Windows English texts the suite reports or traces.
const Expected kExpected[] = {
    {0, "The operation completed successfully.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {997, "Overlapped I/O operation is in progress.\r\n"},
    {1167, "The device is not connected.\r\n"},
    {1359, "An internal error occurred.\r\n"},
    {1400, "Invalid window handle.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
};

TEST(FormatMessageTest, SystemTextsMatchWindows) {
    for (const auto& e : kExpected) {
        EXPECT_EQ(SystemText(e.code), e.text) << e.code;
    }
}

TEST(FormatMessageTest, EveryKnownTextEndsWithALineEndAndCountsItsLength) {
    int known = 0;
    for (DWORD code = 0; code < 20000; ++code) {
        char buffer[512];
        const DWORD n = FormatMessageA(kSystem, nullptr, code, 0, buffer, sizeof buffer, nullptr);
        if (n == 0) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND)) << code;
            continue;
        }
        ++known;
        ASSERT_EQ(std::strlen(buffer), n) << code;
        ASSERT_GE(n, 3u) << code;
        EXPECT_EQ(std::string(buffer + n - 2), "\r\n") << code;
        EXPECT_EQ(std::strchr(buffer, '%'), nullptr) << "no inserts: " << code;
    }
    EXPECT_GE(known, 13);
}

TEST(FormatMessageTest, AllocatedBufferIsFreedWithLocalFree) {
    // The way the HID reader asks for its error texts.
    LPSTR text = reinterpret_cast<LPSTR>(0x1);
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | kSystem, nullptr, 1167,
                                   kNeutralDefault, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    ASSERT_EQ(n, 30u);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, n - 2), "The device is not connected.");
    EXPECT_EQ(LocalFree(text), nullptr);
}

TEST(FormatMessageTest, AllocatedBufferHonoursTheMinimumSize) {
    LPSTR text = nullptr;
    ASSERT_EQ(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | kSystem, nullptr, 5, 0,
                             reinterpret_cast<LPSTR>(&text), 400, nullptr),
              19u);
    std::memset(text, 'x', 400);  // ASan checks that the 400 characters are there
    LocalFree(text);
}

TEST(FormatMessageTest, BufferMustHoldTheTerminator) {
    const std::string text = "Access is denied.\r\n";
    char buffer[64];
    SetLastError(0);
    EXPECT_EQ(
        FormatMessageA(kSystem, nullptr, 5, 0, buffer, static_cast<DWORD>(text.size()), nullptr),
        0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(FormatMessageA(kSystem, nullptr, 5, 0, buffer, static_cast<DWORD>(text.size() + 1),
                             nullptr),
              text.size());
    EXPECT_EQ(std::string(buffer), text);
}

TEST(FormatMessageTest, FailuresReportTheirReason) {
    char buffer[64];
    LPSTR allocated = reinterpret_cast<LPSTR>(0x1);
    struct Case {
        const char* what;
        LPSTR buffer;
        DWORD flags;
        DWORD code;
        DWORD language;
        DWORD error;
    };
    const Case cases[] = {
        {"unknown code", buffer, kSystem, 999999, 0, ERROR_MR_MID_NOT_FOUND},
        {"german", buffer, kSystem, 5, 0x0407, ERROR_RESOURCE_LANG_NOT_FOUND},
        {"no source", buffer, FORMAT_MESSAGE_IGNORE_INSERTS, 5, 0, ERROR_INVALID_PARAMETER},
        {"from string", buffer, FORMAT_MESSAGE_FROM_STRING, 5, 0, ERROR_NOT_SUPPORTED},
        {"null buffer", nullptr, kSystem, 5, 0, ERROR_INVALID_PARAMETER},
        {"allocation of unknown", reinterpret_cast<LPSTR>(&allocated),
         FORMAT_MESSAGE_ALLOCATE_BUFFER | kSystem, 999999, 0, ERROR_MR_MID_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(
            FormatMessageA(c.flags, nullptr, c.code, c.language, c.buffer, sizeof buffer, nullptr),
            0u)
            << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_EQ(allocated, nullptr) << "a failed allocation call leaves a null pointer";
    // English in any sublanguage and the neutral ids are served.
    for (DWORD language : {0x0000u, 0x0400u, 0x0800u, 0x0409u, 0x0809u}) {
        EXPECT_EQ(FormatMessageA(kSystem, nullptr, 5, language, buffer, sizeof buffer, nullptr),
                  19u)
            << language;
    }
}

}  // namespace
