// Shared set-up of the PIN pad service object tests: one private installation per process,
// COM initialised on the test thread, and a fixture holding a recording control and the service
// object it opened.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "jvm_access.h"
#include "platform/com.h"
#include "test_control.h"
#include "test_env.h"
#include "trace_reader.h"

namespace orv::so::test {

inline constexpr CLSID kPinClsid =
    GUID_INIT(0xF4986AB2, 0x61C2, 0x11D3, 0xA7, 0x34, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA);

class InstallEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        install = std::make_unique<TestInstall>();
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        install.reset();
    }
    static inline std::unique_ptr<TestInstall> install;
};

inline TestInstall& Install() { return *InstallEnvironment::install; }

// A service object created by ProgID through the device key and opened on a device by a
// recording control.
class OpenPinPad : public ::testing::Test {
protected:
    void SetUp() override {
        control = RecordingControl::Create();
        ASSERT_EQ(so.Create("P1"), S_OK);
        ASSERT_EQ(so.OpenService(Device(), control), 0);
    }
    void TearDown() override {
        if (so.Dispatch()) {
            so.Close();
            so.Release();
        }
        control->Release();
    }
    virtual const char* Device() const { return "P1"; }
    // Releases the service object (its trace closes) and reads the trace.
    Trace CloseAndReadTrace() {
        so.Close();
        so.Release();
        return ReadTrace(Install().TracePath());
    }

    RecordingControl* control = nullptr;
    ServiceObjectClient so;
};

}  // namespace orv::so::test
