// What an in-process server library needs to serve one creatable class: a class factory and
// the object/lock count behind DllCanUnloadNow. Header-only on purpose: every server library
// compiles its own copy (hidden visibility), so each keeps its own counts, as separate DLLs do.
#pragma once

#include <atomic>
#include <new>

#include "platform/com.h"

namespace orv {

// Live objects and LockServer locks of this library.
inline std::atomic<long>& ModuleLockCount() {
    static std::atomic<long> count{0};
    return count;
}
inline void ModuleLock() { ModuleLockCount().fetch_add(1); }
inline void ModuleUnlock() { ModuleLockCount().fetch_sub(1); }
inline HRESULT ModuleCanUnloadNow() { return ModuleLockCount().load() == 0 ? S_OK : S_FALSE; }

// Creates T with `HRESULT T::CreateInstance(REFIID, void**)`, a static that builds the object,
// queries the interface and reports failures (the object's own constructor never throws across).
template <class T>
class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its references only pin the library.
    ULONG STDMETHODCALLTYPE AddRef() override {
        ModuleLock();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ModuleUnlock();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                             void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            return T::CreateInstance(riid, object);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }
};

// Body of DllGetClassObject for a library with one class.
template <class T>
HRESULT GetClassObjectFor(REFCLSID requested, REFCLSID served, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (requested != served) return CLASS_E_CLASSNOTAVAILABLE;
    static ClassFactory<T> factory;
    return factory.QueryInterface(riid, object);
}

}  // namespace orv
