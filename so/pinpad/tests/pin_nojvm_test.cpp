// Installations in which the bridge cannot reach a JVM: CLASSPATH missing, empty or too long,
// the Classpath or the whole service information key missing. The object is still created, its
// trace says where it stopped, OpenService answers 111 without a line, every other call takes
// its missing-method path without touching a JVM, and none is ever started in this process.
// Also the one-instance rule of the trace across processes.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "pin_test_main.h"
#include "platform/com_ptr.h"

namespace orv::so::test {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new InstallEnvironment);

const std::vector<std::string> kNoClassPath = {"", " The Windows environment variable: CLASSPATH was not found.",
                                               "Exiting the application."};

class PinNoJvm : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv("CLASSPATH"); }
    void TearDown() override {
        EXPECT_FALSE(JvmRunning()) << "no JVM may start in this process";
        TestInstall::SetServiceInfo("Logpath", Install().LogDir().string());
        TestInstall::SetServiceInfo("Classpath", (BuildDir() / "lib").string());
        ::unsetenv("CLASSPATH");
    }
};

TEST_F(PinNoJvm, MissingEmptyOrOverlongClassPathStopsBeforeTheJvm) {
    for (const char* value : {static_cast<const char*>(nullptr), "", "1000"}) {
        SCOPED_TRACE(value ? value : "unset");
        std::string text;
        if (value && std::string(value) == "1000") text.assign(1000, 'x');  // no room for the terminator
        if (value) ::setenv("CLASSPATH", text.c_str(), 1);
        ServiceObjectClient so;
        ASSERT_EQ(so.Create("P1"), S_OK) << "creation never fails for this";
        EXPECT_EQ(ReadTrace(Install().TracePath()).lines, kNoClassPath);
        so.Release();
        ::unsetenv("CLASSPATH");
    }
}

TEST_F(PinNoJvm, EveryCallFailsCleanlyWithoutAJvm) {
    auto* control = RecordingControl::Create();
    ServiceObjectClient so;
    ASSERT_EQ(so.Create("P1"), S_OK);
    so.SetPropertyNumber(99, 0);
    EXPECT_EQ(so.GetPropertyNumber(6), 106);
    EXPECT_EQ(so.OpenService("P1", control), 111);
    EXPECT_EQ(so.GetPropertyNumber(6), 106) << "OpenService records nothing here";
    EXPECT_EQ(ReadTrace(Install().TracePath()).lines, kNoClassPath) << "and writes nothing";

    EXPECT_EQ(so.Claim(0), 102);
    EXPECT_EQ(so.Release_(), 111);
    EXPECT_EQ(so.CheckHealth(1), 111);
    EXPECT_EQ(so.ClearInput(), 12);
    int32_t data = 0;
    BSTR text = nullptr;
    EXPECT_EQ(so.DirectIO(15, &data, &text), 111);
    EXPECT_EQ(so.DirectIO(4, &data, &text), 111);
    EXPECT_EQ(so.BeginEFTTransaction("DUKPT", 1), 106);
    EXPECT_EQ(so.UpdateStatistics(""), 106);
    EXPECT_TRUE(so.VerifyMAC("x"));
    EXPECT_EQ(so.GetAmount(), 0);
    so.SetAmount(1);
    EXPECT_EQ(so.COFreezeEvents(true), 1);
    EXPECT_EQ(so.GetPropertyNumber(9), 0);
    EXPECT_EQ(so.GetPropertyNumber(6), 111) << "a property that cannot be read is a failure";
    EXPECT_EQ(so.GetPropertyString(1000001), "[Error]");
    EXPECT_EQ(so.GetPropertyString(1017009), "");
    EXPECT_EQ(so.GetPropertyNumber(17005), 1);
    EXPECT_EQ(so.Close(), 101);
    EXPECT_EQ(control->Count(), 0u);
    const Trace t = ReadTrace(Install().TracePath());
    EXPECT_TRUE(t.Has("Failed to get Method ID for claim"));
    EXPECT_TRUE(t.Has("Failed to get Method ID for getState"));
    EXPECT_TRUE(t.Has("Failed to get Method ID for DirectIO "));
    so.Release();
    control->Release();
}

