// The scanner control through the conformance harness: its descriptor and dispatch map, the
// DISPIDs hosts rely on, and the members it answers itself (no output: ClearOutput and
// OutputID).
#include "co_conformance.h"
#include "scanner_control.h"

namespace orv::co::conformance {
namespace {

const ControlClass kScanner{
    .descriptor = scanner::CScannerControlCtrl::Descriptor(),
    .members = scanner::CScannerControlCtrl::DispatchMembers(),
    .controlLibrary = "libScannerControl.so",
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
              "DecodeData",
              "ScanData",
              "ScanDataLabel",
              "ScanDataType",
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
              "CompareFirmwareVersion",
              "ResetStatistics",
              "RetrieveStatistics",
              "UpdateFirmware",
              "UpdateStatistics",
              "SOData",
              "SODirectIO",
              "SOError",
              "SOStatusUpdate"},
    .ownAnswers = {{"ClearOutput", 106}},
    .unserved = {"OutputID"},
};

}  // namespace

ORV_CONTROL_CONFORMANCE(Scanner, kScanner);

}  // namespace orv::co::conformance
