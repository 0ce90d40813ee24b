// Shared set-up of the control tests: a private registry file with the control libraries and
// the fake service object registered by the regsvr tool, the OPOS device keys the tests open,
// and a fixture holding one PIN pad control per test on the test's thread.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "fake_service_object.h"
#include "host/apartment.h"
#include "host/control.h"
#include "host/pump.h"

namespace orv::co::test {

// Writes HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\<deviceClass>\<name>; a null progId makes the
// key without a default value.
void WriteDeviceKey(const std::string& deviceClass, const std::string& name, const char* progId);
// Runs the regsvr tool with these arguments; its exit code.
int RunRegsvr(const std::string& arguments);
// The private registry file of this test program.
std::string RegistryFile();

// Pumps the test thread's messages until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Pumps for a while, for checks that something does not happen.
void PumpFor(std::chrono::milliseconds time);

// One "OPOS.PINPad" control on the test thread, and a clean fake service object.
class PinpadWithFake : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Open("FAKE") and expects success.
    void OpenFake();
    // The service object the control created (fails the test when there is none).
    FakeServiceObject& So();

    host::ComApartment com_;
    host::Control control_;
};

}  // namespace orv::co::test
