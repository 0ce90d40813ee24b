// The simulated bus through the public HID functions: what a reader, a writer and enumeration
// see, and what the controls make devices do.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "../../win32/tests/blocked_thread.h"
#include "platform/hid.h"
#include "platform/hid_sim.h"
#include "platform/win32.h"

namespace {

using Bytes = std::vector<BYTE>;

ORV_HID_SIM_DEVICE Scanner(const char* product = "Scanner", const char* serial = "S1") {
    return {product, serial, 0x0C2E, 0x0B61, 0x0100, 0x008C, 0x0002, 64, 64, 3, TRUE};
}

ORV_HID_SIM_DEVICE Vendor(const char* product = "Vendor") {  // no report IDs
    return {product, "", 0x1234, 0x5678, 0, 0xFFA0, 0x0001, 9, 9, 9, FALSE};
}

struct Event {
    HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Event() { CloseHandle(handle); }
    bool Signalled(DWORD ms = 0) const { return WaitForSingleObject(handle, ms) == WAIT_OBJECT_0; }
};

class HidSim : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ORV_HID_BACKEND", "sim", 1);
        OrvHidSimReset();
    }
    void TearDown() override {
        for (HANDLE h : opened_) OrvHidClose(h);
        OrvHidSimReset();
    }
    HANDLE OpenId(DWORD id) {
        HANDLE h = OrvHidOpen(("sim:" + std::to_string(id)).c_str());
        if (h != INVALID_HANDLE_VALUE) opened_.push_back(h);
        return h;
    }
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        HANDLE list = OrvHidGetInterfaceList();
        char path[64];
        for (DWORD i = 0; OrvHidGetInterfacePath(list, i, path, sizeof path, nullptr); ++i)
            paths.emplace_back(path);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
        OrvHidDestroyInterfaceList(list);
        return paths;
    }
    std::vector<HANDLE> opened_;
};

// ------------------------------------------------------------------ enumeration

TEST_F(HidSim, ListsPluggedDevicesInPlugOrder) {
    const auto a = Scanner("A"), b = Scanner("B"), c = Scanner("C");
    const DWORD ia = OrvHidSimAddDevice(&a), ib = OrvHidSimAddDevice(&b),
                ic = OrvHidSimAddDevice(&c);
    ASSERT_TRUE(ia && ib && ic);
    ASSERT_TRUE(OrvHidSimUnplug(ib));
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{"sim:" + std::to_string(ia), "sim:" + std::to_string(ic)}));
    EXPECT_FALSE(OrvHidSimUnplug(ib));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(HidSim, EmptyBusGivesEmptyList) {
    EXPECT_TRUE(Paths().empty());
}

