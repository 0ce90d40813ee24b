// CoDispatchDriver: the service object's driver on its control object's IDispatch. The pointer
// is borrowed (OpenService hands it over without a reference) and one DISPID is kept per name of
// the device class's callback list. Events call it from Java threads while the COM thread may
// attach or release it. Since nothing keeps the control alive, a release waits until no call is
// in flight, and no call starts once it has begun: after ReleaseDispatch returns the control may
// be destroyed.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/com.h"

namespace orv::so {

enum class Callback : uint8_t { Data, DirectIO, Error, StatusUpdate, OutputComplete };
inline constexpr size_t kCallbackKinds = 5;

// "SOData" -> Callback::Data and so on; false for a name that is none of the five.
bool CallbackFromName(const char* name, Callback* out);

class CoDispatchDriver {
public:
    // names: the device class's callback list, in lookup order.
    explicit CoDispatchDriver(std::span<const char* const> names) : names_(names) {}

    // Attaches the control (no AddRef) and looks up every callback name in list order with
    // GetIDsOfNames(IID_NULL, one name, LOCALE_SYSTEM_DEFAULT). On the first failure the driver
    // is released and false returned. A null control fails at once.
    bool AttachAndLookUp(IDispatch* control);
    // Detaches the control and returns once no SO* call of another thread is inside it; calls of
    // the calling thread itself (a release from within a callback) are not waited for. A call
    // in flight may be waiting for the thread that releases: the control object disarms its
    // events before it closes the service object, which lets such a call return.
    void ReleaseDispatch();
    bool IsAttached() const;
    // Whether the callback is in the device class's list (and so can ever be sent).
    bool Has(Callback c) const;

    // The SO* calls (DISPATCH_METHOD, no result). S_FALSE when not attached or the callback is
    // not in the list: nothing is sent then.
    HRESULT SOData(int32_t status) const;
    HRESULT SOError(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus,
                    int32_t* errorResponse) const;
    HRESULT SOStatusUpdate(int32_t data) const;
    HRESULT SODirectIO(int32_t eventNumber, int32_t* data, BSTR* text) const;
    HRESULT SOOutputComplete(int32_t outputId) const;

private:
    struct Link {
        IDispatch* control = nullptr;
        std::array<DISPID, kCallbackKinds> ids{};
    };
    class InFlight;
    // Sends one callback: the control and its DISPID are read and the call counted in flight
    // under the lock, the call itself is made outside it.
    template <class... A>
    HRESULT Send(Callback c, A&&... args) const;

    std::span<const char* const> names_;
    mutable std::mutex mutex_;
    mutable std::condition_variable idle_;
    Link link_;                                     // control null: detached
    mutable std::vector<std::thread::id> inFlight_;  // one entry per call inside the control
};

}  // namespace orv::so
