// Reads a service object's trace file: checks the header and the "HH:MM:SS.mmm " stamp and
// CR LF of every line, and gives the texts without their stamps.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orv::so::test {

struct Trace {
    std::vector<std::string> header;  // the three header lines as written (without CR LF)
    std::vector<std::string> lines;   // the texts after the stamps
    std::string error;                // what was malformed ("" when the format holds)
    size_t Count(const std::string& text) const;
    bool Has(const std::string& text) const { return Count(text) > 0; }
    // Index of the first line equal to text at or after from; npos when absent.
    size_t Find(const std::string& text, size_t from = 0) const;
};

Trace ReadTrace(const std::filesystem::path& path);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace orv::so::test
