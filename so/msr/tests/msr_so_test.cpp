// The MSR service object against the simulated terminal, driven as the MSR control drives it:
// registration, the registry fallback of OpenService, card data through the binary conversions,
// bad tracks, bad property indexes, and what its trace may show of a card.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "jvm_access.h"
#include "platform/com.h"
#include "platform/com_register.h"
#include "platform/dispatch_driver.h"
#include "platform/registry.h"
#include "platform/win32.h"
#include "test_control.h"
#include "test_env.h"
#include "trace_reader.h"

namespace orv::so::test {
namespace {

namespace fs = std::filesystem;

constexpr CLSID kMsrClsid =
    GUID_INIT(0x3EF0412C, 0xE8F4, 0x11D1, 0x8C, 0x56, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57);
constexpr const char* kMsrKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR";

// The MSR service object's DISPIDs: positions in its dispatch map.
enum Msr : DISPID {
    CheckHealth = 1, Claim, ClearInput, Close, COFreezeEvents, DirectIO, Release, OpenService,
    GetPropertyNumber, SetPropertyNumber, GetPropertyString, SetPropertyString, ClaimDevice,
    ReleaseDevice, CompareFirmwareVersion, ResetStatistics, RetrieveStatistics, UpdateFirmware,
    UpdateStatistics,
};

// Java device names of extra simulated readers, at the edge of what "Devicename" can hold.
const std::string kName99(99, 'N');
const std::string kName100(100, 'L');

class MsrEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("ORV_SIM_DEVICES", ("M2=MSR;" + kName99 + "=MSR;" + kName100 + "=MSR").c_str(), 1);
        install = std::make_unique<TestInstall>();
        ASSERT_EQ(RunCommand(RegsvrTool().string() + " /s " + ORV_MSR_BRIDGE), 0);
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        install.reset();
    }
    static inline std::unique_ptr<TestInstall> install;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MsrEnvironment);

fs::path TracePath() { return MsrEnvironment::install->TracePath("msr.log"); }

// The MSR keys as a fresh installation has them: the M1 device, nothing else.
void ResetMsrKeys() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMsrKey);
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, std::string(kMsrKey) + "\\M1", nullptr, "ORVMsr.so"),
              ERROR_SUCCESS);
}

void WriteDevicename(const std::string& subkey, const std::string& value) {
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, std::string(kMsrKey) + "\\" + subkey, "Devicename",
                             value),
              ERROR_SUCCESS);
}

// A REG_SZ value of exactly these bytes, no terminating zero.
void WriteRawString(const std::string& subkey, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kMsrKey) + "\\" + subkey).c_str(),
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "Devicename", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The service object as the MSR control sees it.
struct MsrObject {
    DispatchDriver so;
    RecordingControl* control = RecordingControl::Create();

    MsrObject() { EXPECT_EQ(so.CreateDispatch("ORVMsr.so"), S_OK); }
    ~MsrObject() {
        so.ReleaseDispatch();
        control->Release();
    }
    int32_t Call(DISPID id) {
        int32_t rc = -1;
        EXPECT_EQ(so.Call(id, &rc), S_OK);
        return rc;
    }
    int32_t ClaimIt() {
        int32_t rc = -1;
        EXPECT_EQ(so.Call(Claim, &rc, 1000), S_OK);
        return rc;
    }
    int32_t Open(const std::string& name) {
        int32_t rc = -1;
        EXPECT_EQ(so.Call(OpenService, &rc, "MSR", name, static_cast<IDispatch*>(control)), S_OK);
        return rc;
    }
    int32_t Number(int32_t index) {
        int32_t value = -1;
        EXPECT_EQ(so.Call(GetPropertyNumber, &value, index), S_OK);
        return value;
    }
    void SetNumber(int32_t index, int32_t value) {
        EXPECT_EQ(so.Call(SetPropertyNumber, nullptr, index, value), S_OK);
    }
    // The string property as UTF-16 code units (track data may hold U+0000).
    std::u16string Wide(int32_t index) {
        BSTR b = nullptr;
        EXPECT_EQ(so.Call(GetPropertyString, &b, index), S_OK);
        std::u16string text(b ? b : u"", b ? SysStringLen(b) : 0);
        SysFreeString(b);
        return text;
    }
    std::string Text(int32_t index) {
        const std::u16string w = Wide(index);
        return std::string(w.begin(), w.end());  // ASCII fields only
    }
    // Releases the object (its trace closes) and reads the trace.
    Trace Finish() {
        so.ReleaseDispatch();
        return ReadTrace(TracePath());
    }
};

