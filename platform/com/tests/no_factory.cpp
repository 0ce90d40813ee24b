// A shared library that registers like a server but lacks DllGetClassObject.
#include "platform/com_register.h"

extern "C" ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    // {6A1C54E0-3F5B-4C1D-9E57-2B8A7D6C1F02}
    constexpr CLSID clsid = GUID_INIT(0x6A1C54E0, 0x3F5B, 0x4C1D, 0x9E, 0x57, 0x2B, 0x8A, 0x7D, 0x6C, 0x1F, 0x02);
    return orv::RegisterInprocServer({clsid, "Orv.NoFactory", "library without a class factory",
                                      "Apartment", ORV_THIS_MODULE});
}
