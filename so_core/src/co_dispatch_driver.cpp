#include "so_core/co_dispatch_driver.h"

#include <cstring>
#include <string>

#include "platform/com_ptr.h"
#include "platform/dispatch_driver.h"

namespace orv::so {
namespace {

constexpr const char* kCallbackNames[kCallbackKinds] = {"SOData", "SODirectIO", "SOError",
                                                        "SOStatusUpdate", "SOOutputComplete"};

}  // namespace

bool CallbackFromName(const char* name, Callback* out) {
    for (size_t i = 0; i < kCallbackKinds; ++i) {
        if (std::strcmp(name, kCallbackNames[i]) == 0) {
            *out = static_cast<Callback>(i);
            return true;
        }
    }
    return false;
}

bool CoDispatchDriver::AttachAndLookUp(IDispatch* control) {
    ReleaseDispatch();
    if (!control) return false;
    auto link = std::make_shared<Link>();
    link->control = control;
    link->ids.fill(DISPID_UNKNOWN);
    for (const char* name : names_) {
        Callback kind{};
        if (!CallbackFromName(name, &kind)) return false;
        std::u16string wide = Utf16FromAnsi(name);
        LPOLESTR names[] = {wide.data()};
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id)))
            return false;
        link->ids[static_cast<size_t>(kind)] = id;
    }
    std::lock_guard lock(mutex_);
    link_ = std::move(link);
    return true;
}

void CoDispatchDriver::ReleaseDispatch() {
    std::lock_guard lock(mutex_);
    link_.reset();
}

bool CoDispatchDriver::IsAttached() const { return Snapshot() != nullptr; }

bool CoDispatchDriver::Has(Callback c) const {
    for (const char* name : names_) {
        Callback kind{};
        if (CallbackFromName(name, &kind) && kind == c) return true;
    }
    return false;
}

std::shared_ptr<const CoDispatchDriver::Link> CoDispatchDriver::Snapshot() const {
    std::lock_guard lock(mutex_);
    return link_;
}

HRESULT CoDispatchDriver::SOData(int32_t status) const {
    auto link = Snapshot();
    if (!link || IdOf(*link, Callback::Data) == DISPID_UNKNOWN) return S_FALSE;
    return DispatchDriver(link->control, false).Call(IdOf(*link, Callback::Data), nullptr, status);
}

HRESULT CoDispatchDriver::SOError(int32_t resultCode, int32_t resultCodeExtended,
                                  int32_t errorLocus, int32_t* errorResponse) const {
    auto link = Snapshot();
    if (!link || IdOf(*link, Callback::Error) == DISPID_UNKNOWN) return S_FALSE;
    return DispatchDriver(link->control, false)
        .Call(IdOf(*link, Callback::Error), nullptr, resultCode, resultCodeExtended, errorLocus,
              errorResponse);
}

HRESULT CoDispatchDriver::SOStatusUpdate(int32_t data) const {
    auto link = Snapshot();
    if (!link || IdOf(*link, Callback::StatusUpdate) == DISPID_UNKNOWN) return S_FALSE;
    return DispatchDriver(link->control, false).Call(IdOf(*link, Callback::StatusUpdate), nullptr, data);
}

HRESULT CoDispatchDriver::SODirectIO(int32_t eventNumber, int32_t* data, BSTR* text) const {
    auto link = Snapshot();
    if (!link || IdOf(*link, Callback::DirectIO) == DISPID_UNKNOWN) return S_FALSE;
    return DispatchDriver(link->control, false)
        .Call(IdOf(*link, Callback::DirectIO), nullptr, eventNumber, data, text);
}

HRESULT CoDispatchDriver::SOOutputComplete(int32_t outputId) const {
    auto link = Snapshot();
    if (!link || IdOf(*link, Callback::OutputComplete) == DISPID_UNKNOWN) return S_FALSE;
    return DispatchDriver(link->control, false)
        .Call(IdOf(*link, Callback::OutputComplete), nullptr, outputId);
}

}  // namespace orv::so
