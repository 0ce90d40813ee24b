// The line display service object against a jpos.LineDisplay that has only its constructor and
// open: each display method meets a missing Java method and answers its fixed result (12 for
// the three without arguments, 111 for the others) without recording it and with its own trace
// line; defineGlyph, which has no result, records 111; a missing getter or setter records 111.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/dispatch_driver.h"
#include "test_control.h"
#include "test_env.h"
#include "trace_reader.h"

namespace orv::so::test {
namespace {

enum Dispid : DISPID {
    GetPropertyNumber = 1,
    SetPropertyNumber,
    SetPropertyString,
    OpenService,
    Close,
    Claim,
    Release,
    CheckHealth,
    DirectIO,
    ClearText,
    DisplayText,
    COFreezeEvents,
    GetPropertyString,
    DisplayTextAt,
    ScrollText,
    ClearDescriptors,
    SetDescriptor,
    CreateWindow,
    DestroyWindow,
    RefreshWindow,
    ReadCharacterAtCursor,
    DisplayBitmap,
    SetBitmap,
    DefineGlyph,
    ClaimDevice,
    ReleaseDevice,
};

std::unique_ptr<TestInstall> g_install;

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        g_install = std::make_unique<TestInstall>(false);
        ASSERT_EQ(RunCommand(RegsvrTool().string() + " /s " + ORV_DISPLAY_BRIDGE), 0);
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        g_install.reset();
    }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

class BareLineDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        control_ = RecordingControl::Create();
        ASSERT_EQ(so_.CreateDispatch("ORVLine.so"), S_OK);
        int32_t rc = -1;
        ASSERT_EQ(
            so_.Call(OpenService, &rc, "LineDisplay", "L1", static_cast<IDispatch*>(control_)),
            S_OK);
        ASSERT_EQ(rc, 0);
    }
    void TearDown() override {
        so_.ReleaseDispatch();
        control_->Release();
    }
    int32_t ResultCode() {
        int32_t rc = -1;
        EXPECT_EQ(so_.Call(GetPropertyNumber, &rc, 6), S_OK);
        return rc;
    }
    // Closes the object (its trace with it) and reads the trace.
    Trace CloseAndReadTrace() {
        int32_t rc = 0;
        so_.Call(Close, &rc);
        so_.ReleaseDispatch();
        return ReadTrace(g_install->TracePath("LineDisplayso.log"));
    }

    RecordingControl* control_ = nullptr;
    DispatchDriver so_;
};

struct MissingCase {
    const char* line;  // the missing-method line
    std::function<int32_t(DispatchDriver&)> call;
    int32_t result;
};

TEST_F(BareLineDisplay, MissingDisplayMethodsAnswerTheirResultUnrecorded) {
    auto call = [](DISPID id, auto... args) {
        return [=](DispatchDriver& d) {
            int32_t rc = -1;
            EXPECT_EQ(d.Call(id, &rc, args...), S_OK) << id;
            return rc;
        };
    };
    const MissingCase cases[] = {
        {"Failed to get Method ID for ClearText", call(ClearText), 12},
        {"Failed to get Method ID for DisplayText", call(DisplayText, "x", 0), 111},
        {"Failed to get Method ID for DisplayTextAt", call(DisplayTextAt, 0, 0, "x", 0), 111},
        {"Failed to get Method ID for ScrollText", call(ScrollText, 1, 1), 111},
        {"Failed to get Method ID for ClearDescriptors", call(ClearDescriptors), 12},
        {"Failed to get Method ID for SetDescriptor", call(SetDescriptor, 0, 1), 111},
        {"Failed to get Method ID for CreateWindow", call(CreateWindow, 0, 0, 1, 1, 1, 1), 111},
        {"Failed to get Method ID for LineDestroyWindow", call(DestroyWindow), 12},
        {"Failed to get Method ID for RefreshWindow", call(RefreshWindow, 1), 111},
        {"Failed to get Method ID for ReadCharacterAtCursor", call(ReadCharacterAtCursor, 0), 111},
        {"Failed to get Method ID for DisplayBitmap", call(DisplayBitmap, "a.bmp", -11, -1, -2),
         111},
        {"Failed to get Method ID for SetBitmap", call(SetBitmap, 1, "a.bmp", -11, -1, -2), 111},
    };
    // ResultCode holds a value no display method gives, so a recorded result would show.
    so_.Call(SetPropertyNumber, nullptr, 2, 1);  // DataEventEnabled: not served, records 106
    ASSERT_EQ(ResultCode(), 106);
    for (const MissingCase& c : cases) {
        EXPECT_EQ(c.call(so_), c.result) << c.line;
        EXPECT_EQ(ResultCode(), 106) << c.line;
    }
    EXPECT_TRUE(control_->Calls().empty());
    const Trace trace = CloseAndReadTrace();
    ASSERT_EQ(trace.error, "");
    for (const MissingCase& c : cases) {
        const size_t at = trace.Find(c.line);
        ASSERT_NE(at, std::string::npos) << c.line;
        // The NoSuchMethodError text follows the line.
        ASSERT_LT(at + 1, trace.lines.size());
        EXPECT_EQ(trace.lines[at + 1].rfind("JavaException: java.lang.NoSuchMethodError", 0), 0u)
            << trace.lines[at + 1];
    }
    EXPECT_FALSE(trace.Has("Failed to get Method ID for DestroyWindow"));
}

