// The byte string of DirectIO command 1: which texts become which bytes, and which are refused
// whole with a line that names the offending character.
#include <gtest/gtest.h>

#include <string>

#include "scan_hex.h"

namespace orv::so::scanner {
namespace {

struct Good {
    const char* text;
    std::vector<int8_t> bytes;
};

TEST(ScanHexPairs, ValidTextsGiveTheirBytes) {
    const Good kRows[] = {
        {"", {}},
        {"0A1B", {0x0A, 0x1B}},
        {"1B40", {0x1B, 0x40}},
        {"1B40,rest", {0x1B, 0x40}},  // only the text before the first comma
        {"ff00Ab", {-1, 0x00, static_cast<int8_t>(0xAB)}},
        {"7F80", {0x7F, static_cast<int8_t>(0x80)}},
        {"10,10,Go Cubs!", {0x10}},
    };
    for (const Good& row : kRows) {
        const HexPairs parsed = ParseHexPairs(row.text);
        EXPECT_EQ(parsed.error, "") << row.text;
        EXPECT_EQ(parsed.bytes, row.bytes) << row.text;
    }
}

struct Bad {
    const char* text;
    const char* error;
};

TEST(ScanHexPairs, BadTextsAreRefusedWholeWithTheReason) {
    const Bad kRows[] = {
        {"ABC", "DirectIO: odd number of hexadecimal digits (3), nothing sent"},
        {"A,B", "DirectIO: odd number of hexadecimal digits (1), nothing sent"},
        {",1B40", "DirectIO: odd number of hexadecimal digits (5), nothing sent"},  // comma first
        {"1,rest", "DirectIO: odd number of hexadecimal digits (1), nothing sent"},
        {"ZZ",
         "DirectIO: character 'Z' (0x5A) at position 1 is not a hexadecimal digit, nothing sent"},
        {"1G",
         "DirectIO: character 'G' (0x47) at position 2 is not a hexadecimal digit, nothing sent"},
        {"0x1B",
         "DirectIO: character 'x' (0x78) at position 2 is not a hexadecimal digit, nothing sent"},
        {"1B 4",
         "DirectIO: character ' ' (0x20) at position 3 is not a hexadecimal digit, nothing sent"},
        {"00\xE9G",
         "DirectIO: character 0xE9 at position 3 is not a hexadecimal digit, nothing sent"},
        {"0\n", "DirectIO: character 0x0A at position 2 is not a hexadecimal digit, nothing sent"},
        {"-1",
         "DirectIO: character '-' (0x2D) at position 1 is not a hexadecimal digit, nothing sent"},
    };
    for (const Bad& row : kRows) {
        const HexPairs parsed = ParseHexPairs(row.text);
        EXPECT_EQ(parsed.error, row.error) << row.text;
        EXPECT_TRUE(parsed.bytes.empty()) << row.text << ": nothing half-read is kept";
    }
}

}  // namespace
}  // namespace orv::so::scanner
