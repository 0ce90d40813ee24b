// Shared pieces of the registry API tests: a private registry file per test, key handles that
// close themselves, and short forms of the calls the tests repeat.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/handles.h"
#include "platform/registry.h"

namespace orv::test {

using orv::UniqueHkey;

// Each test gets its own folder and registry file (ORV_REGISTRY points at it).
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The registry file's bytes ("" when it does not exist).
    std::string file_text() const;
    void write_file(const std::string& text) const;
    // Replaces the file as another program would: a new file renamed over it.
    void replace_file(const std::string& text) const;
    // Points this process at another registry file.
    void use_file(const std::string& path);

    // Creates (or opens) HKLM\path with KEY_ALL_ACCESS; fails the test on error.
    UniqueHkey create(const char* path, HKEY root = HKEY_LOCAL_MACHINE);
    UniqueHkey open(const char* path, REGSAM access = KEY_READ, HKEY root = HKEY_LOCAL_MACHINE);
    void set_string(HKEY key, const char* name, const std::string& text);
    void set_dword(HKEY key, const char* name, DWORD value);
    // The value's bytes; "<error N>" when the query fails.
    std::string query(HKEY key, const char* name, DWORD* type = nullptr);

    std::string dir_;
    std::string path_;
};

// "text" with its terminating zero, as REG_SZ data is stored.
inline std::string sz(const std::string& text) {
    return text + std::string(1, '\0');
}

}  // namespace orv::test
