// The Rs485PortLibPort natives from a real JVM (started here, with -Xcheck:jni) against the
// simulated subsystem: open result codes, 1,024-byte pieces of large writes, the start-up flag,
// callbacks on the worker thread, the port list and the log file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "jvm_harness.h"
#include "platform/win32.h"
#include "port_jni_fixture.h"
#include "possim/orvposs.h"

namespace {

namespace fs = std::filesystem;
using namespace orv::jni::test;

constexpr PortBinding kRs485Port = {"com/orv/rs485test/RecordingRs485Port",
                                    "rs485port_native_tests.jar",
                                    "libRs485PortLib.so",
                                    "pos485ni.log",
                                    "Rs485PortLib worker",
                                    "orv-rs485jni-"};

using OpenNative = jint (*)(JNIEnv*, jobject, jint, jint, jint, jint);

ByteVector Pattern(size_t size) {
    ByteVector bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>((i * 13 + 5) % 253);
    return bytes;
}

class Rs485PortJni : public PortJniTest {
protected:
    Rs485PortJni() : PortJniTest(kRs485Port) {}

    void SetUp() override {
        PortJniTest::SetUp();  // both logs go into the test's folder
        if (HasFatalFailure()) return;
        orvposs_Reset();
        terminal_ = orvposs_AddDevice(1, 1, 1, 0x64);
    }

    jint Open(jobject port, jint slot = 1, jint portNumber = 1, jint device = 1,
              jint initialize = 1) {
        return CallInt(env_, port, "Open", "(IIII)I", slot, portNumber, device, initialize);
    }
    std::string TransportLog() const {
        std::ifstream in(work_ / "Rs485PortLibLog.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The worker's lines reach the file when its pass ends, which may come just after the
    // terminal has the last byte: the log once it holds `text` (or after 3 s).
    std::string LogOnceItHolds(const std::string& text) const {
        std::string log = TransportLog();
        for (int i = 0; i < 300 && log.find(text) == std::string::npos; ++i) {
            Sleep(10);
            log = TransportLog();
        }
        return log;
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

    int terminal_ = 0;
};

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

    auto open = Native<OpenNative>("Java_com_orv_comm_Rs485PortLibPort_Open");
    ASSERT_NE(open, nullptr);
    env_->PushLocalFrame(16);
    jobject plain = env_->AllocObject(env_->FindClass("java/lang/Object"));
    jobject receiveOnly = env_->AllocObject(env_->FindClass("com/orv/porttest/ReceiveOnly"));
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
    // Owner and group only, like every trace: the transport's log holds every byte received.
    for (const char* log : {"pos485ni.log", "Rs485PortLibLog.txt"})
        EXPECT_EQ(fs::status(work_ / log).permissions(), fs::perms(0640)) << log;
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
    // The last piece of the last request: every line before it is in the file then.
    const std::string log = LogOnceItHolds("Transport_Transmit.. Sent 132 bytes of data\n");
    size_t writes = 0;
    for (size_t at = log.find("Transport_Write\n"); at != std::string::npos;
         at = log.find("Transport_Write\n", at + 1))
        ++writes;
    EXPECT_EQ(writes, 3u);
}

// A request whose piece the subsystem refuses ends as a failed write, and the long write goes on
// with its next request, as a loop of Transport_Write does: only what could not be queued counts
// short.
TEST_F(Rs485PortJni, AFailedRequestOfALongWriteIsSkippedAndTheRestGoesOut) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    const ByteVector data = Pattern(3000);
    ASSERT_EQ(orvposs_FailNext("PosWrite", 5, 1), 1);  // the first piece of the first request
    EXPECT_EQ(Write(port, data, 3000), 3000);
    const ByteVector rest(data.begin() + 1024, data.end());
    EXPECT_EQ(ReceivedByTerminal(terminal_, rest.size()), rest);
    EXPECT_EQ(orvposs_ProtocolViolations(), 0u);
    EXPECT_NE(LogOnceItHolds("Write data failed!").find("Write data failed!"), std::string::npos);
}

// Two Java threads writing to one port at once: each write leaves whole, one after the other
// (the second waits for the first), never interleaved request by request.
TEST_F(Rs485PortJni, ConcurrentLongWritesLeaveEachInOnePiece) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    orvposs_SetTransmitDelay(1);  // long enough for the second write to come while the first runs
    ByteVector a = Pattern(6000), b(6000);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<unsigned char>(255 - a[i]);
    jint writtenA = -1, writtenB = -1;
    auto writeOn = [&](const ByteVector& bytes, jint* written) {
        JNIEnv* env = ThreadEnv();
        env->PushLocalFrame(8);
        jbyteArray array = env->NewByteArray(jsize(bytes.size()));
        env->SetByteArrayRegion(array, 0, jsize(bytes.size()),
                                reinterpret_cast<const jbyte*>(bytes.data()));
        *written = CallInt(env, port, "Write", "([BI)I", array, jint(bytes.size()));
        env->PopLocalFrame(nullptr);
        JavaVM* vm = nullptr;
        env->GetJavaVM(&vm);
        vm->DetachCurrentThread();
    };
    std::thread first(writeOn, std::cref(a), &writtenA);
    for (int i = 0; i < 500 && orvposs_CallCount("PosWrite") < 2; ++i) Sleep(2);
    std::thread second(writeOn, std::cref(b), &writtenB);
    first.join();
    second.join();
    orvposs_SetTransmitDelay(0);
    EXPECT_EQ(writtenA, 6000);
    EXPECT_EQ(writtenB, 6000);
    ByteVector received;
    for (int i = 0; i < 500 && received.size() < 12000; ++i) {
        ByteVector chunk(16384);  // room for all: a smaller buffer would cut a taking short
        chunk.resize(orvposs_TakeReceived(terminal_, chunk.data(), unsigned(chunk.size())));
        received.insert(received.end(), chunk.begin(), chunk.end());
        if (received.size() < 12000) Sleep(2);
    }
    ByteVector ab = a, ba = b;
    ab.insert(ab.end(), b.begin(), b.end());
    ba.insert(ba.end(), a.begin(), a.end());
    EXPECT_TRUE(received == ab || received == ba);
}

// A close while a long Java write is under way ends it: the write returns short of its length
// (what reached the terminal is an unbroken prefix) and the close itself succeeds.
TEST_F(Rs485PortJni, CloseDuringALongWriteEndsItShortAndSucceeds) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    orvposs_SetTransmitDelay(2);  // 1 MB would take minutes: the close comes first
    const ByteVector data = Pattern(1 << 20);
    jint written = -1;
    std::thread writer([&] {
        JNIEnv* env = ThreadEnv();
        env->PushLocalFrame(8);
        jbyteArray array = env->NewByteArray(jsize(data.size()));
        env->SetByteArrayRegion(array, 0, jsize(data.size()),
                                reinterpret_cast<const jbyte*>(data.data()));
        written = CallInt(env, port, "Write", "([BI)I", array, jint(data.size()));
        env->PopLocalFrame(nullptr);
        JavaVM* vm = nullptr;
        env->GetJavaVM(&vm);
        vm->DetachCurrentThread();
    });
    // Into the second request, so that one is queued behind the piece outstanding.
    for (int i = 0; i < 500 && orvposs_CallCount("PosWrite") < 9; ++i) Sleep(10);
    ASSERT_GE(orvposs_CallCount("PosWrite"), 9u);
    EXPECT_EQ(Close(port), 1);
    writer.join();
    EXPECT_GE(written, 1024);
    EXPECT_LT(written, jint(data.size()));
    EXPECT_EQ(written % 1024, 0);  // whole requests only
    ByteVector received(data.size());
    received.resize(orvposs_TakeReceived(terminal_, received.data(), unsigned(received.size())));
    ASSERT_GE(received.size(), size_t(written) - 1024);
    EXPECT_TRUE(std::equal(received.begin(), received.end(), data.begin()));
    EXPECT_EQ(orvposs_OpenDescriptors(), 0u);
}