// ---------------------------------------------------------------- registration

TEST(MsrRegistration, RegsvrRegistersUnregistersAndTheLibraryExportsOnlyItsEntries) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"ORVMsr.so", &clsid), S_OK);
    EXPECT_EQ(clsid, kMsrClsid);

    FILE* pipe = ::popen((std::string("nm -D --defined-only ") + ORV_MSR_BRIDGE).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream in(line);
        std::string address, type, name;
        if (in >> address >> type >> name) exported.insert(name);
    }
    ASSERT_EQ(::pclose(pipe), 0);
    const std::string natives = "Java_com_orv_jpos_msr_MsrOPOSEventCallbacks_opos";
    EXPECT_EQ(exported, (std::set<std::string>{
                            "DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                            "DllUnregisterServer", natives + "DataEventOccurred",
                            natives + "ErrorEventOccurred", natives + "StatusUpdateEventOccurred",
                            natives + "OutputCompleteEventOccurred",
                            natives + "DirectIOEventOccurred"}));

    // DllUnregisterServer removes what DllRegisterServer wrote, and only that.
    ASSERT_EQ(RunCommand(RegsvrTool().string() + " /u /s " + ORV_MSR_BRIDGE), 0);
    EXPECT_NE(CLSIDFromProgID(u"ORVMsr.so", &clsid), S_OK);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{3EF0412C-E8F4-11D1-8C56-00A0C945B157}", 0,
                            KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CLSIDFromProgID(u"ORVPin.so", &clsid), S_OK) << "another class's entries stay";
    ASSERT_EQ(RunCommand(RegsvrTool().string() + " /s " + ORV_MSR_BRIDGE), 0);
    EXPECT_EQ(CLSIDFromProgID(u"ORVMsr.so", &clsid), S_OK);
}

// ---------------------------------------------------------------- OpenService's registry fallback

struct FallbackCase {
    const char* label;
    std::string deviceName;
    std::function<void()> setUp;  // registry beyond the M1 key
    int32_t result;
    bool recorded;  // else ResultCode keeps its previous value
    bool queryFails;   // "Failed to query Device Name value from the registry"
    bool openFails;    // "Failed to open the registry"
};

void PrintTo(const FallbackCase& c, std::ostream* out) { *out << c.label; }

