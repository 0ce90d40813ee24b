// Bytes to BSTR by the OPOS BinaryConversion setting: raw (one character per byte, through the
// ANSI code page), nibble (two characters "0".."?" per byte) or decimal (three digits per byte).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/oleauto.h"
#include "platform/win32.h"

namespace orv::so {

class TraceLog;

// The OPOS nibble form: high then low four bits, each plus 0x30 ("0".."9", ":".."?").
std::string NibbleText(std::span<const uint8_t> bytes);
// Three decimal digits per byte, leading zeros kept.
std::string DecimalText(std::span<const uint8_t> bytes);

// Owns one BSTR made from bytes taken in a code page (the ANSI code page by default). The
// conversion buffer lives on the heap, whatever the size. A code page conversion that fails
// leaves Ok() false: the calling operation fails instead of the process ending.
class CBinBstr {
public:
    static constexpr const char* kConversionError =
        "ERROR from Function MultiByteToWideChar() called from CBinBstr Constructor!";

    CBinBstr(const uint8_t* bytes, size_t count, UINT codePage = CP_ACP);
    ~CBinBstr();
    CBinBstr(const CBinBstr&) = delete;
    CBinBstr& operator=(const CBinBstr&) = delete;

    bool Ok() const { return ok_; }
    BSTR Get() const { return bstr_; }
    BSTR Detach();  // hands the BSTR to the caller

private:
    BSTR bstr_ = nullptr;
    bool ok_ = false;
};

// BinaryToBstr: 1 nibble, 2 decimal, any other value raw. The nibble and decimal forms write
// their begin and done lines to the trace when one is given. nullopt when the raw conversion
// failed (the error text is then in the trace).
std::optional<BSTR> BinaryToBstr(std::span<const uint8_t> bytes, int32_t conversion,
                                 TraceLog* log);

}  // namespace orv::so
