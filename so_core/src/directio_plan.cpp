#include "so_core/directio_plan.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace orv::so {
namespace {

using S = DioShape;

constexpr DioCommand kCommands[] = {
    {1, 0x3280, S::PointText},       {2, 0x3238, S::IntegerOfData},
    {3, 0x3240, S::None},            {5, 0x32F1, S::None},
    {6, 0x32F0, S::None},            {7, 0x6050, S::TextIntInt},
    {8, 0x3290, S::TextPoint},       {9, 0x400001, S::WholeTextList},
    {10, 0x3251, S::PointPoint},     {13, 0x400002, S::WholeText},
    {14, 0x400003, S::DataValue},    {15, 0x1000, S::None},
    {16, 0x1001, S::None},           {17, 0x1028, S::None},
    {18, 0x1029, S::None},           {19, 0x102A, S::None},
    {20, 0x1050, S::None},           {21, 0x1051, S::None},
    {22, 0x1054, S::FlagBytes},      {23, 0x10F0, S::None},
    {27, 0x10FD, S::WholeTextList},  {29, 0x1401, S::None},
    {30, 0x1410, S::WholeTextList},  {31, 0x1420, S::None},
    {32, 0x1421, S::None},           {33, 0x1422, S::None},
    {34, 0x1430, S::TextText},       {35, 0x1490, S::WholeTextList},
    {36, 0x1491, S::WholeTextList},  {38, 0x2020, S::None},
    {39, 0x2031, S::IntegerOfText},  {40, 0x2032, S::IntegerOfText},
    {41, 0x2062, S::WholeTextList},  {42, 0x2070, S::TextHexBytes},
    {43, 0x2078, S::WholeTextList},  {44, 0x2810, S::WholeTextList},
    {45, 0x2812, S::TextText},       {46, 0x2814, S::WholeTextList},
    {49, 0x1443, S::None},           {50, 0x1412, S::TextText},
    {51, 0x2061, S::WholeTextList},
};

constexpr bool Sorted() {
    for (size_t i = 1; i < std::size(kCommands); ++i)
        if (kCommands[i - 1].opos >= kCommands[i].opos) return false;
    return true;
}
static_assert(Sorted(), "the command table is searched by OPOS number");

std::string Text(std::string_view v) { return std::string(v); }

}  // namespace

std::span<const DioCommand> DioCommands() { return kCommands; }

const DioCommand* FindDioCommand(int32_t command) {
    const auto* it = std::lower_bound(std::begin(kCommands), std::end(kCommands), command,
                                      [](const DioCommand& c, int32_t v) { return c.opos < v; });
    return (it != std::end(kCommands) && it->opos == command) ? it : nullptr;
}

std::string_view DioField(std::string_view text, int n) {
    const size_t first = text.find(',');
    if (n <= 1) return (first == std::string_view::npos || first == 0) ? text : text.substr(0, first);
    if (first == std::string_view::npos) return text;
    size_t comma = first;  // the (n-1)th comma
    for (int i = 2; i < n; ++i) {
        comma = text.find(',', comma + 1);
        if (comma == std::string_view::npos) return {};
    }
    const size_t start = comma + 1;
    const size_t end = text.find(',', start);
    return end == std::string_view::npos ? text.substr(start) : text.substr(start, end - start);
}

std::string_view DioTextAfterSecondComma(std::string_view text) {
    const size_t first = text.find(',');
    if (first == std::string_view::npos) return {};
    const size_t second = text.find(',', first + 1);
    if (second == std::string_view::npos) return {};
    return text.substr(second + 1);
}

int32_t DioAtoi(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    int64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1) break;  // saturated either way
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

DioHexBytes DioParseHexGroups(std::string_view field) {
    DioHexBytes out;
    out.arrayLength = field.size() / 3;
    for (size_t pos = 0; pos < field.size(); pos += 3) {
        const std::string_view digits = field.substr(pos + 1 < field.size() ? pos + 1 : field.size(), 2);
        std::string number = digits == "0x" ? std::string(digits) : "0x" + std::string(digits);
        const long value = std::strtol(number.c_str(), nullptr, 16);
        out.groups.push_back(static_cast<int8_t>(static_cast<uint8_t>(value & 0xFF)));
    }
    return out;
}

std::optional<DioPlan> PlanDirectIO(int32_t command, int32_t data, std::string_view text) {
    const DioCommand* row = FindDioCommand(command);
    if (!row) return std::nullopt;
    DioPlan plan;
    plan.javaCode = row->javaCode;
    auto f = [text](int n) { return DioField(text, n); };
    auto atoiOf = [&](int n) { return DioAtoi(f(n)); };
    auto& v = plan.values;
    switch (row->shape) {
    case S::None:
        break;
    case S::PointText:
        plan.asList = true;
        v = {DioPoint{atoiOf(1), atoiOf(2)}, Text(DioTextAfterSecondComma(text))};
        break;
    case S::IntegerOfData:
        plan.asList = true;
        if (data < 0) {
            data = 0;
            plan.writeBackData = 0;
        }
        v = {DioInteger{data}};
        break;
    case S::TextIntInt:
        plan.asList = true;
        v = {Text(f(1)), DioInteger{atoiOf(2)}, DioInteger{atoiOf(3)}};
        break;
    case S::TextPoint:
        plan.asList = true;
        v = {Text(f(3)), DioPoint{atoiOf(1), atoiOf(2)}};
        break;
    case S::WholeTextList:
        plan.asList = true;
        v = {Text(text)};
        break;
    case S::PointPoint:
        plan.asList = true;
        v = {DioPoint{atoiOf(1), atoiOf(2)}, DioPoint{atoiOf(3), atoiOf(4)}};
        break;
    case S::WholeText:
        v = {Text(text)};
        break;
    case S::DataValue:
        plan.dataValue = data;
        break;
    case S::FlagBytes:
        plan.asList = true;
        v = {DioBytes{2, {static_cast<int8_t>(data != 0 ? 1 : 0), 0}}};
        break;
    case S::IntegerOfText:
        v = {DioInteger{DioAtoi(text)}};
        break;
    case S::TextText:
        plan.asList = true;
        v = {Text(f(1)), Text(f(2))};
        break;
    case S::TextHexBytes: {
        plan.asList = true;
        DioHexBytes hex = DioParseHexGroups(f(2));
        v = {Text(f(1)), DioBytes{hex.arrayLength, std::move(hex.groups)}};
        break;
    }
    }
    return plan;
}

}  // namespace orv::so
