// orv::host::Control: an OPOS control (or any automation object) used late-bound, by name.
//
//   orv::host::ComApartment com;
//   orv::host::Control pinpad;
//   if (FAILED(pinpad.Create("OPOS.PINPad"))) ...
//   pinpad.OnEvent(orv::host::opos::DataEvent, [&](const orv::EventArgs& a) { ... a.Long(0) ... });
//   int32_t rc = 0;
//   pinpad.Call("Open", &rc, "P1");
//   pinpad.Put("DeviceEnabled", orv::DispArg::Bool(true));
//   std::string pin;
//   pinpad.Get("EncryptedPIN", &pin);
//   orv::host::PumpUntil([&] { return done; }, std::chrono::seconds(5));
//
// Names are resolved once with GetIDsOfNames (case-insensitively) and kept. Every call returns
// the HRESULT of IDispatch::Invoke; for DISP_E_EXCEPTION, LastError() holds the description the
// control gave (for example "Released while event in progress"). A result is written only on
// success. Use a Control on the thread that created it.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "platform/com_ptr.h"
#include "platform/connection_point.h"
#include "platform/dispatch_driver.h"

namespace orv::host {

class ORV_API Control {
public:
    Control();
    ~Control();  // disconnects the event sink, then releases the control
    Control(Control&&) noexcept;
    Control& operator=(Control&&) noexcept;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Creates the object registered under the ProgID (CLSIDFromProgID, CoCreateInstance); on
    // failure LastError() says why, as far as the process knows.
    HRESULT Create(const char* progId);
    // Uses an object the caller already has (a reference of its own is taken).
    void Attach(IDispatch* dispatch);
    void Reset();
    IDispatch* Dispatch() const { return dispatch_.Get(); }
    explicit operator bool() const { return static_cast<bool>(dispatch_); }

    // The DISPID of a member name (DISP_E_UNKNOWNNAME when there is none).
    HRESULT IdOf(std::string_view name, DISPID* dispid);

    // A method call; result: int32_t*, int16_t*, bool*, CY*, double*, BSTR* (caller frees),
    // std::string* (ANSI text), VARIANT* (caller clears), or nullptr.
    template <class R, class... A>
    HRESULT Call(std::string_view name, R* result, A&&... args) {
        return Typed(name, DISPATCH_METHOD, result, std::forward<A>(args)...);
    }
    template <class... A>
    HRESULT Call(std::string_view name, std::nullptr_t, A&&... args) {
        return Typed(name, DISPATCH_METHOD, static_cast<void*>(nullptr), std::forward<A>(args)...);
    }
    template <class R>
    HRESULT Get(std::string_view name, R* value) {
        return Typed(name, DISPATCH_PROPERTYGET, value);
    }
    HRESULT Put(std::string_view name, const DispArg& value);
    // The general form, arguments left to right.
    HRESULT Invoke(std::string_view name, WORD flags, std::span<const DispArg> args,
                   VARIANT* result);

    // Description of the last DISP_E_EXCEPTION, or why the last Create failed (the registry
    // file's problem, the loader's message for the library, or that the ProgID is not
    // registered; see host/diagnostics.h); "" after any other outcome.
    const std::string& LastError() const { return lastError_; }

    // Runs handler on this thread for every event with that DISPID. The first call connects
    // to the control's event interface, which the control names through IProvideClassInfo2.
    HRESULT OnEvent(DISPID event, EventSink::Handler handler);
    // Connects to a given event interface instead (before the first OnEvent).
    HRESULT ConnectEvents(const IID& eventIid);
    HRESULT DisconnectEvents();
    // The control's event interface (IProvideClassInfo2::GetGUID).
    HRESULT EventInterface(IID* iid) const;
    // The container's freeze of the control's events (IOleControl::FreezeEvents).
    HRESULT FreezeEvents(bool freeze);

private:
    template <class R, class... A>
    HRESULT Typed(std::string_view name, WORD flags, R* result, A&&... args) {
        UniqueVariant value;
        HRESULT hr;
        if constexpr (sizeof...(A) == 0) {
            hr = Invoke(name, flags, {}, value.Get());
        } else {
            const DispArg list[] = {DispArg(std::forward<A>(args))...};
            hr = Invoke(name, flags, list, value.Get());
        }
        if constexpr (std::is_void_v<R>) {
            return hr;
        } else {
            if (FAILED(hr) || !result) return hr;
            return Extract(value.Get(), result);
        }
    }
    static HRESULT Extract(VARIANT* v, int32_t* out);
    static HRESULT Extract(VARIANT* v, int16_t* out);
    static HRESULT Extract(VARIANT* v, bool* out);
    static HRESULT Extract(VARIANT* v, CY* out);
    static HRESULT Extract(VARIANT* v, double* out);
    static HRESULT Extract(VARIANT* v, BSTR* out);
    static HRESULT Extract(VARIANT* v, std::string* out);
    static HRESULT Extract(VARIANT* v, VARIANT* out);

    ComPtr<IDispatch> dispatch_;
    std::unordered_map<std::string, DISPID> ids_;  // lower-case name -> DISPID
    ComPtr<EventSink> sink_;
    std::string lastError_;
};

}  // namespace orv::host
