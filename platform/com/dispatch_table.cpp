// The runtime half of dispatch maps: name lookup, argument access and coercion, invocation by
// DISPID, and the reference counting of automation objects built on a table.
#include <string>

#include "platform/com_ptr.h"
#include "platform/dispatch_map.h"

namespace orv {

namespace {

char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool NameEquals(const OLECHAR* wide, const char* name) {
    size_t i = 0;
    for (; name[i] != '\0'; ++i) {
        if (wide[i] == 0) return false;
        if (Fold(wide[i]) != Fold(static_cast<unsigned char>(name[i]))) return false;
    }
    return wide[i] == 0;
}

bool NameEquals(std::string_view a, const char* name) {
    size_t i = 0;
    for (; name[i] != '\0'; ++i) {
        if (i >= a.size()) return false;
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(name[i])))
            return false;
    }
    return i == a.size();
}

void SetArgErr(InvokeCall& call, UINT i) {
    if (call.argErr) *call.argErr = call.params->cArgs - 1 - i;
}

}  // namespace

HRESULT RaiseDispatchException(InvokeCall& call, const DispatchException& e) {
    if (EXCEPINFO* x = call.excepInfo) {
        *x = EXCEPINFO{};
        x->wCode = e.code;
        x->scode = e.code != 0 ? 0 : (e.scode != 0 ? e.scode : E_FAIL);
        x->bstrDescription = BstrFromAnsi(e.description);
    }
    return DISP_E_EXCEPTION;
}

VARIANT* DispatchArgument(InvokeCall& call, UINT i) {
    if (!call.params || i >= call.params->cArgs) return nullptr;
    VARIANT* v = &call.params->rgvarg[call.params->cArgs - 1 - i];
    // A by-reference VARIANT (as late-bound callers pass variables) is read through.
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal) v = v->pvarVal;
    return v;
}

HRESULT CoerceArgument(InvokeCall& call, UINT i, VARTYPE vt, VARIANT* scratch, bool* owned) {
    *owned = false;
    VARIANT* arg = DispatchArgument(call, i);
    if (!arg) return DISP_E_BADPARAMCOUNT;
    if (arg->vt == VT_ERROR && arg->scode == DISP_E_PARAMNOTFOUND) {
        SetArgErr(call, i);
        return DISP_E_PARAMNOTOPTIONAL;
    }
    // Exact type: lend it without a copy.
    if (arg->vt == vt) {
        *scratch = *arg;
        return S_OK;
    }
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT hr = VariantChangeType(&converted, arg, 0, vt);
    if (FAILED(hr)) {
        SetArgErr(call, i);
        return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    }
    *scratch = converted;
    *owned = true;
    return S_OK;
}

namespace dispatch_detail {

HRESULT LoadAnsiArgument(InvokeCall& call, UINT i, std::string* out) {
    VARIANT text;
    bool owned = false;
    const HRESULT hr = CoerceArgument(call, i, VT_BSTR, &text, &owned);
    if (FAILED(hr)) return hr;
    *out = AnsiFromBstr(text.bstrVal);
    if (owned) VariantClear(&text);
    return S_OK;
}

HRESULT LoadByRefArgument(InvokeCall& call, UINT i, VARTYPE vt, void** out) {
    *out = nullptr;
    if (!call.params || i >= call.params->cArgs) return DISP_E_BADPARAMCOUNT;
    VARIANT* arg = &call.params->rgvarg[call.params->cArgs - 1 - i];
    if (arg->vt == (vt | VT_BYREF)) {
        *out = arg->byref;
    } else if (arg->vt == (VT_VARIANT | VT_BYREF) && arg->pvarVal) {
        // A variable passed as a VARIANT: its value is written in place.
        VARIANT* inner = arg->pvarVal;
        if (inner->vt == vt)
            *out = &inner->lVal;  // the union's address, whatever member vt names
        else if (inner->vt == (vt | VT_BYREF))
            *out = inner->byref;
    }
    if (!*out) {
        SetArgErr(call, i);
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

}  // namespace dispatch_detail

DISPID DispatchTable::Find(std::string_view name) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (NameEquals(name, entries_[i].name)) return static_cast<DISPID>(i + 1);
    return DISPID_UNKNOWN;
}

HRESULT DispatchTable::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* dispids) const {
    if (!names || !dispids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
    if (!names[0]) return DISP_E_UNKNOWNNAME;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (NameEquals(names[0], entries_[i].name)) {
            dispids[0] = static_cast<DISPID>(i + 1);
            // Parameters have no names here.
            return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT DispatchTable::Invoke(void* self, DISPID dispid, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) const {
    if (dispid < 1 || static_cast<size_t>(dispid) > entries_.size()) return DISP_E_MEMBERNOTFOUND;
    const DispatchEntry& entry = entries_[static_cast<size_t>(dispid) - 1];
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
    if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;

    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    // The only named argument understood is the value of a property put.
    if (params->cNamedArgs > 0) {
        if (!put || params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_NONAMEDARGS;
    }

    DispatchInvoker invoker = nullptr;
    if (put) {
        if (!entry.isProperty || !entry.put) return DISP_E_MEMBERNOTFOUND;
        invoker = entry.put;
    } else if (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
        invoker = entry.call;
    } else {
        return DISP_E_MEMBERNOTFOUND;
    }

    if (result) result->vt = VT_EMPTY;
    InvokeCall call{params, put ? nullptr : result, excepInfo, argErr};
    return invoker(self, call);
}

DispatchObjectBase::~DispatchObjectBase() = default;

HRESULT STDMETHODCALLTYPE DispatchObjectBase::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (dispatchIid_ && riid == *dispatchIid_)) {
        *object = static_cast<IDispatch*>(this);
    } else {
        *object = QueryExtraInterface(riid);
    }
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE DispatchObjectBase::AddRef() { return refs_.fetch_add(1) + 1; }

ULONG STDMETHODCALLTYPE DispatchObjectBase::Release() {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) OnFinalRelease();
    return left;
}

HRESULT STDMETHODCALLTYPE DispatchObjectBase::GetTypeInfoCount(UINT* count) {
    if (!count) return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObjectBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DispatchObjectBase::GetIDsOfNames(REFIID riid, LPOLESTR* names,
                                                            UINT count, LCID, DISPID* dispids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return table_.GetIDsOfNames(names, count, dispids);
}

HRESULT STDMETHODCALLTYPE DispatchObjectBase::Invoke(DISPID dispid, REFIID riid, LCID, WORD flags,
                                                     DISPPARAMS* params, VARIANT* result,
                                                     EXCEPINFO* excepInfo, UINT* argErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return table_.Invoke(DispatchSelf(), dispid, flags, params, result, excepInfo, argErr);
}

}  // namespace orv
