// The signature capture control through the conformance harness: its descriptor and dispatch map, the
// DISPIDs hosts rely on, and where it departs from the default answers.
#include "co_conformance.h"
#include "sigcap_control.h"

namespace orv::co::conformance {
namespace {

const ControlClass kSigcap{
    .descriptor = sigcap::CSigcapControlCtrl::Descriptor(),
    .members = sigcap::CSigcapControlCtrl::DispatchMembers(),
    .controlLibrary = "libSigcapControl.so",
    .order = {
              "CheckHealthText",
              "Claimed",
              "DataEventEnabled",
              "DeviceEnabled",
              "FreezeEvents",
              "ResultCode",
              "ResultCodeExtended",
              "State",
              "ControlObjectDescription",
              "ControlObjectVersion",
              "ServiceObjectDescription",
              "ServiceObjectVersion",
              "DeviceDescription",
              "DeviceName",
              "CapDisplay",
              "CapUserTerminated",
              "MaximumX",
              "MaximumY",
              "RawData",
              "TotalPoints",
              "PointArray",
              "AutoDisable",
              "BinaryConversion",
              "DataCount",
              "CapRealTimeData",
              "RealTimeDataEnabled",
              "CapPowerReporting",
              "PowerState",
              "PowerNotify",
              "OpenResult",
              "CapCompareFirmwareVersion",
              "CapStatisticsReporting",
              "CapUpdateFirmware",
              "CapUpdateStatistics",
              "Close",
              "Claim",
              "Release",
              "CheckHealth",
              "ClearInput",
              "ClearOutput",
              "DirectIO",
              "Open",
              "BeginCapture",
              "EndCapture",
              "SOData",
              "SODirectIO",
              "SOError",
              "SOStatusUpdate",
              "ClaimDevice",
              "ReleaseDevice",
              "CompareFirmwareVersion",
              "ResetStatistics",
              "RetrieveStatistics",
              "UpdateFirmware",
              "UpdateStatistics"
},
    .fixedAnswers = {{"ClearOutput", 111 /* an input device: no output to clear */}},
};

}  // namespace

ORV_CONTROL_CONFORMANCE(Sigcap, kSigcap);

}  // namespace orv::co::conformance
