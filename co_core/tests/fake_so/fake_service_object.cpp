#include "fake_service_object.h"

#include <algorithm>

#include "platform/com_ptr.h"
#include "platform/com_register.h"
#include "platform/com_server.h"

namespace orv::co::test {
namespace {

// {7C0E4A10-2B6D-4E8F-9A31-5D2C8B7E6F01}
constexpr CLSID kFakeClsid =
    GUID_INIT(0x7C0E4A10, 0x2B6D, 0x4E8F, 0x9A, 0x31, 0x5D, 0x2C, 0x8B, 0x7E, 0x6F, 0x01);

constexpr const char* kCallbackNames[4] = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate"};
enum Callback { kSOData, kSODirectIO, kSOError, kSOStatusUpdate };

struct Globals {
    std::mutex mutex;
    FakeSoConfig config;
    std::vector<std::string> calls;
    std::vector<FakeServiceObject*> live;
};
Globals& G() {
    static Globals g;
    return g;
}

std::string Str(const char* s) {
    return s ? s : "";
}

}  // namespace

HRESULT FakeServiceObject::CreateInstance(REFIID riid, void** object) {
    auto* created = new FakeServiceObject;
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
}

FakeServiceObject::FakeServiceObject()
    : config_([] {
          std::lock_guard<std::mutex> lock(G().mutex);
          return G().config;
      }()) {
    ModuleLock();
    std::lock_guard<std::mutex> lock(G().mutex);
    G().live.push_back(this);
}

FakeServiceObject::~FakeServiceObject() {
    {
        std::lock_guard<std::mutex> lock(G().mutex);
        auto& live = G().live;
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
    }
    ModuleUnlock();
}

void FakeServiceObject::Configure(const FakeSoConfig& config) {
    std::lock_guard<std::mutex> lock(G().mutex);
    G().config = config;
}

void FakeServiceObject::ResetAll() {
    std::lock_guard<std::mutex> lock(G().mutex);
    G().config = FakeSoConfig{};
    G().calls.clear();
}

FakeServiceObject* FakeServiceObject::Current() {
    std::lock_guard<std::mutex> lock(G().mutex);
    return G().live.empty() ? nullptr : G().live.back();
}

int FakeServiceObject::LiveCount() {
    std::lock_guard<std::mutex> lock(G().mutex);
    return static_cast<int>(G().live.size());
}

std::vector<std::string> FakeServiceObject::Calls() {
    std::lock_guard<std::mutex> lock(G().mutex);
    return G().calls;
}

void FakeServiceObject::ClearCalls() {
    std::lock_guard<std::mutex> lock(G().mutex);
    G().calls.clear();
}

size_t FakeServiceObject::CountCalls(const std::string& prefix) {
    std::lock_guard<std::mutex> lock(G().mutex);
    return static_cast<size_t>(std::count_if(
        G().calls.begin(), G().calls.end(),
        [&](const std::string& c) { return c.compare(0, prefix.size(), prefix) == 0; }));
}

void FakeServiceObject::SetNumber(int32_t index, int32_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    numbers_[index] = value;
}

void FakeServiceObject::SetString(int32_t index, const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    strings_[index] = value;
}

int32_t FakeServiceObject::Number(int32_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = numbers_.find(index);
    if (it != numbers_.end()) return it->second;
    return index == 8 ? config_.serviceObjectVersion : 0;
}

std::string FakeServiceObject::String(int32_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = strings_.find(index);
    return it == strings_.end() ? std::string() : it->second;
}

void FakeServiceObject::DuringNextCall(const std::string& name, std::function<void()> action) {
    std::lock_guard<std::mutex> lock(mutex_);
    hooks_[name] = std::move(action);
}

int32_t FakeServiceObject::Record(const std::string& name, const std::string& args) {
    if (config_.recordCalls) {
        std::lock_guard<std::mutex> lock(G().mutex);
        G().calls.push_back(name + "(" + args + ")");
    }
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = hooks_.find(name);
        if (it != hooks_.end()) {
            hook = std::move(it->second);
            hooks_.erase(it);
        }
    }
    if (hook) hook();
    auto it = config_.results.find(name);
    return it == config_.results.end() ? 0 : it->second;
}

