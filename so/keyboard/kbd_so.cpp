// The POS keyboard class's dispatch map and the library's exports.
#include "kbd_so.h"

#include "so_core/event_relay.h"
#include "so_core/so_exports.h"

namespace orv::so::keyboard {

// The dispatch map: DISPIDs are these positions. The statistics and firmware entries come in
// an order of their own (UpdateStatistics first), which every POS keyboard control relies on.
std::span<const DispatchEntry> CKbdSO::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        Entry(Common::GetPropertyNumber),
        Entry(Common::SetPropertyNumber),
        Entry(Common::SetPropertyStringIgnored),
        Entry(Common::OpenService),
        Entry(Common::Close),
        Entry(Common::Claim),
        Entry(Common::Release),
        Entry(Common::CheckHealth),
        Entry(Common::DirectIO),
        Entry(Common::COFreezeEvents),
        Entry(Common::ClearInput),
        Entry(Common::GetPropertyString),
        Entry(Common::ClaimDevice),
        Entry(Common::ReleaseDevice),
        Entry(Common::UpdateStatistics),
        Entry(Common::ResetStatistics),
        Entry(Common::RetrieveStatistics),
        Entry(Common::UpdateFirmware),
        Entry(Common::CompareFirmwareVersion),
    };
    return kMembers;
}

}  // namespace orv::so::keyboard

ORV_SERVICE_OBJECT_EXPORTS(orv::so::keyboard::CKbdSO, orv::so::keyboard::kIdentity)
ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_keyboard_KbdOPOSEventCallbacks)
