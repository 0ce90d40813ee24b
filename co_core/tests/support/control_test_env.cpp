#include "control_test_env.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/com_register.h"
#include "platform/registry.h"

namespace orv::co::test {
namespace {

namespace fs = std::filesystem;

fs::path& Folder() {
    static fs::path folder;
    return folder;
}

class ControlTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Folder() = fs::temp_directory_path() / ("orv-co-test-" + std::to_string(::getpid()));
        fs::create_directories(Folder());
        ::setenv("ORV_REGISTRY", RegistryFile().c_str(), 1);
        for (const char* library : {ORV_PINPAD_CONTROL, ORV_FAKE_SO, ORV_FREEZE_CONTROL})
            ASSERT_EQ(RunRegsvr(std::string("/s ") + library), 0) << library;
        WriteDeviceKey("PINPad", "FAKE", kFakeSoProgId);
        WriteDeviceKey("PINPad", "NOVALUE", nullptr);
        WriteDeviceKey("PINPad", "BADPROGID", "OrvTest.NotRegistered");
        WriteDeviceKey("PINPad", "LONGPROGID", std::string(120, 'P').c_str());
        WriteDeviceKey("TestFreeze", "FAKE", kFakeSoProgId);
    }
    void TearDown() override { fs::remove_all(Folder()); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ControlTestEnvironment);

}  // namespace

std::string RegistryFile() {
    return (Folder() / "registry.reg").string();
}

int RunRegsvr(const std::string& arguments) {
    const int status = std::system((std::string(ORV_REGSVR) + " " + arguments).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteDeviceKey(const std::string& deviceClass, const std::string& name, const char* progId) {
    const std::string key = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\" + deviceClass + "\\" + name;
    if (progId) {
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, key, nullptr, progId), ERROR_SUCCESS);
        return;
    }
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return host::PumpUntil(done, timeout);
}

void PumpFor(std::chrono::milliseconds time) {
    host::PumpUntil([] { return false; }, time);
}

void PinpadWithFake::SetUp() {
    FakeServiceObject::ResetAll();
    ASSERT_TRUE(com_);
    ASSERT_EQ(control_.Create("OPOS.PINPad"), S_OK);
}

void PinpadWithFake::TearDown() {
    control_.Reset();
    EXPECT_EQ(FakeServiceObject::LiveCount(), 0) << "the control owns the only reference";
}

void PinpadWithFake::OpenFake() {
    int32_t rc = -1;
    ASSERT_EQ(control_.Call("Open", &rc, "FAKE"), S_OK);
    ASSERT_EQ(rc, 0);
}

FakeServiceObject& PinpadWithFake::So() {
    FakeServiceObject* so = FakeServiceObject::Current();
    if (!so) throw std::runtime_error("no live service object");  // fails the test
    return *so;
}

}  // namespace orv::co::test
