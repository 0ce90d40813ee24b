// The installation settings: trailing separators, buffer limits of the registry values and of
// CLASSPATH, and the messages collected while reading the trace folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/registry.h"
#include "so_core/service_settings.h"
#include "test_env.h"

namespace orv::so {
namespace {

class SoSettings : public ::testing::Test {
protected:
    static void SetUpTestSuite() { install = new test::TestInstall(false); }
    static void TearDownTestSuite() {
        delete install;
        install = nullptr;
    }
    void TearDown() override {
        test::TestInstall::SetServiceInfo("Logpath", "/tmp/logs");
        test::TestInstall::SetServiceInfo("Classpath", "/opt/lib");
    }
    static inline test::TestInstall* install = nullptr;
};

TEST(SoTrailingSeparator, AppendedOnceWhatEverConventionEndsTheValue) {
    const std::pair<const char*, const char*> cases[] = {
        {"/var/log/orv", "/var/log/orv/"}, {"/var/log/orv/", "/var/log/orv/"},
        {"C:\\jpos\\lib", "C:\\jpos\\lib/"}, {"C:\\jpos\\lib\\", "C:\\jpos\\lib\\"},
        {"", ""}, {"/", "/"}, {"relative", "relative/"}};
    for (auto [in, out] : cases) EXPECT_EQ(AddTrailingSeparator(in), out) << in;
}

TEST_F(SoSettings, FolderValuesFitIn100BytesWithTheirTerminator) {
    test::TestInstall::SetServiceInfo("Classpath", std::string(99, 'a'));
    LibraryFolder lib = ReadLibraryFolder();
    EXPECT_TRUE(lib.valueRead);
    EXPECT_EQ(lib.folder, std::string(99, 'a') + "/");
    test::TestInstall::SetServiceInfo("Classpath", std::string(100, 'a'));
    lib = ReadLibraryFolder();
    EXPECT_TRUE(lib.keyOpened);
    EXPECT_FALSE(lib.valueRead);
    test::TestInstall::SetServiceInfo("Logpath", std::string(100, 'a'));
    EXPECT_EQ(ReadLogFolder().messages, "Failed to query log path value from the registry");
    EXPECT_EQ(ReadLogFolder().folder, "");
}

TEST_F(SoSettings, ANumberIsNotAFolder) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceInfoKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const DWORD n = 5;
    ASSERT_EQ(RegSetValueExA(key, "Logpath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4), ERROR_SUCCESS);
    EXPECT_FALSE(ReadStringValue(key, "Logpath", kFolderValueBuffer).has_value());
    EXPECT_FALSE(ReadStringValue(key, "Nothing", kFolderValueBuffer).has_value());
    RegCloseKey(key);
    EXPECT_FALSE(ReadStringValue(nullptr, "Logpath", kFolderValueBuffer).has_value()) << "never an unopened key";
}

TEST_F(SoSettings, MissingKeyGivesBothMessagesJoined) {
    test::TestInstall::DeleteServiceInfoKey();
    const LogFolder log = ReadLogFolder();
    EXPECT_EQ(log.folder, "");
    EXPECT_EQ(log.messages, "Failed to open log path from the registryFailed to query log path value from the registry");
    const LibraryFolder lib = ReadLibraryFolder();
    EXPECT_FALSE(lib.keyOpened);
    EXPECT_FALSE(lib.valueRead);
    test::TestInstall::SetServiceInfo("Logpath", "/tmp/logs");
    EXPECT_EQ(ReadLogFolder().folder, "/tmp/logs/");
    EXPECT_EQ(ReadLogFolder().messages, "");
}

TEST(SoClassPathVariable, UnsetEmptyOrTooLongCountsAsMissing) {
    const char* saved = std::getenv("CLASSPATH");
    const std::string keep = saved ? saved : "";
    ::unsetenv("CLASSPATH");
    EXPECT_FALSE(ReadClassPathVariable().has_value());
    ::setenv("CLASSPATH", "", 1);
    EXPECT_FALSE(ReadClassPathVariable().has_value());
    ::setenv("CLASSPATH", std::string(999, 'j').c_str(), 1);
    EXPECT_EQ(ReadClassPathVariable(), std::string(999, 'j'));
    ::setenv("CLASSPATH", std::string(1000, 'j').c_str(), 1);
    EXPECT_FALSE(ReadClassPathVariable().has_value()) << "never passed on truncated";
    if (saved)
        ::setenv("CLASSPATH", keep.c_str(), 1);
    else
        ::unsetenv("CLASSPATH");
}

}  // namespace
}  // namespace orv::so