class MsrOpenFallback : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(MsrOpenFallback, AnswersAndTracesAsDocumented) {
    const FallbackCase& c = GetParam();
    ResetMsrKeys();
    if (c.setUp) c.setUp();
    MsrObject msr;
    msr.SetNumber(424242, 0);  // an unknown index: ResultCode 106 before the open
    ASSERT_EQ(msr.Number(6), 106);
    EXPECT_EQ(msr.Open(c.deviceName), c.result);
    EXPECT_EQ(msr.Number(6), c.recorded ? c.result : 106);
    if (c.result == 0) {
        EXPECT_EQ(msr.ClaimIt(), 0) << "opened under the Java name the registry gave";
        msr.Call(Close);
    }
    EXPECT_EQ(msr.control->Count("SOError"), 0u) << "a refused open fires nothing";
    const Trace trace = msr.Finish();
    ASSERT_EQ(trace.error, "");
    EXPECT_TRUE(trace.Has("Begin OpenService"));
    EXPECT_EQ(trace.Has("End OpenService"), c.result == 0);
    EXPECT_EQ(trace.Has("Failed to open the registry"), c.openFails);
    EXPECT_EQ(trace.Has("Failed to query Device Name value from the registry"), c.queryFails);
    EXPECT_FALSE(trace.Has("Failed to close from the registry"));
    ResetMsrKeys();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsrOpenFallback,
    ::testing::Values(
        // A name Java accepts never reaches the registry, whatever it holds.
        FallbackCase{"Accepted", "M1", [] { WriteDevicename("M1", "NOPE"); }, 0, true, false,
                     false},
        FallbackCase{"RefusedWithoutSubkey", "GHOST", nullptr, 109, false, false, true},
        FallbackCase{"RefusedWithoutMsrKey", "GHOST",
                     [] { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMsrKey); }, 109, false, false, true},
        FallbackCase{"AliasNamesM1", "ALIAS", [] { WriteDevicename("ALIAS", "M1"); }, 0, true,
                     false, false},
        FallbackCase{"SubkeyWithoutValue", "BARE",
                     [] {
                         ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE,
                                                  std::string(kMsrKey) + "\\BARE", nullptr,
                                                  "ORVMsr.so"),
                                   ERROR_SUCCESS);
                     },
                     111, true, true, false},
        FallbackCase{"ValueOfTheWrongType", "DWORD",
                     [] {
                         HKEY key = nullptr;
                         ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                                   (std::string(kMsrKey) + "\\DWORD").c_str(), 0,
                                                   nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                                   nullptr),
                                   ERROR_SUCCESS);
                         const DWORD m1 = 0x0031444D;  // "M1" as bytes, but not a string
                         ASSERT_EQ(RegSetValueExA(key, "Devicename", 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&m1), sizeof m1),
                                   ERROR_SUCCESS);
                         RegCloseKey(key);
                     },
                     111, true, true, false},
        FallbackCase{"EmptyValue", "EMPTY", [] { WriteDevicename("EMPTY", ""); }, 111, true,
                     false, false},
        FallbackCase{"Value99", "LONG99", [] { WriteDevicename("LONG99", kName99); }, 0, true,
                     false, false},
        FallbackCase{"Value100IsUnreadable", "LONG100",
                     [] { WriteDevicename("LONG100", kName100); }, 111, true, true, false},
        // Stored without its terminator: read up to the stored size and never past the buffer.
        FallbackCase{"M1WithoutTerminator", "RAW2", [] { WriteRawString("RAW2", "M1"); }, 0, true,
                     false, false},
        FallbackCase{"Value100WithoutTerminator", "RAW100",
                     [] { WriteRawString("RAW100", kName100); }, 111, true, true, false},
        FallbackCase{"Value5000IsUnreadable", "LONG5000",
                     [] { WriteDevicename("LONG5000", std::string(5000, 'x')); }, 111, true, true,
                     false},
        // Neither the MSR key itself nor a deeper key stands in for a device key.
        FallbackCase{"EmptyDeviceName", "",
                     [] {
                         ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, kMsrKey, "Devicename", "M1"),
                                   ERROR_SUCCESS);
                     },
                     109, false, false, true},
        FallbackCase{"DeviceNameIsAPath", "ALIAS\\DEEP",
                     [] { WriteDevicename("ALIAS\\DEEP", "M1"); }, 109, false, false, true}),
    [](const ::testing::TestParamInfo<FallbackCase>& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------- card data

// A reader opened on M1, claimed, enabled, decoding and parsing.
class MsrCard : public ::testing::Test {
protected:
    void SetUp() override {
        ResetMsrKeys();
        ASSERT_EQ(msr.Open("M1"), 0);
        ASSERT_EQ(msr.ClaimIt(), 0);
    }
    void TearDown() override {
        if (msr.so) msr.Call(Close);
    }
    void Enable() {
        msr.SetNumber(3, 1);
        msr.SetNumber(7002, 1);  // ParseDecodeData
        msr.SetNumber(2, 1);
        ASSERT_EQ(msr.Number(6), 0);
    }
    // A swipe through the simulator's Java API: tracks as UTF-16 text, bytes up to U+00FF.
    void Swipe(const std::array<std::u16string, 4>& tracks) {
        JNIEnv* env = Env();
        ASSERT_NE(env, nullptr);
        jstring t[4] = {};
        for (int i = 0; i < 4; ++i)
            if (!tracks[i].empty())
                t[i] = env->NewString(reinterpret_cast<const jchar*>(tracks[i].data()),
                                      static_cast<jsize>(tracks[i].size()));
        jstring device = JavaString("M1");
        CallStaticVoid("com/orv/sim/Sim", "swipe",
                       "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/"
                       "String;Ljava/lang/String;)V",
                       device, t[0], t[1], t[2], t[3]);
        for (jstring s : {device, t[0], t[1], t[2], t[3]})
            if (s) env->DeleteLocalRef(s);
    }
    MsrObject msr;
};

// Track 4 is free-form: every byte value, 0x00 and 0xFF included, comes back in each form.
TEST_F(MsrCard, EveryByteRoundTripsThroughEachBinaryConversion) {
    msr.SetNumber(7003, 15);  // TracksToRead: 1, 2, 3 and 4
    Enable();
    std::u16string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char16_t>(b));
    Swipe({u"", u"4111111111111111=2812", u"", all});
    ASSERT_TRUE(msr.control->WaitFor(1, "SOData"));

    std::string nibble, decimal;
    for (int b = 0; b < 256; ++b) {
        nibble += {static_cast<char>(0x30 + (b >> 4)), static_cast<char>(0x30 + (b & 15))};
        char three[4];
        std::snprintf(three, sizeof three, "%03d", b);
        decimal += three;
    }
    msr.SetNumber(11, 1);
    EXPECT_EQ(msr.Text(1007014), nibble);
    EXPECT_EQ(msr.Text(1007014).substr(0, 2), "00");
    EXPECT_EQ(msr.Text(1007014).substr(510), "??");
    msr.SetNumber(11, 2);
    EXPECT_EQ(msr.Text(1007014), decimal);
    msr.SetNumber(11, 0);
    const std::u16string raw = msr.Wide(1007014);
    ASSERT_EQ(raw.size(), 256u);
    std::string back(256, '\0');
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, raw.data(), 256, back.data(), 256, nullptr, nullptr),
              256);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(static_cast<uint8_t>(back[b]), b) << "byte " << b << " through the code page";
    EXPECT_EQ(msr.Number(6), 0);
}

