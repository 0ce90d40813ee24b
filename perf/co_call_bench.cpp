// A call through the PIN pad control (application -> control -> service object -> Java -> back),
// and the control's share of it. The control's own cost does not depend on the service object
// behind it, so it is measured as the difference between a call through the control to a
// service object that does almost nothing (the fake one) and the same call made on that service
// object directly; the share is that difference over the whole call to the real service object.
// Target: at most 20%.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "co_bench_env.h"
#include "fake_service_object.h"
#include "host/apartment.h"
#include "host/control.h"
#include "platform/dispatch_driver.h"

namespace {

using orv::co::test::FakeServiceObject;
using orv::co::test::FakeSoConfig;

// DISPIDs: the control's State and DeviceName, the service object's property calls.
constexpr DISPID kControlState = 14;
constexpr DISPID kControlDeviceName = 18;
constexpr DISPID kSoGetPropertyNumber = 13;
constexpr DISPID kSoGetPropertyString = 14;
constexpr int32_t kPidxState = 9;
constexpr int32_t kPidxDeviceName = 1000003;

struct Session {
    orv::host::ComApartment com;
    orv::host::Control real;  // on "P1": the PIN pad service object, Java, the simulator
    orv::host::Control fake;  // on "FAKE": the fake service object
    orv::DispatchDriver fakeAlone;
};
Session* g_session = nullptr;

struct Figures {
    double stateReal = 0, stateFake = 0, stateFakeAlone = 0;
    double nameReal = 0, nameFake = 0, nameFakeAlone = 0;
} g_figures;

template <class Call>
void Measure(benchmark::State& state, Call call, double* nsPerCall) {
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (FAILED(call())) {
            state.SkipWithError("call failed");
            return;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    *nsPerCall = seconds * 1e9 / static_cast<double>(state.iterations());
}

HRESULT State(IDispatch* control) {
    int32_t value = 0;
    return orv::DispatchDriver(control, false).Get(kControlState, &value);
}

HRESULT DeviceName(IDispatch* control) {
    BSTR name = nullptr;
    const HRESULT hr = orv::DispatchDriver(control, false).Get(kControlDeviceName, &name);
    SysFreeString(name);
    return hr;
}

void BM_StateThroughControlToJava(benchmark::State& state) {
    Measure(
        state, [] { return State(g_session->real.Dispatch()); }, &g_figures.stateReal);
}
BENCHMARK(BM_StateThroughControlToJava)->UseRealTime();

void BM_StateThroughControlToFake(benchmark::State& state) {
    Measure(
        state, [] { return State(g_session->fake.Dispatch()); }, &g_figures.stateFake);
}
BENCHMARK(BM_StateThroughControlToFake)->UseRealTime();

void BM_StateOnFakeAlone(benchmark::State& state) {
    int32_t value = 0;
    Measure(
        state, [&] { return g_session->fakeAlone.Call(kSoGetPropertyNumber, &value, kPidxState); },
        &g_figures.stateFakeAlone);
}
BENCHMARK(BM_StateOnFakeAlone)->UseRealTime();

void BM_DeviceNameThroughControlToJava(benchmark::State& state) {
    Measure(
        state, [] { return DeviceName(g_session->real.Dispatch()); }, &g_figures.nameReal);
}
BENCHMARK(BM_DeviceNameThroughControlToJava)->UseRealTime();

void BM_DeviceNameThroughControlToFake(benchmark::State& state) {
    Measure(
        state, [] { return DeviceName(g_session->fake.Dispatch()); }, &g_figures.nameFake);
}
BENCHMARK(BM_DeviceNameThroughControlToFake)->UseRealTime();

void BM_DeviceNameOnFakeAlone(benchmark::State& state) {
    Measure(
        state,
        [] {
            BSTR name = nullptr;
            const HRESULT hr =
                g_session->fakeAlone.Call(kSoGetPropertyString, &name, kPidxDeviceName);
            SysFreeString(name);
            return hr;
        },
        &g_figures.nameFakeAlone);
}
BENCHMARK(BM_DeviceNameOnFakeAlone)->UseRealTime();

void Share(const char* what, double real, double fake, double fakeAlone) {
    if (real <= 0 || fake <= 0 || fakeAlone <= 0) return;
    const double control = fake - fakeAlone;
    std::printf(
        "%-10s call to Java %8.0f ns; control's own cost %6.0f ns (%6.0f via control - %6.0f "
        "alone):"
        " share %4.1f%% (target <= 20%%)\n",
        what, real, control, fake, fakeAlone, 100.0 * control / real);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!orv::perf::SetUpControlInstallation()) return 1;
    FakeSoConfig quiet;
    quiet.recordCalls = false;
    FakeServiceObject::Configure(quiet);
    int rc = 0;
    {
        Session session;
        g_session = &session;
        int32_t real = -1, fake = -1;
        if (!session.com || FAILED(session.real.Create("OPOS.PINPad")) ||
            FAILED(session.real.Call("Open", &real, "P1")) || real != 0 ||
            FAILED(session.fake.Create("OPOS.PINPad")) ||
            FAILED(session.fake.Call("Open", &fake, "FAKE")) || fake != 0 ||
            FAILED(session.fakeAlone.CreateDispatch(orv::co::test::kFakeSoProgId))) {
            std::fprintf(stderr, "cannot open the PIN pad controls (P1 %d, FAKE %d)\n", real, fake);
            rc = 1;
        } else {
            benchmark::RunSpecifiedBenchmarks();
        }
        g_session = nullptr;
    }
    benchmark::Shutdown();
    orv::perf::RemoveControlInstallation();
    std::printf("\n");
    const Figures& f = g_figures;
    Share("State", f.stateReal, f.stateFake, f.stateFakeAlone);
    Share("DeviceName", f.nameReal, f.nameFake, f.nameFakeAlone);
    return rc;
}
