// The PIN pad service object against a scripted jpos.PINPad: what each OPOS call sends to Java
// (names, signatures, argument objects), what it makes of Java's answers and failures (result
// codes, ResultCode, SOError, trace texts, masking), and bad input through IDispatch.
#include <dlfcn.h>

#include <algorithm>
#include <cstdarg>

#include <functional>
#include <sstream>

#include "pin_test_main.h"
#include "platform/com_ptr.h"

namespace orv::so::test {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new InstallEnvironment);

constexpr const char* kFake = "jpos/PINPad";

void Plan(const char* method, const char* behaviour) {
    JNIEnv* env = Env();
    jstring m = JavaString(method);
    jstring b = behaviour ? JavaString(behaviour) : nullptr;
    CallStaticVoid(kFake, "plan", "(Ljava/lang/String;Ljava/lang/String;)V", m, b);
    env->DeleteLocalRef(m);
    if (b) env->DeleteLocalRef(b);
}

void SetText(const char* getter, const char* value) {
    JNIEnv* env = Env();
    jstring g = JavaString(getter);
    jstring v = value ? JavaString(value) : nullptr;
    CallStaticVoid(kFake, "setText", "(Ljava/lang/String;Ljava/lang/String;)V", g, v);
    env->DeleteLocalRef(g);
    if (v) env->DeleteLocalRef(v);
}

void SetTextUtf16(const char* getter, const std::u16string& value) {
    JNIEnv* env = Env();
    jstring g = JavaString(getter);
    jstring v = env->NewString(reinterpret_cast<const jchar*>(value.data()), static_cast<jsize>(value.size()));
    CallStaticVoid(kFake, "setText", "(Ljava/lang/String;Ljava/lang/String;)V", g, v);
    env->DeleteLocalRef(g);
    env->DeleteLocalRef(v);
}

void SetInt(const char* getter, int32_t value) {
    jstring g = JavaString(getter);
    CallStaticVoid(kFake, "setInt", "(Ljava/lang/String;I)V", g, value);
    Env()->DeleteLocalRef(g);
}

void SetLong(const char* getter, int64_t value) {
    jstring g = JavaString(getter);
    CallStaticVoid(kFake, "setLong", "(Ljava/lang/String;J)V", g, static_cast<jlong>(value));
    Env()->DeleteLocalRef(g);
}

void SetBytes(const char* getter, const std::vector<uint8_t>* bytes) {
    JNIEnv* env = Env();
    jstring g = JavaString(getter);
    jbyteArray a = nullptr;
    if (bytes) {
        a = env->NewByteArray(static_cast<jsize>(bytes->size()));
        env->SetByteArrayRegion(a, 0, static_cast<jsize>(bytes->size()),
                                reinterpret_cast<const jbyte*>(bytes->data()));
    }
    CallStaticVoid(kFake, "setBytes", "(Ljava/lang/String;[B)V", g, a);
    env->DeleteLocalRef(g);
    if (a) env->DeleteLocalRef(a);
}

