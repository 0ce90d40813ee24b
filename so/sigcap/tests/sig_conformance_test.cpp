// The signature capture service object through the conformance harness: its tables, the two
// capture methods with their trace texts, and the indexes it serves beside the rows (TotalPoints,
// RawData, PointArray, read from Java at each access).
#include "sig_so.h"
#include "so_conformance.h"

namespace orv::so::conformance {
namespace {

// A missing Java method is a failure here: 111 recorded, after the method's own first line.
DeviceMethod Capture(const char* name, std::function<int32_t(SoClient&)> call, const char* java,
                     const char* successLine) {
    return {name,
            std::move(call),
            java,
            name,
            successLine,
            true,
            111,
            111,
            {name, std::string("Failed to get Method ID for ") + java,
             std::string("NoSuchMethodError:") + java}};
}

const SoClass kSigcap{
    .identity = sigcap::kIdentity,
    .serverLibrary = "libSigcapBridge.so",
    .deviceClass = "SignatureCapture",
    .device = "S1",
    .dispatchOrder = {"GetPropertyNumber",
                      "SetPropertyNumber",
                      "SetPropertyString",
                      "OpenService",
                      "Close",
                      "Claim",
                      "Release",
                      "CheckHealth",
                      "DirectIO",
                      "COFreezeEvents",
                      "ClearInput",
                      "BeginCapture",
                      "EndCapture",
                      "GetPropertyString",
                      "ClaimDevice",
                      "ReleaseDevice",
                      "CompareFirmwareVersion",
                      "ResetStatistics",
                      "RetrieveStatistics",
                      "UpdateFirmware",
                      "UpdateStatistics"},
    // In this order: EndCapture ends the capture BeginCapture started.
    .deviceMethods =
        {
            Capture(
                "BeginCapture", [](SoClient& s) { return s.Method("BeginCapture", "FORM"); },
                "beginCapture", "End of BeginCapture"),
            Capture(
                "EndCapture", [](SoClient& s) { return s.Method("EndCapture"); }, "endCapture",
                "End of EndCapture"),
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
    .localNumbers = {sigcap::PIDX_TotalPoints},
    .localStrings = {sigcap::PIDX_RawData, sigcap::PIDX_PointArray},
};

}  // namespace

ORV_SO_CONFORMANCE(Sigcap, kSigcap);

}  // namespace orv::so::conformance
