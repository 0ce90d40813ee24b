// The Rs485PortLibPort natives from a real JVM (started here, with -Xcheck:jni) against the
// simulated subsystem: open result codes, 1,024-byte pieces of large writes, the start-up flag,
// callbacks on the worker thread, the port list and the log file.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "jvm_harness.h"
#include "platform/win32.h"
#include "possim/orvposs.h"

namespace {

namespace fs = std::filesystem;
using namespace orv::rs485::test;
using namespace std::chrono_literals;
using ByteVector = std::vector<unsigned char>;

constexpr char kRecordingPort[] = "com/orv/rs485test/RecordingRs485Port";
constexpr char kWorkerThread[] = "Rs485PortLib worker";

using OpenNative = jint (*)(JNIEnv*, jobject, jint, jint, jint, jint);

ByteVector Pattern(size_t size) {
    ByteVector bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>((i * 13 + 5) % 253);
    return bytes;
}

class Rs485PortJni : public ::testing::Test {
protected:
    static void SetUpTestSuite() { env_ = Jvm(TestClassPath(), TestLibraryPath()); }

    void SetUp() override {
        ASSERT_NE(env_, nullptr) << "no JVM";
        home_ = fs::current_path();
        work_ = fs::temp_directory_path() /
                ("orv-rs485jni-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(work_);
        fs::create_directories(work_);
        fs::current_path(work_);  // both logs go into the current folder
        orvposs_Reset();
        terminal_ = orvposs_AddDevice(1, 1, 1, 0x64);
    }

    void TearDown() override {
        for (jobject port : ports_) {
            Close(port);
            env_->DeleteGlobalRef(port);
        }
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

    static jint CallInt(JNIEnv* env, jobject port, const char* name, const char* signature, ...) {
        env->PushLocalFrame(8);
        jmethodID method = env->GetMethodID(env->GetObjectClass(port), name, signature);
        va_list args;
        va_start(args, signature);
        const jint result = env->CallIntMethodV(port, method, args);
        va_end(args);
        EXPECT_FALSE(TakeException(env)) << name;
        env->PopLocalFrame(nullptr);
        return result;
    }

    jint Open(jobject port, jint slot = 1, jint portNumber = 1, jint device = 1,
              jint initialize = 1) {
        return CallInt(env_, port, "Open", "(IIII)I", slot, portNumber, device, initialize);
    }
    jint Close(jobject port) { return CallInt(env_, port, "Close", "()I"); }
    jint Write(jobject port, const ByteVector& bytes, jint length) {
        env_->PushLocalFrame(8);
        jbyteArray array = env_->NewByteArray(jsize(bytes.size()));
        env_->SetByteArrayRegion(array, 0, jsize(bytes.size()),
                                 reinterpret_cast<const jbyte*>(bytes.data()));
        const jint result = CallInt(env_, port, "Write", "([BI)I", array, length);
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
    int LiveWorkerThreads() {
        env_->PushLocalFrame(8);
        jclass cls = env_->FindClass(kRecordingPort);
        jmethodID method =
            env_->GetStaticMethodID(cls, "liveThreadsNamed", "(Ljava/lang/String;)I");
        const int count = env_->CallStaticIntMethod(cls, method, env_->NewStringUTF(kWorkerThread));
        TakeException(env_);
        env_->PopLocalFrame(nullptr);
        return count;
    }
    // The open native itself, for receivers that are not Rs485PortLibPort objects.
    OpenNative OpenFunction() {
        const std::string path = TestLibraryPath() + "/libRs485PortLib.so";
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        return library ? reinterpret_cast<OpenNative>(
                             dlsym(library, "Java_com_orv_comm_Rs485PortLibPort_Open"))
                       : nullptr;
    }
    static int OpenLogHandles() {
        int count = 0;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (fs::read_symlink(entry.path(), ec).filename() == "pos485ni.log") ++count;
        }
        return count;
    }
    std::string TransportLog() const {
        std::ifstream in(work_ / "Rs485PortLibLog.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    ByteVector ReceivedByTerminal(int terminal, size_t size) {
        ByteVector all;
        for (int i = 0; i < 1000 && all.size() < size; ++i) {
            ByteVector chunk(8192);
            chunk.resize(orvposs_TakeReceived(terminal, chunk.data(), unsigned(chunk.size())));
            all.insert(all.end(), chunk.begin(), chunk.end());
            if (all.size() < size) Sleep(10);
        }
        return all;
    }

    static JNIEnv* env_;
    fs::path home_, work_;
    int terminal_ = 0;
    std::vector<jobject> ports_;
};

JNIEnv* Rs485PortJni::env_ = nullptr;

TEST_F(Rs485PortJni, OpenAnswersWithItsResultCodes) {
    jobject port = NewPort();
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(Close(port), 0);  // never opened
    EXPECT_EQ(Write(port, {1, 2, 3}, 3), 0);
    EXPECT_EQ(Open(port, 1, 0, 1), 6);  // port number 0: the transport refuses
    EXPECT_EQ(OpenLogHandles(), 0);     // no port open: the log is not held

    // The log cannot be created (a folder stands in its place): 7, before the transport.
    fs::remove(work_ / "pos485ni.log");
    fs::create_directory(work_ / "pos485ni.log");
    EXPECT_EQ(Open(port), 7);
    EXPECT_EQ(orvposs_CallCount("PosOpen"), 0u);
    fs::remove(work_ / "pos485ni.log");

    OpenNative open = OpenFunction();
    ASSERT_NE(open, nullptr);
    env_->PushLocalFrame(16);
    jobject plain = env_->AllocObject(env_->FindClass("java/lang/Object"));
    jobject receiveOnly = env_->AllocObject(env_->FindClass("com/orv/rs485test/ReceiveOnly"));
    EXPECT_EQ(open(env_, plain, 1, 1, 1, 1), 4);
    EXPECT_FALSE(TakeException(env_));
    EXPECT_EQ(open(env_, receiveOnly, 1, 1, 1, 1), 5);
    EXPECT_FALSE(TakeException(env_));
    EXPECT_EQ(open(env_, nullptr, 1, 1, 1, 1), 2);
    env_->PopLocalFrame(nullptr);
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);

    EXPECT_EQ(Open(port), 0);
    EXPECT_EQ(orvposs_OpenDescriptors(), 1u);
    EXPECT_TRUE(fs::exists(work_ / "pos485ni.log"));
    EXPECT_EQ(fs::file_size(work_ / "pos485ni.log"), 0u);  // nothing is ever written to it
    EXPECT_EQ(Close(port), 1);
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);
}

TEST_F(Rs485PortJni, WriteOf2500BytesQueuesPiecesOf1024_1024And452) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    const ByteVector data = Pattern(2500);
    EXPECT_EQ(Write(port, data, 2500), 2500);
    EXPECT_EQ(ReceivedByTerminal(terminal_, 2500), data);
    std::vector<unsigned> pieces(32);
    pieces.resize(orvposs_TakePieceSizes(terminal_, pieces.data(), 32));
    std::vector<unsigned> expected;
    for (unsigned request : {1024u, 1024u, 452u}) {
        for (unsigned left = request; left > 0; left -= std::min(left, 160u))
            expected.push_back(std::min(left, 160u));
    }
    EXPECT_EQ(pieces, expected);
    EXPECT_EQ(orvposs_ProtocolViolations(), 0u);
    const std::string log = TransportLog();
    size_t writes = 0;
    for (size_t at = log.find("Transport_Write\n"); at != std::string::npos;
         at = log.find("Transport_Write\n", at + 1))
        ++writes;
    EXPECT_EQ(writes, 3u);
}

TEST_F(Rs485PortJni, WriteLengthNeverReachesPastTheArray) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), 1000), 10);  // clamped to the array
    EXPECT_EQ(ReceivedByTerminal(terminal_, 10), ByteVector(10, 'a'));
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), 0), 0);
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), -5), 0);
    EXPECT_EQ(CallInt(env_, port, "Write", "([BI)I", nullptr, 5), 0);
    Sleep(250);
    EXPECT_EQ(orvposs_TakeReceived(terminal_, nullptr, 0), 0u);
}

