// The terminal's DirectIO vocabulary: which OPOS command numbers exist, the Java command code of
// each, and the Java argument object built from the OPOS string (comma-separated fields). Pure
// functions: the JNI side only turns a plan into Java objects.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orv::so {

// Shapes of the Java argument object, one per row kind of the command table.
enum class DioShape : uint8_t {
    None,               // null object
    PointText,          // [Point(f1, f2), text after the second comma]
    IntegerOfData,      // [Integer(pData, negatives written back as 0)]
    TextIntInt,         // [f1, atoi f2, atoi f3]
    TextPoint,          // [f3, Point(f1, f2)]
    WholeTextList,      // [whole text]
    PointPoint,         // [Point(f1, f2), Point(f3, f4)]
    WholeText,          // whole text, no list
    DataValue,          // null object; data value = pData
    FlagBytes,          // [Byte[2]{pData != 0, 0}]
    IntegerOfText,      // Integer(atoi whole text), no list
    TextText,           // [f1, f2]
    TextHexBytes,       // [f1, hexadecimal byte groups of f2]
};

struct DioCommand {
    int32_t opos;
    int32_t javaCode;
    DioShape shape;
};

// The command table in OPOS number order; commands missing from it are not supported.
std::span<const DioCommand> DioCommands();
const DioCommand* FindDioCommand(int32_t command);

// Field rule: fields are separated by ','. Field 1 is the text before the first comma (the whole
// text when there is none or the text begins with one); field n >= 2 runs from the (n-1)th
// comma to the next comma or the end; a text without commas is its own field n; a field past
// the last comma is empty.
std::string_view DioField(std::string_view text, int n);
// The text after the second comma ("" when there are fewer than two commas).
std::string_view DioTextAfterSecondComma(std::string_view text);
// atoi: leading blanks, optional sign, digits; no digits is 0; clamped to the int32 range.
int32_t DioAtoi(std::string_view field);

// Hexadecimal byte groups: groups of three characters, the first skipped and the next two read
// as hex (strtol base 16 after a "0x" prefix unless they already are "0x"); the low byte counts.
// The Java array has length/3 elements while every group, the last partial one included, is
// stored: a length that is not a multiple of 3 overruns the array and fails in Java.
struct DioHexBytes {
    size_t arrayLength = 0;
    std::vector<int8_t> groups;
};
DioHexBytes DioParseHexGroups(std::string_view field);

struct DioPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const DioPoint&) const = default;
};
struct DioBytes {
    size_t arrayLength = 0;
    std::vector<int8_t> values;
    bool operator==(const DioBytes&) const = default;
};
struct DioInteger {
    int32_t value = 0;
    bool operator==(const DioInteger&) const = default;
};
using DioValue = std::variant<DioInteger, std::string, DioPoint, DioBytes>;

struct DioPlan {
    int32_t javaCode = 0;
    int32_t dataValue = 0;                   // element 0 of the Java int array
    bool asList = false;                     // a java.util.LinkedList of the values
    std::vector<DioValue> values;            // empty and !asList: a null object
    std::optional<int32_t> writeBackData;    // new value of pData (command 2)
};

// nullopt for an unsupported command. data is the value at pData.
std::optional<DioPlan> PlanDirectIO(int32_t command, int32_t data, std::string_view text);

}  // namespace orv::so
