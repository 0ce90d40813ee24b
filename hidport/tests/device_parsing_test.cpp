// Every class's input parsing end to end (report on the simulated bus → receive callback), the
// feature-report path, and the command reports each class sends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

#include "callback_recorder.h"
#include "device_classes.h"
#include "platform/hid_sim.h"
#include "sim_devices.h"

namespace {

using namespace orv::hidport;
using namespace orv::hidport::test;
using Bytes = std::vector<unsigned char>;

enum class Kind { HidPos, String, Feature, Counted };

ORV_HID_SIM_DEVICE DeviceOf(Kind kind) {
    switch (kind) {
        case Kind::HidPos:
            return PosScanner();
        case Kind::String:
            return StringReportDevice();
        case Kind::Feature:
            return FeatureReportDevice();
        case Kind::Counted:
            return CountedReportDevice();
    }
    return {};
}

std::shared_ptr<CDeviceBase> ObjectOf(Kind kind) {
    switch (kind) {
        case Kind::HidPos:
            return std::make_shared<CDeviceHidPos>();
        case Kind::String:
            return std::make_shared<CDeviceStringReport>();
        case Kind::Feature:
            return std::make_shared<CDeviceFeatureReport>();
        case Kind::Counted:
            return std::make_shared<CDeviceCountedReport>();
    }
    return nullptr;
}

Bytes Repeat(Bytes head, size_t count, unsigned char value) {
    head.insert(head.end(), count, value);
    return head;
}

class ClassFixture : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ORV_HID_BACKEND", "sim", 1);
        OrvHidSimReset();
        Recorder::Instance().Reset();
    }
    void TearDown() override {
        if (device_) device_->Close();
        OrvHidSimReset();
    }
    void Open(Kind kind) {
        const ORV_HID_SIM_DEVICE info = DeviceOf(kind);
        id_ = OrvHidSimAddDevice(&info);
        device_ = ObjectOf(kind);
        void* handle = nullptr;
        ASSERT_TRUE(device_->Open(info.Product, "", Recorder::OnReceive, Recorder::OnError, nullptr,
                                  handle));
    }
    Bytes Take() {
        Bytes report(300);
        report.resize(OrvHidSimTakeOutput(id_, report.data(), DWORD(report.size()), 1000));
        return report;
    }
    DWORD id_ = 0;
    std::shared_ptr<CDeviceBase> device_;
};

// ------------------------------------------------------------------ input parsing

struct ParseCase {
    const char* name;
    Kind kind;
    Bytes report;                  // as the device sends it (device form)
    std::optional<Bytes> feature;  // answer to feature report 0 (after its ID byte)
    Bytes delivered;               // empty: nothing
    const char* message;           // error callback text, or null
};

// Test names show the case's name, not its bytes.
void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class Parsing : public ClassFixture, public ::testing::WithParamInterface<ParseCase> {};

// A report that delivers nothing is followed by a sentinel the class surely delivers (the
// second member), so the test knows the first report has been handled.
std::pair<Bytes, Bytes> SentinelFor(Kind kind) {
    switch (kind) {
        case Kind::HidPos:
            return {{0x02, 0x01, ']', 'A', '0', 'S'}, {'S'}};
        case Kind::String:
            return {{0x08, 0x00, 0x00, 0x00, 'S', 0x00}, {'S'}};
        case Kind::Counted:
            return {{0x00, 0x00, 'S', 'T'}, {'S', 'T'}};
        case Kind::Feature:
            break;
    }
    return {};
}

