// The USBPort natives from a real JVM (started here, with -Xcheck:jni): open result codes,
// callbacks with the delivered bytes on the reader thread, errors, pieces of large writes, the
// port table and the log file.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <thread>

#include "jvm_harness.h"
#include "platform/hid_sim.h"
#include "sim_devices.h"

namespace {

namespace fs = std::filesystem;
using namespace orv::hidport::test;
using namespace std::chrono_literals;
using ByteVector = std::vector<unsigned char>;

constexpr char kRecordingPort[] = "com/orv/hidtest/RecordingPort";
constexpr char kReaderThread[] = "HidPortLib reader";

using OpenNative = jint (*)(JNIEnv*, jobject, jstring, jstring);

class UsbPortJni : public ::testing::Test {
protected:
    static void SetUpTestSuite() { env_ = Jvm(TestClassPath(), TestLibraryPath()); }

    void SetUp() override {
        ASSERT_NE(env_, nullptr) << "no JVM";
        setenv("ORV_HID_BACKEND", "sim", 1);
        OrvHidSimReset();
        home_ = fs::current_path();
        work_ = fs::temp_directory_path() /
                ("orv-usbjni-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(work_);
        fs::current_path(work_);  // usbjni.log goes into the current folder
    }

    void TearDown() override {
        for (jobject port : ports_) {
            Close(port);
            env_->DeleteGlobalRef(port);
        }
        OrvHidSimReset();
        fs::current_path(home_);
        fs::remove_all(work_);
    }

    jobject NewPort(const char* className = kRecordingPort) {
        env_->PushLocalFrame(8);
        jclass cls = env_->FindClass(className);
        jobject port =
            cls ? env_->NewObject(cls, env_->GetMethodID(cls, "<init>", "()V")) : nullptr;
        jobject global = port ? env_->NewGlobalRef(port) : nullptr;
        TakeException(env_);
        env_->PopLocalFrame(nullptr);
        if (global != nullptr) ports_.push_back(global);
        return global;
    }

    jint CallInt(jobject port, const char* name, const char* signature, ...) {
        env_->PushLocalFrame(8);
        jmethodID method = env_->GetMethodID(env_->GetObjectClass(port), name, signature);
        va_list args;
        va_start(args, signature);
        const jint result = env_->CallIntMethodV(port, method, args);
        va_end(args);
        EXPECT_FALSE(TakeException(env_)) << name;
        env_->PopLocalFrame(nullptr);
        return result;
    }

    jint Open(jobject port, const char* product, const char* serial = "") {
        env_->PushLocalFrame(8);
        const jint result = CallInt(port, "Open", "(Ljava/lang/String;Ljava/lang/String;)I",
                                    env_->NewStringUTF(product), env_->NewStringUTF(serial));
        env_->PopLocalFrame(nullptr);
        return result;
    }
    jint Close(jobject port) { return CallInt(port, "Close", "()I"); }
    jint Write(jobject port, const ByteVector& bytes, jint length) {
        env_->PushLocalFrame(8);
        jbyteArray array = env_->NewByteArray(jsize(bytes.size()));
        env_->SetByteArrayRegion(array, 0, jsize(bytes.size()),
                                 reinterpret_cast<const jbyte*>(bytes.data()));
        const jint result = CallInt(port, "Write", "([BI)I", array, length);
        env_->PopLocalFrame(nullptr);
        return result;
    }

    std::optional<ByteVector> NextData(jobject port, jlong ms = 5000) {
        env_->PushLocalFrame(8);
        jmethodID method = env_->GetMethodID(env_->GetObjectClass(port), "nextData", "(J)[B");
        auto array = static_cast<jbyteArray>(env_->CallObjectMethod(port, method, ms));
        std::optional<ByteVector> result;
        if (!TakeException(env_) && array != nullptr) result = Bytes(env_, array);
        env_->PopLocalFrame(nullptr);
        return result;
    }
    std::string NextError(jobject port, jlong ms = 5000) {
        env_->PushLocalFrame(8);
        jmethodID method =
            env_->GetMethodID(env_->GetObjectClass(port), "nextError", "(J)Ljava/lang/String;");
        auto text = static_cast<jstring>(env_->CallObjectMethod(port, method, ms));
        const std::string result = TakeException(env_) ? std::string() : Text(env_, text);
        env_->PopLocalFrame(nullptr);
        return result;
    }
    std::string CallbackThreads(jobject port) {
        env_->PushLocalFrame(8);
        jmethodID method = env_->GetMethodID(env_->GetObjectClass(port), "callbackThreads",
                                             "()Ljava/lang/String;");
        auto text = static_cast<jstring>(env_->CallObjectMethod(port, method));
        const std::string result = TakeException(env_) ? std::string() : Text(env_, text);
        env_->PopLocalFrame(nullptr);
        return result;
    }
    bool CallbackOnDaemon(jobject port) {
        jmethodID method = env_->GetMethodID(env_->GetObjectClass(port), "callbackOnDaemon", "()Z");
        const bool daemon = env_->CallBooleanMethod(port, method) == JNI_TRUE;
        return !TakeException(env_) && daemon;
    }
    int LiveReaderThreads() {
        env_->PushLocalFrame(8);
        jclass cls = env_->FindClass(kRecordingPort);
        jmethodID method =
            env_->GetStaticMethodID(cls, "liveThreadsNamed", "(Ljava/lang/String;)I");
        const int count = env_->CallStaticIntMethod(cls, method, env_->NewStringUTF(kReaderThread));
        TakeException(env_);
        env_->PopLocalFrame(nullptr);
        return count;
    }
    // The open native itself, for receivers that are not USBPort objects.
    OpenNative OpenFunction() {
        const std::string path = TestLibraryPath() + "/libHidPortLib.so";
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        return library
                   ? reinterpret_cast<OpenNative>(dlsym(library, "Java_com_orv_comm_USBPort_Open"))
                   : nullptr;
    }
    static int OpenLogHandles() {
        int count = 0;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (fs::read_symlink(entry.path(), ec).filename() == "usbjni.log") ++count;
        }
        return count;
    }
    static DWORD Plug(const ORV_HID_SIM_DEVICE& device) { return OrvHidSimAddDevice(&device); }
    static void Scan(DWORD id, const ByteVector& report) {
        ASSERT_EQ(OrvHidSimSendInput(id, report.data(), DWORD(report.size()), nullptr), 1u);
    }

