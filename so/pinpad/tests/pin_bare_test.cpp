// The PIN pad service object against a jpos.PINPad that has only its constructor and open:
// every other OPOS call meets a missing Java method and must give its fixed result, its trace
// line and the NoSuchMethodError text, never a crash or a call through a null method ID.
#include <functional>

#include "pin_test_main.h"
#include "platform/com_ptr.h"

namespace orv::so::test {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new InstallEnvironment);

struct MissingCase {
    const char* name;
    std::function<int32_t(ServiceObjectClient&)> call;
    int32_t result;
    bool records;
    std::vector<std::string> lines;  // the trace lines the call adds
};

// The VM words the error its own way ("claim", "Ljpos/PINPad;.release()V"): the marker keeps the
// Java name, and lines are compared with it by Same().
std::string NoSuchMethod(const char* java) { return std::string("JavaException: java.lang.NoSuchMethodError: ") + java; }

bool Same(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
    if (actual.size() != expected.size()) return false;
    for (size_t i = 0; i < actual.size(); ++i) {
        const std::string prefix = "JavaException: java.lang.NoSuchMethodError: ";
        if (expected[i].rfind(prefix, 0) == 0) {
            const std::string name = expected[i].substr(prefix.size());
            if (actual[i].rfind(prefix, 0) != 0 || actual[i].find(name) == std::string::npos) return false;
        } else if (actual[i] != expected[i]) {
            return false;
        }
    }
    return true;
}

std::string Show(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += "[" + l + "]";
    return out;
}

const std::vector<MissingCase>& Cases() {
    static const std::vector<MissingCase> cases = {
        {"Claim", [](auto& s) { return s.Claim(0); }, 102, true,
         {"Begin claiming", "Failed to get Method ID for claim", NoSuchMethod("claim")}},
        {"ClaimDevice", [](auto& s) { int32_t r = -1; s.Driver().Call(pin::ClaimDevice, &r, 0); return r; }, 102, true,
         {"Begin claiming", "Failed to get Method ID for claim", NoSuchMethod("claim")}},
        {"Release", [](auto& s) { return s.Release_(); }, 111, true,
         {"Begin Releasing device", "Failed to get Method ID for release", NoSuchMethod("release")}},
        {"ReleaseDevice", [](auto& s) { int32_t r = -1; s.Driver().Call(pin::ReleaseDevice, &r); return r; }, 111, true,
         {"Begin Releasing device", "Failed to get Method ID for release", NoSuchMethod("release")}},
        {"CheckHealth", [](auto& s) { return s.CheckHealth(1); }, 111, true,
         {"Begin checking health", NoSuchMethod("checkHealth")}},
        {"ClearInput", [](auto& s) { return s.ClearInput(); }, 12, true,
         {"Begin clearing input", "Failed to get Method ID for ClearInput", NoSuchMethod("clearInput")}},
        {"DirectIO", [](auto& s) { int32_t d = 0; BSTR t = nullptr; return s.DirectIO(15, &d, &t); }, 111, true,
         {"Failed to get Method ID for DirectIO ", NoSuchMethod("directIO")}},
        {"CompareFirmwareVersion", [](auto& s) { return s.CompareFirmwareVersion("f", 1); }, 106, false,
         {"OposJNI Begin Compare Firmware Version...", "Failed to get Method ID for CompareFirmwareVersion",
          NoSuchMethod("compareFirmwareVersion")}},
        {"ResetStatistics", [](auto& s) { return s.ResetStatistics(""); }, 106, false,
         {"OposJNI Begin reset statistics...", "Failed to get Method ID for ResetStatistics", NoSuchMethod("resetStatistics")}},
        {"RetrieveStatistics", [](auto& s) { BSTR b = nullptr; return s.RetrieveStatistics(&b); }, 106, false,
         {"OposJNI Begin retrieve statistics...", "Failed to get Method ID for RetrieveStatistics",
          NoSuchMethod("retrieveStatistics")}},
        {"UpdateFirmware", [](auto& s) { return s.UpdateFirmware("f"); }, 106, false,
         {"OposJNI Begin update firmware...", "Failed to get Method ID for UpdateFirmware", NoSuchMethod("updateFirmware")}},
        {"UpdateStatistics", [](auto& s) { return s.UpdateStatistics(""); }, 106, false,
         {"OposJNI Begin update statistics...", "Failed to get Method ID for UpdateStatistics", NoSuchMethod("updateStatistics")}},
        {"BeginEFTTransaction", [](auto& s) { return s.BeginEFTTransaction("DUKPT", 0); }, 106, true,
         {"Failed to get Method ID for BeginEFTTransaction", NoSuchMethod("beginEFTTransaction")}},
        {"ComputeMAC", [](auto& s) { BSTR b = nullptr; return s.ComputeMAC("m", &b); }, 106, true,
         {"Failed to get Method ID for ComputeMAC", NoSuchMethod("computeMAC")}},
        {"EnablePINEntry", [](auto& s) { return s.EnablePINEntry(); }, 106, true,
         {"Failed to get Method ID for enablePINEntry", NoSuchMethod("enablePINEntry")}},
        {"EndEFTTransaction", [](auto& s) { return s.EndEFTTransaction(1); }, 106, true,
         {"Failed to get Method ID for EndEFTTransaction", NoSuchMethod("endEFTTransaction")}},
        {"UpdateKey", [](auto& s) { return s.UpdateKey(1, "00"); }, 106, true,
         {"Failed to get Method ID for UpdateKey", NoSuchMethod("updateKey")}},
        {"Close", [](auto& s) { return s.Close(); }, 101, true,
         {"Begin closing", "Failed to get Method ID for close", NoSuchMethod("close")}},
    };
    return cases;
}

