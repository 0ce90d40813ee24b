// CoDispatchDriver: the service object's driver on its control object's IDispatch. The pointer
// is borrowed (OpenService hands it over without a reference) and one DISPID is kept per name of
// the device class's callback list. Events call it from Java threads while the COM thread may
// attach or release it, so each call works on a snapshot of the attachment.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

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
    std::shared_ptr<const Link> Snapshot() const;
    DISPID IdOf(const Link& link, Callback c) const { return link.ids[static_cast<size_t>(c)]; }

    std::span<const char* const> names_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Link> link_;
};

}  // namespace orv::so
