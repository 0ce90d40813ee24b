// OLE Automation data types: BSTR, CURRENCY, VARIANT, DISPPARAMS, EXCEPINFO and their functions,
// with the Windows x64 layouts and results.
#pragma once

#include "platform/winerror.h"
#include "platform/wintypes.h"

typedef OLECHAR* BSTR;
typedef BSTR* LPBSTR;
typedef uint16_t VARTYPE;
typedef int16_t VARIANT_BOOL;
typedef LONG SCODE;
typedef double DATE;
typedef float FLOAT;
typedef double DOUBLE;

#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))

// CURRENCY: a 64-bit integer scaled by 10,000.
union CY {
    struct {
        uint32_t Lo;
        int32_t Hi;
    };
    LONGLONG int64;
};
typedef CY CURRENCY;

struct IUnknown;
struct IDispatch;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
    VT_TYPEMASK = 0x0fff,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        CY* pcyVal;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        VARIANT* pvarVal;
        void* byref;
        // Keeps the union at 16 bytes, as the record member does on Windows x64.
        struct {
            void* pvRecord;
            void* pRecInfo;
        } brecVal;
    };
};
typedef VARIANT VARIANTARG;
typedef VARIANT* LPVARIANT;
typedef VARIANT* LPVARIANTARG;

static_assert(sizeof(VARIANT) == 24, "VARIANT has the Windows x64 layout");
static_assert(sizeof(CY) == 8, "CURRENCY is 64 bits");

#define V_VT(v) ((v)->vt)
#define V_ISBYREF(v) (((v)->vt & VT_BYREF) != 0)
#define V_I2(v) ((v)->iVal)
#define V_I4(v) ((v)->lVal)
#define V_R8(v) ((v)->dblVal)
#define V_CY(v) ((v)->cyVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_BSTR(v) ((v)->bstrVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_I4REF(v) ((v)->plVal)
#define V_BSTRREF(v) ((v)->pbstrVal)
#define V_VARIANTREF(v) ((v)->pvarVal)

typedef LONG DISPID;
#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define DISPID_NEWENUM (-4)

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_NEUTRAL 0x0000

// VariantChangeType flags.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10

struct DISPPARAMS {
    VARIANTARG* rgvarg;        // arguments in reverse order: the last argument first
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};
typedef EXCEPINFO* LPEXCEPINFO;

extern "C" {

// BSTR functions. A BSTR is allocated with malloc: a 4-byte byte count, the characters, a 2-byte
// zero; the pointer names the first character, so any module may free what another allocated.
ORV_API BSTR WINAPI SysAllocString(const OLECHAR* text);             // null for null text
ORV_API BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT cch);  // text may be null
ORV_API BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT cb);      // bytes may be null
ORV_API INT WINAPI SysReAllocString(BSTR* bstr, const OLECHAR* text);
ORV_API INT WINAPI SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT cch);
ORV_API void WINAPI SysFreeString(BSTR bstr);                          // null is ignored
ORV_API UINT WINAPI SysStringLen(BSTR bstr);                           // 0 for null
ORV_API UINT WINAPI SysStringByteLen(BSTR bstr);                       // 0 for null

// VARIANT functions.
ORV_API void WINAPI VariantInit(VARIANTARG* v);
// Frees what the variant owns (BSTR, interface reference) unless it is VT_BYREF; leaves
// VT_EMPTY. DISP_E_BADVARTYPE for a type outside the supported set (the variant is unchanged).
ORV_API HRESULT WINAPI VariantClear(VARIANTARG* v);
// Deep copy: a new BSTR, an AddRef'ed interface; by-reference variants are copied as references.
ORV_API HRESULT WINAPI VariantCopy(VARIANTARG* dest, const VARIANTARG* src);
// Copies with by-reference sources dereferenced.
ORV_API HRESULT WINAPI VariantCopyInd(VARIANT* dest, const VARIANTARG* src);
// Converts as OLE Automation does: numbers between VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_UI1,
// VT_I8, VT_BOOL (nonzero = VARIANT_TRUE) with DISP_E_OVERFLOW out of range and round-half-even
// for fractions; numbers to and from VT_BSTR text (DISP_E_TYPEMISMATCH for text that is not a
// number); VT_EMPTY to 0 or the empty string; VT_UNKNOWN to VT_DISPATCH through QueryInterface;
// by-reference sources are read through. dest may equal src. On failure dest is unchanged.
ORV_API HRESULT WINAPI VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags,
                                         VARTYPE vt);
ORV_API HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID lcid,
                                           USHORT flags, VARTYPE vt);

}  // extern "C"
