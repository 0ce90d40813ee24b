// The PIN pad control's automation surface against the fake service object: every property
// forwarded under its index (or answered locally) and every method forwarded to its
// service-object method with its arguments. (DISPIDs and closed answers: the conformance test.)
#include <gtest/gtest.h>

#include "control_test_env.h"

namespace orv::co::test {
namespace {

// Every member at its DISPID and every answer while closed: pinpad_conformance_test.

enum class Kind { Long, Bool, String };
constexpr int32_t kNone = -1;

struct PropertyRow {
    const char* name;
    Kind kind;
    int32_t getIndex;
    int32_t putIndex;  // kNone: read-only
};

// Every property forwarded by index, as the control's interface description lists it.
constexpr PropertyRow kForwarded[] = {
    {"CheckHealthText", Kind::String, 1000001, kNone},
    {"Claimed", Kind::Bool, 1, kNone},
    {"DataCount", Kind::Long, 12, kNone},
    {"DataEventEnabled", Kind::Bool, 2, 2},
    {"DeviceEnabled", Kind::Bool, 3, 3},
    {"PowerNotify", Kind::Long, 13, 13},
    {"PowerState", Kind::Long, 14, kNone},
    {"ResultCode", Kind::Long, 6, kNone},
    {"ResultCodeExtended", Kind::Long, 7, kNone},
    {"State", Kind::Long, 9, kNone},
    {"ServiceObjectDescription", Kind::String, 1000004, kNone},
    {"ServiceObjectVersion", Kind::Long, 8, kNone},
    {"DeviceDescription", Kind::String, 1000002, kNone},
    {"DeviceName", Kind::String, 1000003, kNone},
    {"CapMACCalculation", Kind::Bool, 17504, kNone},
    {"CapDisplay", Kind::Long, 17501, kNone},
    {"CapLanguage", Kind::Long, 17503, kNone},
    {"CapKeyboard", Kind::Bool, 17502, kNone},
    {"CapTone", Kind::Bool, 17505, kNone},
    {"Prompt", Kind::Long, 17004, 17004},
    {"AvailableLanguagesList", Kind::String, 1017003, kNone},
    {"PromptLanguage", Kind::Long, 17005, 17005},
    {"AccountNumber", Kind::String, 1017001, 1017001},
    {"MerchantID", Kind::String, 1017007, 1017007},
    {"TerminalID", Kind::String, 1017008, 1017008},
    {"Track1Data", Kind::String, 1017009, 1017009},
    {"Track2Data", Kind::String, 1017010, 1017010},
    {"Track3Data", Kind::String, 1017011, 1017011},
    {"TransactionType", Kind::String, 17006, 17006},
    {"MinimumPINLength", Kind::Long, 17002, 17002},
    {"MaximumPINLength", Kind::Long, 17001, 17001},
    {"PINEntryEnabled", Kind::Bool, 17003, kNone},
    {"EncryptedPIN", Kind::String, 1017006, kNone},
    {"AdditionalSecurityInformation", Kind::String, 1017002, kNone},
    {"AvailablePromptsList", Kind::String, 1017005, kNone},
    {"Track4Data", Kind::String, 1017012, 1017012},
    {"BinaryConversion", Kind::Long, 11, 11},
    {"CapCompareFirmwareVersion", Kind::Bool, 901, kNone},
    {"CapStatisticsReporting", Kind::Bool, 801, kNone},
    {"CapUpdateFirmware", Kind::Bool, 902, kNone},
    {"CapUpdateStatistics", Kind::Bool, 802, kNone},
};

TEST_F(PinpadWithFake, PropertiesAreForwardedUnderTheirIndexes) {
    OpenFake();
    FakeServiceObject& so = So();
    for (const PropertyRow& row : kForwarded) {
        SCOPED_TRACE(row.name);
        FakeServiceObject::ClearCalls();
        const std::string getIndex = std::to_string(row.getIndex);
        if (row.kind == Kind::String) {
            so.SetString(row.getIndex, std::string("value of ") + row.name);
            std::string value;
            ASSERT_EQ(control_.Get(row.name, &value), S_OK);
            EXPECT_EQ(value, std::string("value of ") + row.name);
            EXPECT_EQ(FakeServiceObject::Calls(),
                      std::vector<std::string>{"GetPropertyString(" + getIndex + ")"});
        } else {
            so.SetNumber(row.getIndex, 7);
            VARIANT value;
            ASSERT_EQ(control_.Get(row.name, &value), S_OK);
            if (row.kind == Kind::Bool) {
                EXPECT_EQ(value.vt, VT_BOOL);
                EXPECT_EQ(value.boolVal, VARIANT_TRUE) << "a nonzero long reads as TRUE";
            } else {
                EXPECT_EQ(value.vt, VT_I4);
                EXPECT_EQ(value.lVal, 7);
            }
            EXPECT_EQ(FakeServiceObject::Calls(),
                      std::vector<std::string>{"GetPropertyNumber(" + getIndex + ")"});
        }
        FakeServiceObject::ClearCalls();
        const HRESULT put = row.kind == Kind::String ? control_.Put(row.name, "w")
                            : row.kind == Kind::Bool ? control_.Put(row.name, DispArg::Bool(true))
                                                     : control_.Put(row.name, 3);
        if (row.putIndex == kNone) {
            EXPECT_EQ(put, DISP_E_MEMBERNOTFOUND) << "read-only";
            EXPECT_TRUE(FakeServiceObject::Calls().empty());
            continue;
        }
        ASSERT_EQ(put, S_OK);
        const std::string putIndex = std::to_string(row.putIndex);
        const std::string expected =
            row.kind == Kind::String ? "SetPropertyString(" + putIndex + ",w)"
            : row.kind == Kind::Bool ? "SetPropertyNumber(" + putIndex + ",1)"
                                     : "SetPropertyNumber(" + putIndex + ",3)";
        EXPECT_EQ(FakeServiceObject::Calls(), std::vector<std::string>{expected});
    }
}

TEST_F(PinpadWithFake, PropertiesWithBehaviourOfTheirOwn) {
    OpenFake();
    FakeServiceObject& so = So();
    FakeServiceObject::ClearCalls();

    // CapPowerReporting: read under 501, a write is accepted and goes nowhere.
    so.SetNumber(501, 2);
    int32_t cap = 0;
    ASSERT_EQ(control_.Get("CapPowerReporting", &cap), S_OK);
    EXPECT_EQ(cap, 2);
    EXPECT_EQ(control_.Put("CapPowerReporting", 3), S_OK);
    EXPECT_EQ(FakeServiceObject::Calls(), std::vector<std::string>{"GetPropertyNumber(501)"});

    // Amount: CURRENCY through GetAmount/SetAmount, all 64 bits.
    FakeServiceObject::ClearCalls();
    CY amount;
    amount.int64 = 123456789012345;  // 12,345,678,901.2345
    ASSERT_EQ(control_.Put("Amount", amount), S_OK);
    CY back{};
    ASSERT_EQ(control_.Get("Amount", &back), S_OK);
    EXPECT_EQ(back.int64, amount.int64);
    EXPECT_EQ(FakeServiceObject::Calls(),
              (std::vector<std::string>{"SetAmount(123456789012345)", "GetAmount()"}));

    // FreezeEvents: read under 4; written under 4 (and held in the control, see the event tests).
    FakeServiceObject::ClearCalls();
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    bool frozen = false;
    ASSERT_EQ(control_.Get("FreezeEvents", &frozen), S_OK);
    EXPECT_TRUE(frozen);
    EXPECT_EQ(FakeServiceObject::Calls(),
              (std::vector<std::string>{"SetPropertyNumber(4,1)", "GetPropertyNumber(4)"}));

    // Filler properties and the local ones never reach the service object.
    FakeServiceObject::ClearCalls();
    EXPECT_EQ(control_.Put("xFillerProperty13", static_cast<int16_t>(9)), S_OK);
    int16_t filler = -1;
    ASSERT_EQ(control_.Get("xFillerProperty13", &filler), S_OK);
    EXPECT_EQ(filler, 0);
    int32_t version = 0;
    ASSERT_EQ(control_.Get("ControlObjectVersion", &version), S_OK);
    EXPECT_EQ(version, 1009000);
    std::string description;
    ASSERT_EQ(control_.Get("ControlObjectDescription", &description), S_OK);
    EXPECT_EQ(description.rfind("Orvane OPOS PINPad Control, 1.9.0.0", 0), 0u) << description;
    EXPECT_EQ(control_.Put("ControlObjectVersion", 1), DISP_E_MEMBERNOTFOUND);
    EXPECT_TRUE(FakeServiceObject::Calls().empty());
}

// One method call: the control's arguments, what the service object must record, and the
// service-object method whose result the control returns.
struct MethodRow {
    const char* method;
    std::function<HRESULT(host::Control&, int32_t*)> call;
    const char* recorded;
    const char* soMethod;
};

TEST_F(PinpadWithFake, MethodsAreForwardedWithTheirArgumentsAndResults) {
    FakeSoConfig config;
    for (const char* name :
         {"BeginEFTTransaction", "ComputeMAC", "EnablePINEntry", "EndEFTTransaction", "UpdateKey",
          "CheckHealth", "Claim", "ClearInput", "DirectIO", "Release", "CompareFirmwareVersion",
          "ResetStatistics", "RetrieveStatistics", "UpdateFirmware", "UpdateStatistics"})
        config.results[name] = 42;
    FakeServiceObject::Configure(config);
    OpenFake();

    int32_t data = 1;
    UniqueBstr text(BstrFromAnsi("t")), mac(BstrFromAnsi("old")), stats(BstrFromAnsi("U_"));
    BSTR rawText = text.Release(), rawMac = mac.Release(), rawStats = stats.Release();
    const MethodRow rows[] = {
        {"CheckHealth", [](host::Control& c, int32_t* r) { return c.Call("CheckHealth", r, 2); },
         "CheckHealth(2)", "CheckHealth"},
        {"ClearInput", [](host::Control& c, int32_t* r) { return c.Call("ClearInput", r); },
         "ClearInput()", "ClearInput"},
        {"DirectIO",
         [&](host::Control& c, int32_t* r) { return c.Call("DirectIO", r, 5, &data, &rawText); },
         "DirectIO(5,1,t)", "DirectIO"},
        {"BeginEFTTransaction",
         [](host::Control& c, int32_t* r) { return c.Call("BeginEFTTransaction", r, "DUKPT", 1); },
         "BeginEFTTransaction(DUKPT,1)", "BeginEFTTransaction"},
        {"ComputeMAC",
         [&](host::Control& c, int32_t* r) { return c.Call("ComputeMAC", r, "msg", &rawMac); },
         "ComputeMAC(msg,old)", "ComputeMAC"},
        {"EnablePINEntry", [](host::Control& c, int32_t* r) { return c.Call("EnablePINEntry", r); },
         "EnablePINEntry()", "EnablePINEntry"},
        {"EndEFTTransaction",
         [](host::Control& c, int32_t* r) { return c.Call("EndEFTTransaction", r, 1); },
         "EndEFTTransaction(1)", "EndEFTTransaction"},
        {"UpdateKey",
         [](host::Control& c, int32_t* r) { return c.Call("UpdateKey", r, 3, "0123"); },
         "UpdateKey(3,0123)", "UpdateKey"},
        {"Claim", [](host::Control& c, int32_t* r) { return c.Call("Claim", r, 1000); },
         "Claim(1000)", "Claim"},
        {"ClaimDevice", [](host::Control& c, int32_t* r) { return c.Call("ClaimDevice", r, 500); },
         "Claim(500)", "Claim"},
        {"Release", [](host::Control& c, int32_t* r) { return c.Call("Release", r); }, "Release()",
         "Release"},
        {"ReleaseDevice", [](host::Control& c, int32_t* r) { return c.Call("ReleaseDevice", r); },
         "Release()", "Release"},
        {"CompareFirmwareVersion",
         [](host::Control& c, int32_t* r) {
             return c.Call("CompareFirmwareVersion", r, "fw.bin", 0);
         },
         "CompareFirmwareVersion(fw.bin,0)", "CompareFirmwareVersion"},
        {"ResetStatistics",
         [](host::Control& c, int32_t* r) { return c.Call("ResetStatistics", r, "U_"); },
         "ResetStatistics(U_)", "ResetStatistics"},
        {"RetrieveStatistics",
         [&](host::Control& c, int32_t* r) { return c.Call("RetrieveStatistics", r, &rawStats); },
         "RetrieveStatistics(U_)", "RetrieveStatistics"},
        {"UpdateFirmware",
         [](host::Control& c, int32_t* r) { return c.Call("UpdateFirmware", r, "fw.bin"); },
         "UpdateFirmware(fw.bin)", "UpdateFirmware"},
        {"UpdateStatistics",
         [](host::Control& c, int32_t* r) { return c.Call("UpdateStatistics", r, "U_=1"); },
         "UpdateStatistics(U_=1)", "UpdateStatistics"},
        {"COFreezeEvents",
         [](host::Control& c, int32_t* r) {
             return c.Call("COFreezeEvents", r, DispArg::Bool(true));
         },
         "COFreezeEvents(1)", nullptr},
    };
    for (const MethodRow& row : rows) {
        SCOPED_TRACE(row.method);
        FakeServiceObject::ClearCalls();
        int32_t result = -1;
        ASSERT_EQ(row.call(control_, &result), S_OK);
        EXPECT_EQ(FakeServiceObject::Calls(), std::vector<std::string>{row.recorded});
        EXPECT_EQ(result, row.soMethod ? 42 : 1) << "the service object's result as is";
    }
    // By-reference arguments came back as the service object left them.
    EXPECT_EQ(data, 2);
    EXPECT_EQ(AnsiFromBstr(rawText), "t!");
    EXPECT_EQ(AnsiFromBstr(rawMac), "msg0123456789ABCDEF");
    EXPECT_EQ(AnsiFromBstr(rawStats), "<stats/>");
    SysFreeString(rawText);
    SysFreeString(rawMac);
    SysFreeString(rawStats);
}

TEST_F(PinpadWithFake, VerifyMacReturnsTheServiceObjectsBooleanAsIs) {
    for (int32_t answer : {0, 1}) {
        FakeSoConfig config;
        config.results["VerifyMAC"] = answer;
        FakeServiceObject::Configure(config);
        OpenFake();
        VARIANT result;
        ASSERT_EQ(control_.Call("VerifyMAC", &result, "message0123456789ABCDEF"), S_OK);
        EXPECT_EQ(result.vt, VT_BOOL);
        EXPECT_EQ(result.boolVal, answer ? VARIANT_TRUE : VARIANT_FALSE);
        int32_t rc = -1;
        ASSERT_EQ(control_.Call("Close", &rc), S_OK);
    }
}

}  // namespace
}  // namespace orv::co::test