    static JNIEnv* env_;
    fs::path home_, work_;
    std::vector<jobject> ports_;
};

JNIEnv* UsbPortJni::env_ = nullptr;

TEST_F(UsbPortJni, OpenAnswersWithItsResultCodes) {
    const DWORD id = Plug(PosScanner());
    jobject port = NewPort();
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(Close(port), 0);  // never opened
    EXPECT_EQ(Write(port, {1, 2, 3}, 3), 0);
    EXPECT_EQ(Open(port, "Nobody"), 6);
    EXPECT_EQ(OpenLogHandles(), 0);  // no port open: the log is not held

    // The log cannot be created (a folder stands in its place): 7, before the device is touched.
    fs::remove(work_ / "usbjni.log");
    fs::create_directory(work_ / "usbjni.log");
    EXPECT_EQ(Open(port, "ZR Scanner"), 7);
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
    fs::remove(work_ / "usbjni.log");

    // Receivers that lack the callbacks, or no receiver at all.
    OpenNative open = OpenFunction();
    ASSERT_NE(open, nullptr);
    env_->PushLocalFrame(16);
    jstring product = env_->NewStringUTF("ZR Scanner");
    jstring serial = env_->NewStringUTF("");
    jobject plain = env_->AllocObject(env_->FindClass("java/lang/Object"));
    jobject receiveOnly = env_->AllocObject(env_->FindClass("com/orv/hidtest/ReceiveOnly"));
    EXPECT_EQ(open(env_, plain, product, serial), 4);
    EXPECT_FALSE(TakeException(env_));
    EXPECT_EQ(open(env_, receiveOnly, product, serial), 5);
    EXPECT_FALSE(TakeException(env_));
    EXPECT_EQ(open(env_, nullptr, product, serial), 2);
    EXPECT_EQ(open(env_, port, nullptr, nullptr), 6);  // null strings read as "": no device
    env_->PopLocalFrame(nullptr);
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);

