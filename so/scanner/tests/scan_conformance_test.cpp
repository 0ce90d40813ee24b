// The scanner service object through the conformance harness: its tables, its own DirectIO
// (never recorded) and the state in which every property row can be read and written.
#include "scan_so.h"
#include "so_conformance.h"

namespace orv::so::conformance {
namespace {

const SoClass kScanner{
    .identity = scanner::kIdentity,
    .serverLibrary = "libScanBridge.so",
    .deviceClass = "Scanner",
    .device = "SCAN1",
    .dispatchOrder = {"GetPropertyNumber", "SetPropertyNumber", "SetPropertyString",
                      "GetPropertyString", "OpenService", "Close", "Claim", "Release",
                      "CheckHealth", "DirectIO", "COFreezeEvents", "ClearInput", "ClaimDevice",
                      "ReleaseDevice", "CompareFirmwareVersion", "ResetStatistics",
                      "RetrieveStatistics", "UpdateFirmware", "UpdateStatistics"},
    .deviceMethods =
        {
            // Command 15 goes to Java as it is, with its text; the result is not recorded.
            {"DirectIO",
             [](SoClient& s) {
                 int32_t data = 0;
                 BSTR text = nullptr;
                 const int32_t r = s.Method("DirectIO", 15, &data, &text);
                 SysFreeString(text);
                 return r;
             },
             "directIO",
             nullptr,
             nullptr,
             false,
             111,
             111,
             {"Failed to get Method ID for DirectIO ", "NoSuchMethodError:directIO"}},
        },
    .stringSet = StringSetEntry::IgnoredLong,
    .prepare =
        [](SoClient& s) {
            const int32_t claimed = s.Method("Claim", 1000);
            s.SetNumber(PIDX_DeviceEnabled, 1);
            return claimed != 0 ? claimed : s.ResultCode();
        },
    .noWriteBack = {PIDX_PowerNotify},  // fixed while enabled, and enabling needs a claim
    .simulatorRefuses = {"CompareFirmwareVersion", "UpdateFirmware", "UpdateStatistics"},
    .openLines = std::vector<std::string>{"Begin open scanner"},
};

}  // namespace

ORV_SO_CONFORMANCE(Scanner, kScanner);

}  // namespace orv::so::conformance
