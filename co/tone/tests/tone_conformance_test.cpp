// The tone indicator control through the conformance harness: its descriptor and dispatch map,
// the DISPIDs hosts rely on, and the members it answers itself (no input: ClearInput,
// DataEventEnabled, AutoDisable, DataCount).
#include "co_conformance.h"
#include "tone_control.h"

namespace orv::co::conformance {
namespace {

const ControlClass kTone{
    .descriptor = tone::CToneControlCtrl::Descriptor(),
    .members = tone::CToneControlCtrl::DispatchMembers(),
    .controlLibrary = "libToneControl.so",
    .order = {"AutoDisable",
              "BinaryConversion",
              "CapCompareFirmwareVersion",
              "CapPowerReporting",
              "CapStatisticsReporting",
              "CapUpdateFirmware",
              "CapUpdateStatistics",
              "CheckHealthText",
              "Claimed",
              "ControlObjectDescription",
              "ControlObjectVersion",
              "DataCount",
              "DataEventEnabled",
              "DeviceDescription",
              "DeviceEnabled",
              "DeviceName",
              "FreezeEvents",
              "OpenResult",
              "OutputID",
              "PowerNotify",
              "PowerState",
              "ResultCode",
              "ResultCodeExtended",
              "ServiceObjectDescription",
              "ServiceObjectVersion",
              "State",
              "AsyncMode",
              "CapPitch",
              "CapVolume",
              "InterToneWait",
              "Tone1Duration",
              "Tone1Pitch",
              "Tone1Volume",
              "Tone2Duration",
              "Tone2Pitch",
              "Tone2Volume",
              "Open",
              "Close",
              "Claim",
              "ClaimDevice",
              "Release",
              "ReleaseDevice",
              "CheckHealth",
              "ClearInput",
              "ClearOutput",
              "DirectIO",
              "Sound",
              "SoundImmediate",
              "CompareFirmwareVersion",
              "ResetStatistics",
              "RetrieveStatistics",
              "UpdateFirmware",
              "UpdateStatistics",
              "SOOutputComplete",
              "SODirectIO",
              "SOError",
              "SOStatusUpdate"},
    .ownAnswers = {{"ClearInput", 106}},
    .unserved = {"DataEventEnabled", "AutoDisable", "DataCount"},
};

}  // namespace

ORV_CONTROL_CONFORMANCE(Tone, kTone);

}  // namespace orv::co::conformance