    EXPECT_EQ(Open(port, "ZR Scanner"), 0);
    EXPECT_EQ(OrvHidSimOpenHandles(id), 1u);
    EXPECT_TRUE(fs::exists(work_ / "usbjni.log"));
    EXPECT_EQ(fs::file_size(work_ / "usbjni.log"), 0u);  // nothing is ever written to it
}

TEST_F(UsbPortJni, RecvOccurredGetsExactlyTheDeliveredBytesOnTheReaderThread) {
    const DWORD id = Plug(PosScanner());
    jobject port = NewPort();
    ASSERT_EQ(Open(port, "ZR Scanner"), 0);
    Scan(id, {0x02, 0x04, 0x5D, 0x45, 0x30, 0x31, 0x32, 0x33, 0x34});
    const auto data = NextData(port);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, (ByteVector{0x31, 0x32, 0x33, 0x34}));
    EXPECT_EQ(CallbackThreads(port), kReaderThread);
    EXPECT_TRUE(CallbackOnDaemon(port));  // never holds the VM open at exit
    EXPECT_FALSE(NextData(port, 100).has_value());
}

TEST_F(UsbPortJni, ErrorOccurredCarriesCodeAndText) {
    const DWORD id = Plug(PosScanner());
    jobject port = NewPort();
    ASSERT_EQ(Open(port, "ZR Scanner"), 0);
    Scan(id, {0x03, 0x01, ']', 'E', '0', 'X'});
    EXPECT_EQ(NextError(port), "0:Got Wrong Report ID: 3\r");
    OrvHidSimUnplug(id);
    EXPECT_EQ(NextError(port), "1167:The device is not connected.");
    EXPECT_EQ(CallbackThreads(port), std::string(kReaderThread) + "|" + kReaderThread);
    EXPECT_EQ(Close(port), 1);  // the device closed itself; the port still had it
    EXPECT_EQ(Close(port), 0);
}

TEST_F(UsbPortJni, LargeWritesGoOutInPiecesOf30000) {
    const DWORD id = Plug(CountedReportDevice("ZR Counted", 251));
    jobject port = NewPort();
    ASSERT_EQ(Open(port, "ZR Counted"), 0);
    ByteVector data(65000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i % 251);
    EXPECT_EQ(Write(port, data, 65000), 65000);
    // Each piece is chunked on its own: 30,000 = 121 × 247 + 113, 5,000 = 20 × 247 + 60.
    std::vector<unsigned> expected;
    for (auto [chunks, last] : {std::pair{121, 113u}, std::pair{121, 113u}, std::pair{20, 60u}}) {
        expected.insert(expected.end(), size_t(chunks), 247u);
        expected.push_back(last);
    }
    std::vector<unsigned> seen;
    ByteVector received;
    ByteVector report(300);
    while (DWORD length = OrvHidSimTakeOutput(id, report.data(), DWORD(report.size()), 0)) {
        ASSERT_EQ(length, 250u);
        seen.push_back(report[1]);
        received.insert(received.end(), report.begin() + 2, report.begin() + 2 + report[1]);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(received, data);
}

TEST_F(UsbPortJni, WriteLengthNeverReachesPastTheArray) {
    const DWORD id = Plug(CountedReportDevice());
    jobject port = NewPort();
    ASSERT_EQ(Open(port, "ZR Counted"), 0);
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), 1000), 10);  // clamped to the array
    ByteVector report(100);
    ASSERT_EQ(OrvHidSimTakeOutput(id, report.data(), 100, 1000), 63u);
    EXPECT_EQ(report[1], 10);
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), 0), 0);
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), -5), 0);
    EXPECT_EQ(CallInt(port, "Write", "([BI)I", nullptr, 5), 0);
    EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);
}

