// An in-process automation server used by the COM runtime tests: one creatable class whose
// members cover the parameter and result types the suite passes through IDispatch.
#include <atomic>
#include <string>

#include "platform/com_ptr.h"
#include "platform/com_register.h"
#include "platform/com_server.h"
#include "platform/dispatch_driver.h"
#include "platform/dispatch_map.h"

namespace {

// {6A1C54E0-3F5B-4C1D-9E57-2B8A7D6C1F01}
constexpr CLSID kClsid = GUID_INIT(0x6A1C54E0, 0x3F5B, 0x4C1D, 0x9E, 0x57, 0x2B, 0x8A, 0x7D, 0x6C, 0x1F, 0x01);
constexpr const char* kProgId = "Orv.TestServer";

// Counts creations across the library's lifetime: a reload would start again at 1.
std::atomic<int32_t> gCreated{0};

class CTestServer : public orv::DispatchObject<CTestServer> {
public:
    static HRESULT CreateInstance(REFIID riid, void** object) {
        auto* server = new CTestServer;
        const HRESULT hr = server->QueryInterface(riid, object);
        server->Release();
        return hr;
    }
    static std::span<const orv::DispatchEntry> DispatchMembers();

private:
    CTestServer() : serial_(++gCreated) { orv::ModuleLock(); }
    ~CTestServer() override { orv::ModuleUnlock(); }

    int32_t Add(int32_t a, int32_t b) { return a + b; }
    BSTR Echo(const char* text) { return orv::BstrFromAnsi(std::string("echo:") + text); }
    int32_t Exchange(int32_t v, int32_t* out, BSTR* text) {
        *out = v * 2;
        std::string t = orv::AnsiFromBstr(*text) + "!";
        SysFreeString(*text);
        *text = orv::BstrFromAnsi(t);
        return 0;
    }
    int32_t Fail(const char* description) { throw orv::DispatchException{description}; }
    int32_t Negate(int32_t flag) { return !flag; }
    double Half(double v) { return v / 2; }
    int32_t CallAdd(IDispatch* other) {
        orv::DispatchDriver d(other, false);
        DISPID id = 0;
        if (FAILED(d.GetDispId("Add", &id))) return -1;
        int32_t r = 0;
        d.Call(id, &r, 20, 22);
        return r;
    }
    int32_t GetSerial() { return serial_; }
    int32_t GetValue() { return value_; }
    void SetValue(int32_t v) { value_ = v; }
    BSTR GetName() { return orv::BstrFromAnsi("TestServer"); }
    CY GetMoney() { return money_; }
    void SetMoney(CY v) { money_ = v; }
    int16_t GetSmall() { return small_; }
    void SetSmall(int16_t v) { small_ = v; }

    const int32_t serial_;
    int32_t value_ = 0;
    CY money_{};
    int16_t small_ = 0;
};

std::span<const orv::DispatchEntry> CTestServer::DispatchMembers() {
    static constexpr orv::DispatchEntry kMembers[] = {
        orv::DispMethod<&CTestServer::Add, VT_I4, VT_I4, VT_I4>("Add"),
        orv::DispMethod<&CTestServer::Echo, VT_BSTR, VT_BSTR>("Echo"),
        orv::DispMethod<&CTestServer::Exchange, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("Exchange"),
        orv::DispMethod<&CTestServer::Fail, VT_I4, VT_BSTR>("Fail"),
        orv::DispMethod<&CTestServer::Negate, VT_BOOL, VT_BOOL>("Negate"),
        orv::DispMethod<&CTestServer::Half, VT_R8, VT_R8>("Half"),
        orv::DispMethod<&CTestServer::CallAdd, VT_I4, VT_DISPATCH>("CallAdd"),
        orv::DispProperty<&CTestServer::GetSerial, nullptr, VT_I4>("Serial"),
        orv::DispProperty<&CTestServer::GetValue, &CTestServer::SetValue, VT_I4>("Value"),
        orv::DispProperty<&CTestServer::GetName, nullptr, VT_BSTR>("Name"),
        orv::DispProperty<&CTestServer::GetMoney, &CTestServer::SetMoney, VT_CY>("Money"),
        orv::DispProperty<&CTestServer::GetSmall, &CTestServer::SetSmall, VT_I2>("Small"),
    };
    return kMembers;
}

}  // namespace

extern "C" {

ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    return orv::GetClassObjectFor<CTestServer>(clsid, kClsid, riid, object);
}

ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() { return orv::ModuleCanUnloadNow(); }

ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    return orv::RegisterInprocServer(
        {kClsid, kProgId, "COM runtime test server", "Apartment", ORV_THIS_MODULE});
}

ORV_API HRESULT STDMETHODCALLTYPE DllUnregisterServer() {
    return orv::UnregisterInprocServer(kClsid, kProgId);
}

}  // extern "C"
