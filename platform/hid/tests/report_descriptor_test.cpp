// The report-descriptor parser against real descriptors (golden files) and malformed ones.
#include <gtest/gtest.h>

#include "golden.h"
#include "report_descriptor.h"

namespace {

using orv::hid::ParseReportDescriptor;
using namespace orv::hid::test;
using Bytes = std::vector<uint8_t>;

class GoldenDescriptor : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenDescriptor, ParsesToTheRecordedCapabilities) {
    const Bytes descriptor = ReadDescriptor(GetParam());
    ASSERT_FALSE(descriptor.empty()) << "missing golden file for " << GetParam();
    const auto info = ParseReportDescriptor(descriptor.data(), descriptor.size());
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(FormatCaps(info->caps, info->usesReportIds), ReadCaps(GetParam()));
}

TEST_P(GoldenDescriptor, EveryTruncationIsRejected) {
    // Cutting a descriptor anywhere must never read past its end; a cut inside an item or an
    // open collection is malformed.
    const Bytes descriptor = ReadDescriptor(GetParam());
    for (size_t cut = 0; cut < descriptor.size(); ++cut)
        EXPECT_FALSE(ParseReportDescriptor(descriptor.data(), cut).has_value()) << "cut at " << cut;
}

INSTANTIATE_TEST_SUITE_P(Real, GoldenDescriptor, ::testing::ValuesIn(kGoldenDescriptors));

struct Malformed {
    const char* what;
    Bytes bytes;
};

void PrintTo(const Malformed& m, std::ostream* os) {
    *os << m.what;
}

class MalformedDescriptor : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedDescriptor, IsRejected) {
    const Bytes& d = GetParam().bytes;
    EXPECT_FALSE(ParseReportDescriptor(d.data(), d.size()).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedDescriptor,
    ::testing::Values(
        Malformed{"empty", {}},
        Malformed{"no collection", {0x05, 0x01, 0x09, 0x02, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}},
        Malformed{"collection left open", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01}},
        Malformed{"end without collection", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0, 0xC0}},
        Malformed{"report id 0", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x00, 0xC0}},
        Malformed{"pop without push", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xB4, 0xC0}},
        Malformed{"truncated 4-byte item", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0, 0x97, 0x01}},
        Malformed{"truncated long item",
                  {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0, 0xFE, 0x05, 0x01, 0x00}},
        Malformed{"report too long",  // 8 bits × 0x10000 bytes
                  {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x97, 0x00, 0x00, 0x01, 0x00,
                   0x81, 0x02, 0xC0}},
        Malformed{"size × count overflow",
                  {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF,
                   0xFF, 0xFF, 0xFF, 0x81, 0x02, 0xC0}}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(ReportDescriptor, FirstTopLevelCollectionNamesTheInterface) {
    // A keyboard collection, then a vendor one: hidraw shows both, Windows would name the first.
    const Bytes d = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08,
                     0x95, 0x08, 0x81, 0x02, 0xC0, 0x06, 0x45, 0xFF, 0x0A, 0x00,
                     0x64, 0xA1, 0x01, 0x85, 0x02, 0x95, 0x10, 0x81, 0x02, 0xC0};
    const auto info = ParseReportDescriptor(d.data(), d.size());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->caps.UsagePage, 0x0001);
    EXPECT_EQ(info->caps.Usage, 0x0006);
    EXPECT_EQ(info->caps.InputReportByteLength, 17);  // longest report (ID 2) + ID byte
    EXPECT_EQ(info->caps.NumberLinkCollectionNodes, 2);
}

TEST(ReportDescriptor, ExtendedUsageOnTheCollectionCarriesItsOwnPage) {
    const Bytes d = {0x05, 0x01, 0x0B, 0x00, 0x4A, 0x45, 0xFF, 0xA1, 0x01, 0xC0};
    const auto info = ParseReportDescriptor(d.data(), d.size());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->caps.UsagePage, 0xFF45);
    EXPECT_EQ(info->caps.Usage, 0x4A00);
}

TEST(ReportDescriptor, BitFieldsRoundUpToWholeBytesAndLongItemsAreSkipped) {
    // 12 bits of input → 2 bytes + ID byte; a vendor long item in between changes nothing.
    const Bytes d = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xFE, 0x02, 0x10,
                     0xAA, 0xBB, 0x75, 0x04, 0x95, 0x03, 0x81, 0x02, 0xC0};
    const auto info = ParseReportDescriptor(d.data(), d.size());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->caps.InputReportByteLength, 3);
    EXPECT_EQ(info->caps.OutputReportByteLength, 0);
    EXPECT_FALSE(info->usesReportIds);
}

TEST(ReportDescriptor, NullDataIsRejected) {
    EXPECT_FALSE(ParseReportDescriptor(nullptr, 4).has_value());
}

}  // namespace
