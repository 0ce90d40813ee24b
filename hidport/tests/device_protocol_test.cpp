// CDeviceBase and the four device classes on the simulated bus: finding and opening, the reader,
// chunked and framed writes, every class's input parsing and its command reports.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>

#include "callback_recorder.h"
#include "device_classes.h"
#include "platform/hid_sim.h"
#include "sim_devices.h"

namespace {

using namespace orv::hidport;
using namespace orv::hidport::test;
using namespace std::chrono_literals;
using Bytes = std::vector<unsigned char>;

constexpr char kNotConnected[] = "The device is not connected.";

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ORV_HID_BACKEND", "sim", 1);
        OrvHidSimReset();
        Recorder::Instance().Reset();
    }
    void TearDown() override { OrvHidSimReset(); }

    DWORD Plug(const ORV_HID_SIM_DEVICE& device) {
        const DWORD id = OrvHidSimAddDevice(&device);
        EXPECT_NE(id, 0u);
        return id;
    }
    template <typename T = CDeviceBase>
    std::shared_ptr<T> OpenDevice(const std::string& product, const std::string& serial = "") {
        auto device = std::make_shared<T>();
        void* handle = nullptr;
        if (!device->Open(product, serial, Recorder::OnReceive, Recorder::OnError,
                          Recorder::OnThreadStart, handle))
            return nullptr;
        EXPECT_EQ(handle, device->DeviceHandle());
        return device;
    }
    static Bytes Take(DWORD id, DWORD timeoutMs = 1000) {
        Bytes report(5000);
        const DWORD length =
            OrvHidSimTakeOutput(id, report.data(), DWORD(report.size()), timeoutMs);
        report.resize(length);
        return report;
    }
    static Bytes Padded(Bytes bytes, size_t length) {
        bytes.resize(length, 0);
        return bytes;
    }
    static void Send(DWORD id, const Bytes& report) {
        ASSERT_EQ(OrvHidSimSendInput(id, report.data(), DWORD(report.size()), nullptr), 1u);
    }
};

// ------------------------------------------------------------------ finding and opening

TEST_F(DeviceTest, FirstMatchOnProductAndOptionalSerial) {
    Plug(PosScanner("Other", "A"));
    Plug(PosScanner("ZR Scanner", "A"));
    Plug(PosScanner("ZR Scanner", "B"));
    struct Case {
        const char* product;
        const char* serial;
        const char* opened;
    };
    const Case cases[] = {
        {"ZR Scanner", "", "A"},  // no serial: the lower index wins
        {"ZR Scanner", "B", "B"},    {"ZR Scanner", "C", nullptr},
        {"zr scanner", "", nullptr},  // product strings compare exactly
        {"ZR Scanne", "", nullptr},
    };
    for (const auto& c : cases) {
        auto device = OpenDevice(c.product, c.serial);
        if (c.opened == nullptr) {
            EXPECT_EQ(device, nullptr) << c.product << "/" << c.serial;
            continue;
        }
        ASSERT_NE(device, nullptr) << c.product << "/" << c.serial;
        EXPECT_EQ(CDeviceBase::ReadSerialNumberString(device->DeviceHandle()), c.opened);
        device->Close();
    }
}

TEST_F(DeviceTest, NullCallbacksOpenNothing) {
    const DWORD id = Plug(PosScanner());
    auto device = std::make_shared<CDeviceBase>();
    void* handle = reinterpret_cast<void*>(0xDEADBEEF);
    EXPECT_FALSE(device->Open("ZR Scanner", "", nullptr, Recorder::OnError, nullptr, handle));
    EXPECT_FALSE(device->Open("ZR Scanner", "", Recorder::OnReceive, nullptr, nullptr, handle));
    EXPECT_EQ(handle, reinterpret_cast<void*>(0xDEADBEEF));
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(DeviceTest, ObjectNotOwnedBySharedPtrRefusesToOpen) {
    Plug(PosScanner());
    CDeviceBase device;
    void* handle = nullptr;
    EXPECT_FALSE(
        device.Open("ZR Scanner", "", Recorder::OnReceive, Recorder::OnError, nullptr, handle));
}

TEST_F(DeviceTest, ReaderThatNeverRunsFailsTheOpenAfterOneSecond) {
    const DWORD id = Plug(PosScanner());
    auto device = std::make_shared<CDeviceBase>();
    void* handle = nullptr;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(device->Open("ZR Scanner", "", Recorder::OnReceive, Recorder::OnError,
                              Recorder::RefuseThreadStart, handle));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1000ms);
    const auto errors = Recorder::Instance().Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 0);
    EXPECT_EQ(errors[0].message, "Closing because timeout waiting for mhWatchRunningEvent");
    EXPECT_NE(errors[0].handle, nullptr);
    EXPECT_EQ(errors[0].thread, std::this_thread::get_id());
    EXPECT_EQ(Recorder::Instance().ThreadStarts(), 1);
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(DeviceTest, CloseTwiceThenOpenAgain) {
    const DWORD id = Plug(CountedReportDevice());
    auto device = OpenDevice<CDeviceCountedReport>("ZR Counted");
    ASSERT_NE(device, nullptr);
    device->Close();
    device->Close();
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
    void* handle = nullptr;
    ASSERT_TRUE(
        device->Open("ZR Counted", "", Recorder::OnReceive, Recorder::OnError, nullptr, handle));
    Send(id, {0x00, 0x00, 'x', 'y'});
    ASSERT_TRUE(Recorder::Instance().WaitDeliveries(1));
    EXPECT_EQ(Recorder::Instance().Deliveries()[0].bytes, (Bytes{'x', 'y'}));
}

