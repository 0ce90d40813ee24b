// The application's side of PointArray: the text a signature capture control returns, taken
// back to points. Each point is 4 bytes (x low, x high, y low, y high); the text carries the
// bytes by BinaryConversion: 0 one character per byte through the ANSI code page, 1 two nibble
// characters ("0".."?") per byte, 2 three decimal digits per byte. Coordinates come back as
// unsigned 16-bit values; (65535, 65535) is the pen-up marker between strokes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/oleauto.h"

namespace orv::sigcap {

struct SigPoint {
    uint16_t x;
    uint16_t y;
    bool operator==(const SigPoint&) const = default;
};

inline constexpr SigPoint kPenUp{0xFFFF, 0xFFFF};

// The bytes a PointArray text stands for; nullopt when the text is not of that form.
inline std::optional<std::vector<uint8_t>> PointBytes(BSTR text, int32_t conversion) {
    std::vector<uint8_t> bytes;
    if (conversion == 1 || conversion == 2) {
        const UINT n = SysStringLen(text);
        const UINT width = conversion == 1 ? 2 : 3;
        if (n % width != 0) return std::nullopt;
        for (UINT i = 0; i < n; i += width) {
            unsigned value = 0;
            for (UINT k = 0; k < width; ++k) {
                const unsigned c = text[i + k];
                if (conversion == 1 && (c < 0x30 || c > 0x3F)) return std::nullopt;
                if (conversion == 2 && (c < '0' || c > '9')) return std::nullopt;
                value = conversion == 1 ? (value << 4) | (c - 0x30) : value * 10 + (c - '0');
            }
            if (value > 0xFF) return std::nullopt;
            bytes.push_back(static_cast<uint8_t>(value));
        }
        return bytes;
    }
    const std::string ansi = AnsiFromBstr(text);  // back through the same code page
    bytes.assign(ansi.begin(), ansi.end());
    return bytes;
}

inline std::optional<std::vector<SigPoint>> DecodePointArray(BSTR text, int32_t conversion) {
    const std::optional<std::vector<uint8_t>> bytes = PointBytes(text, conversion);
    if (!bytes || bytes->size() % 4 != 0) return std::nullopt;
    std::vector<SigPoint> points;
    points.reserve(bytes->size() / 4);
    for (size_t i = 0; i < bytes->size(); i += 4) {
        const auto& b = *bytes;
        points.push_back({static_cast<uint16_t>(b[i] | (b[i + 1] << 8)),
                          static_cast<uint16_t>(b[i + 2] | (b[i + 3] << 8))});
    }
    return points;
}

}  // namespace orv::sigcap