TEST_F(HidSim, InterfacePathReportsSizeNeededAndRejectsBadLists) {
    const auto d = Scanner();
    OrvHidSimAddDevice(&d);
    HANDLE list = OrvHidGetInterfaceList();
    char small[3];
    DWORD required = 0xDEADBEEF;
    EXPECT_FALSE(OrvHidGetInterfacePath(list, 0, small, sizeof small, &required));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_GT(required, sizeof small);
    EXPECT_TRUE(OrvHidDestroyInterfaceList(list));
    EXPECT_FALSE(OrvHidDestroyInterfaceList(list));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(OrvHidGetInterfacePath(list, 0, small, sizeof small, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

// ------------------------------------------------------------------ open, close, queries

TEST_F(HidSim, OpenFailsForUnknownOrUnpluggedDevices) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    OrvHidSimUnplug(id);
    for (const char* path : {"sim:", "sim:999", "sim:x1", "/dev/nothing-here"}) {
        SetLastError(0);
        EXPECT_EQ(OrvHidOpen(path), INVALID_HANDLE_VALUE) << path;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND)) << path;
    }
    EXPECT_EQ(OpenId(id), INVALID_HANDLE_VALUE);
    EXPECT_EQ(OrvHidOpen(nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(HidSim, ClosedHandleValuesComeBackLowestFirst) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE first = OrvHidOpen(("sim:" + std::to_string(id)).c_str());
    HANDLE second = OrvHidOpen(("sim:" + std::to_string(id)).c_str());
    ASSERT_NE(first, second);
    EXPECT_EQ(OrvHidSimOpenHandles(id), 2u);
    EXPECT_TRUE(OrvHidClose(first));
    EXPECT_FALSE(OrvHidClose(first));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    HANDLE third = OrvHidOpen(("sim:" + std::to_string(id)).c_str());
    EXPECT_EQ(third, first);
    OrvHidClose(second);
    OrvHidClose(third);
    EXPECT_EQ(OrvHidSimOpenHandles(id), 0u);
}

TEST_F(HidSim, AttributesStringsAndCapsAreTheDevicesOwn) {
    const auto d = Scanner("Z\xC3\xA9 Scanner", "0042");  // UTF-8 é
    HANDLE h = OpenId(OrvHidSimAddDevice(&d));
    HIDD_ATTRIBUTES attributes{};
    ASSERT_TRUE(OrvHidGetAttributes(h, &attributes));
    EXPECT_EQ(attributes.Size, sizeof attributes);
    EXPECT_EQ(attributes.VendorID, 0x0C2E);
    EXPECT_EQ(attributes.ProductID, 0x0B61);
    EXPECT_EQ(attributes.VersionNumber, 0x0100);

    char16_t text[32];
    ASSERT_TRUE(OrvHidGetProductString(h, text, sizeof text));
    EXPECT_EQ(std::u16string(text), u"Z\u00E9 Scanner");
    ASSERT_TRUE(OrvHidGetSerialNumberString(h, text, sizeof text));
    EXPECT_EQ(std::u16string(text), u"0042");
    // Truncated to the buffer, always terminated.
    ASSERT_TRUE(OrvHidGetProductString(h, text, 6));
    EXPECT_EQ(std::u16string(text), u"Z\u00E9");

    HIDP_CAPS caps;
    std::memset(&caps, 0xEF, sizeof caps);
    ASSERT_TRUE(OrvHidGetCaps(h, &caps));
    EXPECT_EQ(caps.UsagePage, 0x008C);
    EXPECT_EQ(caps.Usage, 0x0002);
    EXPECT_EQ(caps.InputReportByteLength, 64);
    EXPECT_EQ(caps.OutputReportByteLength, 64);
    EXPECT_EQ(caps.FeatureReportByteLength, 3);
    EXPECT_EQ(caps.NumberInputButtonCaps, 0);
}

TEST_F(HidSim, QueriesGiveWindowsErrors) {
    const auto d = Vendor();  // no serial number
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OpenId(id);
    char16_t text[8];
    EXPECT_FALSE(OrvHidGetSerialNumberString(h, text, sizeof text));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(OrvHidGetProductString(h, text, 1));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(OrvHidGetAttributes(h, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    const HANDLE bogus = reinterpret_cast<HANDLE>(uintptr_t(0x10002));
    HIDD_ATTRIBUTES attributes{};
    for (HANDLE bad : {bogus, INVALID_HANDLE_VALUE, HANDLE(nullptr)}) {
        EXPECT_FALSE(OrvHidGetAttributes(bad, &attributes));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    }
    OrvHidSimUnplug(id);
    EXPECT_FALSE(OrvHidGetAttributes(h, &attributes));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));
}

// ------------------------------------------------------------------ input reports

TEST_F(HidSim, QueuedReportIsReadAtOncePaddedToTheReportLength) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OpenId(id);
    const BYTE report[] = {0x02, 0x04, ']', 'E', '0', '1', '2', '3', '4'};
    EXPECT_EQ(OrvHidSimSendInput(id, report, sizeof report, nullptr), 1u);
    Event ready;
    Bytes buffer(65, 0xCC);
    DWORD read = 0;
    ASSERT_TRUE(OrvHidReadReport(h, buffer.data(), DWORD(buffer.size()), &read, ready.handle));
    EXPECT_EQ(read, 64u);
    EXPECT_TRUE(std::equal(std::begin(report), std::end(report), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + sizeof report, buffer.begin() + 64,
                            [](BYTE b) { return b == 0; }));
    EXPECT_FALSE(ready.Signalled());
}

// The queue reuses the buffers of reports already read: a short report after a long one still
// reads padded with zeros, and a stream longer than the reused buffers stays whole and in order.
TEST_F(HidSim, ReportsAfterLongerOnesReadPaddedAndInOrder) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OpenId(id);
    Event ready;
    Bytes buffer(64);
    DWORD read = 0;
    // Reports read one by one as they come, and in bursts of several queued at once.
    for (const int batch : {1, 3, 20}) {
        SCOPED_TRACE(batch);
        for (int round = 0; round < 4; ++round) {
            std::vector<Bytes> sent;
            for (int i = 0; i < batch; ++i) {
                Bytes report = {0x02};
                const int n = round * batch + i;
                const size_t extra = (n % 2 == 0) ? 62 : size_t(n % 5);  // long, short, ...
                for (size_t k = 0; k < extra; ++k) report.push_back(BYTE(0x80 + n + k));
                ASSERT_EQ(OrvHidSimSendInput(id, report.data(), DWORD(report.size()), nullptr),
                          1u);
                report.resize(64, 0);
                sent.push_back(report);
            }
            for (const Bytes& expected : sent) {
                std::fill(buffer.begin(), buffer.end(), BYTE(0xCC));
                ASSERT_TRUE(OrvHidReadReport(h, buffer.data(), 64, &read, ready.handle));
                EXPECT_EQ(buffer, expected);
            }
        }
    }
}

