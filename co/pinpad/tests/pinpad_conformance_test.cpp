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
    .pinned = {{"CapPowerReporting", 1}, {"FreezeEvents", 9}, {"ResultCode", 12}, {"Amount", 28},
               {"BinaryConversion", 42}, {"OpenResult", 66}, {"CapUpdateStatistics", 70},
               {"Open", 71}, {"Close", 72}, {"Claim", 73}, {"Release", 74}, {"CheckHealth", 75},
               {"DirectIO", 77}, {"VerifyMAC", 83}, {"SOData", 84}, {"SOStatusUpdate", 87},
               {"COFreezeEvents", 88}, {"ClaimDevice", 89}, {"ReleaseDevice", 90},
               {"UpdateStatistics", 95}},
    .closedAnswers = {{"VerifyMAC", -1 /* 101 as a VARIANT_BOOL: TRUE */}, {"COFreezeEvents", 0}},
};

}  // namespace

ORV_CONTROL_CONFORMANCE(PinPad, kPinPad);

}  // namespace orv::co::conformance
