#include "test_control.h"

#include <time.h>

#include "platform/com_ptr.h"
#include "platform/registry.h"

namespace orv::so::test {

namespace {

ControlCall MakeCall(const char* kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    ControlCall call;
    call.kind = kind;
    call.a = a;
    call.b = b;
    call.c = c;
    call.d = d;
    return call;
}

}  // namespace

int64_t MonotonicNanos() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void RecordingControlBase::WriteBackDirectIO(int32_t data, const std::string& text) {
    std::lock_guard lock(mutex_);
    dioData_ = data;
    dioText_ = text;
}

void RecordingControlBase::WriteBackErrorResponse(int32_t response) {
    std::lock_guard lock(mutex_);
    errorResponse_ = response;
}

void RecordingControlBase::OnCall(std::function<void(const ControlCall&)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<ControlCall> RecordingControlBase::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

size_t RecordingControlBase::Count(const std::string& kind) const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const auto& c : calls_)
        if (kind.empty() || c.kind == kind) ++n;
    return n;
}

bool RecordingControlBase::WaitFor(size_t n, const std::string& kind,
                                   std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        size_t count = 0;
        for (const auto& c : calls_)
            if (kind.empty() || c.kind == kind) ++count;
        return count >= n;
    });
}

void RecordingControlBase::Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
    calls_.shrink_to_fit();
}

void RecordingControlBase::Record(ControlCall call) {
    call.thread = std::this_thread::get_id();
    std::function<void(const ControlCall&)> hook;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
        hook = hook_;
    }
    changed_.notify_all();
    if (hook) hook(call);
}

int32_t RecordingControlBase::OnData(int32_t status) {
    ControlCall c = MakeCall("SOData", status);
    c.monotonicNanos = MonotonicNanos();
    Record(std::move(c));
    return 0;
}

int32_t RecordingControlBase::OnDirectIO(int32_t number, int32_t* data, BSTR* text) {
    ControlCall c = MakeCall("SODirectIO", number, data ? *data : 0);
    c.text = text ? AnsiFromBstr(*text) : "";
    c.monotonicNanos = MonotonicNanos();
    Record(std::move(c));
    std::lock_guard lock(mutex_);
    if (dioData_ && data) *data = *dioData_;
    if (dioText_ && text) {
        SysFreeString(*text);
        *text = BstrFromAnsi(*dioText_);
    }
    return 0;
}

int32_t RecordingControlBase::OnError(int32_t code, int32_t extended, int32_t locus,
                                      int32_t* response) {
    ControlCall c = MakeCall("SOError", code, extended, locus, response ? *response : -1);
    c.monotonicNanos = MonotonicNanos();
    Record(std::move(c));
    std::lock_guard lock(mutex_);
    if (errorResponse_ && response) *response = *errorResponse_;
    return 0;
}

int32_t RecordingControlBase::OnStatusUpdate(int32_t data) {
    ControlCall c = MakeCall("SOStatusUpdate", data);
    c.monotonicNanos = MonotonicNanos();
    Record(std::move(c));
    return 0;
}

int32_t RecordingControlBase::OnOutputComplete(int32_t id) {
    ControlCall c = MakeCall("SOOutputComplete", id);
    c.monotonicNanos = MonotonicNanos();
    Record(std::move(c));
    return 0;
}

// The SO* entry points return nothing to the service object; the int result is ignored there.
template <>
std::span<const DispatchEntry> RecordingControlT<true>::DispatchMembers() {
    using C = RecordingControlT<true>;
    static constexpr DispatchEntry kMembers[] = {
        DispMethod<&C::SOData, VT_I4, VT_I4>("SOData"),
        DispMethod<&C::SODirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("SODirectIO"),
        DispMethod<&C::SOError, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4 | VT_BYREF>("SOError"),
        DispMethod<&C::SOStatusUpdate, VT_I4, VT_I4>("SOStatusUpdate"),
        DispMethod<&C::SOOutputComplete, VT_I4, VT_I4>("SOOutputComplete"),
    };
    return kMembers;
}

template <>
std::span<const DispatchEntry> RecordingControlT<false>::DispatchMembers() {
    using C = RecordingControlT<false>;
    static constexpr DispatchEntry kMembers[] = {
        DispMethod<&C::SOData, VT_I4, VT_I4>("SOData"),
        DispMethod<&C::SODirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("SODirectIO"),
        DispMethod<&C::SOError, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4 | VT_BYREF>("SOError"),
    };
    return kMembers;
}

namespace pin {
const char* const kMethodNames[27] = {
    "BeginEFTTransaction", "ComputeMAC", "EnablePINEntry", "EndEFTTransaction", "UpdateKey",
    "VerifyMAC", "CheckHealth", "Claim", "ClearInput", "Close", "DirectIO", "Release",
    "GetPropertyNumber", "GetPropertyString", "SetPropertyNumber", "SetPropertyString",
    "GetAmount", "SetAmount", "OpenService", "COFreezeEvents", "ClaimDevice", "ReleaseDevice",
    "CompareFirmwareVersion", "ResetStatistics", "RetrieveStatistics", "UpdateFirmware",
    "UpdateStatistics",
};
}  // namespace pin

