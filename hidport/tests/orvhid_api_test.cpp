// The exported device API, called through libHidPortLib.so: class choice, matching, the device
// table (closing twice, handle values that come back), concurrency, enumeration on both
// backends, and the library's exported symbols.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>

#include "callback_recorder.h"
#include "fake_sysfs.h"
#include "golden.h"
#include "hidport/orvhid.h"
#include "platform/hid_sim.h"
#include "sim_devices.h"

namespace {

using namespace orv::hidport::test;
using namespace std::chrono_literals;
using Bytes = std::vector<unsigned char>;

class Api : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ORV_HID_BACKEND", "sim", 1);
        OrvHidSimReset();
        Recorder::Instance().Reset();
    }
    void TearDown() override {
        for (void* h : opened_) orvhidCloseDevice(h);
        OrvHidSimReset();
    }
    bool Open(const std::string& product, const std::string& serial, void*& handle) {
        if (!orvhidOpenDevice(product, serial, Recorder::OnReceive, Recorder::OnError,
                              Recorder::OnThreadStart, handle))
            return false;
        opened_.push_back(handle);
        return true;
    }
    static Bytes Take(DWORD id) {
        Bytes report(300);
        report.resize(OrvHidSimTakeOutput(id, report.data(), DWORD(report.size()), 1000));
        return report;
    }
    std::vector<void*> opened_;
};

// ------------------------------------------------------------------ choosing the device class

struct ClassCase {
    USHORT usagePage;
    USHORT usage;
    bool opens;
    Bytes written;  // what writing 'x' puts on the wire (device form); empty: the write is refused
};

void PrintTo(const ClassCase& c, std::ostream* os) {
    *os << std::hex << c.usagePage << "/" << c.usage;
}

class ClassChoice : public Api, public ::testing::WithParamInterface<ClassCase> {};

TEST_P(ClassChoice, FollowsTheUsageTable) {
    const ClassCase& c = GetParam();
    ORV_HID_SIM_DEVICE info = CountedReportDevice("Chosen");
    info.UsagePage = c.usagePage;
    info.Usage = c.usage;
    info.UsesReportIds = c.usagePage == 0x008C;
    const DWORD id = OrvHidSimAddDevice(&info);
    void* handle = reinterpret_cast<void*>(0xDEADBEEF);
    if (!c.opens) {
        EXPECT_FALSE(Open("Chosen", "", handle));
        EXPECT_EQ(handle, reinterpret_cast<void*>(0xDEADBEEF));
        EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);  // the probe is closed too
        return;
    }
    ASSERT_TRUE(Open("Chosen", "", handle));
    EXPECT_EQ(orvhidGetUsagePage(handle), c.usagePage);
    EXPECT_EQ(orvhidGetUsage(handle), c.usage);
    EXPECT_EQ(OrvHidSimOpenHandles(id), 1u);
    const unsigned char x = 'x';
    EXPECT_EQ(orvhidWriteToDevice(handle, &x, 1), !c.written.empty());
    if (c.written.empty()) {
        EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);
        return;
    }
    Bytes expected = c.written;
    expected.resize(info.UsesReportIds ? 64 : 63, 0);
    EXPECT_EQ(Take(id), expected);
}

const Bytes kHidPosX = {0xFD, 0x01, 'x'}, kFeatureX = {0x05, 0x00, 0x08, 0x00, 'x'},
            kCountedX = {0x30, 0x01, 'x'};

std::string PageAndUsage(const ::testing::TestParamInfo<ClassCase>& info) {
    char name[32];
    std::snprintf(name, sizeof name, "Page%04X_Usage%04X", info.param.usagePage, info.param.usage);
    return name;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, ClassChoice, ::testing::Values(
    ClassCase{0x008C, 0x0002, true, kHidPosX},  // point-of-sale scanner page, any usage
    ClassCase{0x008C, 0x7777, true, kHidPosX},
    ClassCase{0xFF45, 0x4B00, true, {}},        // text reports take no data
    ClassCase{0xFF45, 0x4A00, true, {}},
    ClassCase{0xFF45, 0x6400, true, kFeatureX},
    ClassCase{0xFF45, 0x6500, true, kFeatureX},
    ClassCase{0xFF45, 0x6800, true, kFeatureX},
    ClassCase{0xFF45, 0x6900, true, kFeatureX},
    ClassCase{0xFFA0, 0x0001, true, kCountedX},
    ClassCase{0xFFA0, 0x4B00, true, kCountedX},
    ClassCase{0xFF45, 0x6600, false, {}},       // usages nobody serves
    ClassCase{0xFF45, 0x0001, false, {}},
    ClassCase{0x0001, 0x0006, false, {}}),
    PageAndUsage);
// clang-format on

// ------------------------------------------------------------------ matching and the table

