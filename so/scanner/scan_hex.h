// The byte string of the scanner's DirectIO command 1: the text before its first comma (the
// whole text when it has none or begins with one), read as pairs of hexadecimal digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv::so::scanner {

struct HexPairs {
    std::vector<int8_t> bytes;
    std::string error;  // empty when the text is valid; else the trace line saying why not
};

// Every pair must be two hexadecimal digits (either case); an odd length or any other
// character rejects the whole text, so nothing half-read ever reaches the device.
HexPairs ParseHexPairs(std::string_view text);

}  // namespace orv::so::scanner
