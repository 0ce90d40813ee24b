// VariantChangeType: the coercions OLE Automation applies between the types the suite passes.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/oleauto.h"

namespace {

// A source value reduced to what conversions need. Integers stay exact; CY keeps its scale.
struct Number {
    enum Kind { Integer, Real, Currency } kind = Integer;
    int64_t i = 0;      // Integer, or Currency scaled by 10,000
    double d = 0.0;     // Real
};

double ToDouble(const Number& n) {
    switch (n.kind) {
        case Number::Integer: return static_cast<double>(n.i);
        case Number::Real: return n.d;
        case Number::Currency: return static_cast<double>(n.i) / 10000.0;
    }
    return 0.0;
}

// Round half to even, as OLE Automation rounds fractions.
double RoundHalfEven(double v) {
    const double r = std::nearbyint(v);  // default rounding mode: to nearest, ties to even
    return r;
}

// Integer value of a number, rounded; nullopt when it does not fit in int64.
std::optional<int64_t> ToInteger(const Number& n) {
    switch (n.kind) {
        case Number::Integer:
            return n.i;
        case Number::Currency: {
            int64_t q = n.i / 10000;
            const int64_t r = n.i % 10000;
            const int64_t absR = r < 0 ? -r : r;
            if (absR > 5000 || (absR == 5000 && (q % 2) != 0)) q += (r < 0 ? -1 : 1);
            return q;
        }
        case Number::Real: {
            if (!std::isfinite(n.d)) return std::nullopt;
            const double r = RoundHalfEven(n.d);
            if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
            return static_cast<int64_t>(r);
        }
    }
    return std::nullopt;
}

std::optional<int64_t> ToCurrency(const Number& n) {
    switch (n.kind) {
        case Number::Currency:
            return n.i;
        case Number::Integer: {
            if (n.i > std::numeric_limits<int64_t>::max() / 10000 ||
                n.i < std::numeric_limits<int64_t>::min() / 10000)
                return std::nullopt;
            return n.i * 10000;
        }
        case Number::Real: {
            if (!std::isfinite(n.d)) return std::nullopt;
            const double r = RoundHalfEven(n.d * 10000.0);
            if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
            return static_cast<int64_t>(r);
        }
    }
    return std::nullopt;
}

bool IsZero(const Number& n) { return n.kind == Number::Real ? n.d == 0.0 : n.i == 0; }

std::u16string Trim(std::u16string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t')) ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t')) --e;
    return std::u16string(s.substr(b, e - b));
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Parses the text of a BSTR as a number: decimal with optional sign, fraction and exponent, or
// VB's &H hexadecimal. DISP_E_TYPEMISMATCH for anything else, DISP_E_OVERFLOW when too large.
HRESULT ParseNumber(BSTR text, Number* out) {
    const std::u16string t = Trim(text ? std::u16string_view(text, SysStringLen(text)) : u"");
    if (t.empty()) return DISP_E_TYPEMISMATCH;
    std::string ascii;
    for (char16_t c : t) {
        if (c > 0x7F) return DISP_E_TYPEMISMATCH;
        ascii.push_back(static_cast<char>(c));
    }
    if (ascii.size() > 2 && ascii[0] == '&' && (ascii[1] == 'H' || ascii[1] == 'h')) {
        errno = 0;
        char* end = nullptr;
        const unsigned long long v = std::strtoull(ascii.c_str() + 2, &end, 16);
        if (*end != '\0' || ascii[2] == '-' || ascii[2] == '+') return DISP_E_TYPEMISMATCH;
        if (errno == ERANGE || v > 0xFFFFFFFFull) return DISP_E_OVERFLOW;
        // &H literals are 16- or 32-bit two's complement, as in VB.
        out->kind = Number::Integer;
        out->i = v <= 0xFFFF ? static_cast<int16_t>(v) : static_cast<int32_t>(static_cast<uint32_t>(v));
        return S_OK;
    }
    const bool integral = ascii.find_first_of(".eE") == std::string::npos;
    errno = 0;
    char* end = nullptr;
    if (integral) {
        const long long v = std::strtoll(ascii.c_str(), &end, 10);
        if (end == ascii.c_str() || *end != '\0') return DISP_E_TYPEMISMATCH;
        if (errno == ERANGE) return DISP_E_OVERFLOW;
        out->kind = Number::Integer;
        out->i = v;
        return S_OK;
    }
    const double v = std::strtod(ascii.c_str(), &end);
    if (end == ascii.c_str() || *end != '\0') return DISP_E_TYPEMISMATCH;
    if (!std::isfinite(v)) return DISP_E_OVERFLOW;
    if (std::isnan(v)) return DISP_E_TYPEMISMATCH;
    out->kind = Number::Real;
    out->d = v;
    return S_OK;
}

