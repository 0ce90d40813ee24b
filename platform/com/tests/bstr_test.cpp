// BSTR layout and allocation rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/com_ptr.h"
#include "platform/oleauto.h"

namespace {

TEST(Bstr, LayoutHasByteCountBeforeAndZeroAfter) {
    BSTR b = SysAllocString(u"abc");
    ASSERT_NE(b, nullptr);
    uint32_t count = 0;
    std::memcpy(&count, reinterpret_cast<char*>(b) - 4, 4);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(SysStringByteLen(b), 6u);
    // Any module may free it with the C library: the block starts 4 bytes before the text.
    std::free(reinterpret_cast<char*>(b) - 4);
}

TEST(Bstr, NullAndEmpty) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    orv::UniqueBstr empty(SysAllocStringLen(nullptr, 0));
    ASSERT_NE(empty.Get(), nullptr);
    EXPECT_EQ(empty.Length(), 0u);
    EXPECT_EQ(empty.Get()[0], 0);
}

TEST(Bstr, EmbeddedZeroKeepsLength) {
    const char16_t text[] = {u'a', 0, u'b'};
    orv::UniqueBstr b(SysAllocStringLen(text, 3));
    EXPECT_EQ(b.Length(), 3u);
    EXPECT_EQ(b.Get()[2], u'b');
}

TEST(Bstr, ByteLengthMayBeOdd) {
    orv::UniqueBstr b(SysAllocStringByteLen("abc", 3));
    EXPECT_EQ(SysStringByteLen(b.Get()), 3u);
    EXPECT_EQ(b.Length(), 1u);
    EXPECT_EQ(std::memcmp(b.Get(), "abc", 3), 0);
    EXPECT_EQ(reinterpret_cast<const char*>(b.Get())[3], 0);
}

TEST(Bstr, ReAllocReplacesAndFrees) {
    BSTR b = SysAllocString(u"first");
    EXPECT_TRUE(SysReAllocString(&b, u"second text"));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"second text");
    EXPECT_TRUE(SysReAllocStringLen(&b, u"xy", 1));
    EXPECT_EQ(SysStringLen(b), 1u);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
    SysFreeString(b);
}

TEST(Bstr, AnsiConversionUsesWindows1252) {
    orv::UniqueBstr b(orv::BstrFromAnsi("caf\xE9 \x80"));
    ASSERT_EQ(b.Length(), 6u);
    EXPECT_EQ(b.Get()[3], 0x00E9);
    EXPECT_EQ(b.Get()[5], 0x20AC);  // euro sign
    EXPECT_EQ(orv::AnsiFromBstr(b.Get()), "caf\xE9 \x80");
    EXPECT_EQ(orv::AnsiFromBstr(nullptr), "");
    // A character the code page lacks becomes '?'.
    orv::UniqueBstr cjk(SysAllocString(u"\u4E2D"));
    EXPECT_EQ(orv::AnsiFromBstr(cjk.Get()), "?");
}

TEST(Bstr, Utf8RoundTrip) {
    orv::UniqueBstr b(orv::BstrFromUtf8("\xE2\x82\xAC and \xC3\xA9"));
    EXPECT_EQ(b.Get()[0], 0x20AC);
    EXPECT_EQ(orv::Utf8FromBstr(b.Get()), "\xE2\x82\xAC and \xC3\xA9");
}

}  // namespace
