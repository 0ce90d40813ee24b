#include <cstring>
#include <functional>

#include "reg_fixture.h"

namespace orv::test {
namespace {

class Handles : public RegistryTest {};

// One call of every function that takes a key handle.
struct Call {
    const char* name;
    std::function<LONG(HKEY)> run;
};

std::vector<Call> every_call() {
    return {
        {"RegOpenKeyExA",
         [](HKEY k) {
             HKEY out;
             return RegOpenKeyExA(k, "A", 0, KEY_READ, &out);
         }},
        {"RegOpenKeyExA(self)",
         [](HKEY k) {
             HKEY out;
             return RegOpenKeyExA(k, nullptr, 0, KEY_READ, &out);
         }},
        {"RegCreateKeyExA",
         [](HKEY k) {
             HKEY out;
             return RegCreateKeyExA(k, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out,
                                    nullptr);
         }},
        {"RegQueryValueExA",
         [](HKEY k) {
             DWORD size = 0;
             return RegQueryValueExA(k, "v", nullptr, nullptr, nullptr, &size);
         }},
        {"RegSetValueExA",
         [](HKEY k) {
             DWORD one = 1;
             return RegSetValueExA(k, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4);
         }},
        {"RegDeleteValueA", [](HKEY k) { return RegDeleteValueA(k, "v"); }},
        {"RegDeleteKeyA", [](HKEY k) { return RegDeleteKeyA(k, "A"); }},
        {"RegEnumKeyExA",
         [](HKEY k) {
             char name[32];
             DWORD cch = sizeof name;
             return RegEnumKeyExA(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr);
         }},
        {"RegEnumValueA",
         [](HKEY k) {
             char name[32];
             DWORD cch = sizeof name;
             return RegEnumValueA(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr);
         }},
    };
}

TEST_F(Handles, BadHandlesAreInvalidForEveryCall) {
    UniqueHkey closed = create("X");
    HKEY closed_value = closed.release();
    ASSERT_EQ(RegCloseKey(closed_value), ERROR_SUCCESS);
    const std::string before = file_text();

    const HKEY bad[] = {
        nullptr,
        reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xDEADBEEF)),
        reinterpret_cast<HKEY>(&closed_value),  // a real address, but no handle
        closed_value,
        HKEY_CURRENT_USER,
        HKEY_USERS,
        reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000005)),  // HKEY_CURRENT_CONFIG
    };
    for (const Call& call : every_call())
        for (HKEY key : bad)
            EXPECT_EQ(call.run(key), ERROR_INVALID_HANDLE) << call.name << " " << key;
    EXPECT_EQ(file_text(), before);
}

TEST_F(Handles, CloseRules) {
    UniqueHkey key = create("A");
    HKEY value = key.release();
    EXPECT_EQ(RegCloseKey(value), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(value), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234))),
              ERROR_INVALID_HANDLE);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER})
        EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
    // Closing a predefined key has no effect: it still works.
    UniqueHkey again = open("A");
    EXPECT_NE(again.get(), nullptr);
}

TEST_F(Handles, HandleOfADeletedKeyStaysDeleted) {
    UniqueHkey doomed = create("A\\B");
    set_dword(doomed.get(), "v", 1);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A\\B"), ERROR_SUCCESS);

    for (const Call& call : every_call())
        EXPECT_EQ(call.run(doomed.get()), ERROR_KEY_DELETED) << call.name;
    // A key of the same name made afresh is another key.
    UniqueHkey fresh = create("A\\B");
    set_dword(fresh.get(), "v", 2);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(doomed.get(), "v", nullptr, nullptr, nullptr, &size),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(doomed.release()), ERROR_SUCCESS);
}

TEST_F(Handles, KeyRemovedByAnotherWriterIsDeletedForOpenHandles) {
    UniqueHkey parent = create("A");
    UniqueHkey child = create("A\\Gone");
    ASSERT_EQ(query(parent.get(), "missing"), "<error 2>");
    // Another program replaces the file without the key.
    replace_file(
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"new\"\n");
    EXPECT_EQ(query(parent.get(), "v"), sz("new"));
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(child.get(), "v", nullptr, nullptr, nullptr, &size),
              ERROR_KEY_DELETED);
}

}  // namespace
}  // namespace orv::test