using PinBare = OpenPinPad;

TEST_F(PinBare, MissingMethodsGiveTheirFixedResultsAndLines) {
    for (const MissingCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        so.SetPropertyNumber(11, 0);
        so.SetPropertyNumber(99, 0);  // ResultCode := 106 as a marker
        const size_t before = ReadTrace(Install().TracePath()).lines.size();
        EXPECT_EQ(c.call(so), c.result);
        EXPECT_EQ(so.GetPropertyNumber(6), c.records ? c.result : 106);
        const Trace t = ReadTrace(Install().TracePath());
        ASSERT_GE(t.lines.size(), before);
        const std::vector<std::string> added(t.lines.begin() + static_cast<std::ptrdiff_t>(before), t.lines.end());
        EXPECT_TRUE(Same(added, c.lines)) << Show(added);
    }
    EXPECT_EQ(control->Count(), 0u);
}

TEST_F(PinBare, VerifyMACAndAmountWithoutJavaMethods) {
    EXPECT_TRUE(so.VerifyMAC("m")) << "106 is nonzero: TRUE";
    EXPECT_EQ(so.GetPropertyNumber(6), 106);
    so.SetPropertyNumber(11, 0);
    EXPECT_EQ(so.GetAmount(), 0);
    so.SetAmount(5);
    EXPECT_EQ(so.GetPropertyNumber(6), 106) << "Amount never records";
    const Trace t = ReadTrace(Install().TracePath());
    const std::vector<std::string> tail(t.lines.end() - 6, t.lines.end());
    EXPECT_TRUE(Same(tail, {"Begin GetAmount", "Failed to get Method ID", NoSuchMethod("getAmount"), "setAmount",
                            "Failed to get Method ID", NoSuchMethod("setAmount")}))
        << Show(tail);
}

TEST_F(PinBare, AMissingGetterOrSetterIsReportedAsAPropertyError) {
    EXPECT_EQ(so.GetPropertyNumber(9), 0);
    EXPECT_EQ(so.GetPropertyNumber(6), 111);
    ASSERT_EQ(control->Count("SOError"), 1u);
    EXPECT_EQ(control->Calls().back().a, 111);
    Trace t = ReadTrace(Install().TracePath());
    const std::vector<std::string> tail(t.lines.end() - 3, t.lines.end());
    EXPECT_TRUE(Same(tail, {"getState property", "Failed to get Method ID for getState", NoSuchMethod("getState")}))
        << Show(tail);
    EXPECT_EQ(so.GetPropertyString(1017008), "[Error]");
    so.SetPropertyString(1017008, "T");
    so.SetPropertyNumber(3, 1);
    EXPECT_EQ(so.GetPropertyString(1017009), "") << "binary get";
    EXPECT_EQ(control->Count("SOError"), 5u);
    t = ReadTrace(Install().TracePath());
    EXPECT_TRUE(t.Has("Failed to get Method ID for setDeviceEnabled"));
    EXPECT_FALSE(t.Has("Set BOOL: setDeviceEnabled property to 1")) << "no value line without the method";
    EXPECT_EQ(so.COFreezeEvents(true), 1);
    EXPECT_EQ(control->Count("SOError"), 5u);
}

}  // namespace
}  // namespace orv::so::test
