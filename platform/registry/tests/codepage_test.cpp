#include <gtest/gtest.h>

#include "ansi_codepage.h"

namespace orv::reg {
namespace {

TEST(AnsiCodePage, EveryByteSurvivesUtf8AndUtf16) {
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        std::string utf8 = ansi_to_utf8(one);
        EXPECT_TRUE(is_valid_utf8(utf8)) << b;
        EXPECT_EQ(utf8_to_ansi(utf8), one) << b;
        EXPECT_EQ(utf16le_to_ansi(ansi_to_utf16le(one)), one) << b;
    }
}

TEST(AnsiCodePage, MapsTheWindows1252Table) {
    struct Case {
        unsigned char ansi;
        const char* utf8;
    };
    const Case cases[] = {
        {'A', "A"},       {0x80, "\u20AC"}, {0x81, "\u0081"}, {0x8A, "\u0160"},
        {0x92, "\u2019"}, {0x9F, "\u0178"}, {0xA0, "\u00A0"}, {0xE9, "\u00E9"},
        {0xFF, "\u00FF"}, {0x8D, "\u008D"}, {0x99, "\u2122"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ansi_to_utf8(std::string(1, static_cast<char>(c.ansi))), c.utf8) << int(c.ansi);
        EXPECT_EQ(utf8_to_ansi(c.utf8), std::string(1, static_cast<char>(c.ansi))) << int(c.ansi);
    }
}

TEST(AnsiCodePage, UnmappableAndInvalidInputBecomesQuestionMarks) {
    EXPECT_EQ(utf8_to_ansi("a\u03A9b"), "a?b");   // Greek omega: not in the code page
    EXPECT_EQ(utf8_to_ansi("a\xC3"), "a?");       // truncated sequence
    EXPECT_EQ(utf8_to_ansi("\xE9t\xE9"), "?t?");  // Latin-1 bytes are not UTF-8
    EXPECT_EQ(utf16le_to_ansi(std::string("\x3D\xD8\x00\xDE", 4)), "?");   // one surrogate pair
    EXPECT_EQ(utf16le_to_ansi(std::string("\x00\xD8\x41\x00", 4)), "?A");  // lone high surrogate
}

TEST(AnsiCodePage, ValidatesUtf8Strictly) {
    struct Case {
        std::string text;
        bool valid;
    };
    const Case cases[] = {
        {"plain", true},
        {"\xF0\x9F\x98\x80", true},   // U+1F600
        {"\xC0\x80", false},          // overlong NUL
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\xE2\x82", false},          // truncated
        {"\x80", false},              // stray continuation byte
    };
    for (const Case& c : cases) EXPECT_EQ(is_valid_utf8(c.text), c.valid) << c.text;
}

TEST(NameRules, CompareAsWindowsDoes) {
    struct Case {
        std::string a, b;
        int sign;
    };
    const Case cases[] = {
        {"OLEforRetail", "oleforretail", 0},
        {"Caf\xE9", "CAF\xC9", 0},  // é / É
        {"\x9A", "\x8A", 0},        // š / Š
        {"\xFF", "\x9F", 0},        // ÿ / Ÿ
        {"\xF7", "\xD7", 1},        // ÷ and × are not a case pair
        {"_x", "Alpha", 1},         // compared upper-case: '_' sorts after letters
        {"a", "ab", -1},
        {"\x80", "\xC9", 1},  // € is U+20AC, after É
        {"", "", 0},
    };
    for (const Case& c : cases) {
        int got = compare_names(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ(names_equal(c.a, c.b), c.sign == 0);
    }
}

}  // namespace
}  // namespace orv::reg