TEST_F(Api, OpenRefusesEmptyProductAndMissingCallbacks) {
    const auto info = PosScanner();
    const DWORD id = OrvHidSimAddDevice(&info);
    void* handle = nullptr;
    EXPECT_FALSE(orvhidOpenDevice("", "", Recorder::OnReceive, Recorder::OnError, nullptr, handle));
    EXPECT_FALSE(orvhidOpenDevice("ZR Scanner", "", nullptr, Recorder::OnError, nullptr, handle));
    EXPECT_FALSE(orvhidOpenDevice("ZR Scanner", "", Recorder::OnReceive, nullptr, nullptr, handle));
    EXPECT_FALSE(
        orvhidOpenDevice("Nobody", "", Recorder::OnReceive, Recorder::OnError, nullptr, handle));
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
    EXPECT_TRUE(Recorder::Instance().Errors().empty());  // refusals report nothing
}

TEST_F(Api, TwoIdenticalDevicesOpenTheLowerIndex) {
    const auto info = PosScanner();
    const DWORD first = OrvHidSimAddDevice(&info), second = OrvHidSimAddDevice(&info);
    void* handle = nullptr;
    ASSERT_TRUE(Open("ZR Scanner", "", handle));
    EXPECT_EQ(OrvHidSimOpenHandles(first), 1u);
    EXPECT_EQ(OrvHidSimOpenHandles(second), 0u);
    const Bytes scan = {0x02, 0x01, ']', 'E', '0', '1'};
    EXPECT_EQ(OrvHidSimSendInput(first, scan.data(), DWORD(scan.size()), nullptr), 1u);
    ASSERT_TRUE(Recorder::Instance().WaitDeliveries(1));
    EXPECT_EQ(Recorder::Instance().Deliveries()[0].handle, handle);
    // The probe's reader ran too, and so did the device's: one thread start each.
    EXPECT_EQ(Recorder::Instance().ThreadStarts(), 2);
}

TEST_F(Api, SerialNumberPicksAmongEqualProducts) {
    const auto a = PosScanner("ZR Scanner", "A"), b = PosScanner("ZR Scanner", "B");
    OrvHidSimAddDevice(&a);
    const DWORD idB = OrvHidSimAddDevice(&b);
    void* handle = nullptr;
    ASSERT_TRUE(Open("ZR Scanner", "B", handle));
    EXPECT_EQ(OrvHidSimOpenHandles(idB), 1u);
    EXPECT_EQ(orvhidGetProductName(handle), "ZR Scanner");
    EXPECT_EQ(orvhidGetVendorID(handle), 0x0C2E);
    EXPECT_EQ(orvhidGetProductID(handle), 0x0B61);
}

TEST_F(Api, CloseTwiceIsTrueBothTimesAndUnknownHandlesAreRefused) {
    const auto info = PosScanner();
    const DWORD id = OrvHidSimAddDevice(&info);
    void* handle = nullptr;
    ASSERT_TRUE(Open("ZR Scanner", "", handle));
    EXPECT_TRUE(orvhidCloseDevice(handle));
    EXPECT_TRUE(orvhidCloseDevice(handle));
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
    // The entry stays: usage is still known, the device's attributes are not.
    EXPECT_EQ(orvhidGetUsagePage(handle), 0x008C);
    EXPECT_EQ(orvhidGetVendorID(handle), 0);
    const unsigned char x = 'x';
    EXPECT_FALSE(orvhidWriteToDevice(handle, &x, 1));

    void* unknown = reinterpret_cast<void*>(0x1234);
    EXPECT_FALSE(orvhidCloseDevice(unknown));
    EXPECT_FALSE(orvhidWriteToDevice(unknown, &x, 1));
    EXPECT_FALSE(orvhidWriteToDevice(unknown, &x, 0));
    EXPECT_EQ(orvhidGetUsagePage(unknown), 0);
    EXPECT_EQ(orvhidGetUsage(unknown), 0);
    EXPECT_EQ(orvhidGetProductID(unknown), 0);
    EXPECT_EQ(orvhidGetVendorID(unknown), 0);
    EXPECT_EQ(orvhidGetProductName(unknown), "");
}

TEST_F(Api, ZeroLengthWriteIsTrueAndSendsNothing) {
    const auto info = PosScanner();
    const DWORD id = OrvHidSimAddDevice(&info);
    void* handle = nullptr;
    ASSERT_TRUE(Open("ZR Scanner", "", handle));
    EXPECT_TRUE(orvhidWriteToDevice(handle, nullptr, 0));
    EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);
}

