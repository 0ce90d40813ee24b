#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry_ext.h"
#include "reg_fixture.h"

namespace orv::test {
namespace {

std::string data_file(const char* name) {
    const char* source = std::getenv("ORV_SOURCE_DIR");
    return std::string(source ? source : ".") + "/platform/registry/tests/data/" + name;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void spit(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class Import : public RegistryTest {
protected:
    LONG import(const std::string& file, DWORD* line = nullptr) {
        return OrvRegImportFile(file.c_str(), line);
    }
    std::string export_key(HKEY root, const char* sub) {
        std::string out = dir_ + "/export.reg";
        EXPECT_EQ(OrvRegExportKey(root, sub, out.c_str()), ERROR_SUCCESS) << sub;
        return slurp(out);
    }
};

TEST_F(Import, InstallerFileLandsWhereTheSuiteReadsIt) {
    ASSERT_EQ(import(data_file("opos_install.reg")), ERROR_SUCCESS) << orv::registry_error_text();
    EXPECT_EQ(query(open("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1").get(), nullptr),
              sz("ORVPin.so"));
    UniqueHkey info = open("SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane");
    EXPECT_EQ(query(info.get(), "Logpath"), sz("C:\\Orvane\\Logs"));
    EXPECT_EQ(query(info.get(), "Classpath"), sz("C:\\Orvane\\lib"));
    DWORD type = 0;
    EXPECT_EQ(query(info.get(), "Home", &type), sz("%PROGRAMFILES%\\Orvane"));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(query(info.get(), "Obsolete"), "<error 2>");
    EXPECT_EQ(query(open("SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR\\M1").get(), "Devicename"),
              sz("ZR88xxMSR"));
    EXPECT_EQ(query(open("ORVPin.so\\CLSID", KEY_READ, HKEY_CLASSES_ROOT).get(), ""),
              sz("{F4986AB2-61C2-11D3-A734-0080C88C35FA}"));
}

TEST_F(Import, ExportUnderClassesRootUsesItsName) {
    ASSERT_EQ(import(data_file("opos_install.reg")), ERROR_SUCCESS);
    UniqueHkey progid = open("orvpin.SO", KEY_READ, HKEY_CLASSES_ROOT);
    EXPECT_EQ(export_key(progid.get(), "clsid"),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CLASSES_ROOT\\ORVPin.so\\CLSID]\n"
              "@=\"{F4986AB2-61C2-11D3-A734-0080C88C35FA}\"\n\n");
    std::string out = dir_ + "/x.reg";
    EXPECT_EQ(OrvRegExportKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Missing", out.c_str()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OrvRegExportKey(HKEY_CURRENT_USER, "", out.c_str()), ERROR_INVALID_HANDLE);
    spit(out, "keep");
    ASSERT_EQ(::chmod(out.c_str(), 0444), 0);
    EXPECT_EQ(OrvRegExportKey(HKEY_LOCAL_MACHINE, "SOFTWARE", out.c_str()), ERROR_ACCESS_DENIED);
    EXPECT_EQ(slurp(out), "keep");
}

TEST_F(Import, FailedImportChangesNothing) {
    UniqueHkey a = create("A");
    set_dword(a.get(), "v", 1);
    const std::string before = file_text();
    struct Case {
        const char* label;
        std::string text;
        LONG status;
        DWORD line;
    };
    const Case cases[] = {
        {"bad_line",
         "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n"
         "\"w\"=dword:2\n\"x\"=hex:zz\n",
         ERROR_BADDB, 5},
        {"other_root",
         "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\B]\n"
         "[HKEY_CURRENT_USER\\Software\\Orvane]\n",
         ERROR_FILE_NOT_FOUND, 4},
        {"not_a_reg_file", "hello\n", ERROR_BADDB, 1},
    };
    for (const Case& c : cases) {
        std::string file = dir_ + "/" + c.label + ".reg";
        spit(file, c.text);
        DWORD line = 0xDEADBEEF;
        EXPECT_EQ(import(file, &line), c.status) << c.label;
        EXPECT_EQ(line, c.line) << c.label;
        EXPECT_TRUE(
            orv::registry_error_text().starts_with(file + ":" + std::to_string(c.line) + ": "))
            << orv::registry_error_text();
        EXPECT_EQ(file_text(), before) << c.label;
    }
    DWORD line = 0xDEADBEEF;
    EXPECT_EQ(import(dir_ + "/missing.reg", &line), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(line, 0u);
    EXPECT_EQ(OrvRegImportFile(nullptr, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(Import, DeletionSectionsRemoveSubtreesAndTheirHandles) {
    UniqueHkey leaf = create("SOFTWARE\\Old\\Deep\\Leaf");
    std::string file = dir_ + "/remove.reg";
    spit(file, "Windows Registry Editor Version 5.00\n\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\n");
    ASSERT_EQ(import(file), ERROR_SUCCESS);
    UniqueHkey key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old", 0, KEY_READ, key.out()),
              ERROR_FILE_NOT_FOUND);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(leaf.get(), "v", nullptr, nullptr, nullptr, &size),
              ERROR_KEY_DELETED);
}

TEST(RegistryExt, StorePathAndTextBuffers) {
    ::setenv("ORV_REGISTRY", "/tmp/some/where.reg", 1);
    EXPECT_EQ(orv::registry_store_path(), "/tmp/some/where.reg");
    char small[5];
    EXPECT_EQ(OrvRegGetStorePath(small, sizeof small), 19u);
    EXPECT_STREQ(small, "/tmp");
    EXPECT_EQ(OrvRegGetStorePath(nullptr, 0), 19u);
    ::unsetenv("ORV_REGISTRY");
    EXPECT_EQ(orv::registry_store_path(), ORV_REGISTRY_DEFAULT_PATH);
    ::setenv("ORV_REGISTRY", "", 1);
    EXPECT_EQ(orv::registry_store_path(), ORV_REGISTRY_DEFAULT_PATH);

    EXPECT_EQ(orv::registry_ansi_to_utf8("Caf\xE9 \x80"), "Caf\u00e9 \u20ac");
    EXPECT_EQ(orv::registry_utf8_to_ansi("Caf\u00e9 \u20ac \u03a9"), "Caf\xE9 \x80 ?");
    EXPECT_EQ(orv::registry_ansi_to_utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace orv::test
