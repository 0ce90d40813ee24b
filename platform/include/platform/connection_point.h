// Outgoing events: a connection point container with one connection point for an object that
// fires one event dispinterface, and, for hosts, a sink that maps event DISPIDs to handlers.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/dispatch_driver.h"
#include "platform/oleauto.h"

namespace orv {

// Owned by the object that fires events. Its two interfaces share the owner's identity:
// QueryInterface, AddRef and Release go to `outer`. The owner answers
// IID_IConnectionPointContainer in its QueryInterface with Container().
class ORV_API ConnectionPointHelper {
public:
    ConnectionPointHelper(IUnknown* outer, const IID& eventIid);
    ~ConnectionPointHelper();
    ConnectionPointHelper(const ConnectionPointHelper&) = delete;
    ConnectionPointHelper& operator=(const ConnectionPointHelper&) = delete;

    IConnectionPointContainer* Container();
    IConnectionPoint* Point();

    // Calls the event on every connected sink (DISPATCH_METHOD), arguments left to right,
    // by-reference arguments passed through. Sinks connected or removed by a handler take
    // effect from the next event. Returns the first failing HRESULT, S_OK otherwise.
    HRESULT Fire(DISPID dispid, std::span<const DispArg> args);
    template <class... A>
    HRESULT FireEvent(DISPID dispid, A&&... args) {
        if constexpr (sizeof...(A) == 0) {
            return Fire(dispid, {});
        } else {
            const DispArg list[] = {DispArg(std::forward<A>(args))...};
            return Fire(dispid, list);
        }
    }
    size_t SinkCount() const;
    // Drops every sink (at the owner's final release).
    void DisconnectAll();

private:
    class ContainerImpl;
    class PointImpl;
    friend class ContainerImpl;
    friend class PointImpl;
    HRESULT Advise(IUnknown* sink, DWORD* cookie);
    HRESULT Unadvise(DWORD cookie);

    IUnknown* outer_;
    IID eventIid_;
    std::unique_ptr<ContainerImpl> container_;
    std::unique_ptr<PointImpl> point_;
    mutable std::mutex mutex_;
    std::map<DWORD, ComPtr<IDispatch>> sinks_;
    DWORD nextCookie_ = 1;
};

// Arguments of one event as a handler sees them, left to right.
class ORV_API EventArgs {
public:
    explicit EventArgs(DISPPARAMS* params) : params_(params) {}
    UINT Count() const { return params_ ? params_->cArgs : 0; }
    // The argument at position i (0 = first), by-reference variants read through; null when
    // there is no such argument.
    VARIANT* At(UINT i) const;
    int32_t Long(UINT i) const;     // coerced to VT_I4; 0 when impossible
    std::string Ansi(UINT i) const;  // coerced to text
    int32_t* LongRef(UINT i) const;  // VT_I4 | VT_BYREF, null otherwise
    BSTR* BstrRef(UINT i) const;     // VT_BSTR | VT_BYREF, null otherwise

private:
    DISPPARAMS* params_;
};

// A host's event sink: an IDispatch whose Invoke runs the handler registered for the DISPID
// (on the thread the source fires on, which for a control is the host's own thread).
class ORV_API EventSink final : public IDispatch {
public:
    using Handler = std::function<void(const EventArgs&)>;

    static ComPtr<EventSink> Create(const IID& eventIid);
    void On(DISPID dispid, Handler handler);
    // Finds the source's connection point for the event interface and advises this sink.
    HRESULT Connect(IUnknown* source);
    HRESULT Disconnect();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                                     UINT* argErr) override;

private:
    explicit EventSink(const IID& eventIid) : eventIid_(eventIid) {}
    ~EventSink();

    IID eventIid_;
    std::atomic<ULONG> refs_{1};
    std::mutex mutex_;
    std::map<DISPID, std::shared_ptr<Handler>> handlers_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

}  // namespace orv
