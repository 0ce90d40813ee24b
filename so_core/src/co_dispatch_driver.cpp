#include "so_core/co_dispatch_driver.h"

#include <algorithm>
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

// Counts one call in flight from construction (lock held by the caller) to destruction.
class CoDispatchDriver::InFlight {
public:
    explicit InFlight(const CoDispatchDriver& driver) : driver_(driver) {
        driver_.inFlight_.push_back(std::this_thread::get_id());
    }
    ~InFlight() {
        {
            std::lock_guard lock(driver_.mutex_);
            auto& list = driver_.inFlight_;
            list.erase(std::find(list.begin(), list.end(), std::this_thread::get_id()));
        }
        driver_.idle_.notify_all();
    }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;

private:
    const CoDispatchDriver& driver_;
};

bool CoDispatchDriver::AttachAndLookUp(IDispatch* control) {
    ReleaseDispatch();
    if (!control) return false;
    Link link;
    link.control = control;
    link.ids.fill(DISPID_UNKNOWN);
    for (const char* name : names_) {
        Callback kind{};
        if (!CallbackFromName(name, &kind)) return false;
        std::u16string wide = Utf16FromAnsi(name);
        LPOLESTR names[] = {wide.data()};
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id)))
            return false;
        link.ids[static_cast<size_t>(kind)] = id;
    }
    std::lock_guard lock(mutex_);
    link_ = link;
    return true;
}

void CoDispatchDriver::ReleaseDispatch() {
    std::unique_lock lock(mutex_);
    link_ = Link{};
    const std::thread::id self = std::this_thread::get_id();
    idle_.wait(lock, [&] {
        return std::all_of(inFlight_.begin(), inFlight_.end(),
                           [&](const std::thread::id& id) { return id == self; });
    });
}

bool CoDispatchDriver::IsAttached() const {
    std::lock_guard lock(mutex_);
    return link_.control != nullptr;
}

bool CoDispatchDriver::Has(Callback c) const {
    for (const char* name : names_) {
        Callback kind{};
        if (CallbackFromName(name, &kind) && kind == c) return true;
    }
    return false;
}

template <class... A>
HRESULT CoDispatchDriver::Send(Callback c, A&&... args) const {
    IDispatch* control = nullptr;
    DISPID id = DISPID_UNKNOWN;
    std::unique_lock lock(mutex_);
    control = link_.control;
    id = link_.ids[static_cast<size_t>(c)];
    if (!control || id == DISPID_UNKNOWN) return S_FALSE;
    InFlight scope(*this);  // may throw std::bad_alloc: then nothing is sent
    lock.unlock();
    return DispatchDriver(control, false).Call(id, nullptr, std::forward<A>(args)...);
}

HRESULT CoDispatchDriver::SOData(int32_t status) const { return Send(Callback::Data, status); }

HRESULT CoDispatchDriver::SOError(int32_t resultCode, int32_t resultCodeExtended,
                                  int32_t errorLocus, int32_t* errorResponse) const {
    return Send(Callback::Error, resultCode, resultCodeExtended, errorLocus, errorResponse);
}

HRESULT CoDispatchDriver::SOStatusUpdate(int32_t data) const {
    return Send(Callback::StatusUpdate, data);
}

HRESULT CoDispatchDriver::SODirectIO(int32_t eventNumber, int32_t* data, BSTR* text) const {
    return Send(Callback::DirectIO, eventNumber, data, text);
}

HRESULT CoDispatchDriver::SOOutputComplete(int32_t outputId) const {
    return Send(Callback::OutputComplete, outputId);
}

}  // namespace orv::so