TEST_F(Rs485PortJni, WriteLengthNeverReachesPastTheArray) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), 1000), 10);  // clamped to the array
    EXPECT_EQ(ReceivedByTerminal(terminal_, 10), ByteVector(10, 'a'));
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), 0), 0);
    EXPECT_EQ(Write(port, ByteVector(10, 'a'), -5), 0);
    EXPECT_EQ(CallInt(env_, port, "Write", "([BI)I", nullptr, 5), 0);
    // Writes reach the terminal in order: the first byte it gets after these is the marker's.
    EXPECT_EQ(Write(port, ByteVector{'z'}, 1), 1);
    EXPECT_EQ(ReceivedByTerminal(terminal_, 1), ByteVector{'z'});
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
    EXPECT_EQ(CallbackThreads(port), kRs485Port.callbackThread);
    EXPECT_TRUE(CallbackOnDaemon(port));  // never holds the VM open at exit
    // The announced bytes came once: the next delivery is the next block.
    ASSERT_EQ(orvposs_SendData(terminal_, "\x02M\x03", 3), 1);
    EXPECT_EQ(NextData(port), (ByteVector{0x02, 'M', 0x03}));
}

TEST_F(Rs485PortJni, ReadErrorReachesErrorOccurred) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    const unsigned char block[] = {2, 0, 1, 0, 'x'};
    ASSERT_EQ(orvposs_SendBlock(terminal_, block, sizeof block, sizeof block), 1);
    EXPECT_EQ(NextError(port), "1038:TRWM_ERROR");
    EXPECT_EQ(CallbackThreads(port), kRs485Port.callbackThread);
}

TEST_F(Rs485PortJni, DataForAClosingPortIsNeitherReadNorDelivered) {
    jobject port = NewPort();
    ASSERT_EQ(Open(port), 0);
    orvposs_HoldTransmitComplete(1);  // the close will wait for this piece
    ASSERT_EQ(Write(port, ByteVector(100, 'w'), 100), 100);
    for (int i = 0; i < 200 && orvposs_CallCount("PosWrite") == 0; ++i) Sleep(10);
    jint closed = -1;
    std::thread closer([&] {
        JNIEnv* env = ThreadEnv();
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
    EXPECT_EQ(LiveCallbackThreads(), 1);
    EXPECT_EQ(Close(port), 1);
    for (int i = 0; i < 200 && LiveCallbackThreads() != 0; ++i) Sleep(10);
    EXPECT_EQ(LiveCallbackThreads(), 0);
}

TEST_F(Rs485PortJni, ThrowingCallbackIsClearedAndDeliveryGoesOn) {
    jobject port = NewPort();
    RefuseNextBlock(port);
    ASSERT_EQ(Open(port), 0);
    ASSERT_EQ(orvposs_SendData(terminal_, "1", 1), 1);
    for (int i = 0; i < 100 && orvposs_CallCount("PosRead") < 3; ++i) Sleep(10);
    ASSERT_EQ(orvposs_SendData(terminal_, "2", 1), 1);
    EXPECT_EQ(NextData(port), (ByteVector{'2'}));
}

}  // namespace
