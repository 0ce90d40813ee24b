// The USBPort natives from a real JVM (started here, with -Xcheck:jni): open result codes,
// callbacks with the delivered bytes on the reader thread, errors, pieces of large writes, the
// port table and the log file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>

#include "jvm_harness.h"
#include "platform/hid_sim.h"
#include "port_jni_fixture.h"
#include "sim_devices.h"

namespace {

namespace fs = std::filesystem;
using namespace orv::jni::test;
using namespace orv::hidport::test;
using namespace std::chrono_literals;

constexpr PortBinding kUsbPort = {"com/orv/hidtest/RecordingPort",
                                  "hidport_native_tests.jar",
                                  "libHidPortLib.so",
                                  "usbjni.log",
                                  "HidPortLib reader",
                                  "orv-usbjni-"};

using OpenNative = jint (*)(JNIEnv*, jobject, jstring, jstring);

class UsbPortJni : public PortJniTest {
protected:
    UsbPortJni() : PortJniTest(kUsbPort) {}

    void SetUp() override {
        setenv("ORV_HID_BACKEND", "sim", 1);
        OrvHidSimReset();
        PortJniTest::SetUp();
    }

    void TearDown() override {
        PortJniTest::TearDown();
        OrvHidSimReset();
    }

    jint Open(jobject port, const char* product, const char* serial = "") {
        env_->PushLocalFrame(8);
        const jint result = CallInt(env_, port, "Open", "(Ljava/lang/String;Ljava/lang/String;)I",
                                    env_->NewStringUTF(product), env_->NewStringUTF(serial));
        env_->PopLocalFrame(nullptr);
        return result;
    }
    static DWORD Plug(const ORV_HID_SIM_DEVICE& device) { return OrvHidSimAddDevice(&device); }
    static void Scan(DWORD id, const ByteVector& report) {
        ASSERT_EQ(OrvHidSimSendInput(id, report.data(), DWORD(report.size()), nullptr), 1u);
    }
};

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
    auto open = Native<OpenNative>("Java_com_orv_comm_USBPort_Open");
    ASSERT_NE(open, nullptr);
    env_->PushLocalFrame(16);
    jstring product = env_->NewStringUTF("ZR Scanner");
    jstring serial = env_->NewStringUTF("");
    jobject plain = env_->AllocObject(env_->FindClass("java/lang/Object"));
    jobject receiveOnly = env_->AllocObject(env_->FindClass("com/orv/porttest/ReceiveOnly"));
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
    EXPECT_EQ(fs::status(work_ / "usbjni.log").permissions(), fs::perms(0640));
}

TEST_F(UsbPortJni, RecvOccurredGetsExactlyTheDeliveredBytesOnTheReaderThread) {
    const DWORD id = Plug(PosScanner());
    jobject port = NewPort();
    ASSERT_EQ(Open(port, "ZR Scanner"), 0);
    Scan(id, {0x02, 0x04, 0x5D, 0x45, 0x30, 0x31, 0x32, 0x33, 0x34});
    const auto data = NextData(port);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, (ByteVector{0x31, 0x32, 0x33, 0x34}));
    EXPECT_EQ(CallbackThreads(port), kUsbPort.callbackThread);
    EXPECT_TRUE(CallbackOnDaemon(port));  // never holds the VM open at exit
    EXPECT_FALSE(NextData(port, 100).has_value());
}

// Each block goes to Java in an array of its own, also when blocks of one length follow each
// other (the reader makes the next array ready while it waits): arrays a receiver keeps never
// change afterwards.
TEST_F(UsbPortJni, EveryBlockGetsItsOwnArrayThatKeepsItsBytes) {
    const DWORD id = Plug(PosScanner());
    jobject port = NewPort("com/orv/hidtest/KeepingPort");
    ASSERT_NE(port, nullptr);
    ASSERT_EQ(Open(port, "ZR Scanner"), 0);
    std::string expected;
    const size_t lengths[] = {1, 4, 4, 4, 59, 59, 2, 10, 10, 1, 1};
    unsigned char next = 0;
    for (const size_t length : lengths) {
        ByteVector report = {0x02, static_cast<unsigned char>(length), ']', 'E', '0'};
        ByteVector block;
        for (size_t i = 0; i < length; ++i) block.push_back(next++);
        report.insert(report.end(), block.begin(), block.end());
        Scan(id, report);
        if (!expected.empty()) expected += '|';
        for (const unsigned char byte : block) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", byte);
            expected += hex;
        }
    }
    for (const size_t length : lengths) {
        const auto data = NextData(port);
        ASSERT_TRUE(data.has_value());
        EXPECT_EQ(data->size(), length);
    }
    EXPECT_EQ(CallInt(env_, port, "keptIntact", "()I"), 1);
    env_->PushLocalFrame(4);
    auto kept = static_cast<jstring>(env_->CallObjectMethod(
        port, env_->GetMethodID(env_->GetObjectClass(port), "keptNow", "()Ljava/lang/String;")));
    ASSERT_FALSE(TakeException(env_));
    const char* text = env_->GetStringUTFChars(kept, nullptr);
    EXPECT_EQ(std::string(text), expected);
    env_->ReleaseStringUTFChars(kept, text);
    env_->PopLocalFrame(nullptr);
}

TEST_F(UsbPortJni, ErrorOccurredCarriesCodeAndText) {
    const DWORD id = Plug(PosScanner());
    jobject port = NewPort();
    ASSERT_EQ(Open(port, "ZR Scanner"), 0);
    Scan(id, {0x03, 0x01, ']', 'E', '0', 'X'});
    EXPECT_EQ(NextError(port), "0:Got Wrong Report ID: 3\r");
    OrvHidSimUnplug(id);
    EXPECT_EQ(NextError(port), "1167:The device is not connected.");
    EXPECT_EQ(CallbackThreads(port),
              std::string(kUsbPort.callbackThread) + "|" + kUsbPort.callbackThread);
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
    EXPECT_EQ(CallInt(env_, port, "Write", "([BI)I", nullptr, 5), 0);
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
    jobject port = NewPort();
    RefuseNextBlock(port);
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
    EXPECT_EQ(LiveCallbackThreads(), 1);
    EXPECT_EQ(Close(port), 1);
    for (int i = 0; i < 200 && LiveCallbackThreads() != 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(LiveCallbackThreads(), 0);
}

}  // namespace
