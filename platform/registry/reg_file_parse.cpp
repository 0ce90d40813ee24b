#include "reg_file_parse.h"

#include "ansi_codepage.h"
#include "platform/registry.h"

namespace orv::reg {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool starts_with_ci(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && names_equal(s.substr(0, prefix.size()), prefix);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to max_digits hexadecimal digits and nothing else.
bool parse_hex_number(std::string_view s, size_t max_digits, DWORD& value) {
    if (s.empty() || s.size() > max_digits) return false;
    value = 0;
    for (char c : s) {
        int d = hex_digit(c);
        if (d < 0) return false;
        value = (value << 4) | static_cast<DWORD>(d);
    }
    return true;
}

bool has_forbidden_char(std::string_view name) {
    return name.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos;
}

// Converts the file's bytes to ANSI text; false with a reason when the encoding is unusable.
bool decode_text(std::string_view bytes, std::string& text, std::string& what) {
    if (bytes.starts_with("\xFF\xFE")) {
        std::string_view body = bytes.substr(2);
        if (body.size() % 2 != 0) {
            what = "truncated UTF-16 text (odd number of bytes)";
            return false;
        }
        text = utf16le_to_ansi(body);
        return true;
    }
    if (bytes.starts_with("\xFE\xFF")) {
        what = "big-endian UTF-16 text is not supported";
        return false;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    text = is_valid_utf8(bytes) ? utf8_to_ansi(bytes) : std::string(bytes);
    return true;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::vector<RegOp> run() {
        std::string_view line;
        if (!read_header()) return {};
        while (next_line(line)) {
            line = trim(line);
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[')
                section(line);
            else if (line.front() == '@' || line.front() == '"')
                value(line);
            else
                fail("expected a [key] line or a value line");
        }
        return std::move(ops_);
    }

    int line_number() const { return line_; }

private:
    [[noreturn]] void fail(std::string what, LONG status = ERROR_BADDB) {
        throw ParseFailure{line_, status, std::move(what)};
    }

    bool next_line(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++line_;
        return true;
    }

    bool read_header() {
        std::string_view line;
        while (next_line(line)) {
            line = trim(line);
            if (line.empty()) continue;
            if (names_equal(line, kHeader5)) {
                unicode_ = true;
            } else if (names_equal(line, kHeader4)) {
                unicode_ = false;
            } else {
                fail("not a registry file: the first line must be \"" + std::string(kHeader5) +
                     "\" or \"" + std::string(kHeader4) + "\"");
            }
            return true;
        }
        return false;
    }

    void section(std::string_view line) {
        if (line.back() != ']' || line.size() < 2) fail("missing ] at the end of the key line");
        std::string_view inner = line.substr(1, line.size() - 2);
        bool deletion = inner.starts_with('-');
        if (deletion) inner.remove_prefix(1);
        bool names_root = false;
        KeyPath path = key_path(inner, names_root);
        if (deletion && names_root) fail("a root key cannot be deleted");
        ops_.push_back(
            RegOp{deletion ? RegOp::Kind::DeleteKey : RegOp::Kind::CreateKey, path, {}, 0, {}});
        section_ = std::move(path);
        in_section_ = true;
        skipping_ = deletion;  // values after [-KEY] are ignored, as regedit ignores them
    }

    KeyPath key_path(std::string_view text, bool& names_root) {
        size_t slash = text.find('\\');
        std::string_view root_name = text.substr(0, slash);
        const RootKey* root = find_root(root_name);
        if (!root) {
            if (root_name.empty()) fail("missing key name");
            fail("root key \"" + std::string(root_name) +
                     "\" is not kept here (only HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT)",
                 ERROR_FILE_NOT_FOUND);
        }
        KeyPath path = root->classes ? classes_path() : KeyPath{};
        std::string_view rest =
            slash == std::string_view::npos ? std::string_view{} : text.substr(slash + 1);
        if (rest.ends_with('\\')) rest.remove_suffix(1);
        names_root = rest.empty();
        while (!rest.empty()) {
            size_t next = rest.find('\\');
            std::string_view name = rest.substr(0, next);
            if (name.empty()) fail("empty key name in the path");
            if (name.size() > kMaxKeyNameLength) fail("key name longer than 255 characters");
            if (has_forbidden_char(name)) fail("control character in a key name");
            path.emplace_back(name);
            if (path.size() > kMaxKeyDepth) fail("key path deeper than 512 levels");
            rest = next == std::string_view::npos ? std::string_view{} : rest.substr(next + 1);
            if (next != std::string_view::npos && rest.empty()) fail("empty key name in the path");
        }
        return path;
    }

    void value(std::string_view line) {
        if (!in_section_) fail("value line before any [key] line");
        RegOp op{RegOp::Kind::SetValue, section_, {}, 0, {}};
        size_t pos = 1;
        if (line.front() == '"') {
            op.name = quoted(line, pos, "value name");
            if (op.name.size() > kMaxValueNameLength)
                fail("value name longer than 16383 characters");
            if (has_forbidden_char(op.name)) fail("control character in a value name");
        }
        std::string_view rest = trim(line.substr(pos));
        if (!rest.starts_with('=')) fail("expected = after the value name");
        std::string_view data = trim(rest.substr(1));
        if (data == "-") {
            op.kind = RegOp::Kind::DeleteValue;
        } else if (data.starts_with('"')) {
            size_t end = 1;
            op.type = REG_SZ;
            op.data = quoted(data, end, "string");
            if (end != data.size()) fail("unexpected text after the closing quote");
            op.data.push_back('\0');
        } else if (starts_with_ci(data, "dword:")) {
            DWORD number;
            if (!parse_hex_number(data.substr(6), 8, number))
                fail("dword: needs 1 to 8 hexadecimal digits");
            op.type = REG_DWORD;
            for (int i = 0; i < 4; ++i) op.data.push_back(static_cast<char>(number >> (8 * i)));
        } else if (starts_with_ci(data, "hex")) {
            hex_value(data.substr(3), op);
        } else {
            fail("unrecognised value data (expected \"text\", dword:, hex:, hex(n): or -)");
        }
        if (!skipping_) ops_.push_back(std::move(op));
    }

    // Reads a quoted text starting at s[pos - 1] == '"', with \\ and \" escapes; a backslash
    // before any other character stands for itself. pos ends after the closing quote.
    std::string quoted(std::string_view s, size_t& pos, const char* what) {
        std::string out;
        while (pos < s.size()) {
            char c = s[pos++];
            if (c == '"') return out;
            if (c == '\\' && pos < s.size() && (s[pos] == '\\' || s[pos] == '"')) c = s[pos++];
            out += c;
        }
        fail(std::string("missing closing quote of the ") + what);
    }

    void hex_value(std::string_view type_text, RegOp& op) {
        if (type_text.starts_with(':')) {
            op.type = REG_BINARY;
            type_text.remove_prefix(1);
        } else {
            size_t close = type_text.find("):");
            if (!type_text.starts_with('(') || close == std::string_view::npos ||
                !parse_hex_number(type_text.substr(1, close - 1), 8, op.type))
                fail("expected hex: or hex(n): with a hexadecimal type number");
            type_text.remove_prefix(close + 2);
        }
        std::string bytes = hex_list(type_text);
        bool text = op.type == REG_SZ || op.type == REG_EXPAND_SZ;
        if (text && unicode_) {
            if (bytes.size() % 2 != 0) fail("odd number of bytes in a UTF-16 string");
            op.data = utf16le_to_ansi(bytes);
        } else {
            op.data = std::move(bytes);
        }
    }

    // Comma-separated bytes; a trailing backslash continues the list on the next line.
    std::string hex_list(std::string_view chunk) {
        std::string bytes;
        for (;;) {
            chunk = trim(chunk);
            bool more = chunk.ends_with('\\');
            if (more) chunk = trim(chunk.substr(0, chunk.size() - 1));
            while (!chunk.empty()) {
                size_t comma = chunk.find(',');
                std::string_view token = trim(chunk.substr(0, comma));
                DWORD byte;
                if (!parse_hex_number(token, 2, byte))
                    fail("\"" + std::string(token) + "\" is not a hexadecimal byte");
                bytes += static_cast<char>(byte);
                if (comma == std::string_view::npos) break;
                chunk = trim(chunk.substr(comma + 1));
            }
            if (!more) return bytes;
            if (!next_line(chunk)) fail("the hex list continues past the end of the file");
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 0;
    bool unicode_ = true;
    bool in_section_ = false;
    bool skipping_ = false;
    KeyPath section_;
    std::vector<RegOp> ops_;
};

}  // namespace

ParsedFile parse_reg_file(std::string_view bytes) {
    ParsedFile result;
    std::string text;
    std::string what;
    if (!decode_text(bytes, text, what)) {
        result.failure = ParseFailure{1, ERROR_BADDB, std::move(what)};
        return result;
    }
    Parser parser(text);
    try {
        result.ops = parser.run();
    } catch (ParseFailure& failure) {
        result.failure = std::move(failure);
    }
    return result;
}

}  // namespace orv::reg
