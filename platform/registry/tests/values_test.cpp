#include <cstring>
#include <filesystem>

#include "reg_fixture.h"

namespace orv::test {
namespace {

class Values : public RegistryTest {};

TEST_F(Values, QueryFollowsTheWindowsBufferRules) {
    UniqueHkey key = create("SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane");
    set_string(key.get(), "Logpath", "C:\\Orvane\\Logs");
    const DWORD needed = sizeof "C:\\Orvane\\Logs";

    DWORD type = 0, size = 0;  // size query: no buffer
    ASSERT_EQ(RegQueryValueExA(key.get(), "Logpath", nullptr, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, needed);

    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    size = needed - 1;  // one byte short
    type = 0xDEADBEEF;
    ASSERT_EQ(RegQueryValueExA(key.get(), "Logpath", nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(buffer[0], '#');  // nothing copied

    size = needed;  // exactly enough
    ASSERT_EQ(RegQueryValueExA(key.get(), "Logpath", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "C:\\Orvane\\Logs");
    EXPECT_EQ(size, needed);

    type = size = 0xDEADBEEF;  // a missing value leaves the outputs alone
    EXPECT_EQ(RegQueryValueExA(key.get(), "Classpath", nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 0xDEADBEEFu);
    EXPECT_EQ(size, 0xDEADBEEFu);
}

TEST_F(Values, EveryTypeKeepsItsBytesThroughTheFile) {
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
    };
    const Case cases[] = {
        {"sz", REG_SZ, sz("ORVPin.so")},
        {"sz_ansi", REG_SZ, sz("Caf\xE9 \x80 \x81")},
        {"sz_unterminated", REG_SZ, "abc"},
        {"sz_two_lines", REG_SZ, sz("a\r\nb")},
        {"expand", REG_EXPAND_SZ, sz("%ProgramFiles%\\Orvane")},
        {"dword", REG_DWORD, std::string("\x01\x00\x09\x01", 4)},
        {"binary", REG_BINARY, std::string("\x00\x01\xFE\xFF", 4)},
        {"binary_empty", REG_BINARY, ""},
        {"qword", REG_QWORD, std::string(8, '\x11')},
        {"", REG_SZ, sz("default")},
    };
    UniqueHkey key = create("Types");
    for (const Case& c : cases)
        ASSERT_EQ(RegSetValueExA(key.get(), c.name, 0, c.type,
                                 reinterpret_cast<const BYTE*>(c.data.data()),
                                 static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS)
            << c.name;

    // Another file with the same bytes makes the store parse them afresh.
    std::string copy = dir_ + "/copy.reg";
    std::filesystem::copy_file(path_, copy);
    use_file(copy);
    UniqueHkey reread = open("Types");
    for (const Case& c : cases) {
        DWORD type = 0;
        EXPECT_EQ(query(reread.get(), c.name, &type), c.data) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
}

TEST_F(Values, DefaultValueAnswersToNullAndEmptyName) {
    UniqueHkey key = create("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1");
    set_string(key.get(), nullptr, "ORVPin.so");
    EXPECT_EQ(query(key.get(), ""), sz("ORVPin.so"));
    set_string(key.get(), "", "ORVPin2.so");
    EXPECT_EQ(query(key.get(), nullptr), sz("ORVPin2.so"));
    EXPECT_NE(file_text().find("@=\"ORVPin2.so\""), std::string::npos);
}

TEST_F(Values, ValueNamesAreCaseInsensitiveAndKeepTheirFirstSpelling) {
    UniqueHkey key = create("K");
    set_string(key.get(), "Logpath", "one");
    set_string(key.get(), "LOGPATH", "two");
    EXPECT_EQ(query(key.get(), "logPath"), sz("two"));
    char name[32];
    DWORD cch = sizeof name;
    ASSERT_EQ(RegEnumValueA(key.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Logpath");
    cch = sizeof name;
    EXPECT_EQ(RegEnumValueA(key.get(), 1, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
}

TEST_F(Values, BadArgumentsAreRefusedAndChangeNothing) {
    UniqueHkey key = create("K");
    const std::string before = file_text();
    const BYTE two[2] = {1, 2};
    const BYTE eight[8] = {};
    struct Case {
        const char* label;
        const char* name;
        const BYTE* data;
        DWORD type;
        DWORD size;
    };
    const Case cases[] = {
        {"null data with a size", "v", nullptr, REG_BINARY, 4},
        {"short dword", "v", two, REG_DWORD, 2},
        {"long dword", "v", eight, REG_DWORD, 8},
        {"line break in name", "a\nb", two, REG_SZ, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegSetValueExA(key.get(), c.name, 0, c.type, c.data, c.size),
                  ERROR_INVALID_PARAMETER)
            << c.label;
    EXPECT_EQ(RegSetValueExA(key.get(), std::string(16384, 'n').c_str(), 0, REG_BINARY, two, 2),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(file_text(), before);

    DWORD reserved = 0, size = 4;
    BYTE buffer[4];
    EXPECT_EQ(RegQueryValueExA(key.get(), "v", &reserved, nullptr, nullptr, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key.get(), "v", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Values, DeleteValue) {
    UniqueHkey key = create("K");
    set_dword(key.get(), "Port", 1);
    set_dword(key.get(), "Baud", 9600);
    ASSERT_EQ(RegDeleteValueA(key.get(), "PORT"), ERROR_SUCCESS);
    EXPECT_EQ(query(key.get(), "Port"), "<error 2>");
    EXPECT_EQ(RegDeleteValueA(key.get(), "Port"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(file_text().find("Port"), std::string::npos);
    EXPECT_NE(file_text().find("\"Baud\"=dword:00002580"), std::string::npos);
}

TEST_F(Values, HandleRightsAreChecked) {
    create("K");
    UniqueHkey reader = open("K", KEY_READ);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(reader.get(), "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader.get(), "v"), ERROR_ACCESS_DENIED);

    UniqueHkey writer = open("K", KEY_SET_VALUE);
    EXPECT_EQ(RegSetValueExA(writer.get(), "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(writer.get(), "v", nullptr, nullptr, nullptr, &size),
              ERROR_ACCESS_DENIED);
    char name[8];
    DWORD cch = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(writer.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegEnumValueA(writer.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
}

}  // namespace
}  // namespace orv::test