HRESULT ServiceObjectClient::CreateByProgId(const char* progId) {
    return driver_.CreateDispatch(progId);
}

HRESULT ServiceObjectClient::Create(const std::string& device) {
    const std::string key = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\" + device;
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return REGDB_E_CLASSNOTREG;
    char progId[100] = {};
    DWORD size = sizeof progId;
    const LSTATUS rc = RegQueryValueExA(h, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(progId), &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS) return REGDB_E_CLASSNOTREG;
    return driver_.CreateDispatch(progId);
}

bool ServiceObjectClient::HasEveryMethodName() const {
    for (const char* name : pin::kMethodNames) {
        DISPID id = 0;
        if (FAILED(driver_.GetDispId(name, &id))) return false;
    }
    return true;
}

int32_t ServiceObjectClient::OpenService(const char* deviceName, IDispatch* control) {
    int32_t r = -1;
    last = driver_.Call(pin::OpenService, &r, "PINPad", deviceName, control);
    return r;
}

#define ORV_CALL(dispid, ...)                                  \
    int32_t r = -1;                                            \
    last = driver_.Call(dispid, &r __VA_OPT__(, ) __VA_ARGS__); \
    return r

int32_t ServiceObjectClient::Close() { ORV_CALL(pin::Close); }
int32_t ServiceObjectClient::Claim(int32_t timeout) { ORV_CALL(pin::Claim, timeout); }
int32_t ServiceObjectClient::Release_() { ORV_CALL(pin::Release); }
int32_t ServiceObjectClient::CheckHealth(int32_t level) { ORV_CALL(pin::CheckHealth, level); }
int32_t ServiceObjectClient::ClearInput() { ORV_CALL(pin::ClearInput); }
int32_t ServiceObjectClient::DirectIO(int32_t command, int32_t* data, BSTR* text) {
    ORV_CALL(pin::DirectIO, command, data, text);
}
int32_t ServiceObjectClient::COFreezeEvents(bool freeze) {
    ORV_CALL(pin::COFreezeEvents, DispArg::Bool(freeze));
}
int32_t ServiceObjectClient::GetPropertyNumber(int32_t index) { ORV_CALL(pin::GetPropertyNumber, index); }
int32_t ServiceObjectClient::BeginEFTTransaction(const std::string& system, int32_t host) {
    ORV_CALL(pin::BeginEFTTransaction, system, host);
}
int32_t ServiceObjectClient::ComputeMAC(const std::string& in, BSTR* out) { ORV_CALL(pin::ComputeMAC, in, out); }
int32_t ServiceObjectClient::EnablePINEntry() { ORV_CALL(pin::EnablePINEntry); }
int32_t ServiceObjectClient::EndEFTTransaction(int32_t code) { ORV_CALL(pin::EndEFTTransaction, code); }
int32_t ServiceObjectClient::UpdateKey(int32_t key, const std::string& value) {
    ORV_CALL(pin::UpdateKey, key, value);
}
int32_t ServiceObjectClient::CompareFirmwareVersion(const std::string& file, int32_t result) {
    ORV_CALL(pin::CompareFirmwareVersion, file, result);
}
int32_t ServiceObjectClient::ResetStatistics(const std::string& names) { ORV_CALL(pin::ResetStatistics, names); }
int32_t ServiceObjectClient::RetrieveStatistics(BSTR* buffer) { ORV_CALL(pin::RetrieveStatistics, buffer); }
int32_t ServiceObjectClient::UpdateFirmware(const std::string& file) { ORV_CALL(pin::UpdateFirmware, file); }
int32_t ServiceObjectClient::UpdateStatistics(const std::string& names) { ORV_CALL(pin::UpdateStatistics, names); }
#undef ORV_CALL

std::string ServiceObjectClient::GetPropertyString(int32_t index) {
    BSTR b = nullptr;
    last = driver_.Call(pin::GetPropertyString, &b, index);
    std::string s = AnsiFromBstr(b);
    SysFreeString(b);
    return s;
}

void ServiceObjectClient::SetPropertyNumber(int32_t index, int32_t value) {
    last = driver_.Call(pin::SetPropertyNumber, nullptr, index, value);
}

void ServiceObjectClient::SetPropertyString(int32_t index, const std::string& value) {
    last = driver_.Call(pin::SetPropertyString, nullptr, index, value);
}

int64_t ServiceObjectClient::GetAmount() {
    CY cy{};
    last = driver_.Call(pin::GetAmount, &cy);
    return cy.int64;
}

void ServiceObjectClient::SetAmount(int64_t amount) {
    CY cy{};
    cy.int64 = amount;
    last = driver_.Call(pin::SetAmount, nullptr, cy);
}

bool ServiceObjectClient::VerifyMAC(const std::string& message) {
    bool r = false;
    last = driver_.Call(pin::VerifyMAC, &r, message);
    return r;
}

}  // namespace orv::so::test