TEST_F(HidSim, PendingReadIsCompletedByTheNextReport) {
    const auto d = Vendor();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OpenId(id);
    Event ready;
    Bytes buffer(9);
    DWORD read = 0;
    ASSERT_FALSE(OrvHidReadReport(h, buffer.data(), 9, &read, ready.handle));
    ASSERT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
    EXPECT_FALSE(OrvHidGetReadResult(h, buffer.data(), 9, &read));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_IO_INCOMPLETE));
    std::thread device([id] {
        const BYTE report[] = {0xA1, 0xB2};
        OrvHidSimSendInput(id, report, sizeof report, nullptr);
    });
    EXPECT_TRUE(ready.Signalled(2000));
    device.join();
    ASSERT_TRUE(OrvHidGetReadResult(h, buffer.data(), 9, &read));
    // A device without report IDs reads with a 0 byte in front, as on Windows.
    EXPECT_EQ(buffer, (Bytes{0x00, 0xA1, 0xB2, 0, 0, 0, 0, 0, 0}));
}

TEST_F(HidSim, EveryOpenHandleGetsItsOwnCopy) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE a = OpenId(id), b = OpenId(id);
    const BYTE report[] = {0x02, 0x01};
    EXPECT_EQ(OrvHidSimSendInput(id, report, sizeof report, nullptr), 2u);
    Event ready;
    Bytes buffer(64);
    DWORD read = 0;
    EXPECT_TRUE(OrvHidReadReport(a, buffer.data(), 64, &read, ready.handle));
    EXPECT_TRUE(OrvHidReadReport(b, buffer.data(), 64, &read, ready.handle));
}

TEST_F(HidSim, BadInputReportsAreRefused) {
    const auto scanner = Scanner();
    const auto vendor = Vendor();
    const DWORD s = OrvHidSimAddDevice(&scanner), v = OrvHidSimAddDevice(&vendor);
    OpenId(s);
    OpenId(v);
    const Bytes long65(65, 1), long9(9, 1), long8(8, 1);
    struct Case {
        DWORD id;
        const BYTE* data;
        DWORD length;
        DWORD queued;
    };
    const Case cases[] = {
        {s, long65.data(), 65, 0},  // longer than the input report
        {s, nullptr, 0, 0},         // no report ID
        {s, nullptr, 3, 0},         // null data
        {v, long9.data(), 9, 0},    // 9 + the added 0 byte > 9
        {v, long8.data(), 8, 1},    // fits exactly
        {v, nullptr, 0, 1},         // an empty report is still a report
        {999, long8.data(), 1, 0},  // unknown device
    };
    for (const auto& c : cases)
        EXPECT_EQ(OrvHidSimSendInput(c.id, c.data, c.length, nullptr), c.queued)
            << c.id << "/" << c.length;
}

