// Signature capture: PointArray of a 10,000-point signature read through the control with
// BinaryConversion 1, against the floor of the same work done once by hand in the same run
// (per point one GetObjectArrayElement and two int field reads, then the nibble text), and
// the resident memory over 10,000 reads.
//
// Counters (each the best of its runs): control_us, floor_us (the same by hand, the Java getter
// included), getter_us (the getter alone, which copies the points on the Java side) and ratio
// (control / floor; target at most 1.5).
#include <benchmark/benchmark.h>
#include <jni.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/apartment.h"
#include "host/control.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "platform/com_register.h"
#include "sim_terminal.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kPoints = 10000;

JNIEnv* Env() {
    JavaVM* vm = nullptr;
    jsize count = 0;
    if (JNI_GetCreatedJavaVMs(&vm, 1, &count) != JNI_OK || count < 1) return nullptr;
    JNIEnv* env = nullptr;
    if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return nullptr;
    return env;
}

double ResidentMB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// One control on S1 holding a finished 10,000-point signature, and the Java objects the floor
// works on: the device's jpos control and its Point[].
struct Session {
    fs::path folder;
    orv::host::ComApartment com;
    orv::host::Control sig;
    jobject jposControl = nullptr;  // global
    jobject points = nullptr;       // global Point[]
    jmethodID getPointArray = nullptr;
    jfieldID x = nullptr, y = nullptr;
    bool ready = false;

