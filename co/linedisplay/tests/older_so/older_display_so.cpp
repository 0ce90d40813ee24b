// "OrvTest.OlderLineSO": a service object from before the display methods existed. It has the
// first nine members of the line display's dispatch order (properties, OpenService, Close,
// Claim, Release, CheckHealth, DirectIO) and nothing after them, so a control that calls by
// fixed DISPID meets missing members. Its answers: version 1.9, every call succeeds.
#include "platform/com_ptr.h"
#include "platform/com_register.h"
#include "platform/com_server.h"
#include "platform/dispatch_map.h"

namespace {

// {6C1B9E47-2D5A-4F83-9B0E-71A4C3D2E5F8}
constexpr CLSID kClsid =
    GUID_INIT(0x6C1B9E47, 0x2D5A, 0x4F83, 0x9B, 0x0E, 0x71, 0xA4, 0xC3, 0xD2, 0xE5, 0xF8);
constexpr const char* kProgId = "OrvTest.OlderLineSO";

class COlderLineSO : public orv::DispatchObject<COlderLineSO> {
public:
    static HRESULT CreateInstance(REFIID riid, void** object) {
        auto* so = new COlderLineSO;
        const HRESULT hr = so->QueryInterface(riid, object);
        so->Release();
        return hr;
    }
    static std::span<const orv::DispatchEntry> DispatchMembers() {
        static constexpr orv::DispatchEntry kMembers[] = {
            orv::DispMethod<&COlderLineSO::GetPropertyNumber, VT_I4, VT_I4>("GetPropertyNumber"),
            orv::DispMethod<&COlderLineSO::SetPropertyNumber, VT_EMPTY, VT_I4, VT_I4>(
                "SetPropertyNumber"),
            orv::DispMethod<&COlderLineSO::SetPropertyString, VT_EMPTY, VT_I4, VT_BSTR>(
                "SetPropertyString"),
            orv::DispMethod<&COlderLineSO::OpenService, VT_I4, VT_BSTR, VT_BSTR, VT_DISPATCH>(
                "OpenService"),
            orv::DispMethod<&COlderLineSO::NoArguments, VT_I4>("Close"),
            orv::DispMethod<&COlderLineSO::OneLong, VT_I4, VT_I4>("Claim"),
            orv::DispMethod<&COlderLineSO::NoArguments, VT_I4>("Release"),
            orv::DispMethod<&COlderLineSO::OneLong, VT_I4, VT_I4>("CheckHealth"),
            orv::DispMethod<&COlderLineSO::DirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF,
                            VT_BSTR | VT_BYREF>("DirectIO"),
        };
        return kMembers;
    }

private:
    COlderLineSO() { orv::ModuleLock(); }
    ~COlderLineSO() override { orv::ModuleUnlock(); }

    int32_t GetPropertyNumber(int32_t index) { return index == 8 ? 1009000 : 0; }
    void SetPropertyNumber(int32_t, int32_t) {}
    void SetPropertyString(int32_t, const char*) {}
    int32_t OpenService(const char*, const char*, IDispatch*) { return 0; }
    int32_t NoArguments() { return 0; }
    int32_t OneLong(int32_t) { return 0; }
    int32_t DirectIO(int32_t, int32_t*, BSTR*) { return 0; }
};

}  // namespace

extern "C" {

ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    return orv::GetClassObjectFor<COlderLineSO>(clsid, kClsid, riid, object);
}
ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
    return orv::ModuleCanUnloadNow();
}
ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    return orv::RegisterInprocServer(
        {kClsid, kProgId, "An older line display service object", "Apartment", ORV_THIS_MODULE});
}

}  // extern "C"