TEST_F(HidSim, FullQueueDropsAndCountsIt) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    OpenId(id);
    const BYTE report[] = {0x02, 0x00};
    for (int i = 0; i < ORV_HID_SIM_INPUT_QUEUE; ++i)
        ASSERT_EQ(OrvHidSimSendInput(id, report, 2, nullptr), 1u);
    DWORD dropped = 0;
    EXPECT_EQ(OrvHidSimSendInput(id, report, 2, &dropped), 0u);
    EXPECT_EQ(dropped, 1u);
}

TEST_F(HidSim, UnplugCompletesThePendingReadAfterQueuedReports) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OpenId(id);
    Event ready;
    Bytes buffer(64);
    DWORD read = 0;
    ASSERT_FALSE(OrvHidReadReport(h, buffer.data(), 64, &read, ready.handle));
    ASSERT_TRUE(OrvHidSimUnplug(id));
    EXPECT_TRUE(ready.Signalled(2000));
    EXPECT_FALSE(OrvHidGetReadResult(h, buffer.data(), 64, &read));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));

    // Reports that arrived before the unplug still come first; after them a new read is pending
    // with its event already set, and its result is the unplug.
    const DWORD id2 = OrvHidSimAddDevice(&d);
    HANDLE h2 = OpenId(id2);
    const BYTE report[] = {0x02, 0x00};
    OrvHidSimSendInput(id2, report, 2, nullptr);
    OrvHidSimUnplug(id2);
    Event again;
    EXPECT_TRUE(OrvHidReadReport(h2, buffer.data(), 64, &read, again.handle));
    EXPECT_FALSE(OrvHidReadReport(h2, buffer.data(), 64, &read, again.handle));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
    EXPECT_TRUE(again.Signalled());
    EXPECT_FALSE(OrvHidGetReadResult(h2, buffer.data(), 64, &read));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));
}