BSTR BstrFromAscii(const std::string& s) {
    std::u16string w(s.begin(), s.end());
    return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

std::string FormatReal(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", v);
    std::string s = buf;
    // OLE writes exponents without leading zeros: 1E+20, 1E-05 -> 1E-05 stays as "1E-05".
    const size_t e = s.find('E');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e), exp = s.substr(e + 1);
        const char sign = exp[0];
        size_t k = 1;
        while (k + 1 < exp.size() && exp[k] == '0') ++k;
        s = mant + "E" + sign + exp.substr(k);
    }
    return s;
}

std::string FormatCurrency(int64_t scaled) {
    const bool negative = scaled < 0;
    const uint64_t mag = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string s = std::to_string(mag / 10000);
    uint64_t frac = mag % 10000;
    if (frac != 0) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04llu", static_cast<unsigned long long>(frac));
        std::string f = buf;
        while (!f.empty() && f.back() == '0') f.pop_back();
        s += "." + f;
    }
    return negative ? "-" + s : s;
}

// Reads a numeric or boolean source; false when the source is not a number.
bool ReadNumber(const VARIANT& v, Number* n) {
    switch (v.vt) {
        case VT_EMPTY: n->kind = Number::Integer; n->i = 0; return true;
        case VT_I1: n->i = static_cast<int8_t>(v.cVal); break;
        case VT_UI1: n->i = v.bVal; break;
        case VT_I2: n->i = v.iVal; break;
        case VT_UI2: n->i = v.uiVal; break;
        case VT_BOOL: n->i = v.boolVal; break;
        case VT_I4: case VT_INT: case VT_ERROR: n->i = v.lVal; break;
        case VT_UI4: case VT_UINT: n->i = v.ulVal; break;
        case VT_I8: n->i = v.llVal; break;
        case VT_UI8:
            if (v.ullVal > static_cast<ULONGLONG>(std::numeric_limits<int64_t>::max())) {
                n->kind = Number::Real;
                n->d = static_cast<double>(v.ullVal);
                return true;
            }
            n->i = static_cast<int64_t>(v.ullVal);
            break;
        case VT_R4: n->kind = Number::Real; n->d = v.fltVal; return true;
        case VT_R8: case VT_DATE: n->kind = Number::Real; n->d = v.dblVal; return true;
        case VT_CY: n->kind = Number::Currency; n->i = v.cyVal.int64; return true;
        default: return false;
    }
    n->kind = Number::Integer;
    return true;
}

template <class T>
HRESULT FitInteger(const Number& n, T* out) {
    const auto i = ToInteger(n);
    if (!i || *i < std::numeric_limits<T>::min() || *i > std::numeric_limits<T>::max())
        return DISP_E_OVERFLOW;
    *out = static_cast<T>(*i);
    return S_OK;
}

// Converts a number to a value type.
HRESULT NumberTo(const Number& n, VARTYPE vt, VARIANT* r) {
    VariantInit(r);
    HRESULT hr = S_OK;
    switch (vt) {
        case VT_I2: hr = FitInteger<int16_t>(n, &r->iVal); break;
        case VT_I4: case VT_INT: hr = FitInteger<int32_t>(n, &r->lVal); break;
        case VT_I8: hr = FitInteger<int64_t>(n, &r->llVal); break;
        case VT_UI1: hr = FitInteger<uint8_t>(n, &r->bVal); break;
        case VT_I1: {
            int8_t c = 0;
            hr = FitInteger<int8_t>(n, &c);
            r->cVal = static_cast<CHAR>(c);
            break;
        }
        case VT_UI2: hr = FitInteger<uint16_t>(n, &r->uiVal); break;
        case VT_UI4: case VT_UINT: hr = FitInteger<uint32_t>(n, &r->ulVal); break;
        case VT_R8: r->dblVal = ToDouble(n); break;
        case VT_R4: {
            const double d = ToDouble(n);
            if (std::fabs(d) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
            r->fltVal = static_cast<float>(d);
            break;
        }
        case VT_CY: {
            const auto c = ToCurrency(n);
            if (!c) return DISP_E_OVERFLOW;
            r->cyVal.int64 = *c;
            break;
        }
        case VT_BOOL: r->boolVal = IsZero(n) ? VARIANT_FALSE : VARIANT_TRUE; break;
        default: return DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr)) return hr;
    r->vt = vt;
    return S_OK;
}

bool IsValueTarget(VARTYPE vt) {
    switch (vt) {
        case VT_I2: case VT_I4: case VT_INT: case VT_I8: case VT_UI1: case VT_I1: case VT_UI2:
        case VT_UI4: case VT_UINT: case VT_R8: case VT_R4: case VT_CY: case VT_BOOL:
            return true;
        default:
            return false;
    }
}

HRESULT Convert(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT* r, int depth);

// The value of an object is its DISPID_VALUE property.
HRESULT ValueOfObject(IDispatch* d, USHORT flags, VARTYPE vt, VARIANT* r, int depth) {
    if (!d || (flags & VARIANT_NOVALUEPROP) || depth > 4) return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    orv::UniqueVariant value;
    HRESULT hr = d->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                           &none, value.Get(), nullptr, nullptr);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    return Convert(*value.Get(), flags, vt, r, depth + 1);
}

