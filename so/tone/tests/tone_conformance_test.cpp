// The tone indicator service object through the conformance harness: its tables, its three
// device methods with their trace texts, and the state in which every property row can be read
// and written.
#include "so_conformance.h"
#include "tone_so.h"

namespace orv::so::conformance {
namespace {

const SoClass kTone{
    .identity = tone::kIdentity,
    .serverLibrary = "libToneBridge.so",
    .deviceClass = "ToneIndicator",
    .device = "T1",
    .dispatchOrder = {"GetPropertyNumber",
                      "SetPropertyNumber",
                      "SetPropertyString",
                      "GetPropertyString",
                      "OpenService",
                      "Close",
                      "Claim",
                      "Release",
                      "CheckHealth",
                      "DirectIO",
                      "COFreezeEvents",
                      "ClearOutput",
                      "Sound",
                      "SoundImmediate",
                      "ClaimDevice",
                      "ReleaseDevice",
                      "CompareFirmwareVersion",
                      "ResetStatistics",
                      "RetrieveStatistics",
                      "UpdateFirmware",
                      "UpdateStatistics"},
    .deviceMethods =
        {
            {"ClearOutput",
             [](SoClient& s) { return s.Method("ClearOutput"); },
             "clearOutput",
             "Begin clearing Output",
             "Clear output is successfully done",
             true,
             111,
             kClearInputMissingResult,
             {"Begin clearing Output", "Failed to get Method ID for clearOutput",
              "NoSuchMethodError:clearOutput"}},
            {"Sound",
             [](SoClient& s) { return s.Method("Sound", 1, 0); },
             "sound",
             nullptr,
             nullptr,
             true,
             111,
             111,
             {"Failed to get Method ID for sound", "NoSuchMethodError:sound"}},
            {"SoundImmediate",
             [](SoClient& s) { return s.Method("SoundImmediate"); },
             "soundImmediate",
             nullptr,
             nullptr,
             true,
             111,
             111,
             {"Failed to get Method ID for soundImmediate", "NoSuchMethodError:soundImmediate"}},
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
    .openLines = std::vector<std::string>{},  // no "Begin OpenService"
};

}  // namespace

ORV_SO_CONFORMANCE(Tone, kTone);

}  // namespace orv::so::conformance
