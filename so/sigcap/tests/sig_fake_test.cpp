// The signature capture service object against a scripted jpos.SignatureCapture: the point
// format in every BinaryConversion, point arrays of every size and the faulty ones (null array,
// null element, a getter that throws), RawData through the code page, the class's table rules
// and its capture methods, with -Xcheck:jni watching the JNI use.
#include <algorithm>
#include <vector>

#include "point_array.h"
#include "sig_test_main.h"

namespace orv::so::test {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SigInstallEnvironment);

constexpr const char* kFake = "jpos/SignatureCapture";

void SetPoints(const std::vector<int32_t>* xy) {
    JNIEnv* env = Env();
    jintArray a = nullptr;
    if (xy) {
        a = env->NewIntArray(static_cast<jsize>(xy->size()));
        env->SetIntArrayRegion(a, 0, static_cast<jsize>(xy->size()), xy->data());
    }
    CallStaticVoid(kFake, "setPoints", "([I)V", a);
    if (a) env->DeleteLocalRef(a);
}
void SetPoints(const std::vector<int32_t>& xy) { SetPoints(&xy); }

void SetRawData(const std::vector<uint8_t>& bytes) {
    JNIEnv* env = Env();
    jbyteArray a = env->NewByteArray(static_cast<jsize>(bytes.size()));
    env->SetByteArrayRegion(a, 0, static_cast<jsize>(bytes.size()),
                            reinterpret_cast<const jbyte*>(bytes.data()));
    CallStaticVoid(kFake, "setRawData", "([B)V", a);
    env->DeleteLocalRef(a);
}

class SigFake : public OpenSig {
protected:
    void SetUp() override {
        OpenSig::SetUp();
        CallStaticVoid(kFake, "failPoints", "(I)V", 0);
        SetPoints({});
    }
    std::vector<uint8_t> PointBytesAt(int32_t conversion) {
        SetNumber(PIDX_BinaryConversion, conversion);
        UniqueBstr text = String(sig::kPointArray);
        auto bytes = sigcap::PointBytes(text.Get(), conversion);
        EXPECT_TRUE(bytes.has_value());
        return bytes.value_or(std::vector<uint8_t>{});
    }
};

TEST_F(SigFake, PointsArePackedLittleEndianInTheirLow16BitsInEveryConversion) {
    SetPoints({10, 20, 300, 5, -1, 0, 65535, 65536, 70000, -70000});
    const std::vector<uint8_t> expected = {0x0A, 0x00, 0x14, 0x00, 0x2C, 0x01, 0x05, 0x00,
                                           0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00,
                                           0x70, 0x11, 0x90, 0xEE};
    for (int32_t conversion : {0, 1, 2}) {
        EXPECT_EQ(PointBytesAt(conversion), expected) << "BinaryConversion " << conversion;
    }
    SetNumber(PIDX_BinaryConversion, 1);
    UniqueBstr nibbles = String(sig::kPointArray);
    EXPECT_EQ(AnsiFromBstr(nibbles.Get()).substr(0, 16), "0:0014002<010500");
    EXPECT_EQ(Number(sig::kTotalPoints), 5);
    EXPECT_EQ(control->Count("SOError"), 0u);
    EXPECT_EQ(Number(PIDX_ResultCode), 0);
}

TEST_F(SigFake, ArraysOfEverySizeAndANullArray) {
    struct Case {
        const char* what;
        int32_t points;  // -1: Java answers null
    };
    for (const Case& c : {Case{"empty", 0}, Case{"one point", 1}, Case{"100,000 points", 100000},
                          Case{"null array", -1}}) {
        std::vector<int32_t> xy;
        for (int32_t i = 0; i < c.points; ++i) {
            xy.push_back(i % 320);
            xy.push_back(i % 240);
        }
        SetPoints(c.points < 0 ? nullptr : &xy);
        const int32_t n = std::max(c.points, 0);
        EXPECT_EQ(Number(sig::kTotalPoints), n) << c.what;
        SetNumber(PIDX_BinaryConversion, 1);
        UniqueBstr text = String(sig::kPointArray);
        ASSERT_EQ(SysStringLen(text.Get()), static_cast<UINT>(8 * n)) << c.what;
        auto points = sigcap::DecodePointArray(text.Get(), 1);
        ASSERT_TRUE(points) << c.what;
        for (int32_t i = 0; i < n; i += 997)
            ASSERT_EQ((*points)[i], (sigcap::SigPoint{uint16_t(i % 320), uint16_t(i % 240)}))
                << c.what << " point " << i;
        EXPECT_EQ(control->Count("SOError"), 0u) << c.what;
    }
}

// Each fault: an empty answer, one SOError with the fault's code, ResultCode holding it, and the
// next property that makes no Java call reports nothing stale.
TEST_F(SigFake, FaultyPointArraysGiveAnEmptyAnswerAndOneError) {
    struct Case {
        const char* what;
        int failCode;  // getPointArray throws JposException(failCode)
        int nullAt;    // this element is null
        int32_t expectedCode;
        int32_t expectedTotal;
    };
    const Case cases[] = {
        {"null first element", 0, 0, OPOS_E_FAILURE, 3},
        {"null last element", 0, 2, OPOS_E_FAILURE, 3},
        {"getter throws 106", OPOS_E_ILLEGAL, -1, OPOS_E_ILLEGAL, 0},
    };
    for (const Case& c : cases) {
        SetPoints({1, 2, 3, 4, 5, 6});
        if (c.nullAt >= 0) CallStaticVoid(kFake, "clearPoint", "(I)V", c.nullAt);
        CallStaticVoid(kFake, "failPoints", "(I)V", c.failCode);
        control->Clear();
        for (int32_t conversion : {0, 1, 2}) {
            SetNumber(PIDX_BinaryConversion, conversion);
            UniqueBstr text = String(sig::kPointArray);
            EXPECT_EQ(SysStringLen(text.Get()), 0u) << c.what;
            EXPECT_EQ(Number(PIDX_ResultCode), c.expectedCode) << c.what;
        }
        const auto calls = control->Calls();
        ASSERT_EQ(calls.size(), 3u) << c.what << ": one SOError per read";
        for (const ControlCall& call : calls) {
            EXPECT_EQ(call.kind, "SOError");
            EXPECT_EQ(call.a, c.expectedCode) << c.what;
            EXPECT_EQ(call.c, 0) << "locus";
        }
        control->Clear();
        EXPECT_EQ(Number(sig::kTotalPoints), c.expectedTotal) << c.what;
        EXPECT_EQ(control->Count("SOError"), c.failCode ? 1u : 0u) << c.what;
        control->Clear();
        Number(PIDX_ResultCodeExtended);
        EXPECT_EQ(control->Count("SOError"), 0u) << c.what << ": nothing stale";
        CallStaticVoid(kFake, "failPoints", "(I)V", 0);
    }
}

