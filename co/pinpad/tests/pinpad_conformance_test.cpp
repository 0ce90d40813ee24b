// The PIN pad control through the conformance harness: its descriptor and dispatch map, the
// DISPIDs hosts rely on, and where it departs from the default answers.
#include "co_conformance.h"
#include "pinpad_control.h"

namespace orv::co::conformance {
namespace {

const ControlClass kPinPad{
    .descriptor = pinpad::CPinpadControlCtrl::Descriptor(),
    .members = pinpad::CPinpadControlCtrl::DispatchMembers(),
    .controlLibrary = "libPinpadControl.so",
    .order = {"CapPowerReporting", "CheckHealthText", "ControlObjectDescription",
               "ControlObjectVersion", "Claimed", "DataCount", "DataEventEnabled",
               "DeviceEnabled", "FreezeEvents", "PowerNotify", "PowerState", "ResultCode",
               "ResultCodeExtended", "State", "ServiceObjectDescription", "ServiceObjectVersion",
               "DeviceDescription", "DeviceName", "CapMACCalculation", "CapDisplay",
               "CapLanguage", "CapKeyboard", "CapTone", "Prompt", "AvailableLanguagesList",
               "PromptLanguage", "AccountNumber", "Amount", "MerchantID", "TerminalID",
               "Track1Data", "Track2Data", "Track3Data", "TransactionType", "MinimumPINLength",
               "MaximumPINLength", "PINEntryEnabled", "EncryptedPIN",
               "AdditionalSecurityInformation", "AvailablePromptsList", "Track4Data",
               "BinaryConversion", "xFillerProperty02", "xFillerProperty03", "xFillerProperty04",
               "xFillerProperty05", "xFillerProperty06", "xFillerProperty07", "xFillerProperty08",
               "xFillerProperty09", "xFillerProperty10", "xFillerProperty11", "xFillerProperty12",
               "xFillerProperty13", "xFillerProperty14", "xFillerProperty15", "xFillerProperty16",
               "xFillerProperty17", "xFillerProperty18", "xFillerProperty19", "xFillerProperty20",
               "xFillerProperty21", "xFillerProperty22", "xFillerProperty23", "xFillerProperty24",
               "OpenResult", "CapCompareFirmwareVersion", "CapStatisticsReporting",
               "CapUpdateFirmware", "CapUpdateStatistics", "Open", "Close", "Claim", "Release",
               "CheckHealth", "ClearInput", "DirectIO", "BeginEFTTransaction", "ComputeMAC",
               "EnablePINEntry", "EndEFTTransaction", "UpdateKey", "VerifyMAC", "SOData",
               "SODirectIO", "SOError", "SOStatusUpdate", "COFreezeEvents", "ClaimDevice",
               "ReleaseDevice", "CompareFirmwareVersion", "ResetStatistics", "RetrieveStatistics",
               "UpdateFirmware", "UpdateStatistics"},
    .closedAnswers = {{"VerifyMAC", -1 /* 101 as a VARIANT_BOOL: TRUE */}, {"COFreezeEvents", 0}},
};

}  // namespace

ORV_CONTROL_CONFORMANCE(PinPad, kPinPad);

}  // namespace orv::co::conformance
