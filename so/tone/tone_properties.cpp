// The tone indicator class's identity, callback list and property index tables.
#include "tone_so.h"

namespace orv::so::tone {
namespace {

using NG = NumberGet;
using NS = NumberSet;
using SG = StringGet;

// No SOData: a tone indicator has no input, its data native fires nothing.
constexpr const char* kCallbacks[] = {"SOOutputComplete", "SODirectIO", "SOError",
                                      "SOStatusUpdate"};

// ResultCode (6), ResultCodeExtended (7) and BinaryConversion (11) are served by the core.
// Unlisted indexes (DataEventEnabled 2, AutoDisable 10, DataCount 12 among them) answer the
// index itself.
constexpr NumberGetRow kNumberGet[] = {
    {1, NG::Bool, "getClaimed"},
    {3, NG::Bool, "getDeviceEnabled"},
    {4, NG::Bool, "getFreezeEvents"},
    {5, NG::Int, "getOutputID"},
    {8, NG::Int, "getDeviceServiceVersion"},
    {9, NG::Int, "getState"},
    {13, NG::Int, "getPowerNotify"},
    {14, NG::Int, "getPowerState"},
    {501, NG::Int, "getCapPowerReporting"},
    {801, NG::Bool, "getCapStatisticsReporting"},
    {802, NG::Bool, "getCapUpdateStatistics"},
    {901, NG::Bool, "getCapCompareFirmwareVersion"},
    {902, NG::Bool, "getCapUpdateFirmware"},
    {14001, NG::Bool, "getAsyncMode"},
    {14002, NG::Int, "getTone1Pitch"},
    {14003, NG::Int, "getTone1Volume"},
    {14004, NG::Int, "getTone1Duration"},
    {14005, NG::Int, "getTone2Pitch"},
    {14006, NG::Int, "getTone2Volume"},
    {14007, NG::Int, "getTone2Duration"},
    {14008, NG::Int, "getInterToneWait"},
    {14501, NG::Bool, "getCapPitch"},
    {14502, NG::Bool, "getCapVolume"},
};

constexpr NumberSetRow kNumberSet[] = {
    {3, NS::Bool, "setDeviceEnabled"},    {4, NS::Bool, "setFreezeEvents"},
    {13, NS::Int, "setPowerNotify"},      {14001, NS::Bool, "setAsyncMode"},
    {14002, NS::Int, "setTone1Pitch"},    {14003, NS::Int, "setTone1Volume"},
    {14004, NS::Int, "setTone1Duration"}, {14005, NS::Int, "setTone2Pitch"},
    {14006, NS::Int, "setTone2Volume"},   {14007, NS::Int, "setTone2Duration"},
    {14008, NS::Int, "setInterToneWait"},
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
    "CToneSO",
    "ORVTone.so",
    GUID_INIT(0x1970A54F, 0xA763, 0x45B7, 0x9B, 0xB4, 0x90, 0x1C, 0x11, 0xD3, 0xB8, 0x17),
    "Tone OPOS Service DLL",
    "toneso.log",
    "jpos/ToneIndicator",
    kCallbacks,
    {kNumberGet, kNumberSet, kStringGet, {}},
    {.openBeginLine = nullptr,
     .recordsStatistics = true,
     .unknownNumberGet = UnknownNumberGet::Index,
     .unknownNumberSet = UnknownNumberSet::Ignore},
};

}  // namespace orv::so::tone
