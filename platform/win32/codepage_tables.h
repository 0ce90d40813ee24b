// Character tables of the code pages the platform converts (internal to the platform library).
#pragma once

#include <cstdint>

namespace orv::win32 {

// Windows-1252 byte -> UTF-16. Every byte maps; the five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as Windows does.
char16_t Cp1252ToUnicode(uint8_t byte);

// UTF-16 unit -> Windows-1252 byte; -1 when the code page has no such character.
int UnicodeToCp1252(char16_t unit);

}  // namespace orv::win32
