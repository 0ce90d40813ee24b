// The PIN pad service object through the conformance harness: its tables, its device methods
// with their trace texts, and the state in which every property row can be read and written.
#include "pin_so.h"
#include "so_conformance.h"

namespace orv::so::conformance {
namespace {

// Without the Java method every PIN pad method answers 106 and records it.
DeviceMethod Pin(const char* name, std::function<int32_t(SoClient&)> call, const char* java,
                 const char* missingName) {
    return {name,
            std::move(call),
            java,
            nullptr,
            nullptr,
            true,
            111,
            106,
            {std::string("Failed to get Method ID for ") + missingName,
             std::string("NoSuchMethodError:") + java}};
}

const SoClass kPinPad{
    .identity = pinpad::kIdentity,
    .serverLibrary = "libPinpadBridge.so",
    .deviceClass = "PINPad",
    .device = "P1",
    .dispatchOrder = {"BeginEFTTransaction",
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
                      "CompareFirmwareVersion",
                      "ResetStatistics",
                      "RetrieveStatistics",
                      "UpdateFirmware",
                      "UpdateStatistics"},
    .deviceMethods =
        {
            Pin(
                "BeginEFTTransaction",
                [](SoClient& s) { return s.Method("BeginEFTTransaction", "DUKPT", 1); },
                "beginEFTTransaction", "BeginEFTTransaction"),
            Pin(
                "EnablePINEntry", [](SoClient& s) { return s.Method("EnablePINEntry"); },
                "enablePINEntry", "enablePINEntry"),
            Pin(
                "ComputeMAC",
                [](SoClient& s) {
                    BSTR out = nullptr;
                    const int32_t r = s.Method("ComputeMAC", "MSG", &out);
                    SysFreeString(out);
                    return r;
                },
                "computeMAC", "ComputeMAC"),
            Pin(
                "UpdateKey",
                [](SoClient& s) { return s.Method("UpdateKey", 9, std::string(32, '9')); },
                "updateKey", "UpdateKey"),
            Pin(
                "EndEFTTransaction", [](SoClient& s) { return s.Method("EndEFTTransaction", 1); },
                "endEFTTransaction", "EndEFTTransaction"),
        },
    .prepare =
        [](SoClient& s) {
            const int32_t claimed = s.Method("Claim", 1000);
            s.SetNumber(PIDX_DeviceEnabled, 1);
            return claimed != 0 ? claimed : s.ResultCode();
        },
    .noWriteBack = {PIDX_PowerNotify},  // fixed while enabled, and enabling needs a claim
    .simulatorRefuses = {"CompareFirmwareVersion", "UpdateFirmware", "UpdateStatistics"},
    .fullIndexSweep = true,
};

}  // namespace

ORV_SO_CONFORMANCE(PinPad, kPinPad);

// What the sweeps cannot say of the PIN pad: its boolean VerifyMAC and the currency Amount,
// whose missing Java methods give answers of their own.
using PinBareExtras = SoBareConformance;

TEST_P(PinBareExtras, VerifyMACAndAmountWithoutJavaMethods) {
    EXPECT_EQ(so.Method("Claim", 0), 102) << "ResultCode := 102";
    EXPECT_TRUE(so.Call<bool>("VerifyMAC", "m")) << "106 is nonzero: TRUE";
    EXPECT_EQ(so.ResultCode(), 106);
    EXPECT_EQ(so.Method("Claim", 0), 102);
    const size_t before = TraceLines();
    EXPECT_EQ(so.Call<CY>("GetAmount").int64, 0);
    CY five{};
    five.int64 = 5;
    so.Call<std::nullptr_t>("SetAmount", five);
    EXPECT_EQ(so.ResultCode(), 102) << "Amount never records";
    const std::vector<std::string> lines = LinesSince(before);
    EXPECT_TRUE(SameLines(
        lines, {"Begin GetAmount", "Failed to get Method ID", "NoSuchMethodError:getAmount",
                "setAmount", "Failed to get Method ID", "NoSuchMethodError:setAmount"}))
        << Show(lines);
}

INSTANTIATE_TEST_SUITE_P(PinPad, PinBareExtras, ::testing::Values(&kPinPad),
                         [](const auto&) { return std::string("PinPad"); });

}  // namespace orv::so::conformance
