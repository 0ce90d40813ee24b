// MultiByteToWideChar / WideCharToMultiByte: Windows-1252 as CP_ACP, and UTF-8.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

std::u16string ToWide(UINT codePage, const std::string& in, DWORD flags = 0) {
    const int n =
        MultiByteToWideChar(codePage, flags, in.data(), static_cast<int>(in.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(codePage, flags, in.data(), static_cast<int>(in.size()),
                                      out.data(), n),
                  n);
    }
    return out;
}

std::string ToNarrow(UINT codePage, const std::u16string& in, DWORD flags = 0,
                     const char* defaultChar = nullptr, BOOL* usedDefault = nullptr) {
    const int n = WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()),
                                      nullptr, 0, defaultChar, usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()),
                                      out.data(), n, defaultChar, usedDefault),
                  n);
    }
    return out;
}

TEST(Cp1252Test, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::u16string wide = ToWide(CP_ACP, all);
    ASSERT_EQ(wide.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        BOOL usedDefault = TRUE;
        const std::string back =
            ToNarrow(CP_ACP, std::u16string(1, wide[b]), 0, nullptr, &usedDefault);
        EXPECT_EQ(back, std::string(1, static_cast<char>(b))) << b;
        EXPECT_FALSE(usedDefault) << b;
    }
    EXPECT_EQ(ToNarrow(CP_ACP, wide), all);
}

TEST(Cp1252Test, HighControlRangeMapsAsWindowsDoes) {
    const struct {
        unsigned char byte;
        char16_t unit;
    } rows[] = {
        {0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x82, 0x201A}, {0x8A, 0x0160},
        {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x93, 0x201C}, {0x99, 0x2122},
        {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ToWide(CP_ACP, std::string(1, static_cast<char>(row.byte))),
                  std::u16string(1, row.unit))
            << int(row.byte);
        EXPECT_EQ(ToWide(1252, std::string(1, static_cast<char>(row.byte))),
                  std::u16string(1, row.unit));
    }
}

TEST(Cp1252Test, UnmappableCharactersBecomeTheDefaultCharacter) {
    const struct {
        std::u16string in;
        const char* defaultChar;
        std::string out;
        bool used;
    } rows[] = {
        {u"caf\u00e9", nullptr, "caf\xe9", false},
        {u"\u20ac5", nullptr,
         "\x80"
         "5",
         false},
        {u"\u0100", nullptr, "?", true},  // no best fit to 'A'
        {u"\u0100", "#", "#", true},
        {u"\u0080", nullptr, "?", true},  // the C1 control the euro sign displaced
        {u"a\U0001F600b", nullptr, "a??b", true},
    };
    for (const auto& row : rows) {
        BOOL used = 7;
        EXPECT_EQ(ToNarrow(CP_ACP, row.in, 0, row.defaultChar, &used), row.out);
        EXPECT_EQ(used, row.used ? TRUE : FALSE);
    }
    EXPECT_EQ(ToNarrow(CP_ACP, u"\u0100", WC_NO_BEST_FIT_CHARS), "?");
}

TEST(Utf8Test, DecodesWellFormedText) {
    const struct {
        std::string in;
        std::u16string out;
    } rows[] = {
        {"A", u"A"},
        {"\xc3\xa9", u"\u00e9"},
        {"\xe2\x82\xac", u"\u20ac"},
        {"\xef\xbf\xbf", u"\uffff"},
        {"\xf0\x9f\x98\x80", u"\U0001F600"},
        {"\xf4\x8f\xbf\xbf", u"\U0010FFFF"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ToWide(CP_UTF8, row.in), row.out) << row.in;
        EXPECT_EQ(ToWide(CP_UTF8, row.in, MB_ERR_INVALID_CHARS), row.out) << row.in;
    }
}

TEST(Utf8Test, IllFormedSequencesBecomeOneReplacementPerMaximalSubpart) {
    const struct {
        const char* what;
        std::string in;
        std::u16string out;
    } rows[] = {
        {"lone continuation", "\x80", u"\ufffd"},
        {"overlong slash", "\xc0\xaf", u"\ufffd\ufffd"},
        {"overlong three-byte", "\xe0\x80\xaf", u"\ufffd\ufffd\ufffd"},
        {"encoded surrogate", "\xed\xa0\x80", u"\ufffd\ufffd\ufffd"},
        {"above U+10FFFF", "\xf4\x90\x80\x80", u"\ufffd\ufffd\ufffd\ufffd"},
        {"truncated at end", "\xe2\x82", u"\ufffd"},
        {"truncated before ASCII",
         "\xe2\x82"
         "A",
         u"\ufffdA"},
        {"invalid lead bytes", "\xf5\xff", u"\ufffd\ufffd"},
        {"four-byte cut short",
         "\xf0\x9f\x98"
         "b",
         u"\ufffdb"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ToWide(CP_UTF8, row.in), row.out) << row.what;
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, row.in.data(),
                                      static_cast<int>(row.in.size()), nullptr, 0),
                  0)
            << row.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION)) << row.what;
    }
}