// The Java calls since the last look, one per entry.
std::vector<std::string> JavaCalls() {
    const std::string all = CallStaticString(kFake, "takeCalls", "()Ljava/lang/String;");
    std::vector<std::string> out;
    std::istringstream in(all);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

class PinFake : public OpenPinPad {
protected:
    void SetUp() override {
        OpenPinPad::SetUp();
        CallStaticVoid(kFake, "reset", "()V");
    }
    Trace ReadLive() { return ReadTrace(Install().TracePath()); }
    int32_t ResultCode() { return so.GetPropertyNumber(6); }
};

// ---------------------------------------------------------------- methods

struct MethodCase {
    const char* name;
    const char* java;
    std::function<int32_t(ServiceObjectClient&)> call;
    const char* javaCall;  // as the scripted control records it
    const char* begin;     // null: no begin line
    const char* success;   // null: no success line
    bool records;          // ResultCode follows the result
};

const MethodCase kMethods[] = {
    {"Claim", "claim", [](auto& s) { return s.Claim(1000); }, "claim(Integer(1000))", "Begin claiming", "Claim is successfully done", true},
    {"ClaimDevice", "claim", [](auto& s) { int32_t r = -1; s.last = s.Driver().Call(pin::ClaimDevice, &r, 5); return r; },
     "claim(Integer(5))", "Begin claiming", "Claim is successfully done", true},
    {"Release", "release", [](auto& s) { return s.Release_(); }, "release()", "Begin Releasing device", "Release is successfully done", true},
    {"ReleaseDevice", "release", [](auto& s) { int32_t r = -1; s.last = s.Driver().Call(pin::ReleaseDevice, &r); return r; },
     "release()", "Begin Releasing device", "Release is successfully done", true},
    {"CheckHealth", "checkHealth", [](auto& s) { return s.CheckHealth(2); }, "checkHealth(Integer(2))", "Begin checking health", "Check Health is successfully done", true},
    {"ClearInput", "clearInput", [](auto& s) { return s.ClearInput(); }, "clearInput()", "Begin clearing input", "Clear Input is successfully done", true},
    {"CompareFirmwareVersion", "compareFirmwareVersion", [](auto& s) { return s.CompareFirmwareVersion("fw.bin", 7); },
     "compareFirmwareVersion(\"fw.bin\", \"long 7\")", "OposJNI Begin Compare Firmware Version...", "CompareFirmwareVersion successful.", false},
    {"ResetStatistics", "resetStatistics", [](auto& s) { return s.ResetStatistics("U_"); },
     "resetStatistics(\"U_\")", "OposJNI Begin reset statistics...", "ResetStatistics successful.", false},
    {"RetrieveStatistics", "retrieveStatistics", [](auto& s) {
         BSTR b = BstrFromAnsi("M_");
         const int32_t r = s.RetrieveStatistics(&b);
         EXPECT_EQ(AnsiFromBstr(b), "M_") << "the buffer is left as it was";
         SysFreeString(b);
         return r;
     }, "retrieveStatistics(\"M_\")", "OposJNI Begin retrieve statistics...", "RetrieveStatistics successful.", false},
    {"UpdateFirmware", "updateFirmware", [](auto& s) { return s.UpdateFirmware("fw.bin"); },
     "updateFirmware(\"fw.bin\")", "OposJNI Begin update firmware...", "UpdateFirmware successful.", false},
    {"UpdateStatistics", "updateStatistics", [](auto& s) { return s.UpdateStatistics("A=1"); },
     "updateStatistics(\"A=1\")", "OposJNI Begin update statistics...", "UpdateStatistics successful.", false},
    {"BeginEFTTransaction", "beginEFTTransaction", [](auto& s) { return s.BeginEFTTransaction("M/S", 3); },
     "beginEFTTransaction(\"M/S\", Integer(3))", nullptr, nullptr, true},
    {"EnablePINEntry", "enablePINEntry", [](auto& s) { return s.EnablePINEntry(); }, "enablePINEntry()", nullptr, nullptr, true},
    {"EndEFTTransaction", "endEFTTransaction", [](auto& s) { return s.EndEFTTransaction(2); }, "endEFTTransaction(Integer(2))", nullptr, nullptr, true},
    {"UpdateKey", "updateKey", [](auto& s) { return s.UpdateKey(4, "0123456789ABCDEF"); },
     "updateKey(Integer(4), \"0123456789ABCDEF\")", nullptr, nullptr, true},
    {"Close", "close", [](auto& s) { return s.Close(); }, "close()", "Begin closing", "Close is successully done", true},
};

TEST_F(PinFake, EachMethodCallsItsJavaMethodAndTracesSuccess) {
    for (const MethodCase& m : kMethods) {
        SCOPED_TRACE(m.name);
        if (std::string(m.name) == "Close") continue;  // below, it ends the session
        so.SetPropertyNumber(99, 0);                    // ResultCode := 106 as a marker
        EXPECT_EQ(m.call(so), 0);
        EXPECT_EQ(so.last, S_OK);
        EXPECT_EQ(JavaCalls(), std::vector<std::string>{m.javaCall});
        EXPECT_EQ(ResultCode(), m.records ? 0 : 106);
        const Trace t = ReadLive();
        if (m.begin) {
            EXPECT_EQ(t.lines[t.lines.size() - 2], m.begin);
        }
        if (m.success) {
            EXPECT_EQ(t.lines.back(), m.success);
        }
    }
}

TEST_F(PinFake, JavaExceptionsInMethodsGive111WhateverTheirCodeAndTraceTheirText) {
    for (const MethodCase& m : kMethods) {
        for (const char* behaviour : {"jpos:106", "npe"}) {
            SCOPED_TRACE(std::string(m.name) + " " + behaviour);
            if (std::string(m.name) == "Close") continue;
            so.SetPropertyNumber(99, 0);  // ResultCode := 106
            Plan(m.java, behaviour);
            EXPECT_EQ(m.call(so), 111);
            Plan(m.java, nullptr);
            EXPECT_EQ(ResultCode(), m.records ? 111 : 106);
            const std::string text = std::string(behaviour) == "npe"
                ? "JavaException: java.lang.NullPointerException: planted null of " + std::string(m.java)
                : "jpos.JposException: planted failure of " + std::string(m.java) + " (ErrorCode 106, ErrorCodeExtended 0)";
            EXPECT_EQ(ReadLive().lines.back(), text);
            JavaCalls();
        }
    }
    EXPECT_EQ(control->Count("SOError"), 0u) << "method failures never surface as SOError";
    so.GetPropertyNumber(9);
    EXPECT_EQ(control->Count("SOError"), 0u) << "nor in the next property access";
}

TEST_F(PinFake, CloseReleasesTheControlWhateverJavaSays) {
    Plan("close", "jpos:101");
    EXPECT_EQ(so.Close(), 111);
    EXPECT_EQ(ResultCode(), 111);
    Plan("getState", "jpos:104");
    so.GetPropertyNumber(9);
    EXPECT_EQ(control->Count("SOError"), 0u) << "the control driver is released";
    EXPECT_EQ(ResultCode(), 104);
}

TEST_F(PinFake, COFreezeEventsReturns1EvenWhenJavaFails) {
    EXPECT_EQ(so.COFreezeEvents(true), 1);
    EXPECT_EQ(JavaCalls(), std::vector<std::string>{"setFreezeEvents(Boolean(true))"});
    Plan("setFreezeEvents", "jpos:106");
    EXPECT_EQ(so.COFreezeEvents(false), 1);
    so.GetPropertyNumber(9);
    EXPECT_EQ(control->Count("SOError"), 0u) << "its failure does not leak into a property";
    const Trace t = ReadLive();
    EXPECT_TRUE(t.Has("Set BOOL: setFreezeEvents property to 0"));
}

TEST_F(PinFake, OpenServiceFailures) {
    ServiceObjectClient other;
    so.Close();
    so.Release();  // one live object per class
    ASSERT_EQ(other.Create("P1"), S_OK);
    Plan("open", "jpos:109");
    EXPECT_EQ(other.OpenService("P9", control), 111);
    EXPECT_EQ(other.GetPropertyNumber(6), 111);
    Plan("open", nullptr);
    EXPECT_TRUE(ReadTrace(Install().TracePath()).Has(
        "jpos.JposException: planted failure of open (ErrorCode 109, ErrorCodeExtended 0)"));

    auto* lacking = ControlWithoutStatusUpdate::Create();
    EXPECT_EQ(other.OpenService("P1", lacking), 104);
    EXPECT_EQ(other.GetPropertyNumber(6), 104);
    Plan("getState", "jpos:105");
    other.GetPropertyNumber(9);
    EXPECT_EQ(lacking->Count(), 0u) << "the driver was released";
    Plan("getState", nullptr);
    EXPECT_EQ(other.OpenService("P1", nullptr), 104);
    lacking->Release();

    ASSERT_EQ(other.OpenService("P1", control), 0);
    EXPECT_EQ(other.GetPropertyNumber(6), 0);
    EXPECT_EQ(other.GetPropertyNumber(7), 0);
    other.Close();
    other.Release();
}

TEST_F(PinFake, VerifyMACIsABoolWithItsOwnResultRules) {
    so.SetPropertyNumber(99, 0);  // ResultCode 106
    EXPECT_TRUE(so.VerifyMAC("MSG0123456789ABCDEF"));
    EXPECT_EQ(ResultCode(), 106) << "success leaves ResultCode";
    Plan("verifyMAC", "jpos:111");
    EXPECT_FALSE(so.VerifyMAC("MSG"));
    EXPECT_EQ(ResultCode(), 111);
}

TEST_F(PinFake, ComputeMACPassesTheBufferAndReturnsJavasText) {
    BSTR out = BstrFromAnsi("seed");
    EXPECT_EQ(so.ComputeMAC("MSG", &out), 0);
    EXPECT_EQ(AnsiFromBstr(out), "MSG0123456789ABCDEF");
    EXPECT_EQ(JavaCalls(), std::vector<std::string>{"computeMAC(\"MSG\", String[\"seed\"])"});
    Plan("computeMAC", "jpos:106");
    EXPECT_EQ(so.ComputeMAC("X", &out), 111);
    EXPECT_EQ(AnsiFromBstr(out), "MSG0123456789ABCDEF") << "unchanged after a failure";
    Plan("computeMAC", nullptr);
    SetText("computeMAC", nullptr);
    EXPECT_EQ(so.ComputeMAC("X", &out), 0);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(SysStringLen(out), 0u) << "a null element gives an empty string";
    SysFreeString(out);
}

TEST_F(PinFake, AmountKeepsAll64BitsAndNeverTouchesResultCode) {
    SetLong("getAmount", (int64_t{1} << 40) + 12345);
    EXPECT_EQ(so.GetAmount(), (int64_t{1} << 40) + 12345);
    so.SetAmount(-9876543210LL);
    EXPECT_EQ(JavaCalls().back(), "setAmount(Long(-9876543210))");
    so.SetPropertyNumber(99, 0);
    Plan("getAmount", "jpos:106");
    EXPECT_EQ(so.GetAmount(), 0);
    Plan("setAmount", "npe");
    so.SetAmount(1);
    EXPECT_EQ(ResultCode(), 106);
    const Trace t = ReadLive();
    EXPECT_EQ(t.lines.back(), "SetAmount is done");
    EXPECT_EQ(t.lines[t.lines.size() - 2], "JavaException: java.lang.NullPointerException: planted null of setAmount");
    EXPECT_EQ(control->Count("SOError"), 0u);
}

// ---------------------------------------------------------------- numeric properties

struct NumberRow {
    int32_t index;
    const char* getter;  // null: not served by Java
    bool isBool;
};
const NumberRow kNumberRows[] = {
    {1, "getClaimed", true}, {2, "getDataEventEnabled", true}, {3, "getDeviceEnabled", true},
    {4, "getFreezeEvents", true}, {8, "getDeviceServiceVersion", false}, {9, "getState", false},
    {12, "getDataCount", false}, {13, "getPowerNotify", false}, {14, "getPowerState", false},
    {801, "getCapStatisticsReporting", true}, {802, "getCapUpdateStatistics", true},
    {901, "getCapCompareFirmwareVersion", true}, {902, "getCapUpdateFirmware", true},
    {17001, "getMaximumPINLength", false}, {17002, "getMinimumPINLength", false},
    {17003, "getPINEntryEnabled", true}, {17004, "getPrompt", false}, {17501, "getCapDisplay", false},
    {17502, "getCapKeyboard", true}, {17503, "getCapLanguage", false},
    {17504, "getCapMACCalculation", true}, {17505, "getCapTone", true},
};

TEST_F(PinFake, EveryNumericGetterRowCallsItsJavaGetter) {
    for (const NumberRow& row : kNumberRows) {
        SCOPED_TRACE(row.index);
        if (row.isBool) {
            JNIEnv* env = Env();
            jclass b = env->FindClass("java/lang/Boolean");
            jobject f = env->GetStaticObjectField(b, env->GetStaticFieldID(b, "FALSE", "Ljava/lang/Boolean;"));
            jstring g = JavaString(row.getter);
            CallStaticVoid(kFake, "setValue", "(Ljava/lang/String;Ljava/lang/Object;)V", g, f);
            env->DeleteLocalRef(g);
            env->DeleteLocalRef(f);
            env->DeleteLocalRef(b);
            EXPECT_EQ(so.GetPropertyNumber(row.index), 0);
            SetText(row.getter, nullptr);  // back to the default (true)
            CallStaticVoid(kFake, "reset", "()V");
            EXPECT_EQ(so.GetPropertyNumber(row.index), 1);
        } else {
            SetInt(row.getter, row.index * 3);
            EXPECT_EQ(so.GetPropertyNumber(row.index), row.index * 3);
        }
        EXPECT_EQ(JavaCalls().back(), std::string(row.getter) + "()");
        const Trace t = ReadLive();
        EXPECT_EQ(t.lines.back(), std::string(row.getter) + " property is done");
    }
    EXPECT_EQ(control->Count("SOError"), 0u);
}

TEST_F(PinFake, LocalAndUnlistedNumericIndexesNeverReachJava) {
    EXPECT_EQ(so.GetPropertyNumber(17005), 1) << "PromptLanguage is English";
    for (int32_t index : {0, -1, 5, 10, 15, 501, 800, 17000, 17006, 17506, 1000001, INT32_MAX})
        EXPECT_EQ(so.GetPropertyNumber(index), 0) << index;
    so.SetPropertyNumber(11, 2);
    EXPECT_EQ(so.GetPropertyNumber(11), 2);
    so.SetPropertyNumber(11, 7);
    EXPECT_EQ(so.GetPropertyNumber(11), 7) << "stored as given";
    EXPECT_TRUE(JavaCalls().empty());
    EXPECT_EQ(ResultCode(), 0);
    so.SetPropertyNumber(10, 1);
    EXPECT_EQ(ResultCode(), 106) << "an unlisted set";
    EXPECT_TRUE(JavaCalls().empty());
}

TEST_F(PinFake, NumericSettersSendTheirValues) {
    so.SetPropertyNumber(3, -1);
    so.SetPropertyNumber(2, 0);
    so.SetPropertyNumber(4, 256);
    so.SetPropertyNumber(13, 1);
    so.SetPropertyNumber(17001, 8);
    so.SetPropertyNumber(17002, 4);
    so.SetPropertyNumber(17004, 3);
    so.SetPropertyNumber(17005, 42);
    EXPECT_EQ(JavaCalls(), (std::vector<std::string>{
                               "setDeviceEnabled(Boolean(true))", "setDataEventEnabled(Boolean(false))",
                               "setFreezeEvents(Boolean(true))", "setPowerNotify(Integer(1))",
                               "setMaximumPINLength(Integer(8))", "setMinimumPINLength(Integer(4))",
                               "setPrompt(Integer(3))", "setPromptLanguage(\"English\")"}));
    const Trace t = ReadLive();
    EXPECT_TRUE(t.Has("Set BOOL: setDeviceEnabled property to -1")) << "the full value is traced";
    EXPECT_TRUE(t.Has("Set Interger:setPowerNotify property to 1"));
    EXPECT_TRUE(t.Has("Set Property String: setPromptLanguage property to English"));
    EXPECT_EQ(ResultCode(), 0) << "successful sets record nothing";
}

TEST_F(PinFake, AFailingGetterReportsItsCodeThroughSOError) {
    Plan("getState", "jpos:106");
    EXPECT_EQ(so.GetPropertyNumber(9), 0);
    EXPECT_EQ(ResultCode(), 106);
    ASSERT_EQ(control->Count("SOError"), 1u);
    const ControlCall e = control->Calls().back();
    EXPECT_EQ(std::vector<int32_t>({e.a, e.b, e.c, e.d}), std::vector<int32_t>({106, 0, 0, 0}));
    EXPECT_EQ(e.thread, std::this_thread::get_id()) << "on the caller's thread";
    EXPECT_EQ(ReadLive().lines.back(),
              "jpos.JposException: planted failure of getState (ErrorCode 106, ErrorCodeExtended 0)");

    Plan("getState", "npe");
    EXPECT_EQ(so.GetPropertyNumber(9), 0);
    EXPECT_EQ(ResultCode(), 111);
    EXPECT_EQ(control->Calls().back().a, 111);
    EXPECT_EQ(ReadLive().lines.back(),
              "JavaException: java.lang.NullPointerException: planted null of getState");

    Plan("setPrompt", "jpos:105");
    so.SetPropertyNumber(17004, 1);
    EXPECT_EQ(ResultCode(), 105);
    EXPECT_EQ(control->Calls().back().a, 105);
    const Trace t = ReadLive();
    EXPECT_EQ(t.lines[t.lines.size() - 2], "Set Interger:setPrompt property to 1") << "written in every case";

    Plan("getState", nullptr);
    const size_t errors = control->Count("SOError");
    EXPECT_EQ(so.GetPropertyNumber(9), 2);
    EXPECT_EQ(ResultCode(), 105) << "a good read records nothing";
    EXPECT_EQ(control->Count("SOError"), errors);
}

TEST_F(PinFake, AFailedDeviceMethodIsNotReportedByTheNextProperty) {
    Plan("beginEFTTransaction", "jpos:106");
    EXPECT_EQ(so.BeginEFTTransaction("DUKPT", 1), 111);
    EXPECT_EQ(so.GetPropertyNumber(3), 1);
    EXPECT_EQ(control->Count("SOError"), 0u);
    EXPECT_EQ(ResultCode(), 111);
}

// ---------------------------------------------------------------- string properties

TEST_F(PinFake, StringGettersReturnJavasTextWithTheirRules) {
    SetText("getCheckHealthText", "Fine!");
    EXPECT_EQ(so.GetPropertyString(1000001), "Fine!");
    EXPECT_TRUE(ReadLive().Has("Get String: getCheckHealthText property is Fine!"));
    SetText("getDeviceServiceDescription", "JPOS service for JPOS, JPOSJPOS");
    EXPECT_EQ(so.GetPropertyString(1000004), "OPOS service for OPOS, OPOSOPOS");
    SetText("getPhysicalDeviceName", nullptr);
    EXPECT_EQ(so.GetPropertyString(1000003), "") << "a null Java string reads as empty";
    for (auto [index, getter] : {std::pair{1000002, "getPhysicalDeviceDescription"},
                                 {1017003, "getAvailableLanguagesList"}, {1017005, "getAvailablePromptsList"},
                                 {1017007, "getMerchantID"}, {1017008, "getTerminalID"}}) {
        SetText(getter, getter);
        EXPECT_EQ(so.GetPropertyString(index), getter);
    }
    EXPECT_EQ(so.GetPropertyString(1017004), "[Error: Automation?]");
    EXPECT_EQ(so.GetPropertyString(5), "[Error: Automation?]");
    EXPECT_EQ(so.GetPropertyString(-1), "[Error: Automation?]");
    EXPECT_EQ(ResultCode(), 0);
    Plan("getTerminalID", "jpos:104");
    EXPECT_EQ(so.GetPropertyString(1017008), "[Error]");
    EXPECT_EQ(ResultCode(), 104);
    const Trace t = ReadLive();
    EXPECT_EQ(t.lines.back(), "Failed to get ObjectMethod for getTerminalID");
}

TEST_F(PinFake, TransactionTypeTravelsAsANumberAndANameBothWays) {
    const std::vector<std::pair<int32_t, std::string>> names = {
        {0, ""}, {1, "Debit"}, {2, "Credit"}, {3, "Inquiry"}, {4, "Reconcile"}, {5, "Admin"}, {6, ""}, {-1, ""}};
    for (const auto& [number, name] : names) {
        SetInt("getTransactionType", number);
        EXPECT_EQ(so.GetPropertyString(17006), name) << number;
    }
    for (const auto& [number, name] : names) {
        if (name.empty()) continue;
        JavaCalls();
        so.SetPropertyString(17006, name);
        EXPECT_EQ(JavaCalls(), std::vector<std::string>{"setTransactionType(Integer(" + std::to_string(number) + "))"});
    }
    so.SetPropertyString(17006, "credit");
    EXPECT_EQ(ResultCode(), 106) << "an unknown name is refused";
    EXPECT_TRUE(JavaCalls().empty());
}

TEST_F(PinFake, TextKeepsItsCharactersAsFarAsTheAnsiCodePageHoldsThem) {
    SetTextUtf16("getMerchantID", u"Caf\u00e9 \u20ac \u65e5\U0001F600");
    BSTR b = nullptr;
    ASSERT_EQ(so.Driver().Call(pin::GetPropertyString, &b, 1017007), S_OK);
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"Caf\u00e9 \u20ac ???");
    SysFreeString(b);
    JavaCalls();
    BSTR text = SysAllocString(u"M\u00fcller \u20ac");
    ASSERT_EQ(so.Driver().Call(pin::SetPropertyString, nullptr, 1017008, text), S_OK);
    SysFreeString(text);
    EXPECT_EQ(JavaCalls(), std::vector<std::string>{"setTerminalID(\"M\u00fcller \u20ac\")"});
}

