// The PIN pad class's identity, callback list and property index tables.
#include "pin_so.h"

namespace orv::so::pinpad {
namespace {

using NG = NumberGet;
using NS = NumberSet;
using SG = StringGet;
using SS = StringSet;

constexpr const char* kCallbacks[] = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate"};

constexpr NamedValue kTransactionTypes[] = {
    {1, "Debit"}, {2, "Credit"}, {3, "Inquiry"}, {4, "Reconcile"}, {5, "Admin"},
};

// ResultCode (6), ResultCodeExtended (7) and BinaryConversion (11) are served by the core.
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
    {801, NG::Bool, "getCapStatisticsReporting"},
    {802, NG::Bool, "getCapUpdateStatistics"},
    {901, NG::Bool, "getCapCompareFirmwareVersion"},
    {902, NG::Bool, "getCapUpdateFirmware"},
    {17001, NG::Int, "getMaximumPINLength"},
    {17002, NG::Int, "getMinimumPINLength"},
    {17003, NG::Bool, "getPINEntryEnabled"},
    {17004, NG::Int, "getPrompt"},
    {17005, NG::Constant, nullptr, 1},  // PromptLanguage: English, Java is not asked
    {17501, NG::Int, "getCapDisplay"},
    {17502, NG::Bool, "getCapKeyboard"},
    {17503, NG::Int, "getCapLanguage"},
    {17504, NG::Bool, "getCapMACCalculation"},
    {17505, NG::Bool, "getCapTone"},
};

constexpr NumberSetRow kNumberSet[] = {
    {2, NS::Bool, "setDataEventEnabled"},
    {3, NS::Bool, "setDeviceEnabled"},
    {4, NS::Bool, "setFreezeEvents"},
    {13, NS::Int, "setPowerNotify"},
    {17001, NS::Int, "setMaximumPINLength"},
    {17002, NS::Int, "setMinimumPINLength"},
    {17004, NS::Int, "setPrompt"},
    {17005, NS::FixedText, "setPromptLanguage", "English"},
};

constexpr StringGetRow kStringGet[] = {
    {17006, SG::IntAsName, "getTransactionType", Mask::None, TextFix::None, kTransactionTypes},
    {1000001, SG::String, "getCheckHealthText"},
    {1000002, SG::String, "getPhysicalDeviceDescription"},
    {1000003, SG::String, "getPhysicalDeviceName"},
    {1000004, SG::String, "getDeviceServiceDescription", Mask::None, TextFix::JposToOpos},
    {1017001, SG::String, "getAccountNumber", Mask::AccountNumber},
    {1017002, SG::String, "getAdditionalSecurityInformation", Mask::Secret},
    {1017003, SG::String, "getAvailableLanguagesList"},
    {1017005, SG::String, "getAvailablePromptsList"},
    {1017006, SG::String, "getEncryptedPIN", Mask::Secret},
    {1017007, SG::String, "getMerchantID"},
    {1017008, SG::String, "getTerminalID"},
    {1017009, SG::Binary, "getTrack1Data"},
    {1017010, SG::Binary, "getTrack2Data"},
    {1017011, SG::Binary, "getTrack3Data"},
    {1017012, SG::Binary, "getTrack4Data"},
};

constexpr StringSetRow kStringSet[] = {
    {17006, SS::NameAsInt, "setTransactionType", Mask::None, kTransactionTypes},
    {1017001, SS::String, "setAccountNumber", Mask::AccountNumber},
    {1017007, SS::String, "setMerchantID"},
    {1017008, SS::String, "setTerminalID"},
    {1017009, SS::String, "setTrack1Data", Mask::Secret},
    {1017010, SS::String, "setTrack2Data", Mask::Secret},
    {1017011, SS::String, "setTrack3Data", Mask::Secret},
    {1017012, SS::String, "setTrack4Data", Mask::Secret},
};

static_assert(RowsSorted<NumberGetRow>(kNumberGet) && RowsSorted<NumberSetRow>(kNumberSet) &&
              RowsSorted<StringGetRow>(kStringGet) && RowsSorted<StringSetRow>(kStringSet));

}  // namespace

const SoIdentity kIdentity{
    "CPinSO",
    "ORVPin.so",
    GUID_INIT(0xF4986AB2, 0x61C2, 0x11D3, 0xA7, 0x34, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA),
    "PINPad OPOS Service DLL",
    "Pinpadso.log",
    "jpos/PINPad",
    kCallbacks,
    {kNumberGet, kNumberSet, kStringGet, kStringSet},
};

}  // namespace orv::so::pinpad
