#include "reg_fixture.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orv::test {

void RegistryTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvreg-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    use_file(dir_ + "/registry.reg");
}

void RegistryTest::TearDown() {
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
}

std::string RegistryTest::file_text() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void RegistryTest::write_file(const std::string& text) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << text;
}

void RegistryTest::replace_file(const std::string& text) const {
    std::string next = dir_ + "/next.reg";
    std::ofstream(next, std::ios::binary | std::ios::trunc) << text;
    ASSERT_EQ(std::rename(next.c_str(), path_.c_str()), 0);
}

void RegistryTest::use_file(const std::string& path) {
    path_ = path;
    ::setenv("ORV_REGISTRY", path_.c_str(), 1);
}

UniqueHkey RegistryTest::create(const char* path, HKEY root) {
    UniqueHkey key;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, key.out(), nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
}

UniqueHkey RegistryTest::open(const char* path, REGSAM access, HKEY root) {
    UniqueHkey key;
    EXPECT_EQ(RegOpenKeyExA(root, path, 0, access, key.out()), ERROR_SUCCESS) << path;
    return key;
}

void RegistryTest::set_string(HKEY key, const char* name, const std::string& text) {
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
}

void RegistryTest::set_dword(HKEY key, const char* name, DWORD value) {
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
}

std::string RegistryTest::query(HKEY key, const char* name, DWORD* type) {
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (status != ERROR_SUCCESS) return "<error " + std::to_string(status) + ">";
    std::string data(size, '\0');
    status =
        RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (status != ERROR_SUCCESS) return "<error " + std::to_string(status) + ">";
    data.resize(size);
    return data;
}

}  // namespace orv::test
