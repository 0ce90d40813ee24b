// GUID text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" both ways.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com.h"
#include "platform/com_ptr.h"

namespace {


int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// Reads `digits` hex digits at text[pos].
bool ReadHex(const char16_t* text, size_t pos, int digits, uint64_t* value) {
    uint64_t v = 0;
    for (int i = 0; i < digits; ++i) {
        const int h = HexValue(text[pos + static_cast<size_t>(i)]);
        if (h < 0) return false;
        v = (v << 4) | static_cast<uint64_t>(h);
    }
    *value = v;
    return true;
}

// Parses exactly 38 characters of braced GUID text.
bool ParseBraced(const char16_t* t, size_t length, GUID* g) {
    if (length != 38 || t[0] != u'{' || t[37] != u'}' || t[9] != u'-' || t[14] != u'-' ||
        t[19] != u'-' || t[24] != u'-')
        return false;
    uint64_t v = 0;
    GUID r{};
    if (!ReadHex(t, 1, 8, &v)) return false;
    r.Data1 = static_cast<uint32_t>(v);
    if (!ReadHex(t, 10, 4, &v)) return false;
    r.Data2 = static_cast<uint16_t>(v);
    if (!ReadHex(t, 15, 4, &v)) return false;
    r.Data3 = static_cast<uint16_t>(v);
    static const size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(t, kBytePos[i], 2, &v)) return false;
        r.Data4[i] = static_cast<uint8_t>(v);
    }
    *g = r;
    return true;
}

size_t Length(const OLECHAR* t) {
    size_t n = 0;
    while (t[n] != 0 && n < 64) ++n;
    return n;
}

}  // namespace

extern "C" {

int WINAPI StringFromGUID2(REFGUID g, LPOLESTR text, int cchMax) {
    if (!text || cchMax < CHARS_IN_GUID) return 0;
    char buf[CHARS_IN_GUID];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    for (int i = 0; i < CHARS_IN_GUID; ++i) text[i] = static_cast<OLECHAR>(buf[i]);
    return CHARS_IN_GUID;
}

HRESULT WINAPI IIDFromString(LPCOLESTR text, LPGUID iid) {
    if (!text || !iid) return E_INVALIDARG;
    const size_t n = Length(text);
    GUID g;
    if (!ParseBraced(text, n, &g)) return CO_E_CLASSSTRING;
    *iid = g;
    return S_OK;
}

HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
    if (!text || !clsid) return E_INVALIDARG;
    if (text[0] == u'{') return IIDFromString(text, clsid);
    return CLSIDFromProgID(text, clsid);
}

}  // extern "C"

namespace orv {

std::string GuidToString(const GUID& guid) {
    OLECHAR w[CHARS_IN_GUID];
    StringFromGUID2(guid, w, CHARS_IN_GUID);
    return std::string(w, w + CHARS_IN_GUID - 1);
}

bool GuidFromString(std::string_view text, GUID* guid) {
    if (!guid || text.size() != 38) return false;
    char16_t w[38];
    for (size_t i = 0; i < 38; ++i) w[i] = static_cast<unsigned char>(text[i]);
    return ParseBraced(w, 38, guid);
}

}  // namespace orv
