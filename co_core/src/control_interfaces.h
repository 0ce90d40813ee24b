// The control's interfaces beside IDispatch and the connection points: IOleControl (the
// container's FreezeEvents) and IProvideClassInfo2 (the event interface for hosts without a type
// library). Both share the control's identity and reference count.
#pragma once

#include "co_core/control_core.h"

namespace orv::co {

class ControlCore::OleControl final : public IOleControl {
public:
    explicit OleControl(ControlCore& owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return owner_.QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override {
        // An invisible control has no mnemonics.
        if (!info) return E_POINTER;
        info->hAccel = nullptr;
        info->cAccel = 0;
        info->dwFlags = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnMnemonic(void*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override {
        try {
            owner_.OnFreezeEvents(freeze != FALSE);
            return S_OK;
        } catch (...) {
            return E_UNEXPECTED;  // nothing crosses the interface
        }
    }

private:
    ControlCore& owner_;
};

class ControlCore::ClassInfo final : public IProvideClassInfo2 {
public:
    explicit ClassInfo(ControlCore& owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return owner_.QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD guidKind, GUID* guid) override {
        if (!guid) return E_POINTER;
        if (guidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
            *guid = GUID_NULL;
            return E_INVALIDARG;
        }
        *guid = owner_.Descriptor().eventIid;
        return S_OK;
    }

private:
    ControlCore& owner_;
};

}  // namespace orv::co
