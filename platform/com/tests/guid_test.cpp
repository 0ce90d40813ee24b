// GUID text conversion both ways, and rejection of malformed text.
#include <gtest/gtest.h>

#include "platform/com.h"
#include "platform/com_ptr.h"

namespace {

constexpr CLSID kPinSo = GUID_INIT(0xF4986AB2, 0x61C2, 0x11D3, 0xA7, 0x34, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA);

TEST(Guid, FormatsUpperCaseBraced) {
    EXPECT_EQ(orv::GuidToString(kPinSo), "{F4986AB2-61C2-11D3-A734-0080C88C35FA}");
    OLECHAR small[10];
    EXPECT_EQ(StringFromGUID2(kPinSo, small, 10), 0);
    OLECHAR exact[CHARS_IN_GUID];
    EXPECT_EQ(StringFromGUID2(kPinSo, exact, CHARS_IN_GUID), CHARS_IN_GUID);
    EXPECT_EQ(exact[CHARS_IN_GUID - 1], 0);
}

TEST(Guid, ParsesEitherCase) {
    GUID g;
    ASSERT_TRUE(orv::GuidFromString("{f4986ab2-61c2-11d3-a734-0080c88c35fa}", &g));
    EXPECT_EQ(g, kPinSo);
    ASSERT_EQ(CLSIDFromString(u"{F4986AB2-61C2-11D3-A734-0080C88C35FA}", &g), S_OK);
    EXPECT_EQ(g, kPinSo);
}

TEST(Guid, RejectsMalformedText) {
    const char* bad[] = {
        "",
        "F4986AB2-61C2-11D3-A734-0080C88C35FA",
        "{F4986AB2-61C2-11D3-A734-0080C88C35FA",
        "{F4986AB2-61C2-11D3-A734-0080C88C35FA}x",
        "{F4986AB2+61C2-11D3-A734-0080C88C35FA}",
        "{G4986AB2-61C2-11D3-A734-0080C88C35FA}",
        "{F4986AB2-61C2-11D3-A7340-080C88C35FA}",
        "{ F4986AB2-61C2-11D3-A734-0080C88C35F}",
    };
    for (const char* text : bad) {
        GUID g = kPinSo;
        EXPECT_FALSE(orv::GuidFromString(text, &g)) << text;
        EXPECT_EQ(g, kPinSo) << "unchanged on failure";
    }
    GUID g;
    EXPECT_EQ(IIDFromString(u"{nope}", &g), CO_E_CLASSSTRING);
    EXPECT_EQ(IIDFromString(nullptr, &g), E_INVALIDARG);
}

}  // namespace