TEST_F(PinFake, TrackDataFollowsBinaryConversion) {
    const std::vector<uint8_t> nibble = {0x00, 0x9F, 0xFA};
    SetBytes("getTrack1Data", &nibble);
    so.SetPropertyNumber(11, 1);
    EXPECT_EQ(so.GetPropertyString(1017009), "009??:");
    const std::vector<uint8_t> decimal = {1, 100, 255};
    SetBytes("getTrack2Data", &decimal);
    so.SetPropertyNumber(11, 2);
    EXPECT_EQ(so.GetPropertyString(1017010), "001100255");
    const Trace t = ReadLive();
    EXPECT_TRUE(t.Has("Begin ConvertBinaryToDecimalBSTR"));
    EXPECT_TRUE(t.Has("ConvertBinaryToDecimalBSTR is successfully done"));
    EXPECT_TRUE(t.Has("ConvertBinaryToNibbleBSTR is successfully done"));
    const std::vector<uint8_t> raw = {0x41, 0xE9, 0x80};
    SetBytes("getTrack3Data", &raw);
    so.SetPropertyNumber(11, 7);  // anything but 1 and 2 is raw
    BSTR b = nullptr;
    ASSERT_EQ(so.Driver().Call(pin::GetPropertyString, &b, 1017011), S_OK);
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"A\u00e9\u20ac");
    SysFreeString(b);
    const std::vector<uint8_t> empty;
    SetBytes("getTrack4Data", &empty);
    for (int32_t bc : {0, 1, 2}) {
        so.SetPropertyNumber(11, bc);
        EXPECT_EQ(so.GetPropertyString(1017012), "");
    }
    SetBytes("getTrack4Data", nullptr);
    EXPECT_EQ(so.GetPropertyString(1017012), "") << "a null array is no data";
    Plan("getTrack4Data", "jpos:105");
    EXPECT_EQ(so.GetPropertyString(1017012), "");
    EXPECT_EQ(ResultCode(), 105);
    EXPECT_EQ(ReadLive().lines.back(), "Failed to get CallObjectMethod for getTrack4Data");
}