TEST_F(Api, HandleValueThatComesBackNamesTheNewDevice) {
    const auto scanner = PosScanner();
    const auto counted = CountedReportDevice();
    const DWORD a = OrvHidSimAddDevice(&scanner), b = OrvHidSimAddDevice(&counted);
    void* first = nullptr;
    ASSERT_TRUE(Open("ZR Scanner", "", first));
    OrvHidSimUnplug(a);  // the device closes itself; its entry stays
    ASSERT_TRUE(Recorder::Instance().WaitErrors(1));
    for (int i = 0; i < 300 && OrvHidSimOpenHandles(a) != 0; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(OrvHidSimOpenHandles(a), 0u);

    void* second = nullptr;
    ASSERT_TRUE(Open("ZR Counted", "", second));
    ASSERT_EQ(second, first);  // the freed handle value is the lowest free one again
    EXPECT_EQ(orvhidGetUsagePage(second), 0xFFA0);
    const unsigned char x = 'x';
    EXPECT_TRUE(orvhidWriteToDevice(first, &x, 1));
    EXPECT_EQ(Take(b)[0], 0x30);
}

TEST_F(Api, ConcurrentOpensAndClosesKeepEachHandleOnItsDevice) {
    constexpr int kThreads = 4, kRounds = 15;
    std::vector<DWORD> ids;
    for (int t = 0; t < kThreads; ++t) {
        const std::string product = "ZR Counted " + std::to_string(t);
        const auto info = CountedReportDevice(product.c_str());
        ids.push_back(OrvHidSimAddDevice(&info));
    }
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string product = "ZR Counted " + std::to_string(t);
            for (int round = 0; round < kRounds; ++round) {
                void* handle = nullptr;
                if (!orvhidOpenDevice(product, "", Recorder::OnReceive, Recorder::OnError, nullptr,
                                      handle)) {
                    ++failures;
                    continue;
                }
                const unsigned char mark = static_cast<unsigned char>(t);
                if (!orvhidWriteToDevice(handle, &mark, 1)) ++failures;
                if (!orvhidCloseDevice(handle)) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(OrvHidSimPendingOutput(ids[t]), unsigned(kRounds)) << t;
        for (int round = 0; round < kRounds; ++round) EXPECT_EQ(Take(ids[t])[2], t);
        EXPECT_EQ(OrvHidSimOpenHandles(ids[t]), 0u);
    }
}

// ------------------------------------------------------------------ enumeration

TEST_F(Api, EnumerationListsEveryInterfaceInBusOrder) {
    const auto a = PosScanner("First"), b = CountedReportDevice(""),
               c = StringReportDevice("Third");
    OrvHidSimAddDevice(&a);
    OrvHidSimAddDevice(&b);
    const DWORD third = OrvHidSimAddDevice(&c);
    std::vector<std::string> names = {"stale"};
    orvhidEnumerateDevices(names);
    EXPECT_EQ(names, (std::vector<std::string>{"First", "", "Third"}));
    OrvHidSimUnplug(third);
    orvhidEnumerateDevices(names);
    EXPECT_EQ(names, (std::vector<std::string>{"First", ""}));
}

TEST_F(Api, ProductStringsAreNarrowedByLowByte) {
    const auto info = PosScanner("Caf\xC3\xA9");  // é (U+00E9) keeps its low byte 0xE9
    OrvHidSimAddDevice(&info);
    std::vector<std::string> names;
    orvhidEnumerateDevices(names);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "Caf\xE9");
}

TEST_F(Api, HidrawEnumerationAndOpenOverAFakeSysfsTree) {
    unsetenv("ORV_HID_BACKEND");
    orv::hid::test::FakeSysfs sysfs;
    orv::hid::test::FakeNode node;
    node.vendorId = 0x0C2E;
    node.productId = 0x0B61;
    node.descriptor = orv::hid::test::ReadDescriptor("pos_scanner");
    for (auto [number, product, dev] :
         {std::tuple{2, "Scanner Two", orv::hid::test::FakeNode::Dev::File},
          std::tuple{0, "Scanner Zero", orv::hid::test::FakeNode::Dev::File},
          std::tuple{1, "Unopenable", orv::hid::test::FakeNode::Dev::Missing}}) {
        node.number = number;
        node.product = product;
        node.dev = dev;
        sysfs.Add(node);
    }
    std::vector<std::string> names;
    orvhidEnumerateDevices(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Scanner Zero", "Scanner Two"}));

    void* handle = nullptr;
    ASSERT_TRUE(Open("Scanner Two", "", handle));
    EXPECT_EQ(orvhidGetUsagePage(handle), 0x008C);
    EXPECT_EQ(orvhidGetVendorID(handle), 0x0C2E);
    EXPECT_TRUE(orvhidCloseDevice(handle));
    opened_.clear();
}

// ------------------------------------------------------------------ exported symbols

TEST(Exports, ExactlyTheDeviceApiAndTheUsbPortNatives) {
    const char* library = std::getenv("ORV_HIDPORT_LIBRARY");
    ASSERT_NE(library, nullptr);
    const std::string command = std::string("nm -D --defined-only -C ") + library;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        text = text.substr(text.find(' ', text.find(' ') + 1) + 1);  // after "address type "
        text = text.substr(0, text.find_first_of("(["));  // name without parameters or ABI tag
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        names.insert(text);
    }
    ASSERT_EQ(pclose(pipe), 0);
    const std::set<std::string> expected = {"orvhidOpenDevice",
                                            "orvhidCloseDevice",
                                            "orvhidWriteToDevice",
                                            "orvhidEnumerateDevices",
                                            "orvhidGetProductName",
                                            "orvhidGetUsagePage",
                                            "orvhidGetUsage",
                                            "orvhidGetProductID",
                                            "orvhidGetVendorID",
                                            "Java_com_orv_comm_USBPort_Open",
                                            "Java_com_orv_comm_USBPort_Close",
                                            "Java_com_orv_comm_USBPort_Write"};
    EXPECT_EQ(names, expected);
}

}  // namespace
