#include "host/control.h"

#include <cctype>

#include "host/diagnostics.h"
#include "platform/registry_ext.h"


namespace orv::host {
namespace {

std::string Lower(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

// The registry file's problem first: with a broken file every ProgID looks unregistered.
std::string WhyCreateFailed(const char* progId, HRESULT hr) {
    std::string why = RegistryProblem();
    if (!why.empty()) return why;
    if (hr == CO_E_DLLNOTFOUND || hr == CO_E_ERRORINDLL) return LastLoadFailure();
    if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG)
        return std::string(progId) + " is not registered in " + registry_store_path();
    return {};
}

// Coerces a result variant in place (by-reference results read through).
HRESULT Coerce(VARIANT* v, VARTYPE vt) {
    if (v->vt == vt) return S_OK;
    return VariantChangeType(v, v, 0, vt);
}

}  // namespace

Control::Control() = default;

Control::~Control() {
    Reset();
}

Control::Control(Control&& o) noexcept
    : dispatch_(std::move(o.dispatch_)),
      ids_(std::move(o.ids_)),
      sink_(std::move(o.sink_)),
      lastError_(std::move(o.lastError_)) {}

Control& Control::operator=(Control&& o) noexcept {
    if (this != &o) {
        Reset();
        dispatch_ = std::move(o.dispatch_);
        ids_ = std::move(o.ids_);
        sink_ = std::move(o.sink_);
        lastError_ = std::move(o.lastError_);
    }
    return *this;
}

HRESULT Control::Create(const char* progId) {
    Reset();
    if (!progId) return E_INVALIDARG;
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(Utf16FromAnsi(progId).c_str(), &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              dispatch_.PutVoid());
    if (FAILED(hr)) lastError_ = WhyCreateFailed(progId, hr);
    return hr;
}

void Control::Attach(IDispatch* dispatch) {
    Reset();
    dispatch_ = ComPtr<IDispatch>::Share(dispatch);
}

void Control::Reset() {
    // The sink's connection holds the control: break it before letting go of the control.
    DisconnectEvents();
    sink_.Reset();
    ids_.clear();
    dispatch_.Reset();
    lastError_.clear();
}

HRESULT Control::IdOf(std::string_view name, DISPID* dispid) {
    if (!dispid) return E_POINTER;
    *dispid = DISPID_UNKNOWN;
    if (!dispatch_) return E_POINTER;
    std::string key = Lower(name);
    if (auto it = ids_.find(key); it != ids_.end()) {
        *dispid = it->second;
        return S_OK;
    }
    DispatchDriver driver(dispatch_.Get(), false);
    const HRESULT hr = driver.GetDispId(name, dispid);
    if (SUCCEEDED(hr)) ids_.emplace(std::move(key), *dispid);
    return hr;
}

HRESULT Control::Invoke(std::string_view name, WORD flags, std::span<const DispArg> args,
                        VARIANT* result) {
    lastError_.clear();
    DISPID dispid;
    HRESULT hr = IdOf(name, &dispid);
    if (FAILED(hr)) return hr;
    DispatchDriver driver(dispatch_.Get(), false);
    DispatchError error;
    if ((flags & DISPATCH_PROPERTYPUT) != 0)
        hr = driver.Invoke(dispid, flags, VT_EMPTY, nullptr, args, &error);
    else
        hr = driver.Invoke(dispid, flags, VT_EMPTY, result, args, &error);
    if (hr == DISP_E_EXCEPTION) lastError_ = error.description;
    return hr;
}

HRESULT Control::Put(std::string_view name, const DispArg& value) {
    return Invoke(name, DISPATCH_PROPERTYPUT, std::span<const DispArg>(&value, 1), nullptr);
}

HRESULT Control::Extract(VARIANT* v, int32_t* out) {
    const HRESULT hr = Coerce(v, VT_I4);
    if (SUCCEEDED(hr)) *out = v->lVal;
    return hr;
}
HRESULT Control::Extract(VARIANT* v, int16_t* out) {
    const HRESULT hr = Coerce(v, VT_I2);
    if (SUCCEEDED(hr)) *out = v->iVal;
    return hr;
}
HRESULT Control::Extract(VARIANT* v, bool* out) {
    const HRESULT hr = Coerce(v, VT_BOOL);
    if (SUCCEEDED(hr)) *out = v->boolVal != VARIANT_FALSE;
    return hr;
}
HRESULT Control::Extract(VARIANT* v, CY* out) {
    const HRESULT hr = Coerce(v, VT_CY);
    if (SUCCEEDED(hr)) *out = v->cyVal;
    return hr;
}
HRESULT Control::Extract(VARIANT* v, double* out) {
    const HRESULT hr = Coerce(v, VT_R8);
    if (SUCCEEDED(hr)) *out = v->dblVal;
    return hr;
}
HRESULT Control::Extract(VARIANT* v, BSTR* out) {
    const HRESULT hr = Coerce(v, VT_BSTR);
    if (SUCCEEDED(hr)) {
        *out = v->bstrVal;
        v->vt = VT_EMPTY;  // handed over
    }
    return hr;
}
HRESULT Control::Extract(VARIANT* v, std::string* out) {
    const HRESULT hr = Coerce(v, VT_BSTR);
    if (SUCCEEDED(hr)) *out = AnsiFromBstr(v->bstrVal);
    return hr;
}
HRESULT Control::Extract(VARIANT* v, VARIANT* out) {
    *out = *v;
    v->vt = VT_EMPTY;  // handed over
    return S_OK;
}

HRESULT Control::EventInterface(IID* iid) const {
    if (!iid) return E_POINTER;
    *iid = GUID_NULL;
    if (!dispatch_) return E_POINTER;
    ComPtr<IProvideClassInfo2> info;
    HRESULT hr = dispatch_.As(IID_IProvideClassInfo2, &info);
    if (FAILED(hr)) return hr;
    return info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, iid);
}

HRESULT Control::ConnectEvents(const IID& eventIid) {
    if (!dispatch_) return E_POINTER;
    if (sink_) return CONNECT_E_ADVISELIMIT;
    ComPtr<EventSink> sink = EventSink::Create(eventIid);
    const HRESULT hr = sink->Connect(dispatch_.Get());
    if (FAILED(hr)) return hr;
    sink_ = std::move(sink);
    return S_OK;
}

HRESULT Control::DisconnectEvents() {
    if (!sink_) return S_FALSE;
    return sink_->Disconnect();
}

HRESULT Control::OnEvent(DISPID event, EventSink::Handler handler) {
    if (!sink_) {
        IID iid;
        HRESULT hr = EventInterface(&iid);
        if (FAILED(hr)) return hr;
        hr = ConnectEvents(iid);
        if (FAILED(hr)) return hr;
    }
    sink_->On(event, std::move(handler));
    return S_OK;
}

HRESULT Control::FreezeEvents(bool freeze) {
    if (!dispatch_) return E_POINTER;
    ComPtr<IOleControl> control;
    const HRESULT hr = dispatch_.As(IID_IOleControl, &control);
    if (FAILED(hr)) return hr;
    return control->FreezeEvents(freeze ? TRUE : FALSE);
}

}  // namespace orv::host
