// The POS keyboard class's identity, callback list and property index tables.
#include "kbd_so.h"

namespace orv::so::keyboard {
namespace {

using NG = NumberGet;
using NS = NumberSet;
using SG = StringGet;

constexpr const char* kCallbacks[] = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate"};

// ResultCode (6), ResultCodeExtended (7) and BinaryConversion (11) are served by the core.
// AutoDisable (10) has a setter only: reading it answers 0 like any unlisted index.
constexpr NumberGetRow kNumberGet[] = {
    {1, NG::Bool, "getClaimed"},
    {2, NG::Bool, "getDataEventEnabled"},
    {3, NG::Bool, "getDeviceEnabled"},
    {4, NG::Bool, "getFreezeEvents"},
    {8, NG::Int, "getDeviceServiceVersion"},
    {9, NG::Int, "getState"},
    {12, NG::Int, "getDataCount"},
    {13, NG::Int, "getPowerNotify"},
    {14, NG::Int, "getPowerState"},
    {501, NG::Int, "getCapPowerReporting"},
    {801, NG::Bool, "getCapStatisticsReporting"},
    {802, NG::Bool, "getCapUpdateStatistics"},
    {901, NG::Bool, "getCapCompareFirmwareVersion"},
    {902, NG::Bool, "getCapUpdateFirmware"},
    {12001, NG::Int, "getPOSKeyData"},
    {12002, NG::Int, "getEventTypes"},
    {12003, NG::Int, "getPOSKeyEventType"},
    {12501, NG::Bool, "getCapKeyUp"},
};

constexpr NumberSetRow kNumberSet[] = {
    {2, NS::Bool, "setDataEventEnabled"}, {3, NS::Bool, "setDeviceEnabled"},
    {4, NS::Bool, "setFreezeEvents"},     {10, NS::Bool, "setAutoDisable"},
    {13, NS::Int, "setPowerNotify"},      {12002, NS::Int, "setEventTypes"},
};

constexpr StringGetRow kStringGet[] = {
    {1000001, SG::String, "getCheckHealthText"},
    {1000002, SG::String, "getPhysicalDeviceDescription"},
    {1000003, SG::String, "getPhysicalDeviceName"},
    {1000004, SG::String, "getDeviceServiceDescription", Mask::None, TextFix::JposToOpos},
};

static_assert(RowsSorted<NumberGetRow>(kNumberGet) && RowsSorted<NumberSetRow>(kNumberSet) &&
              RowsSorted<StringGetRow>(kStringGet));

}  // namespace

const SoIdentity kIdentity{
    "CKbdSO",
    "ORVKbd.so",
    GUID_INIT(0xBD143A12, 0x3805, 0x4B8A, 0xA3, 0x45, 0x99, 0x97, 0x9A, 0x6F, 0x49, 0x96),
    "KBD OPOS Service DLL",
    "Kbdso.log",
    "jpos/POSKeyboard",
    kCallbacks,
    {kNumberGet, kNumberSet, kStringGet, {}},
    {.openBeginLine = nullptr, .recordsStatistics = true},
};

}  // namespace orv::so::keyboard
