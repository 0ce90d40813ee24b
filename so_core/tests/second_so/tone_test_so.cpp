// A second service object library for the core tests, of another device class of the simulated
// terminal (the tone indicator, jpos.ToneIndicator): the common members only, so that two
// libraries, each with its own copy of the core, can be loaded into one process.
#include "platform/com_register.h"
#include "so_core/service_object.h"

namespace orv::so::tonetest {

constexpr const char* kCallbacks[] = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate",
                                      "SOOutputComplete"};

const SoIdentity kIdentity{"CToneTestSO",
                           "ORVToneTest.so",
                           GUID_INIT(0x5B0E1C3A, 0x2D4F, 0x4E61, 0x9A, 0x07, 0x3C, 0x51, 0x7E, 0x22, 0x90, 0x1D),
                           "Tone indicator test service object",
                           "Tonetestso.log",
                           "jpos/ToneIndicator",
                           kCallbacks,
                           {}};

class CToneTestSO final : public ServiceObject<CToneTestSO> {
public:
    CToneTestSO() : ServiceObject(kIdentity) {}
    // The order of the PIN pad's common entries; OpenService is called by name in the tests.
    static std::span<const DispatchEntry> DispatchMembers() {
        static constexpr DispatchEntry kMembers[] = {
            Entry(Common::CheckHealth),       Entry(Common::Claim),
            Entry(Common::ClearInput),        Entry(Common::Close),
            Entry(Common::DirectIO),          Entry(Common::Release),
            Entry(Common::GetPropertyNumber), Entry(Common::GetPropertyString),
            Entry(Common::SetPropertyNumber), Entry(Common::SetPropertyString),
            Entry(Common::OpenService),       Entry(Common::COFreezeEvents),
        };
        return kMembers;
    }
};

}  // namespace orv::so::tonetest

using orv::so::tonetest::CToneTestSO;
using orv::so::tonetest::kIdentity;

extern "C" {

ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    return orv::GetClassObjectFor<CToneTestSO>(clsid, kIdentity.clsid, riid, object);
}

ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() { return orv::ModuleCanUnloadNow(); }

ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    try {
        return orv::RegisterInprocServer({kIdentity.clsid, kIdentity.progId, kIdentity.description,
                                          "Apartment", ORV_THIS_MODULE});
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

}  // extern "C"