// Without a result to return, defineGlyph records; so do property accesses Java cannot serve.
TEST_F(BareLineDisplay, DefineGlyphAndPropertiesRecordWhatFailed) {
    so_.Call(SetPropertyNumber, nullptr, 2, 1);
    ASSERT_EQ(ResultCode(), 106);
    EXPECT_EQ(so_.Call(DefineGlyph, nullptr, 0xE0, 1), S_OK);
    EXPECT_EQ(ResultCode(), 111);
    so_.Call(SetPropertyNumber, nullptr, 2, 1);
    int32_t columns = -1;
    EXPECT_EQ(so_.Call(GetPropertyNumber, &columns, 5002), S_OK);
    EXPECT_EQ(columns, 0);
    EXPECT_EQ(ResultCode(), 111);
    so_.Call(SetPropertyNumber, nullptr, 2, 1);
    EXPECT_EQ(so_.Call(SetPropertyNumber, nullptr, 5013, 250), S_OK);  // MarqueeRepeatWait
    EXPECT_EQ(ResultCode(), 111);
    so_.Call(SetPropertyNumber, nullptr, 2, 1);
    BSTR list = nullptr;
    EXPECT_EQ(so_.Call(GetPropertyString, &list, 1005001), S_OK);
    EXPECT_EQ(orv::AnsiFromBstr(list), "[Error]");
    SysFreeString(list);
    EXPECT_EQ(ResultCode(), 111);
    // No error event: the line display's control has no entry for one.
    EXPECT_TRUE(control_->Calls().empty());
    const Trace trace = CloseAndReadTrace();
    EXPECT_TRUE(trace.Has("Failed to get Method ID for defineGlyph"));
    EXPECT_TRUE(trace.Has("Failed to get Method ID for setMarqueeRepeatWait"));
}

// ClaimDevice and ReleaseDevice return the core's result and leave ResultCode alone; Claim and
// Release record theirs.
TEST_F(BareLineDisplay, ClaimDeviceAndReleaseDeviceAreNotRecorded) {
    struct Case {
        DISPID id;
        int32_t result;
        bool records;
    } cases[] = {
        {ClaimDevice, 102, false},
        {ReleaseDevice, 111, false},
        {Claim, 102, true},
        {Release, 111, true},
    };
    for (const Case& c : cases) {
        so_.Call(SetPropertyNumber, nullptr, 2, 1);
        int32_t rc = -1;
        if (c.id == ClaimDevice || c.id == Claim)
            EXPECT_EQ(so_.Call(c.id, &rc, 0), S_OK);
        else
            EXPECT_EQ(so_.Call(c.id, &rc), S_OK);
        EXPECT_EQ(rc, c.result) << c.id;
        EXPECT_EQ(ResultCode(), c.records ? c.result : 106) << c.id;
    }
}

}  // namespace
}  // namespace orv::so::test
