// IDispatch from an ordered member table, as an automation class's dispatch map gives it:
// DISPID = 1-based position, names matched case-insensitively, methods and property get/put,
// arguments coerced as OLE Automation does, results owned by the caller.
//
// A class lists its members once, in a static member function (so the table may name private
// members), with the automation types of the result and parameters:
//
//   std::span<const orv::DispatchEntry> CFoo::DispatchMembers() {
//       static constexpr orv::DispatchEntry kMembers[] = {
//           orv::DispMethod<&CFoo::Claim, VT_I4, VT_I4>("Claim"),
//           orv::DispMethod<&CFoo::DirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF,
//                           VT_BSTR | VT_BYREF>("DirectIO"),
//           orv::DispProperty<&CFoo::GetResultCode, nullptr, VT_I4>("ResultCode"),
//       };
//       return kMembers;
//   }
//
// Parameter types and the C++ types they bind to:
//   VT_I4: int32_t          VT_I2: int16_t        VT_BOOL: int32_t (0/1) or int16_t (0/-1)
//   VT_R8: double           VT_CY: CY             VT_DISPATCH: IDispatch* (borrowed)
//   VT_BSTR: BSTR (borrowed, may be null) or const char* (the text in the ANSI code page)
//   VT_VARIANT: const VARIANT*
//   VT_I4|VT_BYREF: int32_t*    VT_BSTR|VT_BYREF: BSTR*    VT_BOOL|VT_BYREF: VARIANT_BOOL*
// Result types: VT_EMPTY (void), VT_I4, VT_I2, VT_BOOL (nonzero -> VARIANT_TRUE), VT_R8, VT_CY,
// VT_BSTR (the BSTR returned is handed to the caller), VT_DISPATCH (a reference handed over).
//
// A member raises an automation exception (DISP_E_EXCEPTION with EXCEPINFO) by throwing
// orv::DispatchException; the invoker generated here catches it and every other exception, so
// nothing escapes through IDispatch::Invoke.
#pragma once

#include <atomic>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/com.h"
#include "platform/oleauto.h"

namespace orv {

// Thrown inside a member to end the call with DISP_E_EXCEPTION and this description.
struct DispatchException {
    std::string description;
    SCODE scode = E_FAIL;
    WORD code = 0;
};

// The call in progress, as the generated invokers see it.
struct InvokeCall {
    DISPPARAMS* params;  // positional arguments only (named DISPID_PROPERTYPUT removed)
    VARIANT* result;     // may be null
    EXCEPINFO* excepInfo;
    UINT* argErr;
};

using DispatchInvoker = HRESULT (*)(void* self, InvokeCall& call);

struct DispatchEntry {
    const char* name;
    DispatchInvoker call;  // method call, or property get
    DispatchInvoker put;   // property put; null for methods and read-only properties
    bool isProperty;
};

// Fills EXCEPINFO for an automation exception raised by a member.
ORV_API HRESULT RaiseDispatchException(InvokeCall& call, const DispatchException& e);

// The positional argument at index i (0 = first in the member's parameter list), with
// VT_VARIANT|VT_BYREF read through.
ORV_API VARIANT* DispatchArgument(InvokeCall& call, UINT i);

// Coerces an argument to a by-value type into scratch; sets *argErr on failure. When the
// argument already has that type it is lent without a copy and *owned is false; otherwise
// scratch owns the converted value and *owned is true.
ORV_API HRESULT CoerceArgument(InvokeCall& call, UINT i, VARTYPE vt, VARIANT* scratch, bool* owned);

// The runtime half of a dispatch map: name lookup and invocation by DISPID.
class ORV_API DispatchTable {
public:
    explicit DispatchTable(std::span<const DispatchEntry> entries) : entries_(entries) {}

    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* dispids) const;
    HRESULT Invoke(void* self, DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) const;
    // Position of a name (1-based), DISPID_UNKNOWN when absent.
    DISPID Find(std::string_view name) const;
    size_t Size() const { return entries_.size(); }

private:
    std::span<const DispatchEntry> entries_;
};

namespace dispatch_detail {

template <class F>
struct MemberTraits;
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...)> {
    using Class = C;
    using Result = R;
    using Args = std::tuple<A...>;
};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const> : MemberTraits<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) noexcept> : MemberTraits<R (C::*)(A...)> {};

// Storage and conversion of one parameter of C++ type T declared as automation type VT.
template <class T, VARTYPE VT, class Enable = void>
struct Param;

template <class T>
inline constexpr bool kAlwaysFalse = false;

template <VARTYPE VT>
struct ByValue {
    VARIANT scratch;
    bool owned = false;
    ByValue() { scratch.vt = VT_EMPTY; }
    ~ByValue() {
        if (owned) VariantClear(&scratch);
    }
    ByValue(const ByValue&) = delete;
    ByValue& operator=(const ByValue&) = delete;
    HRESULT Load(InvokeCall& call, UINT i) {
        // The common case, an argument of exactly the declared type, stays inline.
        const VARIANT& a = call.params->rgvarg[call.params->cArgs - 1 - i];
        if (a.vt == VT) {
            scratch = a;
            return S_OK;
        }
        return CoerceArgument(call, i, VT, &scratch, &owned);
    }
};

