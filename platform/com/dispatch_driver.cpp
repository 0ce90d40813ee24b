// Calling an IDispatch by DISPID with typed arguments and results.
#include <vector>

#include "platform/com_ptr.h"
#include "platform/dispatch_driver.h"

namespace orv {

DispArg::DispArg(int32_t v) { v_.vt = VT_I4; v_.lVal = v; }
DispArg::DispArg(int16_t v) { v_.vt = VT_I2; v_.iVal = v; }
DispArg::DispArg(double v) { v_.vt = VT_R8; v_.dblVal = v; }
DispArg::DispArg(CY v) { v_.vt = VT_CY; v_.cyVal = v; }
DispArg::DispArg(BSTR v) { v_.vt = VT_BSTR; v_.bstrVal = v; }
DispArg::DispArg(IDispatch* v) { v_.vt = VT_DISPATCH; v_.pdispVal = v; }
DispArg::DispArg(int32_t* v) { v_.vt = VT_I4 | VT_BYREF; v_.plVal = v; }
DispArg::DispArg(BSTR* v) { v_.vt = VT_BSTR | VT_BYREF; v_.pbstrVal = v; }
DispArg::DispArg(const char* ansi) {
    v_.vt = VT_BSTR;
    v_.bstrVal = BstrFromAnsi(ansi ? ansi : "");
    owns_ = true;
}
DispArg DispArg::Bool(bool v) {
    DispArg a;
    a.v_.vt = VT_BOOL;
    a.v_.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return a;
}
DispArg DispArg::Variant(const VARIANT& v) {
    DispArg a;
    a.v_ = v;
    return a;
}
DispArg::~DispArg() {
    if (owns_) VariantClear(&v_);
}

void DispatchDriver::AttachDispatch(IDispatch* dispatch, bool autoRelease) {
    ReleaseDispatch();
    dispatch_ = dispatch;
    autoRelease_ = autoRelease;
}

IDispatch* DispatchDriver::DetachDispatch() {
    IDispatch* d = dispatch_;
    dispatch_ = nullptr;
    return d;
}

void DispatchDriver::ReleaseDispatch() {
    IDispatch* d = DetachDispatch();
    if (d && autoRelease_) d->Release();
}

HRESULT DispatchDriver::CreateDispatch(const char* progId) {
    if (!progId) return E_INVALIDARG;
    const std::u16string name = Utf16FromAnsi(progId);
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
    if (FAILED(hr)) return hr;
    IDispatch* d = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
    if (FAILED(hr)) return hr;
    AttachDispatch(d, true);
    return S_OK;
}

HRESULT DispatchDriver::GetDispId(std::string_view name, DISPID* dispid) const {
    if (!dispatch_) return E_POINTER;
    std::u16string w = Utf16FromAnsi(name);
    LPOLESTR names[1] = {w.data()};
    return dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, dispid);
}

HRESULT DispatchDriver::Invoke(DISPID dispid, WORD flags, VARTYPE resultVt, VARIANT* result,
                               std::span<const DispArg> args, DispatchError* error) const {
    if (!dispatch_) return E_POINTER;
    // Arguments go right to left into DISPPARAMS; small calls stay on the stack.
    VARIANT small[8];
    std::vector<VARIANT> large;
    VARIANT* rg = small;
    if (args.size() > 8) {
        large.resize(args.size());
        rg = large.data();
    }
    for (size_t i = 0; i < args.size(); ++i) rg[args.size() - 1 - i] = args[i].Value();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{rg, nullptr, static_cast<UINT>(args.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    UniqueVariant raw;
    EXCEPINFO excep{};
    UINT argErr = 0;
    HRESULT hr = dispatch_->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params,
                                   result ? raw.Get() : nullptr, &excep, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
        if (error) error->description = AnsiFromBstr(excep.bstrDescription);
    }
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    if (error) error->argErr = argErr;
    if (FAILED(hr) || !result) return hr;
    if (resultVt == VT_EMPTY || raw->vt == resultVt) {
        *result = *raw.Get();
        VariantInit(raw.Get());
        return hr;
    }
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT cv = VariantChangeType(&converted, raw.Get(), 0, resultVt);
    if (FAILED(cv)) return DISP_E_TYPEMISMATCH;
    *result = converted;
    return hr;
}

HRESULT DispatchDriver::Put(DISPID dispid, const DispArg& value) const {
    return Invoke(dispid, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, std::span<const DispArg>(&value, 1));
}

HRESULT DispatchDriver::Finish(DISPID id, WORD flags, void*, std::span<const DispArg> args) const {
    return Invoke(id, flags, VT_EMPTY, nullptr, args);
}

namespace {
template <class T, class Read>
HRESULT InvokeTyped(const DispatchDriver& d, DISPID id, WORD flags, VARTYPE vt, T* out,
              std::span<const DispArg> args, Read read) {
    VARIANT r;
    VariantInit(&r);
    const HRESULT hr = d.Invoke(id, flags, vt, &r, args);
    if (SUCCEEDED(hr) && out) *out = read(r);
    else VariantClear(&r);
    return hr;
}
}  // namespace

HRESULT DispatchDriver::Finish(DISPID id, WORD flags, int32_t* out, std::span<const DispArg> args) const {
    return InvokeTyped(*this, id, flags, VT_I4, out, args, [](VARIANT& r) { return r.lVal; });
}
HRESULT DispatchDriver::Finish(DISPID id, WORD flags, int16_t* out, std::span<const DispArg> args) const {
    return InvokeTyped(*this, id, flags, VT_I2, out, args, [](VARIANT& r) { return r.iVal; });
}
HRESULT DispatchDriver::Finish(DISPID id, WORD flags, bool* out, std::span<const DispArg> args) const {
    return InvokeTyped(*this, id, flags, VT_BOOL, out, args, [](VARIANT& r) { return r.boolVal != 0; });
}
HRESULT DispatchDriver::Finish(DISPID id, WORD flags, BSTR* out, std::span<const DispArg> args) const {
    return InvokeTyped(*this, id, flags, VT_BSTR, out, args, [](VARIANT& r) { return r.bstrVal; });
}
HRESULT DispatchDriver::Finish(DISPID id, WORD flags, CY* out, std::span<const DispArg> args) const {
    return InvokeTyped(*this, id, flags, VT_CY, out, args, [](VARIANT& r) { return r.cyVal; });
}
HRESULT DispatchDriver::Finish(DISPID id, WORD flags, double* out, std::span<const DispArg> args) const {
    return InvokeTyped(*this, id, flags, VT_R8, out, args, [](VARIANT& r) { return r.dblVal; });
}
HRESULT DispatchDriver::Finish(DISPID id, WORD flags, VARIANT* out, std::span<const DispArg> args) const {
    if (!out) return Invoke(id, flags, VT_EMPTY, nullptr, args);
    VARIANT r;
    VariantInit(&r);
    const HRESULT hr = Invoke(id, flags, VT_EMPTY, &r, args);
    if (SUCCEEDED(hr)) {
        VariantClear(out);
        *out = r;
    }
    return hr;
}

}  // namespace orv
