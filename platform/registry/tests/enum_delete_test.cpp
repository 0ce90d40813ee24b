#include <cstring>

#include "reg_fixture.h"

namespace orv::test {
namespace {

class EnumKeys : public RegistryTest {};
class EnumValues : public RegistryTest {};
class DeleteKey : public RegistryTest {};

std::vector<std::string> subkeys(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD cch = sizeof name;
        LONG status = RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        EXPECT_EQ(status, ERROR_SUCCESS);
        if (status != ERROR_SUCCESS) break;
        EXPECT_EQ(cch, std::strlen(name));
        names.emplace_back(name);
    }
    return names;
}

TEST_F(EnumKeys, InCaseInsensitiveOrder) {
    UniqueHkey parent = create("P");
    for (const char* name : {"beta", "_x", "Alpha", "gamma", "ALPHA2"})
        create((std::string("P\\") + name).c_str());
    EXPECT_EQ(subkeys(parent.get()),
              (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma", "_x"}));
}

TEST_F(EnumKeys, NameBufferRules) {
    UniqueHkey parent = create("P");
    create("P\\MSR");
    char name[8];
    std::memset(name, '#', sizeof name);
    DWORD cch = 3;  // "MSR" needs 4 with its terminator
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    EXPECT_EQ(cch, 3u);
    EXPECT_EQ(name[0], '#');
    cch = 4;
    char keyClass[4] = "xyz";
    DWORD cchClass = sizeof keyClass;
    unsigned char written[8];
    std::memset(written, 0xAB, sizeof written);
    ASSERT_EQ(RegEnumKeyExA(parent.get(), 0, name, &cch, nullptr, keyClass, &cchClass, written),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "MSR");
    EXPECT_EQ(cch, 3u);
    EXPECT_STREQ(keyClass, "");
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(written[0], 0);
    cch = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 1, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);

    DWORD reserved = 0;
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 0, nullptr, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 0, name, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumKeyExA(parent.get(), 0, name, &cch, &reserved, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(EnumValues, InWriteOrderWithBufferRules) {
    UniqueHkey key = create("K");
    set_string(key.get(), "Logpath", "C:\\Logs");
    set_dword(key.get(), "Port", 3);
    set_string(key.get(), nullptr, "ORVPin.so");

    struct Expect {
        const char* name;
        DWORD type;
        std::string data;
    };
    const Expect expected[] = {{"Logpath", REG_SZ, sz("C:\\Logs")},
                               {"Port", REG_DWORD, std::string("\x03\0\0\0", 4)},
                               {"", REG_SZ, sz("ORVPin.so")}};
    for (DWORD i = 0; i < 3; ++i) {
        char name[32];
        DWORD cch = sizeof name, type = 0, size = 0;
        ASSERT_EQ(RegEnumValueA(key.get(), i, name, &cch, nullptr, &type, nullptr, &size),
                  ERROR_SUCCESS);
        EXPECT_STREQ(name, expected[i].name);
        EXPECT_EQ(cch, std::strlen(expected[i].name));
        EXPECT_EQ(type, expected[i].type);
        ASSERT_EQ(size, expected[i].data.size());
        std::string data(size, '\0');
        cch = sizeof name;
        ASSERT_EQ(RegEnumValueA(key.get(), i, name, &cch, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(data.data()), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(data, expected[i].data);
    }
    char name[32];
    DWORD cch = sizeof name;
    EXPECT_EQ(RegEnumValueA(key.get(), 3, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);

    cch = 7;  // "Logpath" needs 8
    EXPECT_EQ(RegEnumValueA(key.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    BYTE small[2];
    DWORD size = sizeof small;
    cch = sizeof name;
    EXPECT_EQ(RegEnumValueA(key.get(), 0, name, &cch, nullptr, nullptr, small, &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof "C:\\Logs");
    EXPECT_EQ(RegEnumValueA(key.get(), 0, name, &cch, nullptr, nullptr, small, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumValueA(key.get(), 0, nullptr, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(DeleteKey, RefusesAKeyWithSubkeys) {
    create("SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR\\M1");
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR"),
              ERROR_ACCESS_DENIED);
    open("SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR\\M1");
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "software\\oleforretail\\serviceopos\\msr\\m1"),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR"),
              ERROR_SUCCESS);
    EXPECT_EQ(file_text().find("MSR"), std::string::npos);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR"),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(DeleteKey, BadTargets) {
    create("SOFTWARE\\Classes\\X");
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "\\SOFTWARE"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "X"), ERROR_SUCCESS);
    UniqueHkey classes = open("SOFTWARE\\Classes");
    EXPECT_TRUE(subkeys(classes.get()).empty());
}

TEST_F(DeleteKey, ThroughItsOwnHandle) {
    UniqueHkey key = create("A\\B");
    // HKEY_LOCAL_MACHINE "created" with an empty path is the root itself, which stays.
    UniqueHkey root;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              root.out(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(root.get(), ""), ERROR_ACCESS_DENIED);

    ASSERT_EQ(RegDeleteKeyA(key.get(), ""), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(open("A").get()), std::vector<std::string>{});
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key.get(), "v", nullptr, nullptr, nullptr, &size),
              ERROR_KEY_DELETED);
}

}  // namespace
}  // namespace orv::test