TEST_F(PinFake, CardDataNeverReachesTheTraceInClear) {
    so.SetPropertyString(1017001, "4111 1111 1111 1234");
    SetText("getAccountNumber", "5500000000000004");
    EXPECT_EQ(so.GetPropertyString(1017001), "5500000000000004") << "the caller gets it whole";
    SetText("getEncryptedPIN", "0123456789ABCDEF");
    EXPECT_EQ(so.GetPropertyString(1017006), "0123456789ABCDEF");
    SetText("getAdditionalSecurityInformation", "FFFF9876543210E00001");
    so.GetPropertyString(1017002);
    so.SetPropertyString(1017009, "%B4111111111111111^DOE/JOHN^2512?");
    so.SetPropertyString(1017010, ";4111111111111111=2512?");
    so.SetPropertyString(1017011, "track3");
    so.SetPropertyString(1017012, "track4");
    so.UpdateKey(1, "FEDCBA9876543210");
    const Trace t = ReadLive();
    EXPECT_TRUE(t.Has("Set Property String: setAccountNumber property to 4111 11** **** 1234"));
    EXPECT_TRUE(t.Has("Get String: getAccountNumber property is 550000******0004"));
    EXPECT_TRUE(t.Has("Get String: getEncryptedPIN property is ****************"));
    EXPECT_TRUE(t.Has("Get String: getAdditionalSecurityInformation property is ********************"));
    EXPECT_TRUE(t.Has("Set Property String: setTrack1Data property to " + std::string(33, '*')));
    const std::string bytes = ReadFile(Install().TracePath());
    for (const char* secret : {"4111111111111111", "1111 1111", "5500000000000004", "0123456789ABCDEF",
                               "FFFF9876543210E00001", "DOE/JOHN", "track3", "FEDCBA9876543210"})
        EXPECT_EQ(bytes.find(secret), std::string::npos) << secret;
    // Everything else stays readable.
    so.SetPropertyString(1017007, "MERCHANT-42");
    EXPECT_TRUE(ReadLive().Has("Set Property String: setMerchantID property to MERCHANT-42"));
}

