// ServiceObject<D>: binds a device class D to the core as an automation object. D derives from
// ServiceObject<D> alone, passes its SoIdentity, adds its device methods and lists its dispatch
// map in its own order, taking the common entries from Entry():
//
//   class CPinSO final : public orv::so::ServiceObject<CPinSO> {
//   public:
//       static std::span<const orv::DispatchEntry> DispatchMembers();
//       ...
//   };
//   ... kMembers[] = { orv::DispMethod<&CPinSO::BeginEFTTransaction, ...>("BeginEFTTransaction"),
//                      Entry(Common::CheckHealth), ... };
#pragma once

#include <new>

#include "platform/com_server.h"
#include "platform/dispatch_map.h"
#include "so_core/so_core.h"

namespace orv::so {

enum class Common {
    OpenService, Close, Claim, ClaimDevice, Release, ReleaseDevice, CheckHealth, ClearInput,
    DirectIO, COFreezeEvents, GetPropertyNumber, GetPropertyString, SetPropertyNumber,
    SetPropertyString,
    SetPropertyStringIgnored,      // (long, BSTR), does nothing
    SetPropertyStringIgnoredLong,  // declared (long, long), does nothing
    CompareFirmwareVersion, ResetStatistics, RetrieveStatistics,
    UpdateFirmware, UpdateStatistics,
};

template <class D>
class ServiceObject : public DispatchObject<D> {
public:
    // The class factory's creation: the object is built (trace, JVM, Java control) and refused
    // with a failed HRESULT when its previous trace could not be deleted.
    static HRESULT CreateInstance(REFIID riid, void** object) {
        D* created = new (std::nothrow) D();
        if (!created) return E_OUTOFMEMORY;
        // The dispatch entries of both D and this base reach the object through one address.
        if (static_cast<void*>(static_cast<ServiceObject*>(created)) != static_cast<void*>(created)) {
            created->Release();
            return E_UNEXPECTED;
        }
        if (const DWORD error = created->core_.CreationError()) {
            created->Release();
            return HRESULT_FROM_WIN32(error);
        }
        const HRESULT hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    }

protected:
    explicit ServiceObject(const SoIdentity& identity) : core_(identity) { ModuleLock(); }
    ~ServiceObject() override { ModuleUnlock(); }

    SoCore& Core() { return core_; }