TEST_F(Rs485PortJni, OpenWithInitializeFalseSkipsTheStartUp) {
    orvposs_AddDevice(1, 2, 1, 0x65);
    jobject first = NewPort(), second = NewPort();
    EXPECT_EQ(Open(first, 1, 1, 1, 0), 6);  // the subsystem was never started
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 0u);
    ASSERT_EQ(Open(first, 1, 1, 1, 1), 0);
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 1u);
    EXPECT_EQ(Open(second, 1, 2, 1, 0), 0);
    EXPECT_EQ(orvposs_CallCount("PosInitialize"), 1u);
}

TEST_F(Rs485PortJni, RecvOccurredGetsTheAnnouncedBytesOnTheWorkerThread) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    ASSERT_EQ(orvposs_SendData(terminal_, "\x02READY\x03", 7), 1);
    const auto data = NextData(port);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, (ByteVector{0x02, 'R', 'E', 'A', 'D', 'Y', 0x03}));
    EXPECT_EQ(CallbackThreads(port), kWorkerThread);
    EXPECT_TRUE(CallbackOnDaemon(port));  // never holds the VM open at exit
    EXPECT_FALSE(NextData(port, 150).has_value());
}

TEST_F(Rs485PortJni, ReadErrorReachesErrorOccurred) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    const unsigned char block[] = {2, 0, 1, 0, 'x'};
    ASSERT_EQ(orvposs_SendBlock(terminal_, block, sizeof block, sizeof block), 1);
    EXPECT_EQ(NextError(port), "1038:TRWM_ERROR");
    EXPECT_EQ(CallbackThreads(port), kWorkerThread);
}

