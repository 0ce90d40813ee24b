// Calls any IDispatch by DISPID with typed arguments and results (the role of a dispatch
// driver's InvokeHelper). Arguments are given left to right; the driver reverses them into
// DISPPARAMS as Invoke expects. Nothing here throws: failures come back as HRESULTs.
//
//   int32_t rc = 0;
//   HRESULT hr = driver.Call(kDispidDirectIO, &rc, command, &data, &text);  // long, long*, BSTR*
//   driver.Call(kDispidSOData, nullptr, status);                           // no result
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/com.h"
#include "platform/oleauto.h"

namespace orv {

// One argument. Built implicitly from the C++ value; by-reference arguments from a pointer.
class ORV_API DispArg {
public:
    DispArg(int32_t v);         // VT_I4
    DispArg(int16_t v);         // VT_I2
    DispArg(double v);          // VT_R8
    DispArg(CY v);              // VT_CY
    DispArg(BSTR v);            // VT_BSTR, borrowed
    DispArg(IDispatch* v);      // VT_DISPATCH, borrowed
    DispArg(int32_t* v);        // VT_I4 | VT_BYREF
    DispArg(BSTR* v);           // VT_BSTR | VT_BYREF
    DispArg(const char* ansi);  // VT_BSTR made from ANSI text, owned by the argument
    DispArg(const std::string& ansi) : DispArg(ansi.c_str()) {}
    DispArg(bool) = delete;     // ambiguous: use DispArg::Bool (VT_BOOL) or an int32_t
    static DispArg Bool(bool v);                    // VT_BOOL
    static DispArg Variant(const VARIANT& v);       // borrowed as is
    ~DispArg();
    DispArg(DispArg&& o) noexcept : v_(o.v_), owns_(std::exchange(o.owns_, false)) {}
    DispArg(const DispArg&) = delete;
    DispArg& operator=(const DispArg&) = delete;
    DispArg& operator=(DispArg&&) = delete;

    const VARIANT& Value() const { return v_; }

private:
    DispArg() = default;
    VARIANT v_{};
    bool owns_ = false;
};

// Detail of a failed call for callers that want more than the HRESULT.
struct DispatchError {
    UINT argErr = 0;
    std::string description;  // from EXCEPINFO for DISP_E_EXCEPTION
};

class ORV_API DispatchDriver {
public:
    DispatchDriver() = default;
    // With autoRelease the driver owns one reference (released by ReleaseDispatch and the
    // destructor); without it the pointer is only borrowed.
    DispatchDriver(IDispatch* dispatch, bool autoRelease)
        : dispatch_(dispatch), autoRelease_(autoRelease) {}
    ~DispatchDriver() { ReleaseDispatch(); }
    DispatchDriver(const DispatchDriver&) = delete;
    DispatchDriver& operator=(const DispatchDriver&) = delete;

    void AttachDispatch(IDispatch* dispatch, bool autoRelease = true);
    IDispatch* DetachDispatch();
    void ReleaseDispatch();
    IDispatch* Dispatch() const { return dispatch_; }
    explicit operator bool() const { return dispatch_ != nullptr; }

    // CLSIDFromProgID + CoCreateInstance(CLSCTX_INPROC_SERVER, IID_IDispatch); owns the result.
    HRESULT CreateDispatch(const char* progId);
    // GetIDsOfNames for one name (LOCALE_SYSTEM_DEFAULT).
    HRESULT GetDispId(std::string_view name, DISPID* dispid) const;

    // The general call. flags: DISPATCH_METHOD / PROPERTYGET / PROPERTYPUT. When resultVt is
    // not VT_EMPTY the result is coerced to it (DISP_E_TYPEMISMATCH when impossible) and left
    // in *result, which the caller then owns. E_POINTER while no dispatch is attached.
    HRESULT Invoke(DISPID dispid, WORD flags, VARTYPE resultVt, VARIANT* result,
                   std::span<const DispArg> args, DispatchError* error = nullptr) const;

    // A method call with a typed result: int32_t*, int16_t*, bool*, BSTR* (caller frees), CY*,
    // double*, or nullptr for none. *result is left untouched on failure.
    template <class R, class... A>
    HRESULT Call(DISPID dispid, R* result, A&&... args) const {
        return Typed(dispid, DISPATCH_METHOD, result, std::forward<A>(args)...);
    }
    template <class... A>
    HRESULT Call(DISPID dispid, std::nullptr_t, A&&... args) const {
        return Typed(dispid, DISPATCH_METHOD, static_cast<void*>(nullptr), std::forward<A>(args)...);
    }
    template <class R>
    HRESULT Get(DISPID dispid, R* result) const {
        return Typed(dispid, DISPATCH_PROPERTYGET, result);
    }
    HRESULT Put(DISPID dispid, const DispArg& value) const;

    // The DISPATCH_METHOD | DISPATCH_PROPERTYGET combination a late-bound caller uses when it
    // does not know which one a name is.
    template <class R, class... A>
    HRESULT CallOrGet(DISPID dispid, R* result, A&&... args) const {
        return Typed(dispid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, result,
                     std::forward<A>(args)...);
    }

private:
    template <class R, class... A>
    HRESULT Typed(DISPID dispid, WORD flags, R* result, A&&... args) const {
        if constexpr (sizeof...(A) == 0) {
            return Finish(dispid, flags, result, std::span<const DispArg>());
        } else {
            const DispArg list[] = {DispArg(std::forward<A>(args))...};
            return Finish(dispid, flags, result, std::span<const DispArg>(list));
        }
    }
    HRESULT Finish(DISPID, WORD, void*, std::span<const DispArg>) const;
    HRESULT Finish(DISPID, WORD, int32_t*, std::span<const DispArg>) const;
    HRESULT Finish(DISPID, WORD, int16_t*, std::span<const DispArg>) const;
    HRESULT Finish(DISPID, WORD, bool*, std::span<const DispArg>) const;
    HRESULT Finish(DISPID, WORD, BSTR*, std::span<const DispArg>) const;
    HRESULT Finish(DISPID, WORD, CY*, std::span<const DispArg>) const;
    HRESULT Finish(DISPID, WORD, double*, std::span<const DispArg>) const;
    HRESULT Finish(DISPID, WORD, VARIANT*, std::span<const DispArg>) const;

    IDispatch* dispatch_ = nullptr;
    bool autoRelease_ = false;
};

}  // namespace orv
