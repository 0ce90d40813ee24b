// Bytes to BSTR by BinaryConversion, and CBinBstr's code page conversion.
#include <gtest/gtest.h>

#include <numeric>

#include "platform/com_ptr.h"
#include "so_core/binary_conversion.h"

namespace orv::so {
namespace {

std::u16string Text(BSTR b) { return std::u16string(b, SysStringLen(b)); }

struct Case {
    std::vector<uint8_t> bytes;
    int32_t conversion;
    std::u16string expected;
};

TEST(BinaryToBstr, FormsByConversion) {
    const Case cases[] = {
        {{0x00, 0x9F, 0xFA}, 1, u"009??:"},
        {{0x12, 0xAB}, 1, u"12:;"},
        {{1, 100, 255}, 2, u"001100255"},
        {{7, 42}, 2, u"007042"},
        {{0x41}, 0, u"A"},
        {{0x41, 0xE9, 0x80, 0x81}, 0, u"A\u00e9\u20ac\u0081"},  // Windows-1252, undefined bytes kept
        {{0x41}, 7, u"A"},                                      // anything but 1 and 2 is raw
        {{0x41}, -1, u"A"},
        {{}, 0, u""},
        {{}, 1, u""},
        {{}, 2, u""},
    };
    for (const Case& c : cases) {
        std::optional<BSTR> b = BinaryToBstr(c.bytes, c.conversion, nullptr);
        ASSERT_TRUE(b.has_value());
        ASSERT_NE(*b, nullptr) << "an empty result is an empty BSTR, not null";
        EXPECT_EQ(Text(*b), c.expected) << c.conversion;
        SysFreeString(*b);
    }
}

TEST(BinaryToBstr, EveryByteIsOneRawCharacterAndTwoOrThreeConverted) {
    std::vector<uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    for (auto [conversion, width] : {std::pair{0, 1u}, {1, 2u}, {2, 3u}}) {
        BSTR b = *BinaryToBstr(all, conversion, nullptr);
        EXPECT_EQ(SysStringLen(b), 256 * width);
        SysFreeString(b);
    }
    EXPECT_EQ(NibbleText(all).substr(0xFF * 2), "??");
    EXPECT_EQ(DecimalText(all).substr(0xFF * 3), "255");
}

TEST(CBinBstr, LargeArraysConvertWithoutTheStack) {
    std::vector<uint8_t> big(8 << 20, 'x');  // far beyond any thread stack
    CBinBstr b(big.data(), big.size());
    ASSERT_TRUE(b.Ok());
    EXPECT_EQ(SysStringLen(b.Get()), big.size());
}

TEST(CBinBstr, ConversionErrorsFailTheCallerInsteadOfTheProcess) {
    const uint8_t bytes[] = {'a', 'b'};
    CBinBstr bad(bytes, 2, 12345 /* no such code page */);
    EXPECT_FALSE(bad.Ok());
    EXPECT_EQ(bad.Get(), nullptr);
}

TEST(CBinBstr, AMultiByteCodePageKeepsOnlyTheConvertedCharacters) {
    const uint8_t utf8[] = {'C', 'a', 'f', 0xC3, 0xA9};
    CBinBstr b(utf8, sizeof utf8, CP_UTF8);
    ASSERT_TRUE(b.Ok());
    EXPECT_EQ(Text(b.Get()), u"Caf\u00e9");
}

TEST(CBinBstr, NoBytesGiveAnEmptyBstrAndDetachHandsItOver) {
    CBinBstr empty(nullptr, 5);
    ASSERT_TRUE(empty.Ok());
    EXPECT_EQ(SysStringLen(empty.Get()), 0u);
    const uint8_t one = 'Z';
    CBinBstr b(&one, 1);
    BSTR owned = b.Detach();
    EXPECT_EQ(b.Get(), nullptr);
    EXPECT_EQ(Text(owned), u"Z");
    SysFreeString(owned);
}

}  // namespace
}  // namespace orv::so
