#include "trace_reader.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace orv::so::test {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t Trace::Count(const std::string& text) const {
    size_t n = 0;
    for (const auto& l : lines)
        if (l == text) ++n;
    return n;
}

size_t Trace::Find(const std::string& text, size_t from) const {
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i] == text) return i;
    return std::string::npos;
}

Trace ReadTrace(const std::filesystem::path& path) {
    Trace t;
    const std::string bytes = ReadFile(path);
    std::vector<std::string> raw;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            t.error = "last line without CR LF";
            break;
        }
        raw.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    if (raw.size() < 3) {
        t.error = "no header";
        return t;
    }
    const std::string separator(80, '=');
    static const std::regex created(R"(   File Created [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}\n)");
    if (raw[0] != separator || raw[2] != separator || !std::regex_match(raw[1], created))
        t.error = "bad header";
    t.header.assign(raw.begin(), raw.begin() + 3);
    static const std::regex stamp(R"(\d\d:\d\d:\d\d\.\d\d\d )");
    for (size_t i = 3; i < raw.size(); ++i) {
        if (raw[i].size() < 13 || !std::regex_match(raw[i].substr(0, 13), stamp)) {
            if (t.error.empty()) t.error = "bad stamp in line " + std::to_string(i + 1) + ": " + raw[i];
            t.lines.push_back(raw[i]);
            continue;
        }
        t.lines.push_back(raw[i].substr(13));
    }
    return t;
}

}  // namespace orv::so::test