TEST_F(DeviceTest, DroppingTheLastOwnerClosesTheDeviceAndStopsItsReader) {
    const DWORD id = Plug(CountedReportDevice());
    auto device = OpenDevice<CDeviceCountedReport>("ZR Counted");
    ASSERT_NE(device, nullptr);
    const auto start = std::chrono::steady_clock::now();
    device.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);  // the reader answered the stop
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
    const Bytes report = {0x00, 0x00, 'x', 'y'};
    EXPECT_EQ(OrvHidSimSendInput(id, report.data(), DWORD(report.size()), nullptr), 0u);
    EXPECT_TRUE(Recorder::Instance().Deliveries().empty());
}

// ------------------------------------------------------------------ the reader

TEST_F(DeviceTest, DeliversEachReportOnItsReaderThread) {
    const DWORD id = Plug(CountedReportDevice());
    auto device = OpenDevice<CDeviceCountedReport>("ZR Counted");
    ASSERT_NE(device, nullptr);
    Send(id, {0x01, 0x01, 'a', 'b', 'c'});
    Send(id, {0x01, 0x00, 'd', 'e'});
    ASSERT_TRUE(Recorder::Instance().WaitDeliveries(2));
    const auto deliveries = Recorder::Instance().Deliveries();
    EXPECT_EQ(deliveries[0].bytes, (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(deliveries[1].bytes, (Bytes{'d', 'e'}));
    EXPECT_NE(deliveries[0].thread, std::this_thread::get_id());
    EXPECT_EQ(deliveries[0].thread, deliveries[1].thread);
    EXPECT_EQ(deliveries[0].handle, device->DeviceHandle());
    EXPECT_EQ(Recorder::Instance().ThreadStarts(), 1);
}

TEST_F(DeviceTest, UnplugReports1167AndClosesTheDevice) {
    const DWORD id = Plug(PosScanner());
    auto device = OpenDevice<CDeviceHidPos>("ZR Scanner");
    ASSERT_NE(device, nullptr);
    void* handle = device->DeviceHandle();
    ASSERT_TRUE(OrvHidSimUnplug(id));
    ASSERT_TRUE(Recorder::Instance().WaitErrors(1));
    const auto error = Recorder::Instance().Errors()[0];
    EXPECT_EQ(error.code, 1167);
    EXPECT_EQ(error.message, kNotConnected);
    EXPECT_EQ(error.handle, handle);
    EXPECT_NE(error.thread, std::this_thread::get_id());
    // The reader closes the device itself; its stop wait runs the full second first.
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (device->IsOpen() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
    device->Close();  // nothing left to do
    EXPECT_EQ(Recorder::Instance().Errors().size(), 1u);
}

// A class whose reports carry more than the reader's first delivery buffer holds.
class BigReports : public CDeviceBase {
public:
    void ParseInputReport(const unsigned char* report, ULONG length,
                          std::vector<unsigned char>& out) override {
        for (int i = 0; i < 3000; ++i) out.push_back(length > 1 ? report[1] : 0);
    }
};

TEST_F(DeviceTest, DeliveryBufferGrowsForLargeBlocks) {
    const DWORD id = Plug(CountedReportDevice());
    auto device = OpenDevice<BigReports>("ZR Counted");
    ASSERT_NE(device, nullptr);
    Send(id, {0x7E});
    Send(id, {0x7F});
    ASSERT_TRUE(Recorder::Instance().WaitDeliveries(2));
    EXPECT_EQ(Recorder::Instance().Deliveries()[0].bytes, Bytes(3000, 0x7E));
    EXPECT_EQ(Recorder::Instance().Deliveries()[1].bytes, Bytes(3000, 0x7F));
}

// ------------------------------------------------------------------ writing

TEST_F(DeviceTest, SixHundredBytesGoOutInChunksOf247_247_106) {
    const DWORD id = Plug(CountedReportDevice("ZR Counted", 251));
    auto device = OpenDevice<CDeviceCountedReport>("ZR Counted");
    ASSERT_NE(device, nullptr);
    Bytes data(600);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7);
    EXPECT_TRUE(device->WriteData(data.data(), 600));
    size_t offset = 0;
    for (unsigned count : {247u, 247u, 106u}) {
        const Bytes report = Take(id);
        ASSERT_EQ(report.size(), 250u);  // 251 without the 0 report ID
        EXPECT_EQ(report[0], 0x30);
        EXPECT_EQ(report[1], count);
        EXPECT_TRUE(
            std::equal(data.begin() + offset, data.begin() + offset + count, report.begin() + 2));
        EXPECT_TRUE(std::all_of(report.begin() + 2 + count, report.end(),
                                [](unsigned char b) { return b == 0; }));
        offset += count;
    }
    EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);
    EXPECT_TRUE(device->WriteData(data.data(), 0));
    EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);
}

