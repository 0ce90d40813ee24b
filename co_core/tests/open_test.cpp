// Open and Close of a control: every failing step with its result and OpenResult, the name
// check, the version check, what reaches the service object, and who owns it afterwards.
#include <gtest/gtest.h>

#include "control_test_env.h"

namespace orv::co::test {
namespace {

class OpenTest : public PinpadWithFake {
protected:
    int32_t Open(const char* name) {
        int32_t rc = -1;
        EXPECT_EQ(control_.Call("Open", &rc, name), S_OK);
        return rc;
    }
    int32_t OpenResult() {
        int32_t value = -1;
        EXPECT_EQ(control_.Get("OpenResult", &value), S_OK);
        return value;
    }
    int32_t CloseControl() {
        int32_t rc = -1;
        EXPECT_EQ(control_.Call("Close", &rc), S_OK);
        return rc;
    }
};

struct OpenFailure {
    const char* device;
    int32_t result;
    int32_t openResult;
    const char* why;
};

TEST_F(OpenTest, FailingStepsGiveTheirResultAndOpenResult) {
    const OpenFailure cases[] = {
        {"", 106, 306, "empty device name"},
        {"NOPE", 109, 403, "no registry key"},
        {"NOVALUE", 109, 403, "key without a default value"},
        {"LONGPROGID", 109, 403, "ProgID longer than its 100-byte buffer"},
        {"BADPROGID", 104, 304, "ProgID that cannot be created"},
    };
    for (const OpenFailure& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Open(c.device), c.result);
        EXPECT_EQ(OpenResult(), c.openResult);
        EXPECT_EQ(CloseControl(), 101) << "the control stays closed";
        EXPECT_EQ(FakeServiceObject::LiveCount(), 0);
    }
    EXPECT_TRUE(FakeServiceObject::Calls().empty());
}

TEST_F(OpenTest, OpenServiceFailureReleasesTheServiceObject) {
    FakeSoConfig config;
    config.openServiceResult = 111;
    FakeServiceObject::Configure(config);
    EXPECT_EQ(Open("FAKE"), 104);
    EXPECT_EQ(OpenResult(), 306);
    EXPECT_EQ(FakeServiceObject::LiveCount(), 0);
    EXPECT_EQ(FakeServiceObject::Calls(), std::vector<std::string>{"OpenService(PINPad,FAKE)"});
}

// Every name of the table is required, the statistics and firmware ones included.
TEST_F(OpenTest, EachMissingServiceObjectNameFailsWith305) {
    const char* names[] = {"BeginEFTTransaction",
                           "ComputeMAC",
                           "EnablePINEntry",
                           "EndEFTTransaction",
                           "UpdateKey",
                           "VerifyMAC",
                           "CheckHealth",
                           "Claim",
                           "ClearInput",
                           "Close",
                           "DirectIO",
                           "Release",
                           "GetPropertyNumber",
                           "GetPropertyString",
                           "SetPropertyNumber",
                           "SetPropertyString",
                           "GetAmount",
                           "SetAmount",
                           "OpenService",
                           "COFreezeEvents",
                           "ClaimDevice",
                           "ReleaseDevice",
                           "UpdateStatistics",
                           "CompareFirmwareVersion",
                           "ResetStatistics",
                           "RetrieveStatistics",
                           "UpdateFirmware"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        FakeSoConfig config;
        config.missingName = name;
        FakeServiceObject::Configure(config);
        EXPECT_EQ(Open("FAKE"), 305) << "the OpenResult value itself is returned";
        EXPECT_EQ(OpenResult(), 305);
        EXPECT_EQ(FakeServiceObject::LiveCount(), 0) << "released";
        EXPECT_EQ(FakeServiceObject::CountCalls("OpenService"), 0u) << "never opened";
    }
}

TEST_F(OpenTest, MajorVersionOtherThanOneClosesAgain) {
    for (int32_t version : {2000000, 999999, 0}) {
        SCOPED_TRACE(version);
        FakeServiceObject::ResetAll();
        FakeSoConfig config;
        config.serviceObjectVersion = version;
        FakeServiceObject::Configure(config);
        EXPECT_EQ(Open("FAKE"), 307);
        EXPECT_EQ(OpenResult(), 307);
        EXPECT_EQ(FakeServiceObject::LiveCount(), 0);
        EXPECT_EQ(FakeServiceObject::Calls(),
                  (std::vector<std::string>{"OpenService(PINPad,FAKE)", "GetPropertyNumber(8)",
                                            "Close()"}));
        EXPECT_EQ(CloseControl(), 101);
    }
    FakeSoConfig config;
    config.serviceObjectVersion = 1999999;
    FakeServiceObject::Configure(config);
    EXPECT_EQ(Open("FAKE"), 0) << "1.999999 is still major version 1";
}

TEST_F(OpenTest, SuccessHandsTheControlToTheServiceObjectAndKeepsOpenResult) {
    EXPECT_EQ(Open("NOPE"), 109);
    EXPECT_EQ(Open("FAKE"), 0);
    EXPECT_EQ(OpenResult(), 403) << "a successful Open does not overwrite the last failure";
    EXPECT_EQ(FakeServiceObject::Calls(),
              (std::vector<std::string>{"OpenService(PINPad,FAKE)", "GetPropertyNumber(8)"}));
    // The service object was given the control's own IDispatch, without a reference of its own.
    EXPECT_EQ(So().ControlDispatch(), control_.Dispatch());
    EXPECT_EQ(FakeServiceObject::LiveCount(), 1);
}

TEST_F(OpenTest, OpenTwiceIsRefusedAndTheFirstStaysUsable) {
    ASSERT_EQ(Open("FAKE"), 0);
    EXPECT_EQ(Open("FAKE"), 106);
    EXPECT_EQ(OpenResult(), 301);
    EXPECT_EQ(Open(""), 106);
    EXPECT_EQ(OpenResult(), 301) << "already open is found before the empty name";
    EXPECT_EQ(FakeServiceObject::LiveCount(), 1);
    int32_t claimed = -1;
    EXPECT_EQ(control_.Call("Claim", &claimed, 0), S_OK);
    EXPECT_EQ(claimed, 0);
}

TEST_F(OpenTest, CloseReturnsTheServiceObjectsResultAndReleasesIt) {
    FakeSoConfig config;
    config.results["Close"] = 111;
    FakeServiceObject::Configure(config);
    ASSERT_EQ(Open("FAKE"), 0);
    EXPECT_EQ(CloseControl(), 111);
    EXPECT_EQ(FakeServiceObject::LiveCount(), 0);
    EXPECT_EQ(CloseControl(), 101) << "closed whatever the service object said";
    EXPECT_EQ(Open("FAKE"), 0) << "and can be opened again";
}

TEST_F(OpenTest, ReleasingAnOpenControlClosesIt) {
    ASSERT_EQ(Open("FAKE"), 0);
    control_.Reset();
    EXPECT_EQ(FakeServiceObject::LiveCount(), 0);
    EXPECT_EQ(FakeServiceObject::CountCalls("Close()"), 1u);
}

}  // namespace
}  // namespace orv::co::test
