#include <gtest/gtest.h>

#include "key_tree.h"
#include "platform/registry.h"
#include "reg_file_parse.h"

namespace orv::reg {
namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

// Parses text and applies it to an empty tree; the test fails on a parse error.
std::unique_ptr<Key> load(const std::string& text) {
    ParsedFile parsed = parse_reg_file(text);
    EXPECT_FALSE(parsed.failure) << parsed.failure->line << ": " << parsed.failure->what;
    auto root = std::make_unique<Key>();
    apply_ops(*root, parsed.ops);
    return root;
}

const Value* value_at(Key& root, const KeyPath& path, const std::string& name) {
    Key* key = find_path(root, path);
    return key ? key->find_value(name) : nullptr;
}

struct ValueCase {
    const char* label;
    std::string body;  // after the header
    KeyPath path;
    std::string name;
    DWORD type;
    std::string data;
};

class ParseValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ParseValue, GivesTheValueWindowsWouldStore) {
    const ValueCase& c = GetParam();
    auto root = load(kHeader + c.body);
    const Value* v = value_at(*root, c.path, c.name);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, c.type);
    EXPECT_EQ(v->data, c.data);
}

const std::string kZero(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Forms, ParseValue,
    ::testing::Values(
        ValueCase{"escapes",
                  "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"x\\\\y\\\"z\"\n",
                  {"A"},
                  "v",
                  REG_SZ,
                  "x\\y\"z" + kZero},
        ValueCase{"other_backslash_kept",
                  "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"C:\\temp\"\n",
                  {"A"},
                  "v",
                  REG_SZ,
                  "C:\\temp" + kZero},
        ValueCase{"default",
                  "[HKEY_LOCAL_MACHINE\\A]\n@=\"ORVPin.so\"\n",
                  {"A"},
                  "",
                  REG_SZ,
                  "ORVPin.so" + kZero},
        ValueCase{"quoted_empty_name_is_default",
                  "[HKLM\\A]\n\"\"=\"d\"\n",
                  {"A"},
                  "",
                  REG_SZ,
                  "d" + kZero},
        ValueCase{"spaces_around_equals",
                  "[HKLM\\A]\n  \"v\" = \"w\"  \n",
                  {"A"},
                  "v",
                  REG_SZ,
                  "w" + kZero},
        ValueCase{"dword",
                  "[HKLM\\A]\n\"v\"=dword:0000ffff\n",
                  {"A"},
                  "v",
                  REG_DWORD,
                  std::string("\xff\xff\0\0", 4)},
        ValueCase{"dword_short_upper",
                  "[HKLM\\A]\n\"v\"=DWORD:1\n",
                  {"A"},
                  "v",
                  REG_DWORD,
                  std::string("\x01\0\0\0", 4)},
        ValueCase{
            "binary", "[HKLM\\A]\n\"v\"=hex:01,2,FF\n", {"A"}, "v", REG_BINARY, "\x01\x02\xff"},
        ValueCase{"binary_empty", "[HKLM\\A]\n\"v\"=hex:\n", {"A"}, "v", REG_BINARY, ""},
        ValueCase{"continuation",
                  "[HKLM\\A]\n\"v\"=hex:01,02,\\\n   03,\\\n  04\n",
                  {"A"},
                  "v",
                  REG_BINARY,
                  "\x01\x02\x03\x04"},
        ValueCase{"expand_sz_utf16",
                  "[HKLM\\A]\n\"v\"=hex(2):25,00,41,00,25,00,e9,00,00,00\n",
                  {"A"},
                  "v",
                  REG_EXPAND_SZ,
                  "%A%\xE9" + kZero},
        ValueCase{"sz_utf16_with_newline",
                  "[HKLM\\A]\n\"v\"=hex(1):61,00,0a,00,62,00,00,00\n",
                  {"A"},
                  "v",
                  REG_SZ,
                  "a\nb" + kZero},
        ValueCase{"multi_sz_kept_raw",
                  "[HKLM\\A]\n\"v\"=hex(7):61,00,00,00,00,00\n",
                  {"A"},
                  "v",
                  REG_MULTI_SZ,
                  std::string("a\0\0\0\0\0", 6)},
        ValueCase{"qword_kept_raw",
                  "[HKLM\\A]\n\"v\"=hex(b):01,00,00,00,00,00,00,00\n",
                  {"A"},
                  "v",
                  REG_QWORD,
                  std::string("\x01\0\0\0\0\0\0\0", 8)},
        ValueCase{"none_empty", "[HKLM\\A]\n\"v\"=hex(0):\n", {"A"}, "v", REG_NONE, ""},
        ValueCase{"classes_root_view",
                  "[HKEY_CLASSES_ROOT\\ORVPin.so\\CLSID]\n@=\"{X}\"\n",
                  {"SOFTWARE", "Classes", "ORVPin.so", "CLSID"},
                  "",
                  REG_SZ,
                  "{X}" + kZero},
        ValueCase{
            "root_values", "[HKEY_LOCAL_MACHINE]\n\"v\"=\"r\"\n", {}, "v", REG_SZ, "r" + kZero},
        ValueCase{"trailing_backslash",
                  "[HKLM\\A\\B\\]\n\"v\"=\"b\"\n",
                  {"A", "B"},
                  "v",
                  REG_SZ,
                  "b" + kZero},
        ValueCase{"crlf", "[HKLM\\A]\r\n\"v\"=\"c\"\r\n", {"A"}, "v", REG_SZ, "c" + kZero},
        ValueCase{"later_value_wins",
                  "[HKLM\\A]\n\"Logpath\"=\"one\"\n[HKLM\\a]\n\"LOGPATH\"=\"two\"\n",
                  {"A"},
                  "logpath",
                  REG_SZ,
                  "two" + kZero}),
    [](const auto& info) { return info.param.label; });