TEST_F(MsrCard, TracksOfZeroAndTenThousandCharacters) {
    msr.SetNumber(7003, 15);
    Enable();
    const std::u16string track1(10000, u'A');
    const std::u16string track4(10000, u'\xFF');
    Swipe({track1, u"", u"", track4});
    ASSERT_TRUE(msr.control->WaitFor(1, "SOData"));
    const struct {
        int32_t conversion;
        size_t perByte;
    } forms[] = {{0, 1}, {1, 2}, {2, 3}};
    for (const auto& f : forms) {
        msr.SetNumber(11, f.conversion);
        EXPECT_EQ(msr.Wide(1007009).size(), 10000 * f.perByte) << f.conversion;
        EXPECT_EQ(msr.Wide(1007014).size(), 10000 * f.perByte) << f.conversion;
        EXPECT_EQ(msr.Wide(1007011), u"") << "an empty track is empty in every form";
        EXPECT_EQ(msr.Wide(1007013), u"");
    }
    EXPECT_EQ(msr.Number(6), 0);
}

// What the simulated reader cannot read never becomes data: no event, and the next card reads.
TEST_F(MsrCard, NonAsciiOnTheIsoTracksIsRefusedAndTheNextCardReads) {
    Enable();
    for (const char* swipe : {"swipe M1 1=\xC3\xA9", "swipe M1 2=\xC3\xBF", "swipe M1 3=\xC3\x80"}) {
        SCOPED_TRACE(swipe);
        EXPECT_EQ(Sim(swipe).substr(0, 4), "ERR ");
    }
    ASSERT_EQ(Sim("swipe M1 2=;4111111111111111=2812?"), "OK");
    ASSERT_TRUE(msr.control->WaitFor(1, "SOData"));
    EXPECT_EQ(msr.control->Count(), 1u);
    EXPECT_EQ(msr.Text(1007011), "4111111111111111=2812");
}

TEST_F(MsrCard, BadTrackGivesTheTrackCodesAndTheGoodTracks) {
    msr.SetNumber(7004, 1);  // ErrorReportingType: per track
    Enable();
    ASSERT_EQ(Sim("swipe M1 1=%B4111111111111111^PUBLIC/JOHN^2812? 2=;4111111111111111=2812? "
                  "fail2=parity"),
              "OK");
    ASSERT_TRUE(msr.control->WaitFor(1, "SOError"));
    const ControlCall error = msr.control->Calls().front();
    EXPECT_EQ(error.a, 114) << "OPOS_E_EXTENDED";
    EXPECT_EQ(error.b, 203 << 8) << "EMSR parity on track 2, track 1 good";
    EXPECT_EQ(msr.Text(1007009), "B4111111111111111^PUBLIC/JOHN^2812");
    EXPECT_EQ(msr.Text(1007011), "");
}

TEST_F(MsrCard, ACardWithoutAnyTrackIsAnError) {
    Enable();
    ASSERT_EQ(Sim("swipe M1 3="), "OK");
    ASSERT_TRUE(msr.control->WaitFor(1, "SOError"));
    EXPECT_EQ(msr.control->Calls().front().a, 111);
    EXPECT_EQ(msr.control->Count("SOData"), 0u);
}