TEST_F(PinNoJvm, MissingOrOverlongClasspathValueStopsBeforeTheJvm) {
    ::setenv("CLASSPATH", "/nonexistent/orvpos.jar", 1);
    for (const std::optional<std::string>& value : {std::optional<std::string>(), std::optional(std::string(100, 'd'))}) {
        TestInstall::SetServiceInfo("Classpath", value);
        ServiceObjectClient so;
        ASSERT_EQ(so.Create("P1"), S_OK);
        EXPECT_EQ(ReadTrace(Install().TracePath()).lines,
                  (std::vector<std::string>{"", "Failed to query Classpath from the registry",
                                            "Unable to determine valid java.library.path"}));
        so.Release();
    }
    // 99 characters and the terminator fit: that value is read (and a JVM would start next, so
    // this is checked on the settings reader alone, in the unit tests).
}

TEST_F(PinNoJvm, WithoutTheServiceInformationKeyTheTraceGoesToTheCurrentDirectory) {
    ::setenv("CLASSPATH", "/nonexistent/orvpos.jar", 1);
    TestInstall::DeleteServiceInfoKey();
    const auto cwd = std::filesystem::current_path();
    const auto here = Install().Root() / "cwd";
    std::filesystem::create_directories(here);
    std::filesystem::current_path(here);
    {
        ServiceObjectClient so;
        ASSERT_EQ(so.Create("P1"), S_OK);
        so.Release();
    }
    std::filesystem::current_path(cwd);
    const Trace t = ReadTrace(here / "Pinpadso.log");
    EXPECT_EQ(t.error, "");
    EXPECT_EQ(t.lines, (std::vector<std::string>{
                           "Failed to open log path from the registryFailed to query log path value from the registry",
                           "Failed to open class path from the registry", "Failed to query Classpath from the registry",
                           "Unable to determine valid java.library.path"}));
}

TEST_F(PinNoJvm, LogpathWithOrWithoutItsSeparatorNamesTheSameFile) {
    for (const std::string& folder : {Install().LogDir().string() + "/", Install().LogDir().string()}) {
        TestInstall::SetServiceInfo("Logpath", folder);
        std::filesystem::remove(Install().TracePath());
        ServiceObjectClient so;
        ASSERT_EQ(so.Create("P1"), S_OK);
        EXPECT_TRUE(std::filesystem::exists(Install().TracePath())) << folder;
        so.Release();
    }
}

TEST_F(PinNoJvm, AnUncreatableTraceLeavesTheObjectRunningWithoutOne) {
    TestInstall::SetServiceInfo("Logpath", (Install().Root() / "missing" / "folder").string());
    ServiceObjectClient so;
    ASSERT_EQ(so.Create("P1"), S_OK);
    EXPECT_EQ(so.Claim(0), 102);
    ServiceObjectClient second;
    EXPECT_EQ(second.Create("P1"), S_OK) << "no live trace, nothing to share";
    second.Release();
    so.Release();
    EXPECT_FALSE(std::filesystem::exists(Install().Root() / "missing"));
}

// Another process cannot create the class's object while this one's is alive.
TEST_F(PinNoJvm, TheOneInstanceRuleHoldsAcrossProcesses) {
    auto createInChild = [] {
        const pid_t child = ::fork();
        if (child == 0) {
            ServiceObjectClient so;
            const HRESULT hr = so.Create("P1");
            so.Release();
            ::_exit(hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) ? 3 : (SUCCEEDED(hr) ? 0 : 4));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    {
        ServiceObjectClient so;
        ASSERT_EQ(so.Create("P1"), S_OK);
        EXPECT_EQ(createInChild(), 3) << "sharing violation while this object lives";
        so.Release();
    }
    EXPECT_EQ(createInChild(), 0) << "created once it is gone";
}

}  // namespace
}  // namespace orv::so::test
