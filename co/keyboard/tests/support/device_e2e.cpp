#include "device_e2e.h"

#include <unistd.h>

#include <cstdlib>

#include "host/pump.h"
#include "platform/com_register.h"
#include "platform/win32.h"
#include "sim_terminal.h"

namespace orv::co::test {

namespace fs = std::filesystem;

namespace {

int Regsvr(const std::string& library) {
    const int status = std::system((std::string(ORV_REGSVR) + " /s " + library).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

void DeviceInstallation::SetUp() {
    folder_ = fs::temp_directory_path() / ("orv-device-e2e-" + std::to_string(::getpid()));
    log_ = folder_ / "log";
    fs::create_directories(log_);
    fs::create_directories(folder_ / "locks");
    ::setenv("ORV_REGISTRY", (folder_ / "registry.reg").c_str(), 1);
    ::setenv("ORV_SIM_LOCK_DIR", (folder_ / "locks").c_str(), 1);
    ::setenv("CLASSPATH", ORV_JAR, 1);
    for (const std::string& server : servers_) ASSERT_EQ(Regsvr(server), 0) << server;
    for (const DeviceKey& key : keys_)
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, key.path, nullptr, key.progId), ERROR_SUCCESS);
    const char* info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, info, "Logpath", log_.string() + "/"),
              ERROR_SUCCESS);
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, info, "Classpath", ORV_LIB_DIR), ERROR_SUCCESS);
}

void DeviceInstallation::TearDown() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void DeviceControlTest::CreateControl(const char* progId) {
    ASSERT_TRUE(com_);
    ASSERT_EQ(control_.Create(progId), S_OK) << progId;
    for (DISPID id = 1; id <= 5; ++id) {
        ASSERT_EQ(control_.OnEvent(id,
                                   [this, id](const EventArgs& a) {
                                       events_.push_back({id, a.Long(0), GetCurrentThreadId()});
                                       if (id == 3)
                                           if (int32_t* response = a.LongRef(3))
                                               *response = errorResponse_;
                                       if (onEvent_) onEvent_(id, a);
                                   }),
                  S_OK);
    }
}

int32_t DeviceControlTest::Call0(const char* method) {
    int32_t rc = -1;
    EXPECT_EQ(control_.Call(method, &rc), S_OK) << method;
    return rc;
}

int32_t DeviceControlTest::Long(const char* property) {
    int32_t value = -1;
    EXPECT_EQ(control_.Get(property, &value), S_OK) << property;
    return value;
}

void DeviceControlTest::OpenClaimEnable(const char* device) {
    int32_t rc = -1;
    ASSERT_EQ(control_.Call("Open", &rc, device), S_OK);
    ASSERT_EQ(rc, 0) << "Open(" << device << "), OpenResult " << Long("OpenResult");
    ASSERT_EQ(control_.Call("ClaimDevice", &rc, 1000), S_OK);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(control_.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
    ASSERT_EQ(Long("ResultCode"), 0);
}

bool DeviceControlTest::Pump(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return host::PumpUntil(done, limit);
}

void DeviceControlTest::PumpFor(std::chrono::milliseconds time) {
    host::PumpUntil([] { return false; }, time);
}

std::vector<SeenEvent> DeviceControlTest::EventsOf(DISPID dispid) const {
    std::vector<SeenEvent> out;
    for (const SeenEvent& e : events_)
        if (e.dispid == dispid) out.push_back(e);
    return out;
}

std::string Sim(const std::string& line) {
    return SimTerminal::Command(line);
}

}  // namespace orv::co::test
