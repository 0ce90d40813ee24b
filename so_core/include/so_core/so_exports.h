// The COM server exports of a service object library, for its one class:
//   ORV_SERVICE_OBJECT_EXPORTS(CPinSO, kIdentity)     DllGetClassObject, DllCanUnloadNow,
//                                                     DllRegisterServer
//   ORV_SERVICE_OBJECT_UNREGISTER(kIdentity)          DllUnregisterServer, for the classes
//                                                     that offer it
// The library's path comes from an address of this module (ORV_THIS_MODULE).
#pragma once

#include "platform/com_register.h"
#include "platform/com_server.h"
#include "so_core/so_identity.h"

#define ORV_SERVICE_OBJECT_EXPORTS(SoClass, identity)                                          \
    extern "C" {                                                                               \
    ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid,           \
                                                        LPVOID* object) {                      \
        return ::orv::GetClassObjectFor<SoClass>(clsid, (identity).clsid, riid, object);       \
    }                                                                                          \
    ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() { return ::orv::ModuleCanUnloadNow(); } \
    ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {                                    \
        try {                                                                                  \
            return ::orv::RegisterInprocServer({(identity).clsid, (identity).progId,           \
                                                (identity).description, "Apartment",           \
                                                ORV_THIS_MODULE});            \
        } catch (...) {                                                                        \
            return SELFREG_E_CLASS;                                                            \
        }                                                                                      \
    }                                                                                          \
    }

#define ORV_SERVICE_OBJECT_UNREGISTER(identity)                                                \
    extern "C" ORV_API HRESULT STDMETHODCALLTYPE DllUnregisterServer() {                       \
        try {                                                                                  \
            return ::orv::UnregisterInprocServer((identity).clsid, (identity).progId);         \
        } catch (...) {                                                                        \
            return SELFREG_E_CLASS;                                                            \
        }                                                                                      \
    }