TEST(ParseFile, Regedit4HexStringsAreAnsi) {
    auto root = load("REGEDIT4\n\n[HKLM\\A]\n\"v\"=hex(2):25,41,25,00\n");
    const Value* v = value_at(*root, {"A"}, "v");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->data, "%A%" + kZero);
}

TEST(ParseFile, DeletionsAndIgnoredValues) {
    auto root = load(kHeader +
                     "[HKLM\\A\\B]\n\"x\"=\"1\"\n\"y\"=\"2\"\n"
                     "[HKLM\\A\\C]\n"
                     "[HKLM\\A\\B]\n\"x\"=-\n"
                     "[-HKLM\\A\\C]\n\"ignored\"=hex:01,\\\n  02\n"
                     "; a comment\n"
                     "[-HKLM\\Missing]\n");
    Key* b = find_path(*root, {"A", "B"});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->find_value("x"), nullptr);
    EXPECT_NE(b->find_value("y"), nullptr);
    EXPECT_EQ(find_path(*root, {"A", "C"}), nullptr);
    EXPECT_EQ(find_path(*root, {"A"})->child_count(), 1u);
}

TEST(ParseFile, KeepsTheFirstSpellingOfAName) {
    auto root = load(kHeader +
                     "[HKLM\\OLEforRetail]\n\"Logpath\"=\"a\"\n[HKLM\\OLEFORRETAIL]\n"
                     "\"LOGPATH\"=\"b\"\n");
    ASSERT_EQ(root->child_count(), 1u);
    EXPECT_EQ(root->child_at(0).name(), "OLEforRetail");
    EXPECT_EQ(root->child_at(0).values().at(0).name, "Logpath");
}

TEST(ParseFile, EmptyTextIsAnEmptyRegistry) {
    for (const char* text : {"", "\n\n  \r\n", "\xEF\xBB\xBF"}) {
        ParsedFile parsed = parse_reg_file(text);
        EXPECT_FALSE(parsed.failure) << text;
        EXPECT_TRUE(parsed.ops.empty());
    }
}

TEST(ParseFile, ReadsEveryAcceptedEncoding) {
    const std::string utf8 = kHeader + "[HKLM\\Caf\u00e9]\n\"\u20ac\"=\"\u00fc\u2122\u03a9\"\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t c :
         std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n"
                        u"[HKLM\\Caf\u00e9]\r\n\"\u20ac\"=\"\u00fc\u2122\u03a9\"\r\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    const std::string ansi = kHeader + "[HKLM\\Caf\xE9]\n\"\x80\"=\"\xFC\x99?\"\n";
    for (const std::string& text : {utf8, "\xEF\xBB\xBF" + utf8, utf16, ansi}) {
        auto root = load(text);
        const Value* v = value_at(*root, {"Caf\xE9"}, "\x80");
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->data, "\xFC\x99?" + kZero);  // omega has no ANSI form
    }
}

struct ErrorCase {
    const char* label;
    std::string text;
    int line;
    LONG status;
    const char* what;  // part of the message
};

class ParseError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParseError, NamesTheLineAndProducesNothing) {
    const ErrorCase& c = GetParam();
    ParsedFile parsed = parse_reg_file(c.text);
    ASSERT_TRUE(parsed.failure);
    EXPECT_EQ(parsed.failure->line, c.line);
    EXPECT_EQ(parsed.failure->status, c.status);
    EXPECT_NE(parsed.failure->what.find(c.what), std::string::npos) << parsed.failure->what;
    EXPECT_TRUE(parsed.ops.empty());
}

