// The service object's driver on its control: DISPID lookup by callback list, the SO* calls
// with by-reference parameters, release, and calls racing an attach and a release.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/com_ptr.h"
#include "so_core/co_dispatch_driver.h"
#include "test_control.h"

namespace orv::so {
namespace {

using test::RecordingControl;

constexpr const char* kPinCallbacks[] = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate"};
constexpr const char* kDisplayCallbacks[] = {"SODirectIO", "SOStatusUpdate"};

TEST(CoDispatchDriver, CallsReachTheControlWithTheirArguments) {
    auto* control = RecordingControl::Create();
    CoDispatchDriver driver(kPinCallbacks);
    ASSERT_TRUE(driver.AttachAndLookUp(control));
    EXPECT_EQ(control->References(), 1u) << "the pointer is borrowed";
    EXPECT_EQ(driver.SOData(7), S_OK);
    control->WriteBackErrorResponse(11);
    int32_t response = 12;
    EXPECT_EQ(driver.SOError(111, 2, 1, &response), S_OK);
    EXPECT_EQ(response, 11) << "the control writes through the reference";
    EXPECT_EQ(driver.SOStatusUpdate(5), S_OK);
    control->WriteBackDirectIO(9, "new");
    int32_t data = 3;
    BSTR text = BstrFromAnsi("AB");
    EXPECT_EQ(driver.SODirectIO(4, &data, &text), S_OK);
    EXPECT_EQ(data, 9);
    EXPECT_EQ(AnsiFromBstr(text), "new");
    SysFreeString(text);
    EXPECT_EQ(driver.SOOutputComplete(1), S_FALSE) << "not in the PIN pad's list";
    const auto calls = control->Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, "SOData");
    EXPECT_EQ(calls[0].a, 7);
    EXPECT_EQ(std::vector<int32_t>({calls[1].a, calls[1].b, calls[1].c, calls[1].d}),
              std::vector<int32_t>({111, 2, 1, 12}));
    EXPECT_EQ(calls[3].text, "AB");
    driver.ReleaseDispatch();
    EXPECT_EQ(driver.SOData(1), S_FALSE);
    EXPECT_EQ(control->Count(), 4u);
    control->Release();
}

TEST(CoDispatchDriver, AControlLackingANameOfTheListIsRefused) {
    auto* lacking = test::ControlWithoutStatusUpdate::Create();
    CoDispatchDriver driver(kPinCallbacks);
    EXPECT_FALSE(driver.AttachAndLookUp(lacking));
    EXPECT_FALSE(driver.IsAttached());
    EXPECT_FALSE(driver.AttachAndLookUp(nullptr));
    CoDispatchDriver display(kDisplayCallbacks);
    EXPECT_FALSE(display.AttachAndLookUp(lacking)) << "the line display needs SOStatusUpdate too";
    lacking->Release();
}

TEST(CoDispatchDriver, AClassListWithoutACallbackNeverSendsIt) {
    auto* control = RecordingControl::Create();
    CoDispatchDriver display(kDisplayCallbacks);
    ASSERT_TRUE(display.AttachAndLookUp(control));
    EXPECT_FALSE(display.Has(Callback::Data));
    EXPECT_TRUE(display.Has(Callback::DirectIO));
    EXPECT_EQ(display.SOData(1), S_FALSE);
    int32_t r = 0;
    EXPECT_EQ(display.SOError(1, 0, 0, &r), S_FALSE);
    EXPECT_EQ(display.SOStatusUpdate(2), S_OK);
    EXPECT_EQ(control->Count(), 1u);
    control->Release();
}

TEST(CoDispatchDriver, CallsRacingAttachAndReleaseStaySafe) {
    auto* control = RecordingControl::Create();
    CoDispatchDriver driver(kPinCallbacks);
    std::atomic<bool> stop{false};
    std::thread events([&] {
        while (!stop) driver.SOData(1);
    });
    for (int i = 0; i < 2000; ++i) {
        driver.AttachAndLookUp(control);
        driver.ReleaseDispatch();
    }
    stop = true;
    events.join();
    control->Release();
}

}  // namespace
}  // namespace orv::so