// ---------------------------------------------------------------- members unlike the PIN pad

TEST_F(MsrCard, SetPropertyStringIsIgnoredAndStatisticsAreRecorded) {
    msr.SetNumber(424242, 0);
    ASSERT_EQ(msr.Number(6), 106);
    for (int32_t index : {-1, 0, 1007001, 1007009, 2000000}) {
        EXPECT_EQ(msr.so.Call(SetPropertyString, nullptr, index, "4111111111111111"), S_OK);
        EXPECT_EQ(msr.Number(6), 106) << index;
    }
    EXPECT_EQ(msr.Text(1007001), "") << "nothing reached Java";
    EXPECT_EQ(msr.control->Count(), 0u);

    EXPECT_NE(msr.Number(501), 0) << "CapPowerReporting is served";
    ASSERT_EQ(Sim("fail M1 resetStatistics 111 once").substr(0, 2), "OK");
    int32_t rc = -1;
    ASSERT_EQ(msr.so.Call(ResetStatistics, &rc, ""), S_OK);
    EXPECT_EQ(rc, 111);
    EXPECT_EQ(msr.Number(6), 111) << "the statistics methods record their result";
    ASSERT_EQ(msr.so.Call(UpdateStatistics, &rc, ""), S_OK);
    EXPECT_EQ(msr.Number(6), rc);
}

// Indexes from -1 to 2,000,000 outside the tables (each one up to 20,000 and around the string
// blocks, every 331st beyond): 0, 106 and the fixed text, and nothing reaches the control.
TEST_F(MsrCard, PropertyIndexesOutsideTheTablesHaveFixedAnswers) {
    const std::set<int32_t> numbers = {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 501, 801,
                                       802, 901, 902, 7001, 7002, 7003, 7004, 7005, 7501, 7502,
                                       7503, 7504};
    const std::set<int32_t> settable = {2, 3, 4, 10, 11, 13, 7001, 7002, 7003, 7004, 7005};
    std::vector<int32_t> indexes;
    for (int32_t i = -1; i <= 20000; ++i) indexes.push_back(i);
    for (int32_t i = 20001; i <= 2000000; i += 331) indexes.push_back(i);
    for (int32_t i = 1000000; i <= 1007100; ++i) indexes.push_back(i);
    indexes.push_back(2000000);
    size_t checked = 0;
    for (int32_t i : indexes) {
        const bool isString = (i >= 1000001 && i <= 1000004) || (i >= 1007001 && i <= 1007014);
        if (!numbers.count(i)) {
            ASSERT_EQ(msr.Number(i), 0) << i;
        }
        if (!settable.count(i)) {
            msr.SetNumber(i, 1);
            ASSERT_EQ(msr.Number(6), 106) << i;
        }
        if (!isString) {
            ASSERT_EQ(msr.Text(i), "[Error: Automation?]") << i;
            ++checked;
        }
    }
    EXPECT_GT(checked, 25000u);
    EXPECT_EQ(msr.control->Count(), 0u) << "no property error reached the control";
}

// ---------------------------------------------------------------- the trace

TEST_F(MsrCard, TraceShowsNoCardholderDataInClear) {
    Enable();
    ASSERT_EQ(Sim("swipe M1 \"1=%B4111111111111111^PUBLIC/JOHN Q.MR^2812101123400000?\" "
                  "2=;4111111111111111=28121011234?"),
              "OK");
    ASSERT_TRUE(msr.control->WaitFor(1, "SOData"));
    for (int32_t i = 1007001; i <= 1007014; ++i) msr.Wide(i);
    msr.SetNumber(11, 1);
    for (int32_t i = 1007009; i <= 1007014; ++i) msr.Wide(i);
    msr.Call(Close);
    struct stat st {};
    ASSERT_EQ(::stat(TracePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    const std::string text = ReadFile(TracePath());
    const Trace trace = msr.Finish();
    ASSERT_EQ(trace.error, "");
    EXPECT_TRUE(trace.Has("Get String: getAccountNumber property is 411111******1111"));
    EXPECT_TRUE(trace.Has("Get String: getSurname property is ******"));
    for (const char* clear : {"4111111111", "1111111111", "PUBLIC", "JOHN", "2812", "101123",
                              "=2812", "^", "34313131"})
        EXPECT_EQ(text.find(clear), std::string::npos) << clear;
}

}  // namespace
}  // namespace orv::so::test
