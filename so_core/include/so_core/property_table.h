// A device class's four property tables as data: one row per OPOS property index, naming the
// Java getter or setter and the typed helper that calls it, or a constant. The core serves the
// rows every class shares (ResultCode, ResultCodeExtended, BinaryConversion) itself.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "so_core/trace_mask.h"

namespace orv::so {

// A number the Java side knows by a name (transaction types, for example).
struct NamedValue {
    int32_t value;
    const char* name;
};

enum class NumberGet : uint8_t {
    Bool,      // GetBoolProperty: 1 or 0
    Int,       // GetIntProperty
    Constant,  // the row's constant; Java is not called
};
struct NumberGetRow {
    int32_t index;
    NumberGet kind;
    const char* java;
    int32_t constant = 0;
};

enum class NumberSet : uint8_t {
    Bool,       // SetBoolProperty, nonzero = true
    Int,        // SetIntProperty
    FixedText,  // SetStringProperty with the row's text; the number given is ignored
};
struct NumberSetRow {
    int32_t index;
    NumberSet kind;
    const char* java;
    const char* text = nullptr;
};

enum class StringGet : uint8_t {
    String,      // GetStringProperty
    Binary,      // GetBinaryProperty by the current BinaryConversion
    IntAsName,   // GetIntProperty, the number turned into its name ("" for any other number)
};
enum class TextFix : uint8_t {
    None,
    JposToOpos,  // every "JPOS" in the text becomes "OPOS"
};
struct StringGetRow {
    int32_t index;
    StringGet kind;
    const char* java;
    Mask mask = Mask::None;
    TextFix fix = TextFix::None;
    std::span<const NamedValue> names = {};
};

enum class StringSet : uint8_t {
    String,     // SetStringProperty with the text as given
    NameAsInt,  // SetIntProperty with the number of the name (exact, case-sensitive match)
};
struct StringSetRow {
    int32_t index;
    StringSet kind;
    const char* java;
    Mask mask = Mask::None;
    std::span<const NamedValue> names = {};
};

struct PropertyTables {
    std::span<const NumberGetRow> numberGet;
    std::span<const NumberSetRow> numberSet;
    std::span<const StringGetRow> stringGet;
    std::span<const StringSetRow> stringSet;
};

// Rows are kept in index order so a lookup is a binary search; tests check the order.
template <class Row>
const Row* FindRow(std::span<const Row> rows, int32_t index) {
    const auto it = std::lower_bound(rows.begin(), rows.end(), index,
                                     [](const Row& r, int32_t i) { return r.index < i; });
    return (it != rows.end() && it->index == index) ? &*it : nullptr;
}

template <class Row>
constexpr bool RowsSorted(std::span<const Row> rows) {
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i - 1].index >= rows[i].index) return false;
    return true;
}

}  // namespace orv::so