TEST_F(DeviceTest, HidPosReportOf64BytesTakes62DataBytes) {
    const DWORD id = Plug(PosScanner());
    auto device = OpenDevice<CDeviceHidPos>("ZR Scanner");
    ASSERT_NE(device, nullptr);
    const Bytes data(63, 'D');
    EXPECT_TRUE(device->WriteData(data.data(), 62));
    Bytes expected = {0xFD, 62};
    expected.insert(expected.end(), 62, 'D');
    EXPECT_EQ(Take(id), expected);
    EXPECT_TRUE(Recorder::Instance().Errors().empty());

    EXPECT_FALSE(device->WriteData(data.data(), 63));
    EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);
    const auto errors = Recorder::Instance().Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 0);
    EXPECT_EQ(errors[0].message, "CDeviceBase::DoSendWithPreAmble - Bad Write");
    EXPECT_EQ(errors[0].handle, device->DeviceHandle());
}

TEST_F(DeviceTest, StringReportDeviceRefusesDataAndSendsNothing) {
    const DWORD id = Plug(StringReportDevice());
    auto device = OpenDevice<CDeviceStringReport>("ZR Text");
    ASSERT_NE(device, nullptr);
    const Bytes data = {'h', 'i'};
    EXPECT_FALSE(device->WriteData(data.data(), 2));
    EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);
    EXPECT_TRUE(Recorder::Instance().Errors().empty());
}

TEST_F(DeviceTest, FeatureReportDeviceFramesDataBehindFiveBytes) {
    const DWORD id = Plug(FeatureReportDevice());
    auto device = OpenDevice<CDeviceFeatureReport>("ZR Feature");
    ASSERT_NE(device, nullptr);
    const Bytes data = {1, 2, 3, 4, 5};
    EXPECT_TRUE(device->WriteData(data.data(), 5));
    EXPECT_EQ(Take(id), Padded({0x09, 0x00, 0x08, 0x00, 1, 2, 3, 4, 5}, 63));
}

TEST_F(DeviceTest, FailedWriteIsReportedAndRefused) {
    const DWORD id = Plug(CountedReportDevice());
    auto device = OpenDevice<CDeviceCountedReport>("ZR Counted");
    ASSERT_NE(device, nullptr);
    OrvHidSimSetWriteMode(id, ORV_HID_SIM_WRITE_FAIL);
    const Bytes data = {1};
    EXPECT_FALSE(device->WriteData(data.data(), 1));
    ASSERT_EQ(Recorder::Instance().Errors().size(), 1u);
    EXPECT_EQ(Recorder::Instance().Errors()[0].message,
              "CDeviceBase::DoSendWithPreAmble - Bad Write");
    EXPECT_TRUE(device->IsOpen());  // a bad write leaves the device open
}

TEST_F(DeviceTest, StalledWriteGivesUpAfterFiveSeconds) {
    const DWORD id = Plug(CountedReportDevice());
    auto device = OpenDevice<CDeviceCountedReport>("ZR Counted");
    ASSERT_NE(device, nullptr);
    OrvHidSimSetWriteMode(id, ORV_HID_SIM_WRITE_STALL);
    const Bytes data = {1};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(device->WriteData(data.data(), 1));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 5000ms);
    EXPECT_LT(took, 7000ms);
    EXPECT_EQ(Recorder::Instance().Errors().size(), 1u);
}

TEST_F(DeviceTest, ClosedDeviceWritesNothing) {
    const DWORD id = Plug(CountedReportDevice());
    auto device = OpenDevice<CDeviceCountedReport>("ZR Counted");
    ASSERT_NE(device, nullptr);
    device->Close();
    const Bytes data = {1};
    EXPECT_FALSE(device->WriteData(data.data(), 1));
    EXPECT_TRUE(device->SendSynT());
    EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);
    EXPECT_TRUE(Recorder::Instance().Errors().empty());  // closed: nothing happens, nothing said
}

}  // namespace
