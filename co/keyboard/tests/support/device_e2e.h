// End-to-end set-up shared by the POS keyboard and tone indicator control tests: a private
// installation (registry file, trace folder, claim locks, class path) with the given servers
// registered and the given OPOS device keys, and one control on the test's thread that records
// every event it fires together with the thread it arrived on.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/apartment.h"
#include "host/control.h"

namespace orv::co::test {

struct DeviceKey {
    const char* path;  // under HKLM
    const char* progId;
};

class DeviceInstallation : public ::testing::Environment {
public:
    DeviceInstallation(std::vector<std::string> servers, std::vector<DeviceKey> keys)
        : servers_(std::move(servers)), keys_(std::move(keys)) {}
    void SetUp() override;
    void TearDown() override;
    const std::filesystem::path& LogFolder() const { return log_; }

private:
    std::vector<std::string> servers_;
    std::vector<DeviceKey> keys_;
    std::filesystem::path folder_;
    std::filesystem::path log_;
};

// One event as the application saw it.
struct SeenEvent {
    DISPID dispid;
    int32_t value;  // the first argument
    DWORD thread;
};

class DeviceControlTest : public ::testing::Test {
protected:
    // Creates the control and sinks the event DISPIDs 1 to 5 into events_.
    void CreateControl(const char* progId);
    int32_t Call0(const char* method);
    int32_t Long(const char* property);
    // Open, Claim and DeviceEnabled; each must succeed.
    void OpenClaimEnable(const char* device);
    bool Pump(const std::function<bool()>& done,
              std::chrono::milliseconds limit = std::chrono::seconds(5));
    void PumpFor(std::chrono::milliseconds time);
    // Events of one DISPID, in arrival order.
    std::vector<SeenEvent> EventsOf(DISPID dispid) const;

    host::ComApartment com_;
    host::Control control_;
    std::vector<SeenEvent> events_;
    // Runs inside each event handler, after the event is recorded.
    std::function<void(DISPID, const EventArgs&)> onEvent_;
    // What an ErrorEvent handler answers.
    int32_t errorResponse_ = 12;  // OPOS_ER_CLEAR
};

// The simulator's answer to a text command ("OK ..." / "ERR ...").
std::string Sim(const std::string& line);

}  // namespace orv::co::test
