#include "opos_names.h"

namespace probedesk {
namespace {

constexpr OposName kStates[] = {
    {"OPOS_S_CLOSED", 1}, {"OPOS_S_IDLE", 2}, {"OPOS_S_BUSY", 3}, {"OPOS_S_ERROR", 4}};

constexpr OposName kResultCodes[] = {
    {"OPOS_SUCCESS", 0},        {"OPOS_E_CLOSED", 101},     {"OPOS_E_CLAIMED", 102},
    {"OPOS_E_NOTCLAIMED", 103}, {"OPOS_E_NOSERVICE", 104},  {"OPOS_E_DISABLED", 105},
    {"OPOS_E_ILLEGAL", 106},    {"OPOS_E_NOHARDWARE", 107}, {"OPOS_E_OFFLINE", 108},
    {"OPOS_E_NOEXIST", 109},    {"OPOS_E_EXISTS", 110},     {"OPOS_E_FAILURE", 111},
    {"OPOS_E_TIMEOUT", 112},    {"OPOS_E_BUSY", 113},       {"OPOS_E_EXTENDED", 114}};

constexpr OposName kErrorResponses[] = {
    {"OPOS_ER_RETRY", 11}, {"OPOS_ER_CLEAR", 12}, {"OPOS_ER_CONTINUEINPUT", 13}};

constexpr OposName kErrorLoci[] = {
    {"OPOS_EL_OUTPUT", 1}, {"OPOS_EL_INPUT", 2}, {"OPOS_EL_INPUT_DATA", 3}};

// Indexed by code - 101.
constexpr const char* kExceptionTexts[] = {"Jpos Exception - Control is closed",
                                           "Jpos Exception - Claimed",
                                           "Jpos Exception - Device Not Claimed",
                                           "Jpos Exception - No Service",
                                           "Jpos Exception - Disabled",
                                           "Jpos Exception - Illegal Operation",
                                           "Jpos Exception - No Hardware",
                                           "Jpos Exception - Off Line",
                                           "Jpos Exception - No Exist",
                                           "Jpos Exception - Exists",
                                           "Jpos Exception - Failure",
                                           "Jpos Exception - Timed Out",
                                           "Jpos Exception - Busy",
                                           "Jpos Exception - Extended"};

}  // namespace

const OposNameTables& NameTables() {
    static const OposNameTables tables{kStates, kResultCodes, kErrorResponses, kErrorLoci};
    return tables;
}

QString NameOf(std::span<const OposName> table, int32_t value) {
    for (const OposName& entry : table)
        if (entry.value == value) return QString::fromLatin1(entry.name);
    return {};
}

QString ExceptionText(int32_t resultCode) {
    if (resultCode < 101 || resultCode > 114) return {};
    return QString::fromLatin1(kExceptionTexts[resultCode - 101]);
}

}  // namespace probedesk
