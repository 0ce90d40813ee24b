// The signature capture service object when java.awt.Point has no int fields x and y (a class
// patched into java.desktop for this program): PointArray stops at the missing field, answers
// empty and reports the failure once; TotalPoints, which reads no field, still counts.
#include <algorithm>

#include "sig_test_main.h"

namespace orv::so::test {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SigInstallEnvironment);

using SigNoX = OpenSig;

TEST_F(SigNoX, MissingPointFieldStopsTheReadWithOneError) {
    JNIEnv* env = Env();
    const jint xy[] = {1, 2, 3, 4};
    jintArray a = env->NewIntArray(4);
    env->SetIntArrayRegion(a, 0, 4, xy);
    CallStaticVoid("jpos/SignatureCapture", "setPoints", "([I)V", a);
    env->DeleteLocalRef(a);
    EXPECT_EQ(Number(sig::kTotalPoints), 2);
    for (int32_t conversion : {0, 1}) {
        control->Clear();
        EXPECT_EQ(so.Call(sig::SetPropertyNumber, nullptr, PIDX_BinaryConversion, conversion), S_OK);
        UniqueBstr text = String(sig::kPointArray);
        EXPECT_EQ(SysStringLen(text.Get()), 0u);
        ASSERT_EQ(control->Count("SOError"), 1u);
        EXPECT_EQ(control->Calls()[0].a, OPOS_E_FAILURE);
    }
    const Trace trace = CloseAndReadTrace();
    const auto found = std::find_if(trace.lines.begin(), trace.lines.end(), [](const std::string& l) {
        return l.find("java.lang.NoSuchFieldError") != std::string::npos;
    });
    EXPECT_NE(found, trace.lines.end()) << "the exception's text is in the trace";
}

}  // namespace
}  // namespace orv::so::test