HRESULT Convert(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT* r, int depth) {
    VariantInit(r);
    if (vt == src.vt) return VariantCopy(r, &src);
    if (vt == VT_EMPTY) return S_OK;
    if (vt == VT_NULL) return src.vt == VT_EMPTY ? (r->vt = VT_NULL, S_OK) : DISP_E_TYPEMISMATCH;
    if (src.vt == VT_NULL) return DISP_E_TYPEMISMATCH;

    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        if (src.vt != VT_DISPATCH && src.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
        if (!src.punkVal) {
            r->vt = vt;
            return S_OK;
        }
        void* p = nullptr;
        const HRESULT hr = src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &p);
        if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
        r->vt = vt;
        r->punkVal = static_cast<IUnknown*>(p);
        return S_OK;
    }
    if (src.vt == VT_DISPATCH) return ValueOfObject(src.pdispVal, flags, vt, r, depth);
    if (src.vt == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;

    if (vt == VT_BSTR) {
        Number n;
        if (src.vt == VT_BOOL && !(flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))) {
            r->bstrVal = BstrFromAscii(src.boolVal ? "-1" : "0");
        } else if (src.vt == VT_BOOL) {
            r->bstrVal = BstrFromAscii(src.boolVal ? "True" : "False");
        } else if (src.vt == VT_EMPTY) {
            r->bstrVal = SysAllocStringLen(nullptr, 0);
        } else if (ReadNumber(src, &n)) {
            if (n.kind == Number::Integer)
                r->bstrVal = BstrFromAscii(std::to_string(n.i));
            else if (n.kind == Number::Currency)
                r->bstrVal = BstrFromAscii(FormatCurrency(n.i));
            else
                r->bstrVal = BstrFromAscii(FormatReal(n.d));
        } else {
            return DISP_E_TYPEMISMATCH;
        }
        if (!r->bstrVal) return E_OUTOFMEMORY;
        r->vt = VT_BSTR;
        return S_OK;
    }

    if (!IsValueTarget(vt)) return DISP_E_TYPEMISMATCH;
    Number n;
    if (src.vt == VT_BSTR) {
        if (vt == VT_BOOL) {
            const std::u16string t = Trim(src.bstrVal ? std::u16string_view(src.bstrVal, SysStringLen(src.bstrVal)) : u"");
            if (EqualsIgnoreCase(t, u"True")) {
                r->vt = VT_BOOL;
                r->boolVal = VARIANT_TRUE;
                return S_OK;
            }
            if (EqualsIgnoreCase(t, u"False")) {
                r->vt = VT_BOOL;
                r->boolVal = VARIANT_FALSE;
                return S_OK;
            }
        }
        const HRESULT hr = ParseNumber(src.bstrVal, &n);
        if (FAILED(hr)) return hr;
    } else if (!ReadNumber(src, &n)) {
        return DISP_E_TYPEMISMATCH;
    }
    return NumberTo(n, vt, r);
}

// A non-owning by-value view of a variant: by-reference variants are read through.
HRESULT ShallowValue(const VARIANT& src, VARIANT* view, int depth) {
    VariantInit(view);
    if (!(src.vt & VT_BYREF)) {
        *view = src;
        return S_OK;
    }
    if (!src.byref || depth > 4) return E_INVALIDARG;
    const VARTYPE base = src.vt & ~VT_BYREF;
    if (base == VT_VARIANT) return ShallowValue(*src.pvarVal, view, depth + 1);
    view->vt = base;
    switch (base) {
        case VT_I2: case VT_UI2: case VT_BOOL: view->iVal = *src.piVal; break;
        case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_ERROR: case VT_R4:
            view->lVal = *src.plVal; break;
        case VT_I1: case VT_UI1: view->bVal = *src.pbVal; break;
        case VT_R8: case VT_DATE: case VT_CY: case VT_I8: case VT_UI8: view->llVal = *src.pllVal; break;
        case VT_BSTR: view->bstrVal = *src.pbstrVal; break;
        case VT_DISPATCH: case VT_UNKNOWN: view->punkVal = *src.ppunkVal; break;
        default: VariantInit(view); return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

}  // namespace

extern "C" {

HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID, USHORT flags,
                                   VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    if (vt & (VT_BYREF | VT_ARRAY)) return DISP_E_TYPEMISMATCH;
    VARIANT value;
    HRESULT hr = ShallowValue(*src, &value, 0);
    if (FAILED(hr)) return hr;
    VARIANT converted;
    hr = Convert(value, flags, vt, &converted, 0);
    if (FAILED(hr)) return hr;
    // Only now is dest touched, so a failure leaves it as it was.
    VariantClear(dest);
    *dest = converted;
    return S_OK;
}

HRESULT WINAPI VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt) {
    return VariantChangeTypeEx(dest, src, LOCALE_USER_DEFAULT, flags, vt);
}

}  // extern "C"
