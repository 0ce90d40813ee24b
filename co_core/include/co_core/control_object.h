// ControlObject<T>: binds one control class to the core. T derives from ControlObject<T> alone
// and gives two statics: its descriptor and its dispatch map.
//
//   class CPinpadControlCtrl final : public orv::co::ControlObject<CPinpadControlCtrl> {
//   public:
//       static const orv::co::ControlDescriptor& Descriptor();
//       static std::span<const orv::DispatchEntry> DispatchMembers();
//   };
#pragma once

#include <new>
#include <span>

#include "co_core/control_core.h"
#include "platform/com_server.h"

namespace orv::co {

template <class T>
class ControlObject : public ControlCore {
public:
    static const DispatchTable& Table() {
        static const DispatchTable table{T::DispatchMembers()};
        return table;
    }

    // For the class factory: creates one control and hands out the interface asked for.
    static HRESULT CreateInstance(REFIID riid, void** object) {
        T* created = new (std::nothrow) T();
        if (!created) return E_OUTOFMEMORY;
        // Every dispatch row calls a ControlCore member through the object's one address.
        if (static_cast<void*>(static_cast<ControlCore*>(created)) != static_cast<void*>(created)) {
            created->Release();
            return E_UNEXPECTED;
        }
        const HRESULT hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    }

protected:
    ControlObject() : ControlCore(Table(), T::Descriptor()) {}
    void* DispatchSelf() override { return static_cast<ControlCore*>(this); }
};

}  // namespace orv::co