HRESULT STDMETHODCALLTYPE FakeServiceObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count,
                                                           LCID lcid, DISPID* dispids) {
    if (names && count > 0 && names[0] && !config_.missingName.empty() &&
        AnsiFromUtf16(names[0]) == config_.missingName) {
        for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    return DispatchObject::GetIDsOfNames(riid, names, count, lcid, dispids);
}

// ---- the 27 members

int32_t FakeServiceObject::BeginEFTTransaction(const char* system, int32_t host) {
    return Record("BeginEFTTransaction", Str(system) + "," + std::to_string(host));
}
int32_t FakeServiceObject::ComputeMAC(const char* in, BSTR* out) {
    const int32_t rc = Record("ComputeMAC", Str(in) + "," + AnsiFromBstr(*out));
    SysFreeString(*out);
    *out = BstrFromAnsi(Str(in) + "0123456789ABCDEF");
    return rc;
}
int32_t FakeServiceObject::EnablePINEntry() {
    return Record("EnablePINEntry", "");
}
int32_t FakeServiceObject::EndEFTTransaction(int32_t completion) {
    return Record("EndEFTTransaction", std::to_string(completion));
}
int32_t FakeServiceObject::UpdateKey(int32_t number, const char* key) {
    return Record("UpdateKey", std::to_string(number) + "," + Str(key));
}
int32_t FakeServiceObject::VerifyMAC(const char* message) {
    return Record("VerifyMAC", Str(message));
}
int32_t FakeServiceObject::CheckHealth(int32_t level) {
    return Record("CheckHealth", std::to_string(level));
}
int32_t FakeServiceObject::Claim(int32_t timeout) {
    return Record("Claim", std::to_string(timeout));
}
int32_t FakeServiceObject::ClearInput() {
    return Record("ClearInput", "");
}
int32_t FakeServiceObject::Close() {
    const int32_t rc = Record("Close", "");
    control_.store(nullptr);  // as the real one: the control driver goes at Close
    return rc;
}
int32_t FakeServiceObject::DirectIO(int32_t command, int32_t* data, BSTR* text) {
    const int32_t rc = Record("DirectIO", std::to_string(command) + "," + std::to_string(*data) +
                                              "," + AnsiFromBstr(*text));
    *data += 1;
    const std::string answer = AnsiFromBstr(*text) + "!";
    SysFreeString(*text);
    *text = BstrFromAnsi(answer);
    return rc;
}
int32_t FakeServiceObject::ReleaseMethod() {
    return Record("Release", "");
}
int32_t FakeServiceObject::GetPropertyNumber(int32_t index) {
    Record("GetPropertyNumber", std::to_string(index));
    if (index == config_.errorOnGetNumber) {
        // The property-error step of a real service object: an error event on this thread.
        int32_t response = 0;
        RaiseError(111, 0, 0, &response);
        return 0;
    }
    return Number(index);
}
BSTR FakeServiceObject::GetPropertyString(int32_t index) {
    Record("GetPropertyString", std::to_string(index));
    return BstrFromAnsi(String(index));
}
void FakeServiceObject::SetPropertyNumber(int32_t index, int32_t value) {
    Record("SetPropertyNumber", std::to_string(index) + "," + std::to_string(value));
    SetNumber(index, value);
}
void FakeServiceObject::SetPropertyString(int32_t index, const char* value) {
    Record("SetPropertyString", std::to_string(index) + "," + Str(value));
    SetString(index, Str(value));
}
CY FakeServiceObject::GetAmount() {
    Record("GetAmount", "");
    std::lock_guard<std::mutex> lock(mutex_);
    return amount_;
}
void FakeServiceObject::SetAmount(CY amount) {
    Record("SetAmount", std::to_string(amount.int64));
    std::lock_guard<std::mutex> lock(mutex_);
    amount_ = amount;
}
int32_t FakeServiceObject::OpenService(const char* deviceClass, const char* deviceName,
                                       IDispatch* control) {
    Record("OpenService", Str(deviceClass) + "," + Str(deviceName));
    if (config_.openServiceResult != 0) return config_.openServiceResult;
    // SODirectIO and SOStatusUpdate are what every control has (the line display has no more).
    DispatchDriver driver(control, false);
    for (int i = 0; i < 4; ++i) {
        const bool required = i == kSODirectIO || i == kSOStatusUpdate;
        if (FAILED(driver.GetDispId(kCallbackNames[i], &callbacks_[i])) && required) return 104;
    }
    control_.store(control);  // no reference of its own, as a real service object
    return 0;
}
int32_t FakeServiceObject::COFreezeEvents(int32_t freeze) {
    Record("COFreezeEvents", std::to_string(freeze));
    return 1;
}
int32_t FakeServiceObject::ClaimDeviceMethod(int32_t timeout) {
    return Record("ClaimDevice", std::to_string(timeout));
}
int32_t FakeServiceObject::ReleaseDeviceMethod() {
    return Record("ReleaseDevice", "");
}
int32_t FakeServiceObject::CompareFirmwareVersion(const char* file, int32_t result) {
    return Record("CompareFirmwareVersion", Str(file) + "," + std::to_string(result));
}
int32_t FakeServiceObject::ResetStatistics(const char* names) {
    return Record("ResetStatistics", Str(names));
}
int32_t FakeServiceObject::RetrieveStatistics(BSTR* buffer) {
    const int32_t rc = Record("RetrieveStatistics", AnsiFromBstr(*buffer));
    SysFreeString(*buffer);
    *buffer = BstrFromAnsi("<stats/>");
    return rc;
}
int32_t FakeServiceObject::UpdateFirmware(const char* file) {
    return Record("UpdateFirmware", Str(file));
}
int32_t FakeServiceObject::UpdateStatistics(const char* assignments) {
    return Record("UpdateStatistics", Str(assignments));
}

// ---- events

bool FakeServiceObject::RaiseData(int32_t status) {
    IDispatch* control = control_.load();
    if (!control) return false;
    return SUCCEEDED(DispatchDriver(control, false).Call(callbacks_[kSOData], nullptr, status));
}

bool FakeServiceObject::RaiseStatusUpdate(int32_t data) {
    IDispatch* control = control_.load();
    if (!control) return false;
    return SUCCEEDED(
        DispatchDriver(control, false).Call(callbacks_[kSOStatusUpdate], nullptr, data));
}

bool FakeServiceObject::RaiseDirectIO(int32_t eventNumber, int32_t* data, std::string* text) {
    IDispatch* control = control_.load();
    if (!control) return false;
    UniqueBstr b(BstrFromAnsi(*text));
    BSTR raw = b.Release();
    const HRESULT hr = DispatchDriver(control, false)
                           .Call(callbacks_[kSODirectIO], nullptr, eventNumber, data, &raw);
    b.Reset(raw);
    *text = AnsiFromBstr(b.Get());
    return SUCCEEDED(hr);
}

bool FakeServiceObject::RaiseError(int32_t resultCode, int32_t extended, int32_t locus,
                                   int32_t* response) {
    IDispatch* control = control_.load();
    if (!control) return false;
    return SUCCEEDED(
        DispatchDriver(control, false)
            .Call(callbacks_[kSOError], nullptr, resultCode, extended, locus, response));
}

std::span<const DispatchEntry> FakeServiceObject::DispatchMembers() {
    using F = FakeServiceObject;
    static constexpr DispatchEntry kMembers[] = {
        DispMethod<&F::BeginEFTTransaction, VT_I4, VT_BSTR, VT_I4>("BeginEFTTransaction"),
        DispMethod<&F::ComputeMAC, VT_I4, VT_BSTR, VT_BSTR | VT_BYREF>("ComputeMAC"),
        DispMethod<&F::EnablePINEntry, VT_I4>("EnablePINEntry"),
        DispMethod<&F::EndEFTTransaction, VT_I4, VT_I4>("EndEFTTransaction"),
        DispMethod<&F::UpdateKey, VT_I4, VT_I4, VT_BSTR>("UpdateKey"),
        DispMethod<&F::VerifyMAC, VT_BOOL, VT_BSTR>("VerifyMAC"),
        DispMethod<&F::CheckHealth, VT_I4, VT_I4>("CheckHealth"),
        DispMethod<&F::Claim, VT_I4, VT_I4>("Claim"),
        DispMethod<&F::ClearInput, VT_I4>("ClearInput"),
        DispMethod<&F::Close, VT_I4>("Close"),
        DispMethod<&F::DirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
        DispMethod<&F::ReleaseMethod, VT_I4>("Release"),
        DispMethod<&F::GetPropertyNumber, VT_I4, VT_I4>("GetPropertyNumber"),
        DispMethod<&F::GetPropertyString, VT_BSTR, VT_I4>("GetPropertyString"),
        DispMethod<&F::SetPropertyNumber, VT_EMPTY, VT_I4, VT_I4>("SetPropertyNumber"),
        DispMethod<&F::SetPropertyString, VT_EMPTY, VT_I4, VT_BSTR>("SetPropertyString"),
        DispMethod<&F::GetAmount, VT_CY>("GetAmount"),
        DispMethod<&F::SetAmount, VT_EMPTY, VT_CY>("SetAmount"),
        DispMethod<&F::OpenService, VT_I4, VT_BSTR, VT_BSTR, VT_DISPATCH>("OpenService"),
        DispMethod<&F::COFreezeEvents, VT_I4, VT_BOOL>("COFreezeEvents"),
        DispMethod<&F::ClaimDeviceMethod, VT_I4, VT_I4>("ClaimDevice"),
        DispMethod<&F::ReleaseDeviceMethod, VT_I4>("ReleaseDevice"),
        DispMethod<&F::CompareFirmwareVersion, VT_I4, VT_BSTR, VT_I4>("CompareFirmwareVersion"),
        DispMethod<&F::ResetStatistics, VT_I4, VT_BSTR>("ResetStatistics"),
        DispMethod<&F::RetrieveStatistics, VT_I4, VT_BSTR | VT_BYREF>("RetrieveStatistics"),
        DispMethod<&F::UpdateFirmware, VT_I4, VT_BSTR>("UpdateFirmware"),
        DispMethod<&F::UpdateStatistics, VT_I4, VT_BSTR>("UpdateStatistics"),
    };
    return kMembers;
}

}  // namespace orv::co::test

using orv::co::test::FakeServiceObject;

extern "C" {

ORV_API HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    return orv::GetClassObjectFor<FakeServiceObject>(clsid, orv::co::test::kFakeClsid, riid,
                                                     object);
}
ORV_API HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
    return orv::ModuleCanUnloadNow();
}
ORV_API HRESULT STDMETHODCALLTYPE DllRegisterServer() {
    return orv::RegisterInprocServer({orv::co::test::kFakeClsid, orv::co::test::kFakeSoProgId,
                                      "Fake PIN pad service object", "Apartment",
                                      ORV_THIS_MODULE});
}
ORV_API HRESULT STDMETHODCALLTYPE DllUnregisterServer() {
    return orv::UnregisterInprocServer(orv::co::test::kFakeClsid, orv::co::test::kFakeSoProgId);
}

}  // extern "C"
