// CKbdSO: the POS keyboard service object (ProgID "ORVKbd.so"), forwarding to jpos/POSKeyboard.
// It has no device methods: key presses arrive as data events, the key is read as POSKeyData.
#pragma once

#include <span>

#include "so_core/service_object.h"

namespace orv::so::keyboard {

// Identity, callback list and property tables of the POS keyboard class.
extern const SoIdentity kIdentity;

class CKbdSO final : public ServiceObject<CKbdSO> {
public:
    CKbdSO() : ServiceObject(kIdentity) {}
    static std::span<const DispatchEntry> DispatchMembers();
};

}  // namespace orv::so::keyboard
