// The four exports of a control library, for its one control class:
//   ORV_CONTROL_EXPORTS(CPinpadControlCtrl)
// The library's path is taken from its descriptor's address: an exported function's address
// could resolve to a same-named export of another module already in the process.
#pragma once

#include "co_core/control_object.h"
#include "co_core/control_registration.h"
#include "platform/com_server.h"

#define ORV_CONTROL_EXPORTS(ControlClass)                                                      \
    extern "C" {                                                                               \
    ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid,           \
                                                        LPVOID* object) {                      \
        return ::orv::GetClassObjectFor<ControlClass>(clsid, ControlClass::Descriptor().clsid, \
                                                      riid, object);                           \
    }                                                                                          \
    ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {                                      \
        return ::orv::ModuleCanUnloadNow();                                                    \
    }                                                                                          \
    ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {                                    \
        return ::orv::co::RegisterControl(ControlClass::Descriptor(),                          \
                                          &ControlClass::Descriptor());                        \
    }                                                                                          \
    ORV_API HRESULT STDMETHODCALLTYPE DllUnregisterServer() {                                  \
        return ::orv::co::UnregisterControl(ControlClass::Descriptor());                       \
    }                                                                                          \
    }
