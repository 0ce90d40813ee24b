// ControlCore: everything the OPOS controls share. A control is a ControlObject<T> (see
// control_object.h) whose dispatch map lists the members below in the control's own order,
// through the row helpers of control_rows.h.
//
// The service object is reached only through fixed DISPIDs; names are looked up once, at Open,
// to prove that the object is the right kind. While the control is closed, methods answer 101,
// numeric properties 0, string properties "[Error]" and writes are ignored, without any call to
// a service object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "co_core/control_descriptor.h"
#include "co_core/fire_event.h"
#include "platform/opos.h"
#include "platform/com_ptr.h"
#include "platform/connection_point.h"
#include "platform/dispatch_driver.h"
#include "platform/dispatch_map.h"

namespace orv::co {

// What a closed control answers for a string property.
inline constexpr const char* kClosedString = "[Error]";

class ControlCore : public DispatchObjectBase, private EventOwner {
public:
    const ControlDescriptor& Descriptor() const { return desc_; }
    bool IsOpen() const { return opened_; }
    // Set by property writes (the persistence flag of an ActiveX control).
    bool IsModified() const { return modified_; }
    const CFireEvent& Events() const { return fire_; }

    // ---- dispatch members shared by every control (see control_rows.h for their rows)

    int32_t Open(const char* deviceName);
    int32_t Close();
    int32_t Claim(int32_t timeout);
    int32_t ClaimDevice(int32_t timeout);
    int32_t ReleaseMethod();
    int32_t ReleaseDeviceMethod();

    // A service-object method with the same arguments (by-reference ones passed through);
    // ClosedResult while closed, 111 when the call itself cannot be made.
    template <DISPID SoId, int32_t ClosedResult, class... A>
    int32_t Forward(A... args) {
        if (!opened_) return ClosedResult;
        ownResultCode_ = false;
        int32_t result = OPOS_E_FAILURE;
        if (FAILED(so_.Call(SoId, &result, args...))) return OPOS_E_FAILURE;
        return result;
    }

    // The same for a service-object method without a result; nothing happens while closed.
    template <DISPID SoId, class... A>
    void ForwardVoid(A... args) {
        if (!opened_) return;
        so_.Call(SoId, nullptr, args...);
    }

    // A member that answers a fixed value without the service object, open or closed.
    template <int32_t Value>
    int32_t Fixed() {
        return Value;
    }

    // Properties forwarded by OPOS property index.
    template <int32_t Index>
    int32_t GetNumber() {
        return GetPropertyNumber(Index);
    }
    template <int32_t Index>
    void SetNumber(int32_t value) {
        SetPropertyNumber(Index, value);
    }
    template <int32_t Index>
    BSTR GetString() {
        return GetPropertyString(Index);
    }
    template <int32_t Index>
    void SetString(BSTR value) {
        SetPropertyString(Index, value);
    }
    // A CURRENCY property with get and set methods of its own on the service object.
    template <DISPID SoGet>
    CY GetCurrency() {
        CY value{};
        if (!opened_) return value;
        ownResultCode_ = false;
        if (FAILED(so_.Call(SoGet, &value))) value.int64 = 0;
        return value;
    }
    template <DISPID SoSet>
    void SetCurrency(CY value) {
        if (!opened_) return;
        ownResultCode_ = false;
        so_.Call(SoSet, nullptr, value);
        modified_ = true;
    }
    // A write that is accepted and changes nothing.
    void IgnoreNumber(int32_t) {}
    // Filler properties hold DISPID positions: they read 0 and store nothing.
    int16_t GetFiller() { return 0; }
    void SetFiller(int16_t) { modified_ = true; }

    void SetFreezeEvents(int32_t freeze);
    BSTR GetControlObjectDescription();
    int32_t GetControlObjectVersion() { return controlObjectVersion_; }
    int32_t GetOpenResult() { return openResult_; }

    // Called by the service object, on any thread.
    void SOData(int32_t status) { fire_.Data(status); }
    void SODirectIO(int32_t eventNumber, int32_t* pData, BSTR* pString) {
        fire_.DirectIO(eventNumber, pData, pString);
    }
    void SOError(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus,
                 int32_t* pErrorResponse) {
        fire_.Error(resultCode, resultCodeExtended, errorLocus, pErrorResponse);
    }
    void SOStatusUpdate(int32_t data) { fire_.StatusUpdate(data); }
    void SOOutputComplete(int32_t outputId) { fire_.OutputComplete(outputId); }

    // A method of the OPOS control interface that this class does not support: 101 while
    // closed, else 106, also as ResultCode (the service object is not called).
    int32_t Unsupported() {
        if (!opened_) return OPOS_E_CLOSED;
        ownResultCode_ = true;
        return OPOS_E_ILLEGAL;
    }

    // The container's IOleControl::FreezeEvents.
    void OnFreezeEvents(bool freeze);

protected:
    ControlCore(const DispatchTable& table, const ControlDescriptor& descriptor);
    ~ControlCore() override;
    void* QueryExtraInterface(REFIID riid) override;
    void OnFinalRelease() override;

private:
    class OleControl;
    class ClassInfo;

    int32_t GetPropertyNumber(int32_t index);
    void SetPropertyNumber(int32_t index, int32_t value);
    BSTR GetPropertyString(int32_t index);
    void SetPropertyString(int32_t index, BSTR value);
    int32_t ClaimWith(DISPID soClaim, int32_t timeout);
    int32_t ReleaseWith(DISPID soRelease);
    int32_t FailOpen(int32_t openResult, int32_t result);
    bool Unserved(int32_t index) const;
    void FireOwnerEvent(const EventFields& e) noexcept override;
    void PinOwner() noexcept override;
    void UnpinOwner() noexcept override;

    const ControlDescriptor& desc_;
    bool opened_ = false;
    int32_t controlObjectVersion_ = 0;
    std::string controlObjectDescription_;
    DispatchDriver so_;              // the only reference to the service object
    std::vector<DISPID> soDispids_;  // looked up at Open; calls use the fixed DISPIDs
    int32_t freezeNestCount_ = 0;
    int32_t openResult_ = 0;
    bool modified_ = false;
    bool ownResultCode_ = false;  // ResultCode is the control's 106 for an unserved index
    bool finalRelease_ = false;
    CFireEvent fire_;
    ConnectionPointHelper connection_;
    std::unique_ptr<OleControl> oleControl_;
    std::unique_ptr<ClassInfo> classInfo_;
};

}  // namespace orv::co