TEST_F(SigFake, RawDataGoesThroughTheCodePageWhateverBinaryConversionHolds) {
    SetRawData({0x41, 0x00, 0x80, 0xFF});
    for (int32_t conversion : {0, 1, 2}) {
        SetNumber(PIDX_BinaryConversion, conversion);
        UniqueBstr text = String(sig::kRawData);
        ASSERT_EQ(SysStringLen(text.Get()), 4u) << conversion;
        EXPECT_EQ(text.Get()[0], u'A');
        EXPECT_EQ(text.Get()[1], 0);
        EXPECT_EQ(text.Get()[2], 0x20AC) << "0x80 is the euro sign in the ANSI code page";
        EXPECT_EQ(text.Get()[3], 0x00FF);
    }
    SetRawData({});
    EXPECT_EQ(SysStringLen(String(sig::kRawData).Get()), 0u);
    EXPECT_EQ(control->Count("SOError"), 0u);
}

TEST_F(SigFake, UnknownIndexesEchoOrAreIgnoredAndSetPropertyStringDoesNothing) {
    EXPECT_EQ(Number(5), 5) << "OutputID is not served: the index comes back";
    EXPECT_EQ(Number(12345), 12345);
    EXPECT_EQ(Number(11001), 320) << "MaximumX from Java";
    ASSERT_EQ(Call(sig::BeginCapture, "F"), 0);
    SetNumber(12, 1);  // DataCount cannot be set: nothing is called, nothing recorded
    SetNumber(99999, 1);
    EXPECT_EQ(Number(PIDX_ResultCode), 0);
    EXPECT_EQ(so.Call(sig::SetPropertyString, nullptr, 1000002, 7), S_OK);
    EXPECT_EQ(AnsiFromBstr(String(4242).Get()), "[Error: Automation?]");
    EXPECT_EQ(control->Count(), 0u);
}

TEST_F(SigFake, FormNamesOfAnyLengthReachJavaAndTheTraceHasTheClassLines) {
    for (size_t length : {size_t{0}, size_t{5}, size_t{100000}}) {
        const std::string form = length == 5 ? "Form1" : std::string(length, 'f');
        ASSERT_EQ(Call(sig::BeginCapture, form.c_str()), 0) << length;
        EXPECT_EQ(CallStaticString(kFake, "lastForm", "()Ljava/lang/String;"), form);
    }
    EXPECT_EQ(Call(sig::EndCapture), 0);
    const Trace trace = CloseAndReadTrace();
    EXPECT_TRUE(trace.Has("End OpenService"));
    EXPECT_EQ(trace.Count("BeginCapture"), 3u);
    EXPECT_EQ(trace.Count("End of BeginCapture"), 3u);
    EXPECT_TRUE(trace.Has("EndCapture"));
    EXPECT_TRUE(trace.Has("End of EndCapture"));
}

TEST_F(SigFake, LargeReadsLeaveNoLocalReferencesBehind) {
    std::vector<int32_t> xy(2 * 100000, 7);
    SetPoints(xy);
    StdoutCapture capture((Install().Root() / "stdout.txt").string());
    for (int i = 0; i < 3; ++i) {
        SetNumber(PIDX_BinaryConversion, i);
        EXPECT_GT(SysStringLen(String(sig::kPointArray).Get()), 0u);
        EXPECT_EQ(Number(sig::kTotalPoints), 100000);
        EXPECT_EQ(SysStringLen(String(sig::kRawData).Get()), 0u);
    }
    const std::string out = capture.Stop();
    EXPECT_EQ(out.find("WARNING"), std::string::npos) << out.substr(0, 2000);
}

TEST(SigRegistration, UnregisterRemovesTheClassAndCanRunTwice) {
    const std::string regsvr = RegsvrTool().string();
    const std::string lib = SigcapLibrary().string();
    ASSERT_EQ(RunCommand(regsvr + " /s /u " + lib), 0);
    CLSID clsid{};
    UniqueBstr progId(BstrFromAnsi("ORVSig.so"));
    EXPECT_NE(CLSIDFromProgID(progId.Get(), &clsid), S_OK);
    EXPECT_EQ(RunCommand(regsvr + " /s /u " + lib), 0);
    ASSERT_EQ(RunCommand(regsvr + " /s " + lib), 0);
    ASSERT_EQ(CLSIDFromProgID(progId.Get(), &clsid), S_OK);
    constexpr CLSID kSigClsid =
        GUID_INIT(0x37B02240, 0x35B7, 0x11D1, 0x8B, 0x2F, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57);
    EXPECT_TRUE(clsid == kSigClsid);
}

}  // namespace
}  // namespace orv::so::test