    static constexpr DispatchEntry Entry(Common c) {
        using S = ServiceObject;
        switch (c) {
        case Common::OpenService:
            return DispMethod<&S::OpenService, VT_I4, VT_BSTR, VT_BSTR, VT_DISPATCH>("OpenService");
        case Common::Close: return DispMethod<&S::Close, VT_I4>("Close");
        case Common::Claim: return DispMethod<&S::Claim, VT_I4, VT_I4>("Claim");
        case Common::ClaimDevice: return DispMethod<&S::ClaimDevice, VT_I4, VT_I4>("ClaimDevice");
        case Common::Release: return DispMethod<&S::ReleaseMethod, VT_I4>("Release");
        case Common::ReleaseDevice: return DispMethod<&S::ReleaseDeviceMethod, VT_I4>("ReleaseDevice");
        case Common::CheckHealth: return DispMethod<&S::CheckHealth, VT_I4, VT_I4>("CheckHealth");
        case Common::ClearInput: return DispMethod<&S::ClearInput, VT_I4>("ClearInput");
        case Common::DirectIO:
            return DispMethod<&S::DirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>(
                "DirectIO");
        case Common::COFreezeEvents:
            return DispMethod<&S::COFreezeEvents, VT_I4, VT_BOOL>("COFreezeEvents");
        case Common::GetPropertyNumber:
            return DispMethod<&S::GetPropertyNumber, VT_I4, VT_I4>("GetPropertyNumber");
        case Common::GetPropertyString:
            return DispMethod<&S::GetPropertyString, VT_BSTR, VT_I4>("GetPropertyString");
        case Common::SetPropertyNumber:
            return DispMethod<&S::SetPropertyNumber, VT_EMPTY, VT_I4, VT_I4>("SetPropertyNumber");
        case Common::SetPropertyString:
            return DispMethod<&S::SetPropertyString, VT_EMPTY, VT_I4, VT_BSTR>("SetPropertyString");
        case Common::SetPropertyStringIgnored:
            return DispMethod<&S::IgnoreSetPropertyString, VT_EMPTY, VT_I4, VT_BSTR>(
                "SetPropertyString");
        case Common::SetPropertyStringIgnoredLong:
            return DispMethod<&S::IgnoreSetPropertyStringLong, VT_EMPTY, VT_I4, VT_I4>(
                "SetPropertyString");
        case Common::CompareFirmwareVersion:
            return DispMethod<&S::CompareFirmwareVersion, VT_I4, VT_BSTR, VT_I4>(
                "CompareFirmwareVersion");
        case Common::ResetStatistics:
            return DispMethod<&S::ResetStatistics, VT_I4, VT_BSTR>("ResetStatistics");
        case Common::RetrieveStatistics:
            return DispMethod<&S::RetrieveStatistics, VT_I4, VT_BSTR | VT_BYREF>("RetrieveStatistics");
        case Common::UpdateFirmware:
            return DispMethod<&S::UpdateFirmware, VT_I4, VT_BSTR>("UpdateFirmware");
        case Common::UpdateStatistics:
            return DispMethod<&S::UpdateStatistics, VT_I4, VT_BSTR>("UpdateStatistics");
        }
        return DispatchEntry{nullptr, nullptr, nullptr, false};
    }

private:
    int32_t OpenService(const char* deviceClass, const char* deviceName, IDispatch* control) {
        return core_.OpenService(deviceClass, deviceName, control);
    }
    int32_t Close() { return core_.Close(); }
    int32_t Claim(int32_t timeout) { return core_.Claim(timeout); }
    int32_t ClaimDevice(int32_t timeout) { return core_.ClaimDevice(timeout); }
    // Not "Release": that name belongs to IUnknown.
    int32_t ReleaseMethod() { return core_.Release(); }
    int32_t ReleaseDeviceMethod() { return core_.ReleaseDevice(); }
    int32_t CheckHealth(int32_t level) { return core_.CheckHealth(level); }
    int32_t ClearInput() { return core_.ClearInput(); }
    int32_t DirectIO(int32_t command, int32_t* data, BSTR* text) {
        return core_.DirectIO(command, data, text);
    }
    int32_t COFreezeEvents(int32_t freeze) { return core_.COFreezeEvents(freeze); }
    int32_t GetPropertyNumber(int32_t index) { return core_.GetPropertyNumber(index); }
    BSTR GetPropertyString(int32_t index) { return core_.GetPropertyString(index); }
    void SetPropertyNumber(int32_t index, int32_t number) { core_.SetPropertyNumber(index, number); }
    void SetPropertyString(int32_t index, const char* text) { core_.SetPropertyString(index, text); }
    void IgnoreSetPropertyString(int32_t index, const char* text) {
        core_.IgnoreSetPropertyString(index, text);
    }
    void IgnoreSetPropertyStringLong(int32_t index, int32_t value) {
        core_.IgnoreSetPropertyString(index, value);
    }
    int32_t CompareFirmwareVersion(const char* file, int32_t result) {
        return core_.CompareFirmwareVersion(file, result);
    }
    int32_t ResetStatistics(const char* buffer) { return core_.ResetStatistics(buffer); }
    int32_t RetrieveStatistics(BSTR* buffer) { return core_.RetrieveStatistics(buffer); }
    int32_t UpdateFirmware(const char* file) { return core_.UpdateFirmware(file); }
    int32_t UpdateStatistics(const char* buffer) { return core_.UpdateStatistics(buffer); }

    SoCore core_;
};

}  // namespace orv::so
