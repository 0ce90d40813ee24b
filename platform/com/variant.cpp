// VariantInit, VariantClear, VariantCopy, VariantCopyInd.
#include "platform/com.h"
#include "platform/oleauto.h"

namespace {

// Types a variant of the suite can hold by value.
bool IsSupportedValueType(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY:
        case VT_DATE: case VT_BSTR: case VT_DISPATCH: case VT_ERROR: case VT_BOOL:
        case VT_UNKNOWN: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_I8:
        case VT_UI8: case VT_INT: case VT_UINT:
            return true;
        default:
            return false;
    }
}

bool IsSupportedType(VARTYPE vt) {
    if (vt & VT_BYREF) {
        const VARTYPE base = vt & ~VT_BYREF;
        return base == VT_VARIANT || (IsSupportedValueType(base) && base != VT_EMPTY && base != VT_NULL);
    }
    return IsSupportedValueType(vt);
}

}  // namespace

extern "C" {

void WINAPI VariantInit(VARIANTARG* v) {
    if (!v) return;
    v->vt = VT_EMPTY;
    v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
    v->brecVal.pvRecord = nullptr;
    v->brecVal.pRecInfo = nullptr;
}

HRESULT WINAPI VariantClear(VARIANTARG* v) {
    if (!v) return E_INVALIDARG;
    if (!IsSupportedType(v->vt)) return DISP_E_BADVARTYPE;
    switch (v->vt) {
        case VT_BSTR:
            SysFreeString(v->bstrVal);
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (v->punkVal) v->punkVal->Release();
            break;
        default:
            break;  // by-reference variants and plain numbers own nothing
    }
    VariantInit(v);
    return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (!IsSupportedType(src->vt)) return DISP_E_BADVARTYPE;
    if (dest == src) return S_OK;
    VARIANT copy = *src;
    if (src->vt == VT_BSTR && src->bstrVal) {
        copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src->bstrVal),
                                             SysStringByteLen(src->bstrVal));
        if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
        src->punkVal->AddRef();
    }
    const HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}

HRESULT WINAPI VariantCopyInd(VARIANT* dest, const VARIANTARG* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (!(src->vt & VT_BYREF)) return VariantCopy(dest, src);
    if (!IsSupportedType(src->vt)) return DISP_E_BADVARTYPE;
    if (!src->byref) return E_INVALIDARG;
    const VARTYPE base = src->vt & ~VT_BYREF;
    if (base == VT_VARIANT) return VariantCopyInd(dest, src->pvarVal);
    VARIANT value;
    VariantInit(&value);
    value.vt = base;
    switch (base) {
        case VT_I2: case VT_UI2: case VT_BOOL: value.iVal = *src->piVal; break;
        case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_ERROR: case VT_R4:
            value.lVal = *src->plVal; break;
        case VT_I1: case VT_UI1: value.bVal = *src->pbVal; break;
        case VT_R8: case VT_DATE: case VT_CY: case VT_I8: case VT_UI8:
            value.llVal = *src->pllVal; break;
        case VT_BSTR: value.bstrVal = *src->pbstrVal; break;
        case VT_DISPATCH: case VT_UNKNOWN: value.punkVal = *src->ppunkVal; break;
        default: return DISP_E_BADVARTYPE;
    }
    // VariantCopy makes the owned copy of a BSTR or interface read through the reference.
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = VariantCopy(&result, &value);
    if (FAILED(hr)) return hr;
    VariantClear(dest);
    *dest = result;
    return S_OK;
}

}  // extern "C"
