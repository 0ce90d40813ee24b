// DisplayText of a 20-character line through the line display control (application -> control
// -> service object -> Java -> the simulated display), and where the time goes:
//   full     the call through the control (device L1)
//   SO       the same call made on a line display service object directly (device L2)
//   Java     the work the call cannot do without, made from C++ on a Java control (device L3):
//            look up displayText, make the Java string, call it, check for an exception
// The control's share is (full - SO) / full (target, as for the PIN pad: at most 20%); our
// service object's is (SO - Java) / full; our layers' together (full - Java) / full.
// The three run alternately in batches within one benchmark, so drift hits them alike, timed
// on the calling thread's CPU clock, median batch (the benchmark's own Time column is wall
// time). Each
// service object writes its trace in a folder of its own (one live trace per file).
#include <benchmark/benchmark.h>
#include <jni.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "co_bench_env.h"
#include "host/apartment.h"
#include "host/control.h"
#include "platform/com_register.h"
#include "platform/dispatch_driver.h"
#include "test_control.h"

namespace {

// DISPIDs: the control's DisplayText, the service object's OpenService, Claim,
// SetPropertyNumber and DisplayText.
constexpr DISPID kControlDisplayText = 78;
constexpr DISPID kSoOpenService = 4;
constexpr DISPID kSoClaim = 6;
constexpr DISPID kSoSetPropertyNumber = 2;
constexpr DISPID kSoDisplayText = 11;
constexpr int32_t kPidxDeviceEnabled = 3;
constexpr char kLine[] = "ORVANE ZR88XX 12.50 ";  // 20 characters

JNIEnv* Env() {
    JavaVM* vm = nullptr;
    jsize count = 0;
    if (JNI_GetCreatedJavaVMs(&vm, 1, &count) != JNI_OK || count < 1) return nullptr;
    void* env = nullptr;
    if (vm->GetEnv(&env, JNI_VERSION_1_4) != JNI_OK) return nullptr;
    return static_cast<JNIEnv*>(env);
}

struct Session {
    orv::host::ComApartment com;
    orv::host::Control control;  // L1
    orv::DispatchDriver so;      // L2
    orv::so::test::RecordingControl* soControl = orv::so::test::RecordingControl::Create();
    JNIEnv* env = nullptr;
    jclass javaClass = nullptr;  // global
    jobject java = nullptr;      // global, L3
    BSTR line = SysAllocStringLen(nullptr, 0);

    ~Session() {
        if (env && java) {
            jmethodID close = env->GetMethodID(javaClass, "close", "()V");
            if (close) env->CallVoidMethod(java, close);
            env->ExceptionClear();
            env->DeleteGlobalRef(java);
            env->DeleteGlobalRef(javaClass);
        }
        int32_t rc = 0;
        if (so.Dispatch()) so.Call(5 /* Close */, &rc);
        so.ReleaseDispatch();
        control.Call("Close", &rc);
        soControl->Release();
        SysFreeString(line);
    }

    bool Open() {
        SysFreeString(line);
        line = orv::BstrFromAnsi(kLine);
        int32_t rc = -1;
        if (!com || FAILED(control.Create("DisplayControl.DisplayControlCtrl.1")) ||
            FAILED(control.Call("Open", &rc, "L1")) || rc != 0 ||
            FAILED(control.Call("ClaimDevice", &rc, 1000)) || rc != 0 ||
            FAILED(control.Put("DeviceEnabled", orv::DispArg::Bool(true))))
            return Fail("the control on L1");
        const std::string log2 = orv::perf::InstallationFolder() + "/log2/";
        std::filesystem::create_directories(log2);
        if (orv::RegWriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane",
                                "Logpath", log2) != ERROR_SUCCESS ||
            FAILED(so.CreateDispatch("ORVLine.so")) ||
            FAILED(so.Call(kSoOpenService, &rc, "LineDisplay", "L2",
                           static_cast<IDispatch*>(soControl))) ||
            rc != 0 || FAILED(so.Call(kSoClaim, &rc, 1000)) || rc != 0 ||
            FAILED(so.Call(kSoSetPropertyNumber, nullptr, kPidxDeviceEnabled, 1)))
            return Fail("the service object on L2");
        env = Env();
        if (!env) return Fail("the JVM");
        jclass cls = env->FindClass("jpos/LineDisplay");
        if (!cls) return Fail("jpos.LineDisplay");
        javaClass = static_cast<jclass>(env->NewGlobalRef(cls));
        env->DeleteLocalRef(cls);
        jobject local = env->NewObject(javaClass, env->GetMethodID(javaClass, "<init>", "()V"));
        java = env->NewGlobalRef(local);
        env->DeleteLocalRef(local);
        jstring name = env->NewStringUTF("L3");
        env->CallVoidMethod(java, env->GetMethodID(javaClass, "open", "(Ljava/lang/String;)V"),
                            name);
        env->DeleteLocalRef(name);
        env->CallVoidMethod(java, env->GetMethodID(javaClass, "claim", "(I)V"), 1000);
        env->CallVoidMethod(java, env->GetMethodID(javaClass, "setDeviceEnabled", "(Z)V"),
                            JNI_TRUE);
        if (env->ExceptionCheck()) {
            env->ExceptionDescribe();
            env->ExceptionClear();
            return Fail("the Java control on L3");
        }
        return true;
    }
    static bool Fail(const char* what) {
        std::fprintf(stderr, "cannot open %s\n", what);
        return false;
    }

