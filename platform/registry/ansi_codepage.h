// The ANSI code page of the A functions (Windows-1252), its conversions to the encodings the
// registry file uses, and the case rules for key and value names.
#pragma once

#include <string>
#include <string_view>

namespace orv::reg {

// Unicode code unit of an ANSI byte. The five bytes Windows-1252 leaves undefined map to the C1
// controls of the same number, as Windows maps them, so every byte survives a trip through Unicode.
char16_t ansi_to_unicode(unsigned char byte);

// ANSI byte of a code point; '?' (the Windows default character) when the code page has none.
unsigned char unicode_to_ansi(char32_t code_point);

bool is_valid_utf8(std::string_view text);
std::string ansi_to_utf8(std::string_view ansi);
// Invalid UTF-8 sequences become one '?' per byte.
std::string utf8_to_ansi(std::string_view utf8);
// Little-endian UTF-16 bytes (an even count) to ANSI; surrogate pairs become '?'.
std::string utf16le_to_ansi(std::string_view bytes);
std::string ansi_to_utf16le(std::string_view ansi);

// Names compare as Windows compares them: by the upper-case Unicode form of each character.
int compare_names(std::string_view a, std::string_view b);
bool names_equal(std::string_view a, std::string_view b);

}  // namespace orv::reg
