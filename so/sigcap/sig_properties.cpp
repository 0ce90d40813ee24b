// The signature capture class's identity, callback list and property index tables.
// TotalPoints, RawData and PointArray are not rows: CSigSO serves them (sig_capture_data.cpp).
#include "sig_so.h"

namespace orv::so::sigcap {
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
    {11001, NG::Int, "getMaximumX"},
    {11002, NG::Int, "getMaximumY"},
    {11004, NG::Bool, "getRealTimeDataEnabled"},
    {11501, NG::Bool, "getCapDisplay"},
    {11502, NG::Bool, "getCapUserTerminated"},
    {11503, NG::Bool, "getCapRealTimeData"},
};

constexpr NumberSetRow kNumberSet[] = {
    {2, NS::Bool, "setDataEventEnabled"},
    {3, NS::Bool, "setDeviceEnabled"},
    {4, NS::Bool, "setFreezeEvents"},
    {10, NS::Bool, "setAutoDisable"},
    {13, NS::Int, "setPowerNotify"},
    {11004, NS::Bool, "setRealTimeDataEnabled"},
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
    "CSigSO",
    "ORVSig.so",
    GUID_INIT(0x37B02240, 0x35B7, 0x11D1, 0x8B, 0x2F, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57),
    "SigCap OPOS Service DLL",
    "sigso.log",
    "jpos/SignatureCapture",
    kCallbacks,
    {kNumberGet, kNumberSet, kStringGet, {}},
    SoTraits{
        .openEndLine = "End OpenService",
        .recordsStatistics = true,
        .unknownNumberGet = UnknownNumberGet::Index,
        .unknownNumberSet = UnknownNumberSet::Ignore,
    },
};

}  // namespace orv::so::sigcap