    Session() {
        folder = fs::temp_directory_path() / ("orv-sig-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder / "log");
        fs::create_directories(folder / "locks");
        ::setenv("ORV_REGISTRY", (folder / "registry.reg").c_str(), 1);
        ::setenv("ORV_SIM_LOCK_DIR", (folder / "locks").c_str(), 1);
        ::setenv("CLASSPATH", ORV_JAR, 1);
        for (const char* lib : {ORV_SIGCAP_CONTROL, ORV_SIGCAP_BRIDGE})
            if (std::system((std::string(ORV_REGSVR) + " /s " + lib).c_str()) != 0) return;
        const char* info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
        orv::RegWriteString(HKEY_LOCAL_MACHINE,
                            "SOFTWARE\\OLEforRetail\\ServiceOPOS\\SignatureCapture\\S1", nullptr,
                            "ORVSig.so");
        orv::RegWriteString(HKEY_LOCAL_MACHINE, info, "Logpath", (folder / "log").string() + "/");
        orv::RegWriteString(HKEY_LOCAL_MACHINE, info, "Classpath", ORV_LIB_DIR);
        if (!com || FAILED(sig.Create("OPOS.SigCap"))) return;
        bool arrived = false;
        sig.OnEvent(orv::host::opos::DataEvent, [&](const orv::EventArgs&) { arrived = true; });
        int32_t rc = -1;
        if (FAILED(sig.Call("Open", &rc, "S1")) || rc != 0) return;
        sig.Call("Claim", &rc, 1000);
        sig.Put("DeviceEnabled", orv::DispArg::Bool(true));
        sig.Put("DataEventEnabled", orv::DispArg::Bool(true));
        sig.Call("BeginCapture", &rc, "Form1");
        std::string command = "sign S1";
        for (int i = 0; i < kPoints; ++i)
            command += " " + std::to_string(i % 321) + "," + std::to_string((i * 7) % 241);
        if (orv::co::test::SimTerminal::Command(command).rfind("OK", 0) != 0) return;
        orv::co::test::SimTerminal::Command("sign S1 done");
        if (!orv::host::PumpUntil([&] { return arrived; }, std::chrono::seconds(30))) return;
        sig.Put("BinaryConversion", 1);
        ready = FindJavaSide();
    }
    ~Session() {
        sig.Reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    bool FindJavaSide() {
        JNIEnv* env = Env();
        if (!env) return false;
        jclass tc = env->FindClass("com/orv/sim/terminal/Terminal");
        jmethodID get = env->GetStaticMethodID(tc, "get", "()Lcom/orv/sim/terminal/Terminal;");
        jmethodID active = env->GetMethodID(
            tc, "activeService", "(Ljava/lang/String;)Lcom/orv/sim/device/DeviceService;");
        jobject terminal = env->CallStaticObjectMethod(tc, get);
        jstring name = env->NewStringUTF("S1");
        jobject service = env->CallObjectMethod(terminal, active, name);
        jclass sc = env->GetObjectClass(service);
        jobject source = env->CallObjectMethod(
            service, env->GetMethodID(sc, "source", "()Ljava/lang/Object;"));
        if (env->ExceptionCheck() || !source) {
            env->ExceptionClear();
            return false;
        }
        jposControl = env->NewGlobalRef(source);
        jclass cc = env->GetObjectClass(source);
        getPointArray = env->GetMethodID(cc, "getPointArray", "()[Ljava/awt/Point;");
        jobject array = env->CallObjectMethod(jposControl, getPointArray);
        jclass pc = env->FindClass("java/awt/Point");
        x = env->GetFieldID(pc, "x", "I");
        y = env->GetFieldID(pc, "y", "I");
        if (env->ExceptionCheck() || !array) {
            env->ExceptionClear();
            return false;
        }
        points = env->NewGlobalRef(array);
        for (jobject o : {static_cast<jobject>(tc), terminal, static_cast<jobject>(name), service,
                          static_cast<jobject>(sc), source, static_cast<jobject>(cc), array,
                          static_cast<jobject>(pc)})
            env->DeleteLocalRef(o);
        return env->GetArrayLength(static_cast<jobjectArray>(points)) == kPoints;
    }
};

Session& S() {
    static Session session;
    return session;
}

// By hand: the Java getter, then per element the element and its two fields, then the nibble
// text straight into a BSTR.
BSTR FloorPointArray(JNIEnv* env, Session& s, std::vector<uint8_t>& bytes) {
    auto array = static_cast<jobjectArray>(env->CallObjectMethod(s.jposControl, s.getPointArray));
    const jsize n = env->GetArrayLength(array);
    bytes.resize(static_cast<size_t>(n) * 4);
    for (jsize i = 0; i < n; ++i) {
        jobject p = env->GetObjectArrayElement(array, i);
        const jint x = env->GetIntField(p, s.x);
        const jint y = env->GetIntField(p, s.y);
        env->DeleteLocalRef(p);
        uint8_t* b = &bytes[static_cast<size_t>(i) * 4];
        b[0] = static_cast<uint8_t>(x);
        b[1] = static_cast<uint8_t>(x >> 8);
        b[2] = static_cast<uint8_t>(y);
        b[3] = static_cast<uint8_t>(y >> 8);
    }
    env->DeleteLocalRef(array);
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(bytes.size() * 2));
    for (size_t i = 0; i < bytes.size(); ++i) {
        text[2 * i] = static_cast<OLECHAR>(0x30 + (bytes[i] >> 4));
        text[2 * i + 1] = static_cast<OLECHAR>(0x30 + (bytes[i] & 0x0F));
    }
    return text;
}

template <class F>
double BestMicros(int rounds, F&& work) {
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return best;
}

void BM_PointArrayOf10000PointsThroughTheControl(benchmark::State& state) {
    Session& s = S();
    if (!s.ready) {
        state.SkipWithError("no session: the simulator or the registry set-up failed");
        return;
    }
    JNIEnv* env = Env();
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 20; ++i) SysFreeString(FloorPointArray(env, s, bytes));
    const double getterUs = BestMicros(200, [&] {
        env->DeleteLocalRef(env->CallObjectMethod(s.jposControl, s.getPointArray));
    });
    // The machine is shared: the floor and the control read alternate, and each figure is the
    // best of its runs, so the ratio compares like with like.
    double controlUs = 1e300, floorUs = 1e300;
    size_t length = 0;
    for (auto _ : state) {
        floorUs = std::min(floorUs, BestMicros(1, [&] { SysFreeString(FloorPointArray(env, s, bytes)); }));
        BSTR text = nullptr;
        const auto t0 = Clock::now();
        s.sig.Get("PointArray", &text);
        controlUs = std::min(controlUs,
                             std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        length = SysStringLen(text);
        SysFreeString(text);
    }
    state.counters["control_us"] = controlUs;
    state.counters["floor_us"] = floorUs;
    state.counters["getter_us"] = getterUs;
    state.counters["ratio"] = controlUs / floorUs;
    state.counters["chars"] = static_cast<double>(length);
}
BENCHMARK(BM_PointArrayOf10000PointsThroughTheControl)->Iterations(500)->Unit(benchmark::kMicrosecond);

// Resident memory over 10,000 reads, after 1,000 reads of warm-up; the second half shows
// whether anything keeps growing.
void BM_ResidentMemoryOver10000Reads(benchmark::State& state) {
    Session& s = S();
    if (!s.ready) {
        state.SkipWithError("no session");
        return;
    }
    auto reads = [&](int n) {
        for (int i = 0; i < n; ++i) {
            BSTR text = nullptr;
            s.sig.Get("PointArray", &text);
            SysFreeString(text);
        }
    };
    for (auto _ : state) {
        reads(1000);
        const double start = ResidentMB();
        reads(5000);
        const double half = ResidentMB();
        reads(5000);
        const double end = ResidentMB();
        state.counters["rss_start_MB"] = start;
        state.counters["rss_5000_MB"] = half;
        state.counters["rss_10000_MB"] = end;
        state.counters["rss_growth_second_half_MB"] = end - half;
    }
}
BENCHMARK(BM_ResidentMemoryOver10000Reads)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
