// The MSR class's identity, callback list, property index tables and traits.
#include "msr_so.h"

namespace orv::so::msr {
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
    {7001, NG::Bool, "getDecodeData"},
    {7002, NG::Bool, "getParseDecodeData"},
    {7003, NG::Int, "getTracksToRead"},
    {7004, NG::Int, "getErrorReportingType"},
    {7005, NG::Bool, "getTransmitSentinels"},
    {7501, NG::Bool, "getCapISO"},
    {7502, NG::Bool, "getCapJISOne"},
    {7503, NG::Bool, "getCapJISTwo"},
    {7504, NG::Bool, "getCapTransmitSentinels"},
};

constexpr NumberSetRow kNumberSet[] = {
    {2, NS::Bool, "setDataEventEnabled"},
    {3, NS::Bool, "setDeviceEnabled"},
    {4, NS::Bool, "setFreezeEvents"},
    {10, NS::Bool, "setAutoDisable"},
    {13, NS::Int, "setPowerNotify"},
    {7001, NS::Bool, "setDecodeData"},
    {7002, NS::Bool, "setParseDecodeData"},
    {7003, NS::Int, "setTracksToRead"},
    {7004, NS::Int, "setErrorReportingType"},
    {7005, NS::Bool, "setTransmitSentinels"},
};

// Cardholder data never reaches the trace in clear: the account number keeps at most its first
// six and last four digits, names, expiration and service code nothing. Track data (binary
// rows) is never written to the trace at all.
constexpr StringGetRow kStringGet[] = {
    {1000001, SG::String, "getCheckHealthText"},
    {1000002, SG::String, "getPhysicalDeviceDescription"},
    {1000003, SG::String, "getPhysicalDeviceName"},
    {1000004, SG::String, "getDeviceServiceDescription", Mask::None, TextFix::JposToOpos},
    {1007001, SG::String, "getAccountNumber", Mask::AccountNumber},
    {1007002, SG::String, "getExpirationDate", Mask::Secret},
    {1007003, SG::String, "getFirstName", Mask::Secret},
    {1007004, SG::String, "getMiddleInitial", Mask::Secret},
    {1007005, SG::String, "getServiceCode", Mask::Secret},
    {1007006, SG::String, "getSuffix", Mask::Secret},
    {1007007, SG::String, "getSurname", Mask::Secret},
    {1007008, SG::String, "getTitle", Mask::Secret},
    {1007009, SG::Binary, "getTrack1Data"},
    {1007010, SG::Binary, "getTrack1DiscretionaryData"},
    {1007011, SG::Binary, "getTrack2Data"},
    {1007012, SG::Binary, "getTrack2DiscretionaryData"},
    {1007013, SG::Binary, "getTrack3Data"},
    {1007014, SG::Binary, "getTrack4Data"},
};

static_assert(RowsSorted<NumberGetRow>(kNumberGet) && RowsSorted<NumberSetRow>(kNumberSet) &&
              RowsSorted<StringGetRow>(kStringGet));

}  // namespace

const SoIdentity kIdentity{
    "CMsrSO",
    "ORVMsr.so",
    GUID_INIT(0x3EF0412C, 0xE8F4, 0x11D1, 0x8C, 0x56, 0x00, 0xA0, 0xC9, 0x45, 0xB1, 0x57),
    "MSR OPOS Service DLL",
    "msr.log",
    "jpos/MSR",
    kCallbacks,
    {kNumberGet, kNumberSet, kStringGet, {}},  // SetPropertyString is accepted and ignored
    {
        .openEndLine = "End OpenService",
        .recordsStatistics = true,
        .openFallback = JavaNameFromRegistry,
    },
};

}  // namespace orv::so::msr
