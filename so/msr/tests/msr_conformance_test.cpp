// The MSR service object through the conformance harness: its tables and the state in which
// every property row can be read and written. It has no methods of its own, ignores every
// SetPropertyString and records the statistics and firmware methods.
#include "msr_so.h"
#include "so_conformance.h"

namespace orv::so::conformance {
namespace {

const SoClass kMsr{
    .identity = msr::kIdentity,
    .serverLibrary = "libMsrBridge.so",
    .deviceClass = "MSR",
    .device = "M1",
    .dispatchOrder = {"CheckHealth",
                      "Claim",
                      "ClearInput",
                      "Close",
                      "COFreezeEvents",
                      "DirectIO",
                      "Release",
                      "OpenService",
                      "GetPropertyNumber",
                      "SetPropertyNumber",
                      "GetPropertyString",
                      "SetPropertyString",
                      "ClaimDevice",
                      "ReleaseDevice",
                      "CompareFirmwareVersion",
                      "ResetStatistics",
                      "RetrieveStatistics",
                      "UpdateFirmware",
                      "UpdateStatistics"},
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
};

}  // namespace

ORV_SO_CONFORMANCE(Msr, kMsr);

}  // namespace orv::so::conformance