    HRESULT ThroughControl() {
        int32_t rc = -1;
        const HRESULT hr =
            orv::DispatchDriver(control.Dispatch(), false).Call(kControlDisplayText, &rc, line, 0);
        return FAILED(hr) ? hr : rc == 0 ? S_OK : E_FAIL;
    }
    HRESULT OnServiceObject() {
        int32_t rc = -1;
        const HRESULT hr = so.Call(kSoDisplayText, &rc, line, 0);
        return FAILED(hr) ? hr : rc == 0 ? S_OK : E_FAIL;
    }
    HRESULT JavaAlone() {
        const jmethodID m = env->GetMethodID(javaClass, "displayText", "(Ljava/lang/String;I)V");
        jstring text = env->NewStringUTF(kLine);
        env->CallVoidMethod(java, m, text, 0);
        env->DeleteLocalRef(text);
        if (env->ExceptionCheck()) {
            env->ExceptionClear();
            return E_FAIL;
        }
        return S_OK;
    }
};
Session* g_session = nullptr;

struct Figures {
    double full = 0, so = 0, java = 0;
} g_figures;

// Time on this thread's CPU: every layer, Java included, runs on the calling thread, and a
// machine shared with other work steals wall time from the three unevenly.
double ThreadNanos() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

template <class Call>
bool Batch(int n, Call call, std::vector<double>* perCall) {
    const double t0 = ThreadNanos();
    for (int i = 0; i < n; ++i)
        if (FAILED(call())) return false;
    perCall->push_back((ThreadNanos() - t0) / n);
    return true;
}

// The median batch: a batch that shared its caches with other work on the machine counts once.
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void BM_DisplayText20Chars(benchmark::State& state) {
    Session& s = *g_session;
    constexpr int kBatch = 100;
    std::vector<double> full, so, java;
    for (auto _ : state) {
        if (!Batch(
                kBatch, [&] { return s.ThroughControl(); }, &full) ||
            !Batch(
                kBatch, [&] { return s.OnServiceObject(); }, &so) ||
            !Batch(
                kBatch, [&] { return s.JavaAlone(); }, &java)) {
            state.SkipWithError("a DisplayText call failed");
            return;
        }
    }
    g_figures = {Median(full), Median(so), Median(java)};
    const Figures& f = g_figures;
    state.counters["full_us"] = f.full / 1000;
    state.counters["so_us"] = f.so / 1000;
    state.counters["java_us"] = f.java / 1000;
    state.counters["control_pct"] = 100.0 * (f.full - f.so) / f.full;
    state.counters["so_pct"] = 100.0 * (f.so - f.java) / f.full;
}
BENCHMARK(BM_DisplayText20Chars)->Iterations(300)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    ::setenv("ORV_SIM_DEVICES", "L2=LineDisplay;L3=LineDisplay", 1);
    if (!orv::perf::SetUpControlInstallation()) return 1;
    int rc = 0;
    {
        auto session = std::make_unique<Session>();
        g_session = session.get();
        if (session->Open())
            benchmark::RunSpecifiedBenchmarks();
        else
            rc = 1;
        g_session = nullptr;
    }
    benchmark::Shutdown();
    orv::perf::RemoveControlInstallation();
    const Figures& f = g_figures;
    if (f.full > 0 && f.so > 0 && f.java > 0) {
        std::printf("\nDisplayText, 20 characters: %.2f us of CPU per call through the control\n",
                    f.full / 1000);
        std::printf("  control          %6.2f us  %4.1f%% (target <= 20%%)\n",
                    (f.full - f.so) / 1000, 100.0 * (f.full - f.so) / f.full);
        std::printf("  service object   %6.2f us  %4.1f%%\n", (f.so - f.java) / 1000,
                    100.0 * (f.so - f.java) / f.full);
        std::printf("  Java (lookup, string, call, exception check) %6.2f us  %4.1f%%\n",
                    f.java / 1000, 100.0 * f.java / f.full);
        std::printf("  our layers       %6.2f us  %4.1f%%\n", (f.full - f.java) / 1000,
                    100.0 * (f.full - f.java) / f.full);
    }
    return rc;
}