const std::string kLongName(256, 'k');
std::string deep_path(int levels) {
    std::string path = "HKLM";
    for (int i = 0; i < levels; ++i) path += "\\k";
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, ParseError,
    ::testing::Values(
        ErrorCase{"no_header", "\n[HKLM\\A]\n", 2, ERROR_BADDB, "not a registry file"},
        ErrorCase{"value_first", kHeader + "\"v\"=\"x\"\n", 3, ERROR_BADDB, "before any [key]"},
        ErrorCase{"open_bracket", kHeader + "[HKLM\\A\n", 3, ERROR_BADDB, "missing ]"},
        ErrorCase{"other_root", kHeader + "[HKLM\\A]\n[HKEY_CURRENT_USER\\Software]\n", 4,
                  ERROR_FILE_NOT_FOUND, "HKEY_CURRENT_USER"},
        ErrorCase{"no_key_name", kHeader + "[]\n", 3, ERROR_BADDB, "missing key name"},
        ErrorCase{"empty_name", kHeader + "[HKLM\\A\\\\B]\n", 3, ERROR_BADDB, "empty key name"},
        ErrorCase{"delete_root", kHeader + "[-HKEY_LOCAL_MACHINE]\n", 3, ERROR_BADDB, "root"},
        ErrorCase{"delete_classes_root", kHeader + "[-HKCR]\n", 3, ERROR_BADDB, "root"},
        ErrorCase{"long_key_name", kHeader + "[HKLM\\" + kLongName + "]\n", 3, ERROR_BADDB, "255"},
        ErrorCase{"too_deep", kHeader + "[" + deep_path(513) + "]\n", 3, ERROR_BADDB, "512"},
        ErrorCase{"classes_too_deep", kHeader + "[HKCR" + deep_path(511).substr(4) + "]\n", 3,
                  ERROR_BADDB, "512"},
        ErrorCase{"unterminated", kHeader + "[HKLM\\A]\n\"v\"=\"open\n", 4, ERROR_BADDB,
                  "closing quote"},
        ErrorCase{"unterminated_name", kHeader + "[HKLM\\A]\n\"v=1\n", 4, ERROR_BADDB,
                  "closing quote"},
        ErrorCase{"after_quote", kHeader + "[HKLM\\A]\n\"v\"=\"x\" y\n", 4, ERROR_BADDB,
                  "after the closing quote"},
        ErrorCase{"dword_long", kHeader + "[HKLM\\A]\n\"v\"=dword:123456789\n", 4, ERROR_BADDB,
                  "dword"},
        ErrorCase{"dword_text", kHeader + "[HKLM\\A]\n\"v\"=dword:xyz\n", 4, ERROR_BADDB, "dword"},
        ErrorCase{"bad_byte", kHeader + "[HKLM\\A]\n\"v\"=hex:1g\n", 4, ERROR_BADDB, "1g"},
        ErrorCase{"empty_byte", kHeader + "[HKLM\\A]\n\"v\"=hex:01,,02\n", 4, ERROR_BADDB,
                  "hexadecimal byte"},
        ErrorCase{"bad_type", kHeader + "[HKLM\\A]\n\"v\"=hex(zz):00\n", 4, ERROR_BADDB,
                  "type number"},
        ErrorCase{"odd_utf16", kHeader + "[HKLM\\A]\n\"v\"=hex(2):41\n", 4, ERROR_BADDB,
                  "odd number"},
        ErrorCase{"continues_past_end", kHeader + "[HKLM\\A]\n\"v\"=hex:01,\\", 4, ERROR_BADDB,
                  "past the end"},
        ErrorCase{"error_on_continuation_line",
                  kHeader + "[HKLM\\A]\n\"v\"=hex:01,\\\n  02,\\\n  0x\n", 6, ERROR_BADDB, "0x"},
        ErrorCase{"no_equals", kHeader + "[HKLM\\A]\n\"v\" \"x\"\n", 4, ERROR_BADDB, "expected ="},
        ErrorCase{"unknown_data", kHeader + "[HKLM\\A]\n\"v\"=qword:1\n", 4, ERROR_BADDB,
                  "unrecognised"},
        ErrorCase{"stray_text", kHeader + "[HKLM\\A]\nhello\n", 4, ERROR_BADDB, "expected a"},
        ErrorCase{"carriage_return_in_name", kHeader + "[HKLM\\A]\n\"a\rb\"=\"x\"\n", 4,
                  ERROR_BADDB, "control character"},
        ErrorCase{"nul_in_key_name", kHeader + std::string("[HKLM\\a\0b]\n", 11), 3, ERROR_BADDB,
                  "control character"},
        ErrorCase{"utf16_big_endian", "\xFE\xFF\0W", 1, ERROR_BADDB, "big-endian"},
        ErrorCase{"utf16_odd_length", "\xFF\xFEW\0i", 1, ERROR_BADDB, "odd number"}),
    [](const auto& info) { return info.param.label; });

}  // namespace
}  // namespace orv::reg