template <>
struct Param<int32_t, VT_I4> : ByValue<VT_I4> {
    int32_t Get() { return scratch.lVal; }
};
template <>
struct Param<int16_t, VT_I2> : ByValue<VT_I2> {
    int16_t Get() { return scratch.iVal; }
};
template <>
struct Param<int32_t, VT_BOOL> : ByValue<VT_BOOL> {
    int32_t Get() { return scratch.boolVal != 0 ? 1 : 0; }
};
template <>
struct Param<int16_t, VT_BOOL> : ByValue<VT_BOOL> {
    int16_t Get() { return scratch.boolVal != 0 ? VARIANT_TRUE : VARIANT_FALSE; }
};
template <>
struct Param<double, VT_R8> : ByValue<VT_R8> {
    double Get() { return scratch.dblVal; }
};
template <>
struct Param<CY, VT_CY> : ByValue<VT_CY> {
    CY Get() { return scratch.cyVal; }
};
template <>
struct Param<BSTR, VT_BSTR> : ByValue<VT_BSTR> {
    BSTR Get() { return scratch.bstrVal; }
};
template <>
struct Param<IDispatch*, VT_DISPATCH> : ByValue<VT_DISPATCH> {
    IDispatch* Get() { return scratch.pdispVal; }
};

// ANSI text: the BSTR converted to the ANSI code page, valid during the call.
ORV_API HRESULT LoadAnsiArgument(InvokeCall& call, UINT i, std::string* out);
template <>
struct Param<const char*, VT_BSTR> {
    std::string text;
    HRESULT Load(InvokeCall& call, UINT i) { return LoadAnsiArgument(call, i, &text); }
    const char* Get() { return text.c_str(); }
};

template <>
struct Param<const VARIANT*, VT_VARIANT> {
    VARIANT* v = nullptr;
    HRESULT Load(InvokeCall& call, UINT i) {
        v = DispatchArgument(call, i);
        return S_OK;
    }
    const VARIANT* Get() { return v; }
};

// By-reference parameters must arrive as exactly that by-reference type (or a by-reference
// VARIANT holding it), so that what the member writes reaches the caller's variable.
ORV_API HRESULT LoadByRefArgument(InvokeCall& call, UINT i, VARTYPE vt, void** out);
template <class T, VARTYPE Base>
struct ByRefParam {
    void* p = nullptr;
    HRESULT Load(InvokeCall& call, UINT i) {
        const VARIANT& a = call.params->rgvarg[call.params->cArgs - 1 - i];
        if (a.vt == (Base | VT_BYREF) && a.byref) {
            p = a.byref;
            return S_OK;
        }
        return LoadByRefArgument(call, i, Base, &p);
    }
    T* Get() { return static_cast<T*>(p); }
};
template <>
struct Param<int32_t*, VT_I4 | VT_BYREF> : ByRefParam<int32_t, VT_I4> {};
template <>
struct Param<BSTR*, VT_BSTR | VT_BYREF> : ByRefParam<BSTR, VT_BSTR> {};
template <>
struct Param<VARIANT_BOOL*, VT_BOOL | VT_BYREF> : ByRefParam<VARIANT_BOOL, VT_BOOL> {};

template <class R, VARTYPE VT>
struct Result {
    static_assert(kAlwaysFalse<R>, "result type does not match its automation type");
};
template <>
struct Result<void, VT_EMPTY> {};
inline void StoreResult(VARIANT* r, int32_t v, std::integral_constant<VARTYPE, VT_I4>) {
    r->vt = VT_I4;
    r->lVal = v;
}
inline void StoreResult(VARIANT* r, int16_t v, std::integral_constant<VARTYPE, VT_I2>) {
    r->vt = VT_I2;
    r->iVal = v;
}
template <class B>
inline void StoreResult(VARIANT* r, B v, std::integral_constant<VARTYPE, VT_BOOL>) {
    static_assert(std::is_same_v<B, int32_t> || std::is_same_v<B, int16_t> ||
                  std::is_same_v<B, bool>);
    r->vt = VT_BOOL;
    r->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
}
inline void StoreResult(VARIANT* r, double v, std::integral_constant<VARTYPE, VT_R8>) {
    r->vt = VT_R8;
    r->dblVal = v;
}
inline void StoreResult(VARIANT* r, CY v, std::integral_constant<VARTYPE, VT_CY>) {
    r->vt = VT_CY;
    r->cyVal = v;
}
inline void StoreResult(VARIANT* r, BSTR v, std::integral_constant<VARTYPE, VT_BSTR>) {
    r->vt = VT_BSTR;
    r->bstrVal = v;
}
inline void StoreResult(VARIANT* r, IDispatch* v, std::integral_constant<VARTYPE, VT_DISPATCH>) {
    r->vt = VT_DISPATCH;
    r->pdispVal = v;
}

