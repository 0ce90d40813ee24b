// "Orv.Hello": an in-process automation server with a greeting, an adder and a counter.
#include <string>

#include "platform/com_ptr.h"
#include "platform/com_register.h"
#include "platform/com_server.h"
#include "platform/dispatch_map.h"

namespace {

// {B3E1D0C2-7A44-4F0E-8C1D-5E2F9A6B3C71}
constexpr CLSID kClsid = GUID_INIT(0xB3E1D0C2, 0x7A44, 0x4F0E, 0x8C, 0x1D, 0x5E, 0x2F, 0x9A, 0x6B, 0x3C, 0x71);
constexpr const char* kProgId = "Orv.Hello";

class CHello : public orv::DispatchObject<CHello> {
public:
    static HRESULT CreateInstance(REFIID riid, void** object) {
        auto* hello = new CHello;
        const HRESULT hr = hello->QueryInterface(riid, object);
        hello->Release();
        return hr;
    }
    static std::span<const orv::DispatchEntry> DispatchMembers() {
        static constexpr orv::DispatchEntry kMembers[] = {
            orv::DispMethod<&CHello::Greet, VT_BSTR, VT_BSTR>("Greet"),
            orv::DispMethod<&CHello::Add, VT_I4, VT_I4, VT_I4>("Add"),
            orv::DispProperty<&CHello::GetCalls, nullptr, VT_I4>("Calls"),
        };
        return kMembers;
    }

private:
    CHello() { orv::ModuleLock(); }
    ~CHello() override { orv::ModuleUnlock(); }

    BSTR Greet(const char* name) {
        ++calls_;
        return orv::BstrFromAnsi(std::string("Hello, ") + name + "!");
    }
    int32_t Add(int32_t a, int32_t b) {
        ++calls_;
        return a + b;
    }
    int32_t GetCalls() { return calls_; }

    int32_t calls_ = 0;
};

}  // namespace

extern "C" {

ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    return orv::GetClassObjectFor<CHello>(clsid, kClsid, riid, object);
}
ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() { return orv::ModuleCanUnloadNow(); }
ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    return orv::RegisterInprocServer({kClsid, kProgId, "Hello automation server", "Apartment",
                                      ORV_THIS_MODULE});
}
ORV_API HRESULT STDMETHODCALLTYPE DllUnregisterServer() { return orv::UnregisterInprocServer(kClsid, kProgId); }

}  // extern "C"