TEST_F(PinFake, UnlistedStringSetsRecord106AndCallNothing) {
    for (int32_t index : {1017002, 1017003, 1017006, 1000001, 17005, 0, -1}) {
        so.SetPropertyNumber(11, 0);
        so.SetPropertyString(index, "x");
        EXPECT_EQ(ResultCode(), 106) << index;
    }
    EXPECT_TRUE(JavaCalls().empty());
}

// ---------------------------------------------------------------- DirectIO

struct DioCase {
    int32_t command;
    int32_t data;
    const char* text;
    const char* javaCall;  // null: 111 expected
    int32_t dataAfter;
};

const DioCase kDirectIO[] = {
    {1, 0, "10,20,Hello, world", "directIO(\"0x3280\", int[0], LinkedList[Point(10,20), \"Hello, world\"])", 0},
    {1, 0, "5", "directIO(\"0x3280\", int[0], LinkedList[Point(5,5), \"\"])", 0},
    {2, -5, "", "directIO(\"0x3238\", int[0], LinkedList[Integer(0)])", 0},
    {2, 3, "", "directIO(\"0x3238\", int[0], LinkedList[Integer(3)])", 3},
    {3, 9, "ignored", "directIO(\"0x3240\", int[0], null)", 9},
    {7, 0, "Amount?,6,2", "directIO(\"0x6050\", int[0], LinkedList[\"Amount?\", Integer(6), Integer(2)])", 0},
    {8, 0, "5,6,Text,extra", "directIO(\"0x3290\", int[0], LinkedList[\"Text\", Point(5,6)])", 0},
    {9, 0, "logo,1.bmp", "directIO(\"0x400001\", int[0], LinkedList[\"logo,1.bmp\"])", 0},
    {10, 0, "1,2,3,4", "directIO(\"0x3251\", int[0], LinkedList[Point(1,2), Point(3,4)])", 0},
    {10, 0, " -7,+8,x,", "directIO(\"0x3251\", int[0], LinkedList[Point(-7,8), Point(0,0)])", 0},
    {13, 0, "0123ABCD", "directIO(\"0x400002\", int[0], \"0123ABCD\")", 0},
    {14, 7, "", "directIO(\"0x400003\", int[7], null)", 7},
    {22, 7, "", "directIO(\"0x1054\", int[0], LinkedList[Byte[Byte(1), Byte(0)]])", 7},
    {22, 0, "", "directIO(\"0x1054\", int[0], LinkedList[Byte[Byte(0), Byte(0)]])", 0},
    {34, 0, "script,start", "directIO(\"0x1430\", int[0], LinkedList[\"script\", \"start\"])", 0},
    {39, 0, "12abc", "directIO(\"0x2031\", int[0], Integer(12))", 0},
    {40, 0, "x", "directIO(\"0x2032\", int[0], Integer(0))", 0},
    {42, 0, "var, 1B 02", "directIO(\"0x2070\", int[0], LinkedList[\"var\", Byte[Byte(27), Byte(2)]])", 0},
    {42, 0, "var,x0x-FF", "directIO(\"0x2070\", int[0], LinkedList[\"var\", Byte[Byte(0), Byte(-1)]])", 0},
    {42, 0, "var", "directIO(\"0x2070\", int[0], LinkedList[\"var\", Byte[Byte(10)]])", 0},  // field 2 is "var"
    {42, 0, "var, 1B 02 ", nullptr, 0},
    {50, 0, "name,file.txt", "directIO(\"0x1412\", int[0], LinkedList[\"name\", \"file.txt\"])", 0},
    {51, 0, "v", "directIO(\"0x2061\", int[0], LinkedList[\"v\"])", 0},
};

