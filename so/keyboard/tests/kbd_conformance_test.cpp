// The POS keyboard service object through the conformance harness: its tables (no device
// methods) and the state in which every property row can be read and written.
#include "kbd_so.h"
#include "so_conformance.h"

namespace orv::so::conformance {
namespace {

const SoClass kKeyboard{
    .identity = keyboard::kIdentity,
    .serverLibrary = "libKeypadBridge.so",
    .deviceClass = "POSKeyboard",
    .device = "K1",
    .dispatchOrder = {"GetPropertyNumber", "SetPropertyNumber", "SetPropertyString", "OpenService",
                      "Close", "Claim", "Release", "CheckHealth", "DirectIO", "COFreezeEvents",
                      "ClearInput", "GetPropertyString", "ClaimDevice", "ReleaseDevice",
                      "UpdateStatistics", "ResetStatistics", "RetrieveStatistics", "UpdateFirmware",
                      "CompareFirmwareVersion"},
    .deviceMethods = {},
    .stringSet = StringSetEntry::Ignored,
    .prepare =
        [](SoClient& s) {
            const int32_t claimed = s.Method("Claim", 1000);
            s.SetNumber(PIDX_DeviceEnabled, 1);
            return claimed != 0 ? claimed : s.ResultCode();
        },
    .noWriteBack = {PIDX_PowerNotify},  // fixed while enabled, and enabling needs a claim
    .simulatorRefuses = {"CompareFirmwareVersion", "UpdateFirmware", "UpdateStatistics"},
    .openLines = std::vector<std::string>{},  // no "Begin OpenService"
};

}  // namespace

ORV_SO_CONFORMANCE(Keyboard, kKeyboard);

}  // namespace orv::so::conformance
