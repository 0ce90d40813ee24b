// A second control built on the core with the other traits ("OrvTest.FreezeControl"): container
// freezes reach the service object, the FreezeEvents property is only forwarded, there is no
// name check at Open, and only DirectIO and StatusUpdate events exist (DISPIDs 1 and 2). It
// talks to the fake PIN pad service object, so it uses the PIN pad DISPIDs.
#include "co_core/control_exports.h"
#include "co_core/control_rows.h"

namespace orv::co::test {
namespace {

constexpr StringResource kStrings[] = {
    {IDS_CONTROL_TYPENAME, "Freeze test control"},
    {IDS_CONTROLOBJECTVERSION, "100900"},
    {IDS_CONTROLOBJECTDESCRIPTION, "Freeze test control"},
};

constexpr ControlDescriptor kDescriptor{
    .progId = "OrvTest.FreezeControl",
    .clsid = GUID_INIT(0x7C0E4A10, 0x2B6D, 0x4E8F, 0x9A, 0x31, 0x5D, 0x2C, 0x8B, 0x7E, 0x6F, 0x11),
    .dispatchIid =
        GUID_INIT(0x7C0E4A10, 0x2B6D, 0x4E8F, 0x9A, 0x31, 0x5D, 0x2C, 0x8B, 0x7E, 0x6F, 0x12),
    .dispatchName = "_DFreezeControl",
    .eventIid =
        GUID_INIT(0x7C0E4A10, 0x2B6D, 0x4E8F, 0x9A, 0x31, 0x5D, 0x2C, 0x8B, 0x7E, 0x6F, 0x13),
    .eventName = "_DFreezeControlEvents",
    .typeLib =
        GUID_INIT(0x7C0E4A10, 0x2B6D, 0x4E8F, 0x9A, 0x31, 0x5D, 0x2C, 0x8B, 0x7E, 0x6F, 0x14),
    .typeLibVersion = "1.0",
    .oleMisc = kControlOleMisc,
    .strings = kStrings,
    .deviceClass = "TestFreeze",
    .registryKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\TestFreeze\\",
    .soMethodNames = {},
    .soMembers = {},
    .so = {.openService = 19,
           .close = 10,
           .claim = 8,
           .claimDevice = 21,
           .release = 12,
           .releaseDevice = 22,
           .getPropertyNumber = 13,
           .setPropertyNumber = 15,
           .getPropertyString = 14,
           .setPropertyString = 16,
           .coFreezeEvents = 20},
    .events = {{{0, 0}, {1124, 1}, {0, 0}, {1125, 2}}},
    .containerFreeze = true,
    .freezeHoldsEvents = false,
};

class CFreezeTestCtrl final : public ControlObject<CFreezeTestCtrl> {
public:
    static const ControlDescriptor& Descriptor() { return kDescriptor; }
    static std::span<const DispatchEntry> DispatchMembers() {
        static constexpr DispatchEntry kMembers[] = {
            Row(Member::FreezeEvents),
            BoolProperty<PIDX_DeviceEnabled, PIDX_DeviceEnabled>("DeviceEnabled"),
            Row(Member::OpenResult),
            Row(Member::ControlObjectVersion),
            Row(Member::Open),
            Row(Member::Close),
            Row(Member::Claim),
            Row(Member::Release),
            Row(Member::ClaimDevice),
            Row(Member::ReleaseDevice),
            Row(Member::SODirectIO),
            Row(Member::SOStatusUpdate),
        };
        return kMembers;
    }
};

}  // namespace
}  // namespace orv::co::test

ORV_CONTROL_EXPORTS(orv::co::test::CFreezeTestCtrl)