TEST_F(Rs485PortJni, DataForAClosingPortIsNeitherReadNorDelivered) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    orvposs_HoldTransmitComplete(1);  // the close will wait for this piece
    ASSERT_EQ(Write(port, ByteVector(100, 'w'), 100), 100);
    for (int i = 0; i < 200 && orvposs_CallCount("PosWrite") == 0; ++i) Sleep(10);
    jint closed = -1;
    std::thread closer([&] {
        JNIEnv* env = Jvm(TestClassPath(), TestLibraryPath());
        closed = CallInt(env, port, "Close", "()I");
        JavaVM* vm = nullptr;
        env->GetJavaVM(&vm);
        vm->DetachCurrentThread();
    });
    for (int i = 0; i < 300 && TransportLog().find("Enter wait") == std::string::npos; ++i)
        Sleep(10);
    ASSERT_NE(TransportLog().find("Enter wait for Previous command"), std::string::npos);
    ASSERT_EQ(orvposs_SendData(terminal_, "late", 4), 1);
    EXPECT_FALSE(NextData(port, 400).has_value());
    orvposs_ReleaseTransmitComplete();
    closer.join();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(TransportLog().find("Transport_Read requesting"), std::string::npos);
    EXPECT_FALSE(NextData(port, 100).has_value());
}

TEST_F(Rs485PortJni, PortsShareOneWorkerAndOneLogHandle) {
    const int other = orvposs_AddDevice(2, 1, 1, 0x65);
    jobject portA = NewPort(), portB = NewPort();
    ASSERT_EQ(Open(portA, 1, 1, 1), 0);
    ASSERT_EQ(Open(portB, 2, 1, 1), 0);
    EXPECT_EQ(OpenLogHandles(), 1);
    EXPECT_EQ(orvposs_QueueWindow(terminal_), orvposs_QueueWindow(other));
    ASSERT_EQ(orvposs_SendData(other, "B", 1), 1);
    ASSERT_EQ(orvposs_SendData(terminal_, "A", 1), 1);
    EXPECT_EQ(NextData(portA), (ByteVector{'A'}));
    EXPECT_EQ(NextData(portB), (ByteVector{'B'}));

    EXPECT_EQ(Close(portA), 1);
    EXPECT_EQ(OpenLogHandles(), 1);  // portB still open
    EXPECT_EQ(Close(portA), 0);
    ASSERT_EQ(orvposs_SendData(other, "C", 1), 1);
    EXPECT_EQ(NextData(portB), (ByteVector{'C'}));
    EXPECT_EQ(Close(portB), 1);
    EXPECT_EQ(OpenLogHandles(), 0);  // closed once, with the last port
}

TEST_F(Rs485PortJni, WorkerLeavesTheVmWhenTheLastPortCloses) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    ASSERT_EQ(orvposs_SendData(terminal_, "1", 1), 1);
    ASSERT_TRUE(NextData(port).has_value());
    EXPECT_EQ(LiveWorkerThreads(), 1);
    EXPECT_EQ(Close(port), 1);
    for (int i = 0; i < 200 && LiveWorkerThreads() != 0; ++i) Sleep(10);
    EXPECT_EQ(LiveWorkerThreads(), 0);
}

TEST_F(Rs485PortJni, ThrowingCallbackIsClearedAndDeliveryGoesOn) {
    jobject port = NewPort("com/orv/rs485test/ThrowingRs485Port");
    ASSERT_EQ(Open(port), 0);
    ASSERT_EQ(orvposs_SendData(terminal_, "1", 1), 1);
    for (int i = 0; i < 100 && orvposs_CallCount("PosRead") < 3; ++i) Sleep(10);
    ASSERT_EQ(orvposs_SendData(terminal_, "2", 1), 1);
    EXPECT_EQ(NextData(port), (ByteVector{'2'}));
}

}  // namespace
