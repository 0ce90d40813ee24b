#include "scan_hex.h"

#include <cstdio>

#include "so_core/directio_plan.h"

namespace orv::so::scanner {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Printable ASCII is shown as itself; anything else (control bytes, ANSI letters) by its code.
std::string Describe(char c) {
    const auto byte = static_cast<unsigned char>(c);
    char buffer[48];
    if (byte >= 0x20 && byte < 0x7F)
        std::snprintf(buffer, sizeof buffer, "'%c' (0x%02X)", c, byte);
    else
        std::snprintf(buffer, sizeof buffer, "0x%02X", byte);
    return buffer;
}

}  // namespace

HexPairs ParseHexPairs(std::string_view text) {
    const std::string_view field = DioField(text, 1);
    HexPairs out;
    if (field.size() % 2 != 0) {
        out.error = "DirectIO: odd number of hexadecimal digits (" + std::to_string(field.size()) +
                    "), nothing sent";
        return out;
    }
    out.bytes.reserve(field.size() / 2);
    for (size_t i = 0; i < field.size(); i += 2) {
        const int high = HexValue(field[i]);
        const int low = HexValue(field[i + 1]);
        if (high < 0 || low < 0) {
            const size_t at = high < 0 ? i : i + 1;
            out.error = "DirectIO: character " + Describe(field[at]) + " at position " +
                        std::to_string(at + 1) + " is not a hexadecimal digit, nothing sent";
            out.bytes.clear();
            return out;
        }
        out.bytes.push_back(static_cast<int8_t>(static_cast<uint8_t>(high * 16 + low)));
    }
    return out;
}

}  // namespace orv::so::scanner
