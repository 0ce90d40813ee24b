// The signature capture service object against a jpos.SignatureCapture without its methods:
// the capture methods fail with 111, TotalPoints answers 0 without an error (and leaves none
// pending), PointArray and RawData answer empty and report the failure once.
#include "sig_test_main.h"

namespace orv::so::test {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SigInstallEnvironment);

using SigBare = OpenSig;

TEST_F(SigBare, MissingCaptureMethodsFailWith111) {
    EXPECT_EQ(Call(sig::BeginCapture, "Form1"), OPOS_E_FAILURE);
    EXPECT_EQ(Number(PIDX_ResultCode), OPOS_E_FAILURE);
    EXPECT_EQ(Call(sig::ClearInput), 12) << "the core's ClearInput answer for a missing method";
    EXPECT_EQ(Call(sig::EndCapture), OPOS_E_FAILURE);
    EXPECT_EQ(control->Count(), 0u);
    const Trace trace = CloseAndReadTrace();
    EXPECT_TRUE(trace.Has("Failed to get Method ID for beginCapture"));
    EXPECT_TRUE(trace.Has("Failed to get Method ID for endCapture"));
    EXPECT_FALSE(trace.Has("End of BeginCapture"));
}

TEST_F(SigBare, TotalPointsLeavesNoStaleErrorBehind) {
    EXPECT_EQ(Number(sig::kTotalPoints), 0);
    EXPECT_EQ(control->Count(), 0u);
    // Properties that make no Java call: nothing pending may surface here.
    for (int32_t index : {PIDX_ResultCode, PIDX_ResultCodeExtended, PIDX_BinaryConversion, 5})
        Number(index);
    EXPECT_EQ(control->Count(), 0u);
    EXPECT_EQ(Number(PIDX_ResultCode), 0);
}

TEST_F(SigBare, PointArrayAndRawDataAnswerEmptyAndReportOnce) {
    for (int32_t index : {sig::kPointArray, sig::kRawData}) {
        control->Clear();
        UniqueBstr text = String(index);
        EXPECT_EQ(SysStringLen(text.Get()), 0u) << index;
        ASSERT_EQ(control->Count("SOError"), 1u) << index;
        EXPECT_EQ(control->Calls()[0].a, OPOS_E_FAILURE);
        EXPECT_EQ(Number(PIDX_ResultCode), OPOS_E_FAILURE);
        EXPECT_EQ(control->Count("SOError"), 1u) << "nothing left pending";
    }
    const Trace trace = CloseAndReadTrace();
    EXPECT_TRUE(trace.Has("Failed to get Method ID for getPointArray"));
    EXPECT_TRUE(trace.Has("Failed to get Method ID for getRawData"));
}

}  // namespace
}  // namespace orv::so::test
