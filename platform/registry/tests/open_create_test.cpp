#include "reg_fixture.h"

namespace orv::test {
namespace {

const HKEY kPoison = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xDEADBEEF));

class OpenCreate : public RegistryTest {};

TEST_F(OpenCreate, CreatesMissingParentsAndReportsDisposition) {
    UniqueHkey key;
    DWORD disposition = 0xDEADBEEF;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1",
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.out(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    open("SOFTWARE\\OLEforRetail\\ServiceOPOS");

    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\oleforretail\\serviceopos\\pinpad\\p1",
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.out(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));

    // A relative create below an open key.
    UniqueHkey child;
    ASSERT_EQ(RegCreateKeyExA(key.get(), "Sub\\Leaf", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              child.out(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    open("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1\\Sub\\Leaf");
}

TEST_F(OpenCreate, OpenMissingKeyFailsAndClearsResult) {
    create("SOFTWARE\\A");
    HKEY key = kPoison;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\B", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    key = kPoison;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B\\C", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST_F(OpenCreate, NamesAreCaseInsensitiveAndCasePreserving) {
    create("SOFTWARE\\OLEforRetail");
    UniqueHkey key = open("software\\OLEFORRETAIL");
    ASSERT_NE(key.get(), nullptr);
    UniqueHkey software = open("SOFTWARE", KEY_READ);
    char name[64];
    DWORD cch = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(software.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "OLEforRetail");
}

TEST_F(OpenCreate, EmptySubkeyOpensTheKeyItself) {
    UniqueHkey a = create("A");
    set_string(a.get(), "v", "x");
    for (const char* sub : {static_cast<const char*>(nullptr), ""}) {
        UniqueHkey again;
        ASSERT_EQ(RegOpenKeyExA(a.get(), sub, 0, KEY_READ, again.out()), ERROR_SUCCESS);
        EXPECT_NE(again.get(), a.get());
        EXPECT_EQ(query(again.get(), "v"), sz("x"));
    }
    HKEY root = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &root), ERROR_SUCCESS);
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
}

TEST_F(OpenCreate, RefusesPathsNoKeyCanHave) {
    create("A");
    struct Case {
        std::string path;
        bool opens;
    };
    const Case cases[] = {
        {"\\A", false},
        {"A\\\\B", false},
        {"A\\\\", false},
        {std::string(256, 'k'), false},
        {"A\\line\nbreak", false},
        {"A\\", true},  // one trailing backslash is tolerated
    };
    for (const Case& c : cases) {
        UniqueHkey key;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, c.path.c_str(), 0, KEY_READ, key.out()),
                  c.opens ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND)
            << c.path;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, c.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.out(), nullptr),
                  c.opens ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER)
            << c.path;
    }
    // Nothing of the refused paths reached the file.
    EXPECT_EQ(file_text().find("line"), std::string::npos);
}

TEST_F(OpenCreate, DepthLimitIs512Levels) {
    std::string path = "k";
    for (int i = 1; i < 512; ++i) path += "\\k";
    UniqueHkey deepest = create(path.c_str());
    UniqueHkey key;
    EXPECT_EQ(RegCreateKeyExA(deepest.get(), "one_more", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.out(), nullptr),
              ERROR_INVALID_PARAMETER);
    // HKEY_CLASSES_ROOT starts two levels down.
    EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.out(), nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(OpenCreate, NullResultPointerIsInvalidParameter) {
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(file_text(), "");  // nothing was created
}

TEST_F(OpenCreate, ClassesRootIsTheClassesKeyOfLocalMachine) {
    UniqueHkey progid = create("ORVPin.so\\CLSID", HKEY_CLASSES_ROOT);
    set_string(progid.get(), nullptr, "{F4986AB2-61C2-11D3-A734-0080C88C35FA}");
    UniqueHkey same = open("SOFTWARE\\Classes\\ORVPin.so\\CLSID");
    EXPECT_EQ(query(same.get(), ""), sz("{F4986AB2-61C2-11D3-A734-0080C88C35FA}"));
    EXPECT_NE(file_text().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\ORVPin.so\\CLSID]"),
              std::string::npos);
}

TEST_F(OpenCreate, ClassesRootBeforeItsKeyExistsIsEmpty) {
    create("SOFTWARE\\Other");
    char name[64];
    DWORD cch = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(HKEY_CLASSES_ROOT, 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_CLASSES_ROOT, nullptr, nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    UniqueHkey key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "ORVPin.so", 0, KEY_READ, key.out()),
              ERROR_FILE_NOT_FOUND);
    // Writing a value on the root creates SOFTWARE\Classes.
    set_string(HKEY_CLASSES_ROOT, "v", "x");
    EXPECT_EQ(query(open("SOFTWARE\\Classes").get(), "v"), sz("x"));
}

}  // namespace
}  // namespace orv::test