// Frees a result nobody will receive (caller passed no result VARIANT).
inline void DiscardResult(BSTR v) { SysFreeString(v); }
inline void DiscardResult(IDispatch* v) {
    if (v) v->Release();
}
template <class T>
inline void DiscardResult(T) {}

template <auto Fn, VARTYPE RetVt, VARTYPE... ParamVts>
struct Invoker {
    using Traits = MemberTraits<decltype(Fn)>;
    using Class = typename Traits::Class;
    using Ret = typename Traits::Result;
    using Args = typename Traits::Args;
    static_assert(std::tuple_size_v<Args> == sizeof...(ParamVts),
                  "one automation type per parameter");

    template <size_t... I>
    static HRESULT CallWith(Class* self, InvokeCall& call, std::index_sequence<I...>) {
        std::tuple<Param<std::tuple_element_t<I, Args>, ParamVts>...> params;
        HRESULT hr = S_OK;
        // Load left to right; stop at the first argument that does not convert.
        ((SUCCEEDED(hr) ? (hr = std::get<I>(params).Load(call, static_cast<UINT>(I))) : hr), ...);
        if (FAILED(hr)) return hr;
        if constexpr (std::is_void_v<Ret>) {
            static_assert(RetVt == VT_EMPTY, "a void member has the result type VT_EMPTY");
            (self->*Fn)(std::get<I>(params).Get()...);
        } else {
            Ret value = (self->*Fn)(std::get<I>(params).Get()...);
            if (call.result)
                StoreResult(call.result, value, std::integral_constant<VARTYPE, RetVt>{});
            else
                DiscardResult(value);
        }
        return S_OK;
    }

    static HRESULT Call(void* self, InvokeCall& call) {
        if (call.params->cArgs != sizeof...(ParamVts)) return DISP_E_BADPARAMCOUNT;
        try {
            return CallWith(static_cast<Class*>(self), call,
                            std::make_index_sequence<sizeof...(ParamVts)>{});
        } catch (const DispatchException& e) {
            return RaiseDispatchException(call, e);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return RaiseDispatchException(call, DispatchException{"Unexpected error", E_UNEXPECTED});
        }
    }
};

}  // namespace dispatch_detail

// A method: DispMethod<&Class::Member, ResultVt, ParamVt...>("Name").
template <auto Fn, VARTYPE RetVt, VARTYPE... ParamVts>
constexpr DispatchEntry DispMethod(const char* name) {
    return DispatchEntry{name, &dispatch_detail::Invoker<Fn, RetVt, ParamVts...>::Call, nullptr,
                         false};
}

// A property with a getter (no parameters) and an optional setter (one parameter of the same
// automation type): DispProperty<&Class::GetX, &Class::SetX, Vt>("X"); nullptr for no setter.
template <auto Get, auto Put, VARTYPE Vt>
constexpr DispatchEntry DispProperty(const char* name) {
    DispatchInvoker put = nullptr;
    if constexpr (!std::is_same_v<decltype(Put), std::nullptr_t>)
        put = &dispatch_detail::Invoker<Put, VT_EMPTY, Vt>::Call;
    return DispatchEntry{name, &dispatch_detail::Invoker<Get, Vt>::Call, put, true};
}

// Reference counting and QueryInterface for an automation object whose IDispatch comes from a
// dispatch table. Derived classes give the table and may answer further interfaces through
// QueryExtraInterface.
class ORV_API DispatchObjectBase : public IDispatch {
public:
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

protected:
    explicit DispatchObjectBase(const DispatchTable& table, const IID* dispatchIid = nullptr)
        : table_(table), dispatchIid_(dispatchIid) {}
    virtual ~DispatchObjectBase();
    // The object the table's member pointers apply to.
    virtual void* DispatchSelf() = 0;
    // Further interfaces (return nullptr when not supported).
    virtual void* QueryExtraInterface(REFIID) { return nullptr; }
    // Called once when the last reference goes; deletes the object by default.
    virtual void OnFinalRelease() { delete this; }
    ULONG RefCount() const { return refs_.load(); }

private:
    const DispatchTable& table_;
    const IID* dispatchIid_;
    std::atomic<ULONG> refs_{1};
};

// Binds a class's member table: `class CFoo : public orv::DispatchObject<CFoo>` with
// `static std::span<const orv::DispatchEntry> DispatchMembers();` in CFoo. Created with a
// reference count of 1.
template <class T>
class DispatchObject : public DispatchObjectBase {
protected:
    explicit DispatchObject(const IID* dispatchIid = nullptr)
        : DispatchObjectBase(Table(), dispatchIid) {}
    void* DispatchSelf() override { return static_cast<T*>(this); }

public:
    static const DispatchTable& Table() {
        static const DispatchTable table{T::DispatchMembers()};
        return table;
    }
};

}  // namespace orv