TEST_P(Parsing, DeliversExactlyTheCarriedBytes) {
    const ParseCase& c = GetParam();
    Open(c.kind);
    if (c.feature) {
        ASSERT_TRUE(OrvHidSimSetFeatureAnswer(id_, 0, c.feature->data(), DWORD(c.feature->size())));
    }
    ASSERT_EQ(OrvHidSimSendInput(id_, c.report.data(), DWORD(c.report.size()), nullptr), 1u);
    Recorder& recorder = Recorder::Instance();
    if (!c.delivered.empty()) {
        ASSERT_TRUE(recorder.WaitDeliveries(1));
        EXPECT_EQ(recorder.Deliveries()[0].bytes, c.delivered);
    } else if (c.kind == Kind::Feature) {
        // The feature class has no sentinel of its own: once the first announcement has fetched
        // its answer, announce again with a known one.
        for (int i = 0; i < 500 && OrvHidSimFeatureRequests(id_) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(OrvHidSimFeatureRequests(id_), 1u);
        const Bytes answer = {0x03, 0x00, 'S'};
        OrvHidSimSetFeatureAnswer(id_, 0, answer.data(), DWORD(answer.size()));
        const Bytes announce = {0x10};
        OrvHidSimSendInput(id_, announce.data(), 1, nullptr);
        ASSERT_TRUE(recorder.WaitDeliveries(1));
        EXPECT_EQ(recorder.Deliveries()[0].bytes, Bytes{'S'});
    } else {
        const auto [sentinel, delivered] = SentinelFor(c.kind);
        OrvHidSimSendInput(id_, sentinel.data(), DWORD(sentinel.size()), nullptr);
        ASSERT_TRUE(recorder.WaitDeliveries(1));
        EXPECT_EQ(recorder.Deliveries()[0].bytes, delivered)
            << "the first report delivered something";
    }
    const auto errors = recorder.Errors();
    if (c.message == nullptr) {
        EXPECT_TRUE(errors.empty()) << errors[0].message;
    } else {
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].code, 0);
        EXPECT_EQ(errors[0].message, c.message);
        EXPECT_EQ(errors[0].handle, device_->DeviceHandle());
    }
}

