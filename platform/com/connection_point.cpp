// Connection points for one outgoing dispinterface, and the host-side event sink.
#include "platform/connection_point.h"

#include <vector>

namespace orv {

// IConnectionPointContainer sharing the owner's identity.
class ConnectionPointHelper::ContainerImpl final : public IConnectionPointContainer {
public:
    explicit ContainerImpl(ConnectionPointHelper& owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return owner_.outer_->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.outer_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.outer_->Release(); }
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points) *points = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (riid != owner_.eventIid_) return CONNECT_E_NOCONNECTION;
        *point = owner_.Point();
        (*point)->AddRef();
        return S_OK;
    }

private:
    ConnectionPointHelper& owner_;
};

// The connection point: its references keep the owner alive.
class ConnectionPointHelper::PointImpl final : public IConnectionPoint {
public:
    explicit PointImpl(ConnectionPointHelper& owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.outer_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.outer_->Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = owner_.eventIid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override {
        if (!c) return E_POINTER;
        *c = owner_.Container();
        (*c)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        return owner_.Advise(sink, cookie);
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override { return owner_.Unadvise(cookie); }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    ConnectionPointHelper& owner_;
};

ConnectionPointHelper::ConnectionPointHelper(IUnknown* outer, const IID& eventIid)
    : outer_(outer),
      eventIid_(eventIid),
      container_(std::make_unique<ContainerImpl>(*this)),
      point_(std::make_unique<PointImpl>(*this)) {}

ConnectionPointHelper::~ConnectionPointHelper() { DisconnectAll(); }

IConnectionPointContainer* ConnectionPointHelper::Container() { return container_.get(); }
IConnectionPoint* ConnectionPointHelper::Point() { return point_.get(); }

HRESULT ConnectionPointHelper::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    // The sink must speak the event interface; a plain IDispatch sink is accepted too.
    ComPtr<IDispatch> d;
    if (FAILED(sink->QueryInterface(eventIid_, d.PutVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, d.PutVoid())))
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard<std::mutex> lock(mutex_);
    const DWORD c = nextCookie_++;
    sinks_.emplace(c, std::move(d));
    *cookie = c;
    return S_OK;
}

HRESULT ConnectionPointHelper::Unadvise(DWORD cookie) {
    ComPtr<IDispatch> released;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = sinks_.find(cookie);
        if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
        released = std::move(it->second);
        sinks_.erase(it);
    }
    return S_OK;  // the sink is released outside the lock
}

size_t ConnectionPointHelper::SinkCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sinks_.size();
}

void ConnectionPointHelper::DisconnectAll() {
    std::map<DWORD, ComPtr<IDispatch>> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        dropped.swap(sinks_);
    }
}

HRESULT ConnectionPointHelper::Fire(DISPID dispid, std::span<const DispArg> args) {
    std::vector<ComPtr<IDispatch>> targets;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        targets.reserve(sinks_.size());
        for (auto& [cookie, sink] : sinks_) targets.push_back(sink);
    }
    HRESULT first = S_OK;
    for (auto& sink : targets) {
        DispatchDriver driver(sink.Get(), false);
        const HRESULT hr = driver.Invoke(dispid, DISPATCH_METHOD, VT_EMPTY, nullptr, args);
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    }
    return first;
}

VARIANT* EventArgs::At(UINT i) const {
    if (!params_ || i >= params_->cArgs || !params_->rgvarg) return nullptr;
    VARIANT* v = &params_->rgvarg[params_->cArgs - 1 - i];
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal) v = v->pvarVal;
    return v;
}

int32_t EventArgs::Long(UINT i) const {
    VARIANT* v = At(i);
    if (!v) return 0;
    UniqueVariant r;
    if (FAILED(VariantChangeType(r.Get(), v, 0, VT_I4))) return 0;
    return r->lVal;
}

std::string EventArgs::Ansi(UINT i) const {
    VARIANT* v = At(i);
    if (!v) return {};
    UniqueVariant r;
    if (FAILED(VariantChangeType(r.Get(), v, 0, VT_BSTR))) return {};
    return AnsiFromBstr(r->bstrVal);
}

int32_t* EventArgs::LongRef(UINT i) const {
    VARIANT* v = At(i);
    return v && v->vt == (VT_I4 | VT_BYREF) ? v->plVal : nullptr;
}

BSTR* EventArgs::BstrRef(UINT i) const {
    VARIANT* v = At(i);
    return v && v->vt == (VT_BSTR | VT_BYREF) ? v->pbstrVal : nullptr;
}

ComPtr<EventSink> EventSink::Create(const IID& eventIid) {
    return ComPtr<EventSink>::Attach(new EventSink(eventIid));
}

EventSink::~EventSink() = default;

void EventSink::On(DISPID dispid, Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handlers_[dispid] = std::make_shared<Handler>(std::move(handler));
}

HRESULT EventSink::Connect(IUnknown* source) {
    if (!source) return E_POINTER;
    if (point_) return CONNECT_E_ADVISELIMIT;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
    if (FAILED(hr)) return hr;
    ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(eventIid_, point.Put());
    if (FAILED(hr)) return hr;
    DWORD cookie = 0;
    hr = point->Advise(static_cast<IDispatch*>(this), &cookie);
    if (FAILED(hr)) return hr;
    point_ = std::move(point);
    cookie_ = cookie;
    return S_OK;
}

HRESULT EventSink::Disconnect() {
    if (!point_) return S_FALSE;
    const HRESULT hr = point_->Unadvise(cookie_);
    point_.Reset();
    cookie_ = 0;
    return hr;
}

HRESULT STDMETHODCALLTYPE EventSink::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != eventIid_) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE EventSink::AddRef() { return refs_.fetch_add(1) + 1; }

ULONG STDMETHODCALLTYPE EventSink::Release() {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                                   DISPID* dispids) {
    if (dispids)
        for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params,
                                            VARIANT* result, EXCEPINFO*, UINT*) {
    if (result) VariantInit(result);
    std::shared_ptr<Handler> handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = handlers_.find(dispid);
        if (it == handlers_.end()) return S_OK;  // events nobody listens to are fine
        handler = it->second;
    }
    try {
        (*handler)(EventArgs(params));
    } catch (...) {
        return DISP_E_EXCEPTION;  // a handler's exception never reaches the event source
    }
    return S_OK;
}

}  // namespace orv
