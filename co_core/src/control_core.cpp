// The control's life cycle (Open, Close, Claim, Release), property forwarding, freezing and the
// firing of events to the application.
#include "co_core/control_core.h"

#include <cstdlib>

#include "control_interfaces.h"
#include "platform/com_server.h"
#include "service_lookup.h"

namespace orv::co {

const char* LoadControlString(const ControlDescriptor& d, UINT id) {
    for (const StringResource& s : d.strings)
        if (s.id == id) return s.text;
    return "";
}

ControlCore::ControlCore(const DispatchTable& table, const ControlDescriptor& descriptor)
    : DispatchObjectBase(table, &descriptor.dispatchIid),
      desc_(descriptor),
      controlObjectVersion_(static_cast<int32_t>(
          std::strtol(LoadControlString(descriptor, IDS_CONTROLOBJECTVERSION), nullptr, 10))),
      controlObjectDescription_(LoadControlString(descriptor, IDS_CONTROLOBJECTDESCRIPTION)),
      fire_(descriptor.events, descriptor.errorEventOneWay, descriptor.errorEventDebugLine),
      connection_(static_cast<IDispatch*>(this), descriptor.eventIid),
      oleControl_(std::make_unique<OleControl>(*this)),
      classInfo_(std::make_unique<ClassInfo>(*this)) {
    ModuleLock();
}

ControlCore::~ControlCore() {
    if (opened_) {
        try {
            Close();
        } catch (...) {
        }
    }
    connection_.DisconnectAll();
    ModuleUnlock();
}

void ControlCore::OnFinalRelease() {
    // Closing may fire events on this thread; they must not take the object back to life.
    finalRelease_ = true;
    if (opened_) {
        try {
            Close();
        } catch (...) {
        }
    }
    delete this;
}

void* ControlCore::QueryExtraInterface(REFIID riid) {
    if (riid == IID_IConnectionPointContainer) return connection_.Container();
    if (riid == IID_IOleControl) return static_cast<IOleControl*>(oleControl_.get());
    if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
        return static_cast<IProvideClassInfo2*>(classInfo_.get());
    return nullptr;
}

int32_t ControlCore::FailOpen(int32_t openResult, int32_t result) {
    openResult_ = openResult;
    return result;
}

int32_t ControlCore::Open(const char* deviceName) {
    const std::string name = deviceName ? deviceName : "";
    const std::string keyName = std::string(desc_.registryKey) + name;
    if (opened_) return FailOpen(OPOS_OR_ALREADYOPEN, OPOS_E_ILLEGAL);
    if (name.empty()) return FailOpen(OPOS_OR_FAILEDOPEN, OPOS_E_ILLEGAL);

    const ServiceLookup found = LookUpServiceProgId(keyName);
    if (found.result != 0) return FailOpen(found.openResult, found.result);

    // Built in locals and committed only when every step has succeeded; the driver releases
    // the service object on each failure below.
    DispatchDriver so;
    if (FAILED(so.CreateDispatch(found.progId.c_str())))
        return FailOpen(OPOS_OR_FAILEDOPEN_CREATE, OPOS_E_NOSERVICE);
    std::vector<DISPID> dispids(desc_.soMethodNames.size(), DISPID_UNKNOWN);
    for (size_t i = 0; i < dispids.size(); ++i) {
        if (FAILED(so.GetDispId(desc_.soMethodNames[i], &dispids[i])))
            return FailOpen(OPOS_OR_BADIF, OPOS_OR_BADIF);
    }
    // The service object keeps our IDispatch without a reference of its own: it never
    // outlives this control's ownership of it.
    int32_t opened = OPOS_E_FAILURE;
    if (FAILED(so.Call(desc_.so.openService, &opened, desc_.deviceClass, name,
                       static_cast<IDispatch*>(this))) ||
        opened != OPOS_SUCCESS)
        return FailOpen(OPOS_OR_FAILEDOPEN, OPOS_E_NOSERVICE);

    so_.AttachDispatch(so.DetachDispatch(), true);
    soDispids_ = std::move(dispids);
    opened_ = true;

    const int32_t version = GetPropertyNumber(PIDX_ServiceObjectVersion);
    if (version / 1000000 != 1) {
        Close();
        openResult_ = OPOS_OR_BADVERSION;
        return OPOS_OR_BADVERSION;
    }
    if (!fire_.Create(this)) {
        Close();
        return FailOpen(OPOS_OR_FAILEDOPEN, OPOS_E_NOSERVICE);
    }
    if (desc_.containerFreeze && freezeNestCount_ != 0) {
        int32_t ignored = 0;
        so_.Call(desc_.so.coFreezeEvents, &ignored, DispArg::Bool(true));
    }
    return OPOS_SUCCESS;
}

int32_t ControlCore::Close() {
    if (!opened_) return OPOS_E_CLOSED;
    fire_.DisarmEvents();  // inside a handler this throws and nothing else happens
    int32_t result = OPOS_E_FAILURE;
    if (FAILED(so_.Call(desc_.so.close, &result))) result = OPOS_E_FAILURE;
    so_.ReleaseDispatch();
    soDispids_.clear();
    fire_.Destroy();
    opened_ = false;
    ownResultCode_ = false;
    return result;
}

int32_t ControlCore::ClaimWith(DISPID soClaim, int32_t timeout) {
    if (!opened_) return OPOS_E_CLOSED;
    ownResultCode_ = false;
    fire_.ArmEvents();  // even when the claim fails
    int32_t result = OPOS_E_FAILURE;
    if (FAILED(so_.Call(soClaim, &result, timeout))) return OPOS_E_FAILURE;
    return result;
}

int32_t ControlCore::ReleaseWith(DISPID soRelease) {
    if (!opened_) return OPOS_E_CLOSED;
    fire_.DisarmEvents();
    ownResultCode_ = false;
    int32_t result = OPOS_E_FAILURE;
    if (FAILED(so_.Call(soRelease, &result))) return OPOS_E_FAILURE;
    return result;
}

int32_t ControlCore::Claim(int32_t timeout) {
    return ClaimWith(desc_.so.claim, timeout);
}
int32_t ControlCore::ClaimDevice(int32_t timeout) {
    return ClaimWith(desc_.so.claimDevice, timeout);
}
int32_t ControlCore::ReleaseMethod() {
    return ReleaseWith(desc_.so.release);
}
int32_t ControlCore::ReleaseDeviceMethod() {
    return ReleaseWith(desc_.so.releaseDevice);
}

bool ControlCore::Unserved(int32_t index) const {
    for (int32_t unserved : desc_.unservedNumbers)
        if (unserved == index) return true;
    return false;
}

int32_t ControlCore::GetPropertyNumber(int32_t index) {
    if (!opened_) return 0;
    if (ownResultCode_ && index == PIDX_ResultCode) return OPOS_E_ILLEGAL;
    if (ownResultCode_ && index == PIDX_ResultCodeExtended) return 0;
    ownResultCode_ = Unserved(index);
    if (ownResultCode_) return 0;
    int32_t value = 0;
    if (FAILED(so_.Call(desc_.so.getPropertyNumber, &value, index))) return 0;
    return value;
}

void ControlCore::SetPropertyNumber(int32_t index, int32_t value) {
    if (!opened_) return;
    ownResultCode_ = Unserved(index);
    if (ownResultCode_) return;
    so_.Call(desc_.so.setPropertyNumber, nullptr, index, value);
    modified_ = true;
}

BSTR ControlCore::GetPropertyString(int32_t index) {
    if (!opened_) return BstrFromAnsi(kClosedString);
    ownResultCode_ = false;
    BSTR value = nullptr;
    if (FAILED(so_.Call(desc_.so.getPropertyString, &value, index)))
        return BstrFromAnsi(kClosedString);
    return value;
}

void ControlCore::SetPropertyString(int32_t index, BSTR value) {
    if (!opened_) return;
    ownResultCode_ = false;
    so_.Call(desc_.so.setPropertyString, nullptr, index, value);
    modified_ = true;
}

// Freeze: the service object is told first, then the control holds events. Thaw: the control
// lets a held event go first (its sender offers it again at once), then the service object is
// told, so events the service object sends after the thaw do not overtake the held one.
void ControlCore::SetFreezeEvents(int32_t freeze) {
    if (!opened_) return;
    if (!desc_.freezeHoldsEvents) {
        SetPropertyNumber(PIDX_FreezeEvents, freeze);
        return;
    }
    if (freeze != 0) {
        SetPropertyNumber(PIDX_FreezeEvents, freeze);
        fire_.SetFreeze(true);
    } else {
        fire_.SetFreeze(false);
        SetPropertyNumber(PIDX_FreezeEvents, 0);
    }
    modified_ = true;
}

// Container freezes nest: only the first freeze and the last thaw reach the service object.
// A thaw without a freeze is ignored rather than driving the count below zero.
void ControlCore::OnFreezeEvents(bool freeze) {
    if (!desc_.containerFreeze) return;
    int32_t ignored = 0;
    if (freeze) {
        if (freezeNestCount_ == 0 && opened_)
            so_.Call(desc_.so.coFreezeEvents, &ignored, DispArg::Bool(true));
        ++freezeNestCount_;
        return;
    }
    if (freezeNestCount_ == 0) return;
    if (--freezeNestCount_ == 0 && opened_)
        so_.Call(desc_.so.coFreezeEvents, &ignored, DispArg::Bool(false));
}

BSTR ControlCore::GetControlObjectDescription() {
    return BstrFromAnsi(controlObjectDescription_);
}

void ControlCore::PinOwner() noexcept {
    if (!finalRelease_) AddRef();
}

void ControlCore::UnpinOwner() noexcept {
    if (!finalRelease_) Release();
}

void ControlCore::FireOwnerEvent(const EventFields& e) noexcept {
    const EventRoute& route = desc_.events[static_cast<size_t>(e.kind)];
    if (route.dispid == 0) return;
    try {
        switch (e.kind) {
            case EventKind::Data:
                connection_.FireEvent(route.dispid, e.value);
                break;
            case EventKind::DirectIO:
                connection_.FireEvent(route.dispid, e.value, e.pData, e.pString);
                break;
            case EventKind::Error:
                connection_.FireEvent(route.dispid, e.value, e.extended, e.locus, e.pErrorResponse);
                break;
            case EventKind::StatusUpdate:
            case EventKind::OutputComplete:
                connection_.FireEvent(route.dispid, e.value);
                break;
        }
    } catch (...) {
        // A sink that cannot be called loses the event; the sender is released all the same.
    }
}

}  // namespace orv::co
