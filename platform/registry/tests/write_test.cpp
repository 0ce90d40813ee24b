#include <gtest/gtest.h>

#include <sstream>

#include "key_tree.h"
#include "platform/registry.h"
#include "reg_file_parse.h"
#include "reg_file_write.h"

namespace orv::reg {
namespace {

const std::string kZero(1, '\0');

// The value line(s) the writer gives one value.
std::string written(DWORD type, const std::string& data, const std::string& name = "v") {
    Key key;
    key.set_value(name, type, data);
    std::string text = write_reg_file(key, "HKEY_LOCAL_MACHINE\\K");
    const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\K]\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_TRUE(text.ends_with("\n\n"));
    return text.substr(head.size(), text.size() - head.size() - 1);
}

TEST(WriteFile, ValueForms) {
    struct Case {
        DWORD type;
        std::string data;
        std::string line;
    };
    const Case cases[] = {
        {REG_SZ, "ORVPin.so" + kZero, "\"v\"=\"ORVPin.so\"\n"},
        {REG_SZ, "C:\\Orvane\\\"x\"" + kZero, "\"v\"=\"C:\\\\Orvane\\\\\\\"x\\\"\"\n"},
        {REG_SZ, kZero, "\"v\"=\"\"\n"},
        // Strings the quoted form cannot hold are kept exactly as UTF-16 hex.
        {REG_SZ, "ab", "\"v\"=hex(1):61,00,62,00\n"},
        {REG_SZ, "a\nb" + kZero, "\"v\"=hex(1):61,00,0a,00,62,00,00,00\n"},
        {REG_SZ, "a" + kZero + "b" + kZero, "\"v\"=hex(1):61,00,00,00,62,00,00,00\n"},
        {REG_SZ, "", "\"v\"=hex(1):\n"},
        {REG_EXPAND_SZ, "%A%\x80" + kZero, "\"v\"=hex(2):25,00,41,00,25,00,ac,20,00,00\n"},
        {REG_DWORD, std::string("\x78\x56\x34\x12", 4), "\"v\"=dword:12345678\n"},
        {REG_DWORD, "\x01\x02", "\"v\"=hex(4):01,02\n"},
        {REG_BINARY, "", "\"v\"=hex:\n"},
        {REG_BINARY, std::string("\x00\xff", 2) + kZero, "\"v\"=hex:00,ff,00\n"},
        {REG_MULTI_SZ, std::string("a\0\0\0", 4), "\"v\"=hex(7):61,00,00,00\n"},
        {REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8), "\"v\"=hex(b):01,00,00,00,00,00,00,00\n"},
        {0x1234, "\x05", "\"v\"=hex(1234):05\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(written(c.type, c.data), c.line) << c.line;
    EXPECT_EQ(written(REG_SZ, "x" + kZero, ""), "@=\"x\"\n");
    EXPECT_EQ(written(REG_SZ, "x" + kZero, "a\"b\\c"), "\"a\\\"b\\\\c\"=\"x\"\n");
    EXPECT_EQ(written(REG_SZ, "x" + kZero, "@"), "\"@\"=\"x\"\n");  // not the default value
}

TEST(WriteFile, WrapsLongHexListsLikeRegedit) {
    std::string data;
    for (int i = 0; i < 200; ++i) data += static_cast<char>(i);
    std::string lines = written(REG_BINARY, data, "Options");
    std::istringstream in(lines);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        if (count > 0) {
            EXPECT_TRUE(line.starts_with("  ")) << line;
        }
        bool last = in.peek() == EOF;
        EXPECT_EQ(line.ends_with(",\\"), !last) << line;
        ++count;
    }
    EXPECT_GT(count, 5);
}

TEST(WriteFile, SectionsInWindowsOrderAsUtf8) {
    Key root;
    for (const char* name : {"beta", "_x", "Alpha", "Caf\xE9"}) root.make_child(name, nullptr);
    root.find_child("Alpha")
        ->make_child("Inner", nullptr)
        .set_value("n", REG_DWORD, std::string(4, '\0'));
    EXPECT_EQ(write_reg_file(root, "HKEY_LOCAL_MACHINE"),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE]\n\n"
              "[HKEY_LOCAL_MACHINE\\Alpha]\n\n"
              "[HKEY_LOCAL_MACHINE\\Alpha\\Inner]\n\"n\"=dword:00000000\n\n"
              "[HKEY_LOCAL_MACHINE\\beta]\n\n"
              "[HKEY_LOCAL_MACHINE\\Caf\u00e9]\n\n"
              "[HKEY_LOCAL_MACHINE\\_x]\n\n");
}

TEST(WriteFile, WhatItWritesReadsBackUnchanged) {
    Key root;
    Key& a = make_path(root, {"SOFTWARE", "OLEforRetail", "ServiceOPOS", "PINPad", "P1"}, nullptr);
    a.set_value("", REG_SZ, "ORVPin.so" + kZero);
    a.set_value("Text", REG_SZ, "line1\r\nline2" + kZero);
    a.set_value("Raw", REG_SZ, "no terminator");
    a.set_value("Exp", REG_EXPAND_SZ, "%PATH%\\\xE9\x80" + kZero);
    a.set_value("Odd", REG_DWORD, "\x01");
    a.set_value("Big", REG_BINARY, std::string(1000, '\xA5'));
    a.set_value("\xC9t\xE9", REG_NONE, "");
    a.set_value("q", 11, std::string(8, '\x7f'));
    make_path(root, {"SOFTWARE", "Classes", "ORVPin.so", "CLSID"}, nullptr)
        .set_value("", REG_SZ, "{F4986AB2-61C2-11D3-A734-0080C88C35FA}" + kZero);
    make_path(root, {"Empty key ] with bracket "}, nullptr);
    root.set_value("at root", REG_SZ, "r" + kZero);

    std::string text = write_reg_file(root, "HKEY_LOCAL_MACHINE");
    ParsedFile parsed = parse_reg_file(text);
    ASSERT_FALSE(parsed.failure) << parsed.failure->line << ": " << parsed.failure->what;
    Key again;
    apply_ops(again, parsed.ops);
    EXPECT_TRUE(again.same_as(root)) << text;
}

}  // namespace
}  // namespace orv::reg
