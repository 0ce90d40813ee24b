// The scanner class's identity, callback list and property index tables.
#include "scan_so.h"

namespace orv::so::scanner {
namespace {

using NG = NumberGet;
using NS = NumberSet;
using SG = StringGet;

constexpr const char* kCallbacks[] = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate"};

// ResultCode (6), ResultCodeExtended (7) and BinaryConversion (11) are served by the core.
constexpr NumberGetRow kNumberGet[] = {
    {1, NG::Bool, "getClaimed"},
    {2, NG::Bool, "getDataEventEnabled"},
    {3, NG::Bool, "getDeviceEnabled"},
    {4, NG::Bool, "getFreezeEvents"},
    {8, NG::Int, "getDeviceServiceVersion"},
    {9, NG::Int, "getState"},
    {10, NG::Bool, "getAutoDisable"},
    {12, NG::Int, "getDataCount"},
    {13, NG::Int, "getPowerNotify"},
    {14, NG::Int, "getPowerState"},
    {501, NG::Int, "getCapPowerReporting"},
    {801, NG::Bool, "getCapStatisticsReporting"},
    {802, NG::Bool, "getCapUpdateStatistics"},
    {901, NG::Bool, "getCapCompareFirmwareVersion"},
    {902, NG::Bool, "getCapUpdateFirmware"},
    {10001, NG::Bool, "getDecodeData"},
    {10002, NG::Int, "getScanDataType"},
};

constexpr NumberSetRow kNumberSet[] = {
    {2, NS::Bool, "setDataEventEnabled"}, {3, NS::Bool, "setDeviceEnabled"},
    {4, NS::Bool, "setFreezeEvents"},     {10, NS::Bool, "setAutoDisable"},
    {13, NS::Int, "setPowerNotify"},      {10001, NS::Bool, "setDecodeData"},
};

// ScanData and ScanDataLabel are bytes, handed out by BinaryConversion.
constexpr StringGetRow kStringGet[] = {
    {1000001, SG::String, "getCheckHealthText"},
    {1000002, SG::String, "getPhysicalDeviceDescription"},
    {1000003, SG::String, "getPhysicalDeviceName"},
    {1000004, SG::String, "getDeviceServiceDescription", Mask::None, TextFix::JposToOpos},
    {1010001, SG::Binary, "getScanData"},
    {1010002, SG::Binary, "getScanDataLabel"},
};

static_assert(RowsSorted<NumberGetRow>(kNumberGet) && RowsSorted<NumberSetRow>(kNumberSet) &&
              RowsSorted<StringGetRow>(kStringGet));

}  // namespace

const SoIdentity kIdentity{
    "CScannerSO",
    "ORVScanner.so",
    GUID_INIT(0xF3B1241B, 0xE475, 0x4B8D, 0x9B, 0x0E, 0x1C, 0x21, 0xBA, 0xDB, 0xC9, 0x48),
    "Scanner OPOS Service DLL",
    "scannerso.log",
    "jpos/Scanner",
    kCallbacks,
    {kNumberGet, kNumberSet, kStringGet, {}},
    {
        .openBeginLine = "Begin open scanner",
        .recordsStatistics = true,
    },
};

}  // namespace orv::so::scanner
