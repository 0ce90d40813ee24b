// Shared set-up of the signature capture service object tests: one private installation per
// process with SigcapBridge registered and device S1 configured, COM on the test thread, and a
// fixture holding a recording control and the service object it opened.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "jvm_access.h"
#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/dispatch_driver.h"
#include "platform/opos.h"
#include "test_control.h"
#include "test_env.h"
#include "trace_reader.h"

namespace orv::so::test {

// The signature capture service object's DISPIDs: positions in its dispatch map.
namespace sig {
enum Dispid : DISPID {
    GetPropertyNumber = 1, SetPropertyNumber, SetPropertyString, OpenService, Close, Claim,
    Release, CheckHealth, DirectIO, COFreezeEvents, ClearInput, BeginCapture, EndCapture,
    GetPropertyString, ClaimDevice, ReleaseDevice, CompareFirmwareVersion, ResetStatistics,
    RetrieveStatistics, UpdateFirmware, UpdateStatistics,
};
inline constexpr int32_t kTotalPoints = 11003;
inline constexpr int32_t kRawData = 1011001;
inline constexpr int32_t kPointArray = 1011002;
}  // namespace sig

inline std::filesystem::path SigcapLibrary() { return BuildDir() / "lib" / "libSigcapBridge.so"; }

class SigInstallEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        install = std::make_unique<TestInstall>(false);
        ASSERT_EQ(RunCommand(RegsvrTool().string() + " /s " + SigcapLibrary().string()), 0);
        TestInstall::SetString("SOFTWARE\\OLEforRetail\\ServiceOPOS\\SignatureCapture\\S1",
                               nullptr, "ORVSig.so");
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        install.reset();
    }
    static inline std::unique_ptr<TestInstall> install;
};

inline TestInstall& Install() { return *SigInstallEnvironment::install; }

// A signature capture service object created by ProgID and opened on S1 by a recording control.
class OpenSig : public ::testing::Test {
protected:
    void SetUp() override {
        control = RecordingControl::Create();
        ASSERT_EQ(so.CreateDispatch("ORVSig.so"), S_OK);
        int32_t rc = -1;
        ASSERT_EQ(so.Call(sig::OpenService, &rc, "SignatureCapture", "S1",
                          static_cast<IDispatch*>(control)),
                  S_OK);
        ASSERT_EQ(rc, 0);
    }
    void TearDown() override {
        if (so.Dispatch()) {
            Call(sig::Close);
            so.ReleaseDispatch();
        }
        control->Release();
    }
    template <class... A>
    int32_t Call(DISPID id, A&&... args) {
        int32_t rc = -1;
        EXPECT_EQ(so.Call(id, &rc, std::forward<A>(args)...), S_OK) << id;
        return rc;
    }
    int32_t Number(int32_t index) { return Call(sig::GetPropertyNumber, index); }
    void SetNumber(int32_t index, int32_t value) {
        EXPECT_EQ(so.Call(sig::SetPropertyNumber, nullptr, index, value), S_OK);
    }
    UniqueBstr String(int32_t index) {
        BSTR b = nullptr;
        EXPECT_EQ(so.Call(sig::GetPropertyString, &b, index), S_OK);
        return UniqueBstr(b);
    }
    // Releases the service object (its trace closes) and reads the trace.
    Trace CloseAndReadTrace() {
        Call(sig::Close);
        so.ReleaseDispatch();
        return ReadTrace(Install().TracePath("sigso.log"));
    }

    RecordingControl* control = nullptr;
    DispatchDriver so;
};

}  // namespace orv::so::test