TEST_F(UsbPortJni, RefusedPieceStopsTheWrite) {
    Plug(StringReportDevice());  // takes no data at all
    jobject port = NewPort();
    ASSERT_EQ(Open(port, "ZR Text"), 0);
    EXPECT_EQ(Write(port, ByteVector(40000, 'a'), 40000), 0);

    const DWORD id = Plug(PosScanner());  // 62 data bytes per report: a 247-byte chunk is refused
    jobject scanner = NewPort();
    ASSERT_EQ(Open(scanner, "ZR Scanner"), 0);
    EXPECT_EQ(Write(scanner, ByteVector(62, 'b'), 62), 62);
    EXPECT_EQ(Write(scanner, ByteVector(100, 'b'), 100), 0);
    EXPECT_EQ(NextError(scanner), "0:CDeviceBase::DoSendWithPreAmble - Bad Write");
    EXPECT_EQ(OrvHidSimPendingOutput(id), 1u);
}

TEST_F(UsbPortJni, PortsKeepTheirOwnDevicesAndShareOneLogHandle) {
    const DWORD a = Plug(PosScanner("Scanner A")), b = Plug(PosScanner("Scanner B"));
    jobject portA = NewPort(), portB = NewPort();
    ASSERT_EQ(Open(portA, "Scanner A"), 0);
    ASSERT_EQ(Open(portB, "Scanner B"), 0);
    EXPECT_EQ(OpenLogHandles(), 1);
    Scan(b, {0x02, 0x01, ']', 'E', '0', 'B'});
    Scan(a, {0x02, 0x01, ']', 'E', '0', 'A'});
    EXPECT_EQ(NextData(portA), (ByteVector{'A'}));
    EXPECT_EQ(NextData(portB), (ByteVector{'B'}));

    EXPECT_EQ(Close(portA), 1);
    EXPECT_EQ(OpenLogHandles(), 1);  // portB still open
    EXPECT_EQ(Close(portA), 0);
    EXPECT_EQ(Close(portB), 1);
    EXPECT_EQ(OpenLogHandles(), 0);  // closed once, with the last port
}

TEST_F(UsbPortJni, HandleValueThatComesBackBelongsToTheNewPort) {
    const DWORD first = Plug(PosScanner("First")), second = Plug(PosScanner("Second"));
    jobject old = NewPort(), fresh = NewPort();
    ASSERT_EQ(Open(old, "First"), 0);
    OrvHidSimUnplug(first);
    ASSERT_EQ(NextError(old), "1167:The device is not connected.");
    for (int i = 0; i < 300 && OrvHidSimOpenHandles(first) != 0; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(Open(fresh, "Second"), 0);  // gets the freed handle value
    Scan(second, {0x02, 0x01, ']', 'E', '0', 'N'});
    EXPECT_EQ(NextData(fresh), (ByteVector{'N'}));
    EXPECT_FALSE(NextData(old, 100).has_value());
    EXPECT_EQ(Close(old), 0);  // its record was replaced
    EXPECT_EQ(Close(fresh), 1);
}

TEST_F(UsbPortJni, ThrowingCallbackIsClearedAndReadingGoesOn) {
    const DWORD id = Plug(PosScanner());
    jobject port = NewPort("com/orv/hidtest/ThrowingPort");
    ASSERT_EQ(Open(port, "ZR Scanner"), 0);
    Scan(id, {0x02, 0x01, ']', 'E', '0', '1'});
    Scan(id, {0x02, 0x01, ']', 'E', '0', '2'});
    EXPECT_EQ(NextData(port), (ByteVector{'2'}));
}

TEST_F(UsbPortJni, ReaderThreadsLeaveTheVmWhenTheirDeviceCloses) {
    const DWORD id = Plug(PosScanner());
    jobject port = NewPort();
    ASSERT_EQ(Open(port, "ZR Scanner"), 0);
    Scan(id, {0x02, 0x01, ']', 'E', '0', '1'});
    ASSERT_TRUE(NextData(port).has_value());
    EXPECT_EQ(LiveReaderThreads(), 1);
    EXPECT_EQ(Close(port), 1);
    for (int i = 0; i < 200 && LiveReaderThreads() != 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(LiveReaderThreads(), 0);
}

}  // namespace