TEST(Utf8Test, EncodesAndReplacesUnpairedSurrogates) {
    const struct {
        std::u16string in;
        std::string out;
    } rows[] = {
        {u"\u00e9", "\xc3\xa9"},
        {u"\u20ac", "\xe2\x82\xac"},
        {u"\U0001F600", "\xf0\x9f\x98\x80"},
        {std::u16string(1, char16_t(0xD83D)), "\xef\xbf\xbd"},
        {std::u16string(1, char16_t(0xDE00)) + u"x", "\xef\xbf\xbdx"},
        {u"x" + std::u16string(1, char16_t(0xD83D)), "x\xef\xbf\xbd"},
    };
    for (const auto& row : rows) EXPECT_EQ(ToNarrow(CP_UTF8, row.in), row.out);

    const char16_t lone[] = {0xD800, 0};
    SetLastError(0);
    EXPECT_EQ(
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 1, nullptr, 0, nullptr, nullptr),
        0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(Utf8Test, EveryCodePointRoundTrips) {
    std::u16string all;
    for (char32_t cp = 1; cp <= 0x10FFFF; cp += (cp < 0x10000 ? 1 : 37)) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        if (cp < 0x10000) {
            all.push_back(static_cast<char16_t>(cp));
        } else {
            all.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            all.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    const std::string utf8 = ToNarrow(CP_UTF8, all);
    EXPECT_EQ(ToWide(CP_UTF8, utf8, MB_ERR_INVALID_CHARS), all);
}

TEST(ConversionContractTest, TerminatedInputCountsTheTerminator) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    WCHAR wide[4] = {1, 1, 1, 1};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 4), 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00e9", -1, nullptr, 0, nullptr, nullptr), 3);
    char narrow[3] = {1, 1, 1};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00e9", -1, narrow, 3, nullptr, nullptr), 3);
    EXPECT_STREQ(narrow, "\xc3\xa9");
}

TEST(ConversionContractTest, TooSmallBufferFails) {
    WCHAR wide[2];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    char narrow[3];
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20ac", 1, narrow, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20ac", 1, narrow, 3, nullptr, nullptr), 3);
}

TEST(ConversionContractTest, BadArgumentsAreRefused) {
    WCHAR wide[8];
    char narrow[8];
    BOOL used;
    const struct {
        const char* what;
        std::function<int()> call;
        DWORD error;
    } rows[] = {
        {"null input", [&] { return MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 8); },
         ERROR_INVALID_PARAMETER},
        {"zero length", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 8); },
         ERROR_INVALID_PARAMETER},
        {"length -2", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", -2, wide, 8); },
         ERROR_INVALID_PARAMETER},
        {"negative output size", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, wide, -1); },
         ERROR_INVALID_PARAMETER},
        {"null output with size",
         [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 8); },
         ERROR_INVALID_PARAMETER},
        {"unknown code page", [&] { return MultiByteToWideChar(437, 0, "a", 1, wide, 8); },
         ERROR_INVALID_PARAMETER},
        {"utf-8 precomposed",
         [&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 8); },
         ERROR_INVALID_FLAGS},
        {"wide null input",
         [&] { return WideCharToMultiByte(CP_ACP, 0, nullptr, 1, narrow, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"wide zero length",
         [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", 0, narrow, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"null output with size (wide)",
         [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", 1, nullptr, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"utf-8 default char",
         [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 8, "?", nullptr); },
         ERROR_INVALID_PARAMETER},
        {"utf-8 used flag",
         [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 8, nullptr, &used); },
         ERROR_INVALID_PARAMETER},
        {"ansi invalid-chars flag",
         [&] {
             return WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, u"a", 1, narrow, 8, nullptr,
                                        nullptr);
         },
         ERROR_INVALID_FLAGS},
        {"unknown wide code page",
         [&] { return WideCharToMultiByte(850, 0, u"a", 1, narrow, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
    };
    for (const auto& row : rows) {
        SetLastError(0);
        EXPECT_EQ(row.call(), 0) << row.what;
        EXPECT_EQ(GetLastError(), row.error) << row.what;
    }
}

}  // namespace
