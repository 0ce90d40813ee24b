#include "generic_service_object.h"

#include <strings.h>
#include <algorithm>

#include "platform/com_ptr.h"
#include "platform/com_register.h"
#include "platform/com_server.h"

namespace orv::co::conformance {
namespace {

// {5E3A9C41-7D2B-4F60-8B19-2C4D6E8FA031}
constexpr CLSID kGenericClsid =
    GUID_INIT(0x5E3A9C41, 0x7D2B, 0x4F60, 0x8B, 0x19, 0x2C, 0x4D, 0x6E, 0x8F, 0xA0, 0x31);

struct Globals {
    std::mutex mutex;
    GenericSoConfig config;
    std::vector<std::string> calls;
    std::vector<GenericServiceObject*> live;
};
Globals& G() {
    static Globals g;
    return g;
}

// An argument as the call log shows it.
std::string Text(const VARIANT* v) {
    if (!v) return "?";
    switch (v->vt) {
        case VT_I4:
            return std::to_string(v->lVal);
        case VT_I2:
            return std::to_string(v->iVal);
        case VT_BOOL:
            return v->boolVal ? "1" : "0";
        case VT_CY:
            return std::to_string(v->cyVal.int64);
        case VT_BSTR:
            return AnsiFromBstr(v->bstrVal);
        case VT_DISPATCH:
            return v->pdispVal ? "dispatch" : "null";
        case VT_I4 | VT_BYREF:
            return v->plVal ? "&" + std::to_string(*v->plVal) : "&null";
        case VT_BSTR | VT_BYREF:
            return v->pbstrVal ? "&" + AnsiFromBstr(*v->pbstrVal) : "&null";
        default:
            return "vt" + std::to_string(v->vt);
    }
}

int32_t Long(const VARIANT* v) {
    VARIANT c;
    VariantInit(&c);
    if (!v || FAILED(VariantChangeType(&c, const_cast<VARIANT*>(v), 0, VT_I4))) return 0;
    return c.lVal;
}

}  // namespace

HRESULT GenericServiceObject::CreateInstance(REFIID riid, void** object) {
    auto* created = new GenericServiceObject;
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
}

GenericServiceObject::GenericServiceObject()
    : config_([] {
          std::lock_guard<std::mutex> lock(G().mutex);
          return G().config;
      }()) {
    ModuleLock();
    std::lock_guard<std::mutex> lock(G().mutex);
    G().live.push_back(this);
}

GenericServiceObject::~GenericServiceObject() {
    {
        std::lock_guard<std::mutex> lock(G().mutex);
        auto& live = G().live;
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
    }
    ModuleUnlock();
}

void GenericServiceObject::Configure(const GenericSoConfig& config) {
    std::lock_guard<std::mutex> lock(G().mutex);
    G().config = config;
}

void GenericServiceObject::ClearCalls() {
    std::lock_guard<std::mutex> lock(G().mutex);
    G().calls.clear();
}

GenericServiceObject* GenericServiceObject::Current() {
    std::lock_guard<std::mutex> lock(G().mutex);
    return G().live.empty() ? nullptr : G().live.back();
}

int GenericServiceObject::LiveCount() {
    std::lock_guard<std::mutex> lock(G().mutex);
    return static_cast<int>(G().live.size());
}

std::vector<std::string> GenericServiceObject::Calls() {
    std::lock_guard<std::mutex> lock(G().mutex);
    return G().calls;
}

size_t GenericServiceObject::CountCalls(const std::string& prefix) {
    std::lock_guard<std::mutex> lock(G().mutex);
    return static_cast<size_t>(
        std::count_if(G().calls.begin(), G().calls.end(),
                      [&](const auto& c) { return c.compare(0, prefix.size(), prefix) == 0; }));
}

HRESULT STDMETHODCALLTYPE GenericServiceObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count,
                                                              LCID, DISPID* dispids) {
    if (!names || !dispids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
    const std::string name = names[0] ? AnsiFromUtf16(names[0]) : "";
    if (!config_.missingName.empty() && strcasecmp(name.c_str(), config_.missingName.c_str()) == 0)
        return DISP_E_UNKNOWNNAME;
    for (const GenericSoMember& m : config_.members) {
        if (strcasecmp(m.name.c_str(), name.c_str()) == 0) {
            dispids[0] = m.dispid;
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE GenericServiceObject::Invoke(DISPID dispid, REFIID, LCID, WORD,
                                                       DISPPARAMS* params, VARIANT* result,
                                                       EXCEPINFO*, UINT*) {
    const GenericSoMember* member = nullptr;
    for (const GenericSoMember& m : config_.members)
        if (m.dispid == dispid) member = &m;
    if (!member) return DISP_E_MEMBERNOTFOUND;
    // Positional arguments, first parameter first (rgvarg holds them right to left).
    std::vector<VARIANT*> args;
    const UINT n = params ? params->cArgs : 0;
    for (UINT i = 0; i < n; ++i) {
        VARIANT* v = &params->rgvarg[n - 1 - i];
        if (v->vt == (VT_VARIANT | VT_BYREF)) v = v->pvarVal;
        args.push_back(v);
    }
    try {
        return Call(member->name, args, result);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT GenericServiceObject::Call(const std::string& name, std::vector<VARIANT*>& args,
                                   VARIANT* result) {
    {
        std::string entry = name + "(";
        for (size_t i = 0; i < args.size(); ++i) entry += (i ? "," : "") + Text(args[i]);
        std::lock_guard<std::mutex> lock(G().mutex);
        G().calls.push_back(entry + ")");
    }
    auto arg = [&](size_t i) -> VARIANT* { return i < args.size() ? args[i] : nullptr; };
    auto setLong = [&](int32_t v) {
        if (!result) return;
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = v;
    };
    auto configured = [&]() {
        auto it = config_.results.find(name);
        return it == config_.results.end() ? 0 : it->second;
    };
    if (name == "OpenService") {
        if (config_.openServiceResult != 0) {
            setLong(config_.openServiceResult);
            return S_OK;
        }
        VARIANT* c = arg(2);
        IDispatch* control = c && c->vt == VT_DISPATCH ? c->pdispVal : nullptr;
        if (control) {
            DispatchDriver driver(control, false);
            for (const char* cb :
                 {"SOData", "SODirectIO", "SOError", "SOStatusUpdate", "SOOutputComplete"}) {
                DISPID id = DISPID_UNKNOWN;
                if (SUCCEEDED(driver.GetDispId(cb, &id))) callbacks_[cb] = id;
            }
        }
        control_.store(control);
        setLong(configured());
        return S_OK;
    }
    if (name == "Close") control_.store(nullptr);  // as a real one: no control after Close
    if (name == "GetPropertyNumber") {
        const int32_t index = Long(arg(0));
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = numbers_.find(index);
        setLong(it != numbers_.end() ? it->second : index == 8 ? config_.serviceObjectVersion : 0);
        return S_OK;
    }
    if (name == "GetPropertyString") {
        const int32_t index = Long(arg(0));
        std::lock_guard<std::mutex> lock(mutex_);
        if (result) {
            VariantInit(result);
            result->vt = VT_BSTR;
            auto it = strings_.find(index);
            result->bstrVal = BstrFromAnsi(it == strings_.end() ? "" : it->second);
        }
        return S_OK;
    }
    if (name == "SetPropertyNumber") {
        std::lock_guard<std::mutex> lock(mutex_);
        numbers_[Long(arg(0))] = Long(arg(1));
        return S_OK;
    }
    if (name == "SetPropertyString") {
        std::lock_guard<std::mutex> lock(mutex_);
        VARIANT* v = arg(1);
        strings_[Long(arg(0))] = v && v->vt == VT_BSTR ? AnsiFromBstr(v->bstrVal) : Text(v);
        return S_OK;
    }
    if (name == "COFreezeEvents") {
        setLong(1);
        return S_OK;
    }
    setLong(configured());
    return S_OK;
}

DISPID GenericServiceObject::Callback(const char* name) const {
    auto it = callbacks_.find(name);
    return it == callbacks_.end() ? DISPID_UNKNOWN : it->second;
}

bool GenericServiceObject::RaiseData(int32_t status) {
    IDispatch* control = control_.load();
    if (!control || Callback("SOData") == DISPID_UNKNOWN) return false;
    return SUCCEEDED(DispatchDriver(control, false).Call(Callback("SOData"), nullptr, status));
}

bool GenericServiceObject::RaiseStatusUpdate(int32_t data) {
    IDispatch* control = control_.load();
    if (!control || Callback("SOStatusUpdate") == DISPID_UNKNOWN) return false;
    return SUCCEEDED(
        DispatchDriver(control, false).Call(Callback("SOStatusUpdate"), nullptr, data));
}

bool GenericServiceObject::RaiseOutputComplete(int32_t outputId) {
    IDispatch* control = control_.load();
    if (!control || Callback("SOOutputComplete") == DISPID_UNKNOWN) return false;
    return SUCCEEDED(
        DispatchDriver(control, false).Call(Callback("SOOutputComplete"), nullptr, outputId));
}

bool GenericServiceObject::RaiseDirectIO(int32_t number, int32_t* data, std::string* text) {
    IDispatch* control = control_.load();
    if (!control || Callback("SODirectIO") == DISPID_UNKNOWN) return false;
    UniqueBstr b(BstrFromAnsi(*text));
    BSTR raw = b.Release();
    const HRESULT hr =
        DispatchDriver(control, false).Call(Callback("SODirectIO"), nullptr, number, data, &raw);
    b.Reset(raw);
    *text = AnsiFromBstr(b.Get());
    return SUCCEEDED(hr);
}

bool GenericServiceObject::RaiseError(int32_t code, int32_t extended, int32_t locus,
                                      int32_t* response) {
    IDispatch* control = control_.load();
    if (!control || Callback("SOError") == DISPID_UNKNOWN) return false;
    return SUCCEEDED(DispatchDriver(control, false)
                         .Call(Callback("SOError"), nullptr, code, extended, locus, response));
}

}  // namespace orv::co::conformance

using orv::co::conformance::GenericServiceObject;

extern "C" {

ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    return orv::GetClassObjectFor<GenericServiceObject>(clsid, orv::co::conformance::kGenericClsid,
                                                        riid, object);
}
ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
    return orv::ModuleCanUnloadNow();
}
ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    return orv::RegisterInprocServer(
        {orv::co::conformance::kGenericClsid, orv::co::conformance::kGenericSoProgId,
         "Service object of the control conformance tests", "Apartment", ORV_THIS_MODULE});
}
ORV_API HRESULT STDMETHODCALLTYPE DllUnregisterServer() {
    return orv::UnregisterInprocServer(orv::co::conformance::kGenericClsid,
                                       orv::co::conformance::kGenericSoProgId);
}

}  // extern "C"
