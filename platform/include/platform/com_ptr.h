// Move-only owners for COM resources: interface pointers, BSTRs and VARIANTs, plus the text
// conversions every COM boundary of the suite needs (BSTR <-> ANSI code page, BSTR <-> UTF-8).
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/com.h"
#include "platform/oleauto.h"

namespace orv {

// Owns one reference to an interface.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    // Adds a reference of its own.
    static ComPtr Share(T* p) {
        if (p) p->AddRef();
        return Attach(p);
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    template <class U>
    HRESULT As(const IID& iid, ComPtr<U>* out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out->PutVoid());
    }

private:
    T* p_ = nullptr;
};

// Owns one BSTR (SysFreeString on destruction).
class UniqueBstr {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(BSTR b) : b_(b) {}
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    UniqueBstr(UniqueBstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    UniqueBstr& operator=(UniqueBstr&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.b_, nullptr));
        return *this;
    }
    ~UniqueBstr() { Reset(); }

    void Reset(BSTR b = nullptr) {
        if (b_ != b) SysFreeString(b_);
        b_ = b;
    }
    BSTR Get() const { return b_; }
    BSTR Release() { return std::exchange(b_, nullptr); }
    BSTR* Put() {
        Reset();
        return &b_;
    }
    UINT Length() const { return SysStringLen(b_); }
    std::u16string_view View() const { return b_ ? std::u16string_view(b_, Length()) : std::u16string_view(); }

private:
    BSTR b_ = nullptr;
};

// Owns one VARIANT (VariantClear on destruction).
class UniqueVariant {
public:
    UniqueVariant() { VariantInit(&v_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    UniqueVariant(UniqueVariant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    UniqueVariant& operator=(UniqueVariant&& o) noexcept {
        if (this != &o) {
            VariantClear(&v_);
            v_ = o.v_;
            VariantInit(&o.v_);
        }
        return *this;
    }
    ~UniqueVariant() { VariantClear(&v_); }

    VARIANT* Get() { return &v_; }
    const VARIANT* Get() const { return &v_; }
    VARIANT* operator->() { return &v_; }
    const VARIANT* operator->() const { return &v_; }
    // Clears and hands out the variant for an out-parameter.
    VARIANT* Put() {
        VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

// Text conversions. The ANSI code page is Windows-1252: every byte maps to one character;
// characters it cannot hold become '?'.
ORV_API BSTR BstrFromAnsi(std::string_view ansi);
ORV_API std::string AnsiFromBstr(BSTR b);          // null BSTR -> ""
ORV_API std::string AnsiFromUtf16(std::u16string_view text);
ORV_API std::u16string Utf16FromAnsi(std::string_view ansi);
ORV_API BSTR BstrFromUtf8(std::string_view utf8);  // malformed bytes become U+FFFD
ORV_API std::string Utf8FromBstr(BSTR b);
ORV_API std::u16string Utf16FromUtf8(std::string_view utf8);
ORV_API std::string Utf8FromUtf16(std::u16string_view text);

// GUID text helpers over StringFromGUID2/CLSIDFromString.
ORV_API std::string GuidToString(const GUID& guid);  // "{XXXXXXXX-...}"
ORV_API bool GuidFromString(std::string_view text, GUID* guid);

}  // namespace orv
