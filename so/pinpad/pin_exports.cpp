// The library's exports: the COM server entry points and the five event natives of
// com.orv.jpos.pinpad.PinOPOSEventCallbacks.
#include "pin_so.h"
#include "platform/com_register.h"
#include "so_core/event_relay.h"

using orv::so::pinpad::CPinSO;
using orv::so::pinpad::kIdentity;

extern "C" {

ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    return orv::GetClassObjectFor<CPinSO>(clsid, kIdentity.clsid, riid, object);
}

ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() { return orv::ModuleCanUnloadNow(); }

ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    try {
        return orv::RegisterInprocServer({kIdentity.clsid, kIdentity.progId, kIdentity.description,
                                          "Apartment",
                                          ORV_THIS_MODULE});
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

}  // extern "C"

ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_pinpad_PinOPOSEventCallbacks)