TEST_F(PinFake, DirectIOBuildsTheTerminalsArgumentObjects) {
    for (const DioCase& c : kDirectIO) {
        SCOPED_TRACE(std::to_string(c.command) + " " + c.text);
        int32_t data = c.data;
        BSTR text = BstrFromAnsi(c.text);
        const int32_t r = so.DirectIO(c.command, &data, &text);
        EXPECT_EQ(AnsiFromBstr(text), c.text) << "pString is never written";
        SysFreeString(text);
        EXPECT_EQ(data, c.dataAfter);
        const std::vector<std::string> calls = JavaCalls();
        if (c.javaCall) {
            EXPECT_EQ(r, 0);
            EXPECT_EQ(calls, std::vector<std::string>{c.javaCall});
        } else {
            EXPECT_EQ(r, 111);
            EXPECT_TRUE(calls.empty());
            EXPECT_NE(ReadLive().lines.back().find("ArrayIndexOutOfBoundsException"), std::string::npos);
        }
        EXPECT_EQ(ResultCode(), r);
    }
}

TEST_F(PinFake, DirectIOFailuresAre111WhateverJavaSays) {
    int32_t data = 0;
    BSTR text = nullptr;
    Plan("directIO", "jpos:106");
    EXPECT_EQ(so.DirectIO(15, &data, &text), 111);
    Plan("directIO", "npe");
    EXPECT_EQ(so.DirectIO(9, &data, &text), 111) << "a null BSTR is an empty text";
    EXPECT_EQ(JavaCalls().back(), "directIO(\"0x400001\", int[0], LinkedList[\"\"])");
    EXPECT_EQ(control->Count("SOError"), 0u);
}

