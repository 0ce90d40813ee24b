// The DirectIO vocabulary: command numbers and codes, the field rule, atoi, hexadecimal byte
// groups and the argument objects each command builds.
#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "so_core/directio_plan.h"

namespace orv::so {
namespace {

TEST(DioCommands, EverySupportedNumberHasItsJavaCode) {
    const std::pair<int32_t, int32_t> table[] = {
        {1, 0x3280}, {2, 0x3238}, {3, 0x3240}, {5, 0x32F1}, {6, 0x32F0}, {7, 0x6050}, {8, 0x3290},
        {9, 0x400001}, {10, 0x3251}, {13, 0x400002}, {14, 0x400003}, {15, 0x1000}, {16, 0x1001},
        {17, 0x1028}, {18, 0x1029}, {19, 0x102A}, {20, 0x1050}, {21, 0x1051}, {22, 0x1054},
        {23, 0x10F0}, {27, 0x10FD}, {29, 0x1401}, {30, 0x1410}, {31, 0x1420}, {32, 0x1421},
        {33, 0x1422}, {34, 0x1430}, {35, 0x1490}, {36, 0x1491}, {38, 0x2020}, {39, 0x2031},
        {40, 0x2032}, {41, 0x2062}, {42, 0x2070}, {43, 0x2078}, {44, 0x2810}, {45, 0x2812},
        {46, 0x2814}, {49, 0x1443}, {50, 0x1412}, {51, 0x2061}};
    std::set<int32_t> supported;
    for (auto [opos, code] : table) {
        const DioCommand* c = FindDioCommand(opos);
        ASSERT_NE(c, nullptr) << opos;
        EXPECT_EQ(c->javaCode, code) << opos;
        supported.insert(opos);
    }
    EXPECT_EQ(DioCommands().size(), supported.size());
    for (int32_t n = -5; n <= 60; ++n) {
        if (!supported.count(n)) {
            EXPECT_FALSE(PlanDirectIO(n, 0, "1,2,3").has_value()) << n;
        }
    }
    for (int32_t n : {INT32_MIN, INT32_MAX, 4, 11, 12, 24, 25, 26, 28, 37, 47, 48})
        EXPECT_EQ(FindDioCommand(n), nullptr) << n;
}

TEST(DioField, FieldRule) {
    struct Case {
        const char* text;
        int n;
        const char* field;
    };
    const Case cases[] = {
        {"a,b,c", 1, "a"},   {"a,b,c", 2, "b"},     {"a,b,c", 3, "c"},   {"a,b,c", 4, ""},
        {"abc", 1, "abc"},   {"abc", 2, "abc"},     {"abc", 7, "abc"},   {",x", 1, ",x"},
        {",x", 2, "x"},      {"a,,c", 2, ""},       {"a,,c", 3, "c"},    {"a,b,", 3, ""},
        {"", 1, ""},         {"", 2, ""},           {"10,20,Hello, world", 2, "20"},
        {"a,b", 0, "a"},     {"a,b", -3, "a"},
    };
    for (const Case& c : cases) EXPECT_EQ(DioField(c.text, c.n), c.field) << c.text << " #" << c.n;
    EXPECT_EQ(DioTextAfterSecondComma("10,20,Hello, world"), "Hello, world");
    EXPECT_EQ(DioTextAfterSecondComma("10,20"), "");
    EXPECT_EQ(DioTextAfterSecondComma("10"), "");
    EXPECT_EQ(DioTextAfterSecondComma("1,2,"), "");
}

TEST(DioAtoi, StandardConversionWithoutOverflow) {
    const std::pair<const char*, int32_t> cases[] = {
        {"12abc", 12}, {"  -7", -7}, {"+5", 5}, {"abc", 0}, {"", 0}, {"-", 0}, {" \t\n42", 42},
        {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"99999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN}, {"-99999999999999999999", INT32_MIN}, {"1 2", 1}, {"--1", 0}};
    for (auto [text, value] : cases) EXPECT_EQ(DioAtoi(text), value) << text;
}

TEST(DioHexGroups, ThreeCharactersPerByteFirstSkipped) {
    struct Case {
        const char* field;
        size_t arrayLength;
        std::vector<int8_t> groups;
    };
    const Case cases[] = {
        {" 1B 02", 2, {0x1B, 0x02}},
        {" 1B 02 ", 2, {0x1B, 0x02, 0x00}},  // 7 characters: a third group the array cannot hold
        {"x0x-FF", 2, {0x00, -1}},           // "0x" alone reads 0
        {"-ff", 1, {-1}},
        {" 7", 0, {0x07}},
        {"", 0, {}},
        {" zz", 1, {0x00}},
        {" 1G", 1, {0x01}},
    };
    for (const Case& c : cases) {
        const DioHexBytes h = DioParseHexGroups(c.field);
        EXPECT_EQ(h.arrayLength, c.arrayLength) << c.field;
        EXPECT_EQ(h.groups, c.groups) << c.field;
    }
}

TEST(PlanDirectIO, ArgumentObjectsOfTheTerminal) {
    auto p = PlanDirectIO(1, 0, "10,20,Hello, world");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->asList);
    EXPECT_EQ(p->values, (std::vector<DioValue>{DioPoint{10, 20}, std::string("Hello, world")}));

    p = PlanDirectIO(8, 0, "5,6,Text,extra");
    EXPECT_EQ(p->values, (std::vector<DioValue>{std::string("Text"), DioPoint{5, 6}}));

    p = PlanDirectIO(2, -5, "");
    EXPECT_EQ(p->values, (std::vector<DioValue>{DioInteger{0}}));
    EXPECT_EQ(p->writeBackData, 0);
    p = PlanDirectIO(2, 5, "");
    EXPECT_FALSE(p->writeBackData.has_value());

    p = PlanDirectIO(42, 0, "name, 1B 02");
    EXPECT_EQ(p->values, (std::vector<DioValue>{std::string("name"), DioBytes{2, {0x1B, 0x02}}}));

    p = PlanDirectIO(22, 7, "");
    EXPECT_EQ(p->values, (std::vector<DioValue>{DioBytes{2, {1, 0}}}));

    p = PlanDirectIO(39, 0, "12abc");
    EXPECT_FALSE(p->asList);
    EXPECT_EQ(p->values, (std::vector<DioValue>{DioInteger{12}}));

    p = PlanDirectIO(14, 9, "");
    EXPECT_EQ(p->dataValue, 9);
    EXPECT_TRUE(p->values.empty());
    EXPECT_FALSE(p->asList);

    p = PlanDirectIO(13, 9, "key");
    EXPECT_EQ(p->dataValue, 0) << "only command 14 carries pData";
    EXPECT_EQ(p->values, (std::vector<DioValue>{std::string("key")}));

    p = PlanDirectIO(7, 0, "Amount,6");
    EXPECT_EQ(p->values, (std::vector<DioValue>{std::string("Amount"), DioInteger{6}, DioInteger{0}}));
}

}  // namespace
}  // namespace orv::so