// clang-format off
// Reports in device form; the host adds the 0 report ID byte on the three vendor classes.
INSTANTIATE_TEST_SUITE_P(EveryClass, Parsing, ::testing::Values(
    // Point-of-sale scanner: ID 2, count, "]E0" symbology identifier, data.
    ParseCase{"HidPosScan", Kind::HidPos, {0x02, 0x04, 0x5D, 0x45, 0x30, 0x31, 0x32, 0x33, 0x34},
              {}, {0x31, 0x32, 0x33, 0x34}, nullptr},
    ParseCase{"HidPosCountPastTheEnd", Kind::HidPos, Repeat({0x02, 0xFF, ']', 'E', '0'}, 59, 'A'),
              {}, Bytes(59, 'A'), nullptr},
    ParseCase{"HidPosZeroCount", Kind::HidPos, {0x02, 0x00, ']', 'E', '0', 'X'}, {}, {}, nullptr},
    ParseCase{"HidPosWrongReportId", Kind::HidPos, {0x03, 0x04, ']', 'E', '0', '1', '2', '3', '4'},
              {}, {}, "Got Wrong Report ID: 3\r"},
    ParseCase{"HidPosReportId200", Kind::HidPos, {200}, {}, {}, "Got Wrong Report ID: 200\r"},
    // Text reports (host form: 0, p, flags, two bytes, text from byte 5; symbology at p-2, p-1).
    ParseCase{"StringTrailingCrDropped", Kind::String,
              {0x0C, 0x00, 0x00, 0x00, 'A', 'B', 'C', 'D', 0x0D, ']', 'E', 0x00},
              {}, {'A', 'B', 'C', 'D'}, nullptr},
    ParseCase{"StringPlainText", Kind::String,
              {0x0B, 0x00, 0x00, 0x00, '1', '2', '3', '4', ']', 'E', 0x00},
              {}, {'1', '2', '3', '4'}, nullptr},
    ParseCase{"StringStopsAtZero", Kind::String,
              {0x20, 0x00, 0x00, 0x00, '1', '2', 0x00, '9', '9'}, {}, {'1', '2'}, nullptr},
    ParseCase{"StringNeverReachesSymbology", Kind::String,
              {0x08, 0x00, 0x00, 0x00, 'X', 'Y', 'Z', 'W'}, {}, {'X'}, nullptr},
    ParseCase{"StringNoDataFlag2", Kind::String,
              {0x0B, 0x02, 0x00, 0x00, '1', '2', '3', '4', ']', 'E'}, {}, {}, nullptr},
    ParseCase{"StringNoDataFlag4", Kind::String,
              {0x0B, 0x04, 0x00, 0x00, '1', '2', '3', '4', ']', 'E'}, {}, {}, nullptr},
    ParseCase{"StringLengthTooSmall", Kind::String, {0x04, 0x00, 0x00, 0x00, '1', '2'},
              {}, {}, nullptr},
    ParseCase{"StringOnlyAControlCharacter", Kind::String, {0x0A, 0x00, 0x00, 0x00, 0x0D, 0x00},
              {}, {}, nullptr},
    // Feature reports: the input report announces, feature report 0 carries (byte 1 = count + 2).
    ParseCase{"FeatureData", Kind::Feature, {0x10}, Bytes{0x07, 0x00, 'H', 'E', 'L', 'L', 'O'},
              {'H', 'E', 'L', 'L', 'O'}, nullptr},
    ParseCase{"FeatureAnnouncedByBit5", Kind::Feature, {0x20}, Bytes{0x03, 0x00, 'Q'}, {'Q'},
              nullptr},
    ParseCase{"FeatureCountPastTheBuffer", Kind::Feature, {0x30}, Repeat({0xFF, 0x00}, 300, 'F'),
              Bytes(247, 'F'), nullptr},
    ParseCase{"FeatureZeroLengthAnswer", Kind::Feature, {0x10}, Bytes{}, {}, nullptr},
    ParseCase{"FeatureCountBelowTwo", Kind::Feature, {0x10}, Bytes{0x02, 0x00, 'N'}, {}, nullptr},
    // Counted reports: byte 2 + 2 bytes from byte 3.
    ParseCase{"Counted", Kind::Counted, {0x01, 0x03, 'a', 'b', 'c', 'd', 'e', 'f'}, {},
              {'a', 'b', 'c', 'd', 'e'}, nullptr},
    ParseCase{"CountedPastTheEnd", Kind::Counted, Repeat({0x01, 0xFF}, 61, 'z'), {},
              Bytes(61, 'z'), nullptr}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(ClassFixture, FeatureClassReadsNoFeatureReportUnlessAnnounced) {
    Open(Kind::Feature);
    const Bytes answer = {0x03, 0x00, 'S'};
    OrvHidSimSetFeatureAnswer(id_, 0, answer.data(), DWORD(answer.size()));
    const Bytes quiet = {0x08}, announce = {0x10};
    OrvHidSimSendInput(id_, quiet.data(), 1, nullptr);
    OrvHidSimSendInput(id_, announce.data(), 1, nullptr);
    ASSERT_TRUE(Recorder::Instance().WaitDeliveries(1));
    EXPECT_EQ(OrvHidSimFeatureRequests(id_), 1u);
}

TEST(ParseInputReport, ShortAndEmptyReportsDeliverNothing) {
    // Straight calls on closed objects: no callback is set, nothing may be read out of bounds.
    const unsigned char one[] = {0x02};
    for (Kind kind : {Kind::HidPos, Kind::String, Kind::Feature, Kind::Counted}) {
        auto device = ObjectOf(kind);
        std::vector<unsigned char> out;
        device->ParseInputReport(nullptr, 0, out);
        device->ParseInputReport(one, 0, out);
        device->ParseInputReport(one, 1, out);
        EXPECT_TRUE(out.empty());
    }
}

// ------------------------------------------------------------------ command reports

struct CommandCase {
    const char* name;
    Kind kind;
    std::function<bool(CDeviceBase&)> send;
    std::vector<Bytes> reports;  // device form, zero padding not shown
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class Commands : public ClassFixture, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(Commands, SendTheirFixedReports) {
    const CommandCase& c = GetParam();
    Open(c.kind);
    EXPECT_TRUE(c.send(*device_));
    const size_t length =
        DeviceOf(c.kind).OutputReportByteLength - (c.kind == Kind::HidPos ? 0 : 1);
    for (Bytes expected : c.reports) {
        expected.resize(length, 0);
        EXPECT_EQ(Take(), expected);
    }
    EXPECT_EQ(OrvHidSimPendingOutput(id_), 0u);
    EXPECT_TRUE(Recorder::Instance().Errors().empty());
}

template <typename T>
std::function<bool(CDeviceBase&)> Call(bool (T::*op)()) {
    return [op](CDeviceBase& d) { return (static_cast<T&>(d).*op)(); };
}

const Bytes kSynBel = {0x30, 0x03, 0x16, 0x07, 0x0D};

bool String3(CDeviceBase& device, bool on) {
    return static_cast<CDeviceStringReport&>(device).SendControl3(on);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(EveryClass, Commands, ::testing::Values(
    CommandCase{"HidPos1", Kind::HidPos, Call(&CDeviceHidPos::SendControl1), {{0x04, 0x04}}},
    CommandCase{"HidPos2", Kind::HidPos, Call(&CDeviceHidPos::SendControl2), {{0x04, 0x00}}},
    CommandCase{"HidPos3", Kind::HidPos, Call(&CDeviceHidPos::SendControl3), {{0x04, 0x02}}},
    CommandCase{"HidPos4", Kind::HidPos, Call(&CDeviceHidPos::SendControl4), {{0x04, 0x00}}},
    CommandCase{"HidPos5", Kind::HidPos, Call(&CDeviceHidPos::SendControl5), {{0x04, 0x40}}},
    CommandCase{"HidPos6", Kind::HidPos, Call(&CDeviceHidPos::SendControl6), {{0x04, 0x20}}},
    CommandCase{"String1", Kind::String, Call(&CDeviceStringReport::SendControl1), {{0x12}}},
    CommandCase{"String2", Kind::String, Call(&CDeviceStringReport::SendControl2), {{0x11}}},
    CommandCase{"String3On", Kind::String, [](CDeviceBase& d) { return String3(d, true); },
                {{0x14}}},
    CommandCase{"String3Off", Kind::String, [](CDeviceBase& d) { return String3(d, false); },
                {{0x18}}},
    CommandCase{"SynT", Kind::Counted, Call(&CDeviceCountedReport::SendSynT),
                {{0x30, 0x03, 0x16, 0x54, 0x0D}}},
    CommandCase{"SynU", Kind::Counted, Call(&CDeviceCountedReport::SendSynU),
                {{0x30, 0x03, 0x16, 0x55, 0x0D}}},
    CommandCase{"SynBel", Kind::Counted, Call(&CDeviceCountedReport::SendSynBel), {kSynBel}},
    CommandCase{"SynBel3", Kind::Counted, Call(&CDeviceCountedReport::SendSynBel3),
                {kSynBel, kSynBel, kSynBel}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(ClassFixture, FailedCommandIsReportedButAnswersTrue) {
    Open(Kind::Counted);
    OrvHidSimSetWriteMode(id_, ORV_HID_SIM_WRITE_FAIL);
    EXPECT_TRUE(static_cast<CDeviceCountedReport&>(*device_).SendSynBel3());
    const auto errors = Recorder::Instance().Errors();
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].message, "CDeviceBase::SendReport - Bad Write");
}

TEST_F(ClassFixture, RedirectOutputSetsFeatureFEAndChecksTheAnswer) {
    Open(Kind::HidPos);
    auto& scanner = static_cast<CDeviceHidPos&>(*device_);
    // The scanner echoes the mode it was set to: the good case, nothing reported.
    EXPECT_TRUE(scanner.DoRedirectOutput(0x01));
    Bytes set(8);
    ASSERT_EQ(OrvHidSimTakeFeature(id_, set.data(), DWORD(set.size()), 0), 2u);
    EXPECT_EQ(set[0], 0xFE);
    EXPECT_EQ(set[1], 0x01);
    EXPECT_TRUE(Recorder::Instance().Errors().empty());
    // A scanner that answers another mode.
    const BYTE other[] = {0x00};
    OrvHidSimSetFeatureAnswer(id_, 0xFE, other, 1);
    EXPECT_TRUE(scanner.DoRedirectOutput(0x02));
    ASSERT_EQ(Recorder::Instance().Errors().size(), 1u);
    EXPECT_EQ(Recorder::Instance().Errors()[0].message,
              "CDeviceHidPos::DoRedirectOutput - Bad Write");
    // Closed: nothing to redirect.
    device_->Close();
    EXPECT_TRUE(scanner.DoRedirectOutput(0x01));
    EXPECT_EQ(Recorder::Instance().Errors().size(), 1u);
}

}  // namespace