// ---------------------------------------------------------------- bad input

HRESULT InvokeWith(IDispatch* d, DISPID id, std::vector<VARIANT> args, VARIANT* result = nullptr) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    EXCEPINFO info{};
    UINT argErr = 0;
    return d->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, result, &info, &argErr);
}

VARIANT V(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}

TEST_F(PinFake, WrongArgumentTypesAreRefusedWithoutACall) {
    IDispatch* d = so.Dispatch();
    VARIANT text = V(VT_BSTR);
    text.bstrVal = SysAllocString(u"not a number");
    VARIANT unknown = V(VT_UNKNOWN);
    unknown.punkVal = nullptr;
    VARIANT byValue = V(VT_I4);
    VARIANT dispatch = V(VT_DISPATCH);
    dispatch.pdispVal = nullptr;
    VARIANT i4 = V(VT_I4);
    BSTR s = nullptr;
    VARIANT bstrRef = V(VT_BSTR | VT_BYREF);
    bstrRef.pbstrVal = &s;
    int32_t n = 0;
    VARIANT i4Ref = V(VT_I4 | VT_BYREF);
    i4Ref.plVal = &n;
    struct Case {
        DISPID id;
        std::vector<VARIANT> args;
    };
    const Case cases[] = {
        {pin::GetPropertyNumber, {text}},
        {pin::GetPropertyNumber, {dispatch}},
        {pin::SetPropertyNumber, {i4, text}},
        {pin::Claim, {unknown}},
        {pin::DirectIO, {i4, byValue, bstrRef}},  // pData must be by reference
        {pin::DirectIO, {i4, i4Ref, i4}},         // pString too
        {pin::ComputeMAC, {text, text}},
        {pin::RetrieveStatistics, {text}},
        {pin::SetAmount, {text}},
        {pin::OpenService, {text, text, text}},
    };
    for (const Case& c : cases) {
        VARIANT result = V(VT_EMPTY);
        EXPECT_EQ(InvokeWith(d, c.id, c.args, &result), DISP_E_TYPEMISMATCH) << c.id;
        VariantClear(&result);
    }
    EXPECT_EQ(InvokeWith(d, pin::Claim, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(InvokeWith(d, pin::Claim, {i4, i4}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(InvokeWith(d, 0, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(InvokeWith(d, 28, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(InvokeWith(d, -5, {}), DISP_E_MEMBERNOTFOUND);
    SysFreeString(text.bstrVal);
    EXPECT_TRUE(JavaCalls().empty());
}

TEST_F(PinFake, NullAndHugeStringsAreCarriedWhole) {
    IDispatch* d = so.Dispatch();
    VARIANT index = V(VT_I4);
    index.lVal = 1017007;
    VARIANT nullText = V(VT_BSTR);
    nullText.bstrVal = nullptr;
    EXPECT_EQ(InvokeWith(d, pin::SetPropertyString, {index, nullText}), S_OK);
    EXPECT_EQ(JavaCalls(), std::vector<std::string>{"setMerchantID(\"\")"});

    const std::string huge(100000, 'M');
    so.SetPropertyString(1017007, huge);
    SetText("getMerchantID", huge.c_str());
    EXPECT_EQ(so.GetPropertyString(1017007), huge) << "no fixed buffer cuts it";
    JavaCalls();
    int32_t data = 0;
    BSTR text = BstrFromAnsi(huge);
    EXPECT_EQ(so.DirectIO(9, &data, &text), 0);
    SysFreeString(text);
    EXPECT_EQ(JavaCalls().back().size(), huge.size() + std::string("directIO(\"0x400001\", int[0], LinkedList[\"\"])").size());

    // A Java text is copied into the trace up to 1023 bytes.
    Plan("beginEFTTransaction", "echo");
    EXPECT_EQ(so.BeginEFTTransaction(huge, 1), 111);
    const std::string line = ReadLive().lines.back();
    EXPECT_EQ(line.size(), 1023u);
    EXPECT_EQ(line.rfind("jpos.JposException: echo \"MMMM", 0), 0u);
}

// Every index from -1 to 2,000,000: pin_conformance_test (UnknownIndexesFromMinus1To2000000).

// ---------------------------------------------------------------- odd events

using Native = void (*)(JNIEnv*, jobject, jobject);

Native NativeOf(const char* kind) {
    void* lib = ::dlopen(BridgeLibrary().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return nullptr;
    auto fn = reinterpret_cast<Native>(::dlsym(lib, (std::string("Java_com_orv_jpos_pinpad_PinOPOSEventCallbacks_opos") + kind + "EventOccurred").c_str()));
    ::dlclose(lib);
    return fn;
}

jobject NewObject(const char* cls, const char* sig, ...) {
    JNIEnv* env = Env();
    jclass c = env->FindClass(cls);
    EXPECT_NE(c, nullptr) << cls;
    if (!c) {
        env->ExceptionClear();
        return nullptr;
    }
    va_list args;
    va_start(args, sig);
    jobject o = env->NewObjectV(c, env->GetMethodID(c, "<init>", sig), args);
    va_end(args);
    env->DeleteLocalRef(c);
    return o;
}

class PinOddEvents : public PinFake {
protected:
    void SetUp() override {
        PinFake::SetUp();
        source = CallStaticObject(kFake, "lastCreated", "()Ljava/lang/Object;");
        ASSERT_NE(source, nullptr);
    }
    void TearDown() override {
        DeleteGlobal(source);
        PinFake::TearDown();
    }
    void Raise(const char* kind, jobject event) {
        Native fn = NativeOf(kind);
        ASSERT_NE(fn, nullptr);
        fn(Env(), nullptr, event);
        EXPECT_FALSE(Env()->ExceptionCheck()) << "no exception is left to the Java thread";
        Env()->DeleteLocalRef(event);
    }
    jobject source = nullptr;
};

TEST_F(PinOddEvents, AMissingGetErrorResponseDropsTheEventWithItsText) {
    Raise("Error", NewObject("com/orv/sotest/OddEvents$NoResponseError", "(Ljava/lang/Object;)V", source));
    EXPECT_EQ(control->Count(), 0u);
    const Trace t = ReadLive();
    EXPECT_EQ(t.lines[t.lines.size() - 2], "EventJNI: Received Error Event");
    EXPECT_EQ(t.lines.back().rfind("java.lang.NoSuchMethodError: getErrorResponse", 0), 0u) << t.lines.back();
}

TEST_F(PinOddEvents, MissingOrThrowingGettersSendNothing) {
    Raise("Data", NewObject("com/orv/sotest/OddEvents$NoStatus", "(Ljava/lang/Object;)V", source));
    Trace t = ReadLive();
    ASSERT_GE(t.lines.size(), 3u);
    EXPECT_EQ(t.lines[t.lines.size() - 3], "EventJNI: Received Data Event");
    EXPECT_EQ(t.lines[t.lines.size() - 2], "Failed to get method id for getStatus");
    EXPECT_EQ(t.lines.back().rfind("java.lang.NoSuchMethodError", 0), 0u);
    Raise("StatusUpdate", NewObject("com/orv/sotest/OddEvents$ThrowingStatus", "(Ljava/lang/Object;)V", source));
    EXPECT_EQ(ReadLive().lines.back(), "java.lang.IllegalStateException: status unreadable");
    const size_t lines = ReadLive().lines.size();
    Raise("Data", NewObject("com/orv/sotest/OddEvents$ThrowingSource", "()V"));
    Raise("Data", nullptr);
    EXPECT_EQ(ReadLive().lines.size(), lines) << "an unreadable source is not ours: silent";
    EXPECT_EQ(control->Count(), 0u);
}

TEST_F(PinOddEvents, DirectIOEventObjectsOfEveryShape) {
    auto dio = [&](jobject object) {
        return NewObject("jpos/events/DirectIOEvent", "(Ljava/lang/Object;IILjava/lang/Object;)V", source, 4, 0x1054, object);
    };
    Raise("DirectIO", dio(nullptr));
    EXPECT_EQ(ReadLive().lines.back(), "Failed to get DeviceIO object ");
    jobject noField = NewObject("com/orv/sotest/OddEvents$NoTextField", "()V");
    Raise("DirectIO", dio(noField));
    Env()->DeleteLocalRef(noField);
    Trace t = ReadLive();
    EXPECT_EQ(t.lines[t.lines.size() - 2], "Failed to get field m_sDIOData");
    EXPECT_EQ(t.lines.back().rfind("java.lang.NoSuchFieldError: ", 0), 0u) << t.lines.back();
    EXPECT_EQ(control->Count(), 0u);

    jobject nullText = NewObject("com/orv/sotest/OddEvents$NullText", "()V");
    Raise("DirectIO", dio(nullText));
    Env()->DeleteLocalRef(nullText);
    ASSERT_EQ(control->Count("SODirectIO"), 1u);
    EXPECT_EQ(control->Calls().back().text, "");

    control->WriteBackDirectIO(5, "Z");  // what the control writes stays on this side
    const std::u16string wide = u"Caf\u00e9 \u65e5";
    jstring s = Env()->NewString(reinterpret_cast<const jchar*>(wide.data()), static_cast<jsize>(wide.size()));
    jobject answer = NewObject("com/orv/jpos/DirectIOData", "(Ljava/lang/String;)V", s);
    Env()->DeleteLocalRef(s);
    Raise("DirectIO", dio(answer));
    Env()->DeleteLocalRef(answer);
    ASSERT_EQ(control->Count("SODirectIO"), 2u);
    const ControlCall c = control->Calls().back();
    EXPECT_EQ(c.a, 4);
    EXPECT_EQ(c.b, 0x1054);
    EXPECT_EQ(c.text, "Caf\xe9 ?");
}

TEST_F(PinOddEvents, OutputCompleteIsTracedButNotSentForThePinPad) {
    Raise("OutputComplete", NewObject("jpos/events/OutputCompleteEvent", "(Ljava/lang/Object;I)V", source, 3));
    const Trace t = ReadLive();
    EXPECT_EQ(t.lines[t.lines.size() - 2], "EventJNI: Received OutputComplete Event");
    EXPECT_EQ(t.lines.back(), "Firing OutputComplete Event from eventjni");
    EXPECT_EQ(control->Count(), 0u);
}

}  // namespace
}  // namespace orv::so::test
