// The OPOS vocabulary of the bench: the published codes of states, results, error responses and
// error loci, and the log texts of failed calls.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace probedesk {

struct OposName {
    const char* name;
    int32_t value;
};

struct OposNameTables {
    std::span<const OposName> states;
    std::span<const OposName> resultCodes;
    std::span<const OposName> errorResponses;
    std::span<const OposName> errorLoci;
};

// The tables, built once (the main window asks for them when it loads).
const OposNameTables& NameTables();

// The name of a value in a table ("" when it has none).
QString NameOf(std::span<const OposName> table, int32_t value);

// "Jpos Exception - ..." for 101..114, "" for every other code.
QString ExceptionText(int32_t resultCode);

}  // namespace probedesk