TEST_F(HidSim, ClosingAbandonsAPendingReadWithoutSettingItsEvent) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OrvHidOpen(("sim:" + std::to_string(id)).c_str());
    Event ready;
    Bytes buffer(64);
    DWORD read = 0;
    ASSERT_FALSE(OrvHidReadReport(h, buffer.data(), 64, &read, ready.handle));
    OrvHidClose(h);
    const BYTE report[] = {0x02, 0x00};
    EXPECT_EQ(OrvHidSimSendInput(id, report, 2, nullptr), 0u);
    EXPECT_FALSE(ready.Signalled(50));
    EXPECT_FALSE(OrvHidGetReadResult(h, buffer.data(), 64, &read));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(HidSim, ReadArgumentsAreChecked) {
    const auto d = Scanner();
    HANDLE h = OpenId(OrvHidSimAddDevice(&d));
    Event ready;
    Bytes buffer(64);
    DWORD read = 0;
    EXPECT_FALSE(OrvHidReadReport(h, buffer.data(), 63, &read, ready.handle));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(OrvHidReadReport(h, nullptr, 64, &read, ready.handle));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(OrvHidReadReport(h, buffer.data(), 64, &read, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

// ------------------------------------------------------------------ output reports

TEST_F(HidSim, WrittenReportsReachTheDeviceInItsOwnForm) {
    const auto scanner = Scanner();
    const auto vendor = Vendor();
    const DWORD s = OrvHidSimAddDevice(&scanner), v = OrvHidSimAddDevice(&vendor);
    HANDLE hs = OpenId(s), hv = OpenId(v);
    Bytes report(64, 0);
    report[0] = 0xFD;
    report[1] = 0x01;
    report[2] = 'A';
    DWORD written = 0xDEADBEEF;
    ASSERT_TRUE(OrvHidWriteReport(hs, report.data(), 64, 100, &written));
    EXPECT_EQ(written, 64u);
    Bytes seen(100);
    ASSERT_EQ(OrvHidSimTakeOutput(s, seen.data(), 100, 0), 64u);
    EXPECT_TRUE(std::equal(report.begin(), report.end(), seen.begin()));

    const Bytes counted = {0x00, 0x30, 0x01, 'B', 0, 0, 0, 0, 0};
    ASSERT_TRUE(OrvHidWriteReport(hv, counted.data(), 9, 100, &written));
    ASSERT_EQ(OrvHidSimTakeOutput(v, seen.data(), 100, 0), 8u);  // without the 0 report ID
    EXPECT_EQ(Bytes(seen.begin(), seen.begin() + 8), Bytes(counted.begin() + 1, counted.end()));
    EXPECT_EQ(OrvHidSimTakeOutput(v, seen.data(), 100, 10), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
}

TEST_F(HidSim, WritesOfTheWrongShapeAreRefused) {
    const auto vendor = Vendor();
    const DWORD v = OrvHidSimAddDevice(&vendor);
    HANDLE h = OpenId(v);
    const Bytes short8(8, 0), long10(10, 0), withId = {0x01, 0, 0, 0, 0, 0, 0, 0, 0};
    DWORD written = 0xDEADBEEF;
    for (const Bytes* report : {&short8, &long10, &withId}) {
        EXPECT_FALSE(OrvHidWriteReport(h, report->data(), DWORD(report->size()), 100, &written));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(written, 0u);
    }
    EXPECT_FALSE(OrvHidWriteReport(h, nullptr, 9, 100, &written));
    EXPECT_EQ(OrvHidSimPendingOutput(v), 0u);
}

TEST_F(HidSim, WriteModesFailStallAndRelease) {
    const auto d = Vendor();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OpenId(id);
    const Bytes report(9, 0);
    DWORD written = 0;

    ASSERT_TRUE(OrvHidSimSetWriteMode(id, ORV_HID_SIM_WRITE_FAIL));
    EXPECT_FALSE(OrvHidWriteReport(h, report.data(), 9, 100, &written));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_GEN_FAILURE));

    ASSERT_TRUE(OrvHidSimSetWriteMode(id, ORV_HID_SIM_WRITE_STALL));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(OrvHidWriteReport(h, report.data(), 9, 150, &written));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_EQ(OrvHidSimPendingOutput(id), 0u);

    // The release waits until this thread sits in the stalled write.
    const pid_t writer = orv::test::ThreadId();
    std::thread release([id, writer] {
        EXPECT_TRUE(orv::test::WaitUntilBlocked(writer));
        OrvHidSimSetWriteMode(id, ORV_HID_SIM_WRITE_NORMAL);
    });
    EXPECT_TRUE(OrvHidWriteReport(h, report.data(), 9, 5000, &written));
    release.join();
    EXPECT_EQ(OrvHidSimPendingOutput(id), 1u);
    EXPECT_FALSE(OrvHidSimSetWriteMode(id, 7));
}

TEST_F(HidSim, StalledWriteEndsWhenTheHandleClosesOrTheDeviceGoes) {
    const auto d = Vendor();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OrvHidOpen(("sim:" + std::to_string(id)).c_str());
    HANDLE h2 = OpenId(id);
    OrvHidSimSetWriteMode(id, ORV_HID_SIM_WRITE_STALL);
    const Bytes report(9, 0);
    DWORD error = 0, error2 = 0;
    std::atomic<pid_t> tid{0};
    std::thread writer([&] {
        tid.store(orv::test::ThreadId());
        DWORD written;
        OrvHidWriteReport(h, report.data(), 9, 10000, &written);
        error = GetLastError();
    });
    while (tid.load() == 0) std::this_thread::yield();
    ASSERT_TRUE(orv::test::WaitUntilBlocked(tid.load())) << "the write stalls";
    OrvHidClose(h);
    writer.join();
    EXPECT_EQ(error, DWORD(ERROR_OPERATION_ABORTED));

    tid.store(0);
    std::thread writer2([&] {
        tid.store(orv::test::ThreadId());
        DWORD written;
        OrvHidWriteReport(h2, report.data(), 9, 10000, &written);
        error2 = GetLastError();
    });
    while (tid.load() == 0) std::this_thread::yield();
    ASSERT_TRUE(orv::test::WaitUntilBlocked(tid.load())) << "the write stalls";
    OrvHidSimUnplug(id);
    writer2.join();
    EXPECT_EQ(error2, DWORD(ERROR_DEVICE_NOT_CONNECTED));
}

// ------------------------------------------------------------------ feature reports

TEST_F(HidSim, FeatureRequestsAreAnsweredAsConfigured) {
    const auto d = Scanner();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OpenId(id);
    Bytes buffer(8, 0xCC);
    buffer[0] = 0xFE;
    EXPECT_FALSE(OrvHidGetFeature(h, buffer.data(), 8));  // nothing to answer with yet
    EXPECT_EQ(GetLastError(), DWORD(ERROR_GEN_FAILURE));

    // The last report set for an ID answers a request for it.
    BYTE set[2] = {0xFE, 0x03};
    ASSERT_TRUE(OrvHidSetFeature(h, set, 2));
    Bytes seen(8);
    ASSERT_EQ(OrvHidSimTakeFeature(id, seen.data(), 8, 0), 2u);
    EXPECT_EQ(seen[0], 0xFE);
    EXPECT_EQ(seen[1], 0x03);
    buffer.assign(8, 0xCC);
    buffer[0] = 0xFE;
    ASSERT_TRUE(OrvHidGetFeature(h, buffer.data(), 8));
    EXPECT_EQ(buffer, (Bytes{0xFE, 0x03, 0, 0, 0, 0, 0, 0}));

    // A configured answer wins; a zero-length one gives the ID alone.
    const BYTE answer[] = {0x10, 0x20, 0x30};
    ASSERT_TRUE(OrvHidSimSetFeatureAnswer(id, 0xFE, answer, 3));
    buffer.assign(3, 0xCC);
    buffer[0] = 0xFE;
    ASSERT_TRUE(OrvHidGetFeature(h, buffer.data(), 3));  // cut to the buffer
    EXPECT_EQ(buffer, (Bytes{0xFE, 0x10, 0x20}));
    ASSERT_TRUE(OrvHidSimSetFeatureAnswer(id, 0xFE, nullptr, 0));
    buffer.assign(4, 0xCC);
    buffer[0] = 0xFE;
    ASSERT_TRUE(OrvHidGetFeature(h, buffer.data(), 4));
    EXPECT_EQ(buffer, (Bytes{0xFE, 0, 0, 0}));

    EXPECT_FALSE(OrvHidGetFeature(h, nullptr, 4));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(OrvHidGetFeature(h, buffer.data(), 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(OrvHidSimSetFeatureAnswer(id, 0, nullptr, 1));
    EXPECT_FALSE(OrvHidSimSetFeatureAnswer(999, 0, answer, 1));
}

TEST_F(HidSim, DeviceWithoutReportIdsOnlyTakesFeatureReportZero) {
    const auto d = Vendor();
    const DWORD id = OrvHidSimAddDevice(&d);
    HANDLE h = OpenId(id);
    BYTE withId[2] = {0x05, 0x01};
    EXPECT_FALSE(OrvHidSetFeature(h, withId, 2));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    BYTE plain[2] = {0x00, 0x01};
    EXPECT_TRUE(OrvHidSetFeature(h, plain, 2));
}

TEST(HidSimControls, AddDeviceChecksItsRecord) {
    EXPECT_EQ(OrvHidSimAddDevice(nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    ORV_HID_SIM_DEVICE huge = Scanner();
    huge.InputReportByteLength = 5000;
    EXPECT_EQ(OrvHidSimAddDevice(&huge), 0u);
    EXPECT_EQ(OrvHidSimOpenHandles(123456), 0u);
    EXPECT_EQ(OrvHidSimTakeOutput(123456, nullptr, 0, 0), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

}  // namespace
