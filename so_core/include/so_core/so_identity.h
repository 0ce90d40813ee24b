// What a device class fixes about its service object: names, identity, trace file, Java class,
// callback list and property tables.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/wintypes.h"
#include "so_core/property_table.h"

namespace orv::so {

// What an unknown numeric property index answers.
enum class UnknownNumberGet : uint8_t {
    Zero,   // 0, nothing recorded
    Index,  // the index itself, nothing recorded
};
enum class UnknownNumberSet : uint8_t {
    RecordIllegal,  // ResultCode := 106
    Ignore,         // nothing happens, nothing recorded
};
// What a listed property row does with a pending Java error afterwards.
enum class PropertyErrors : uint8_t {
    RecordAndReport,  // ResultCode := code and one SOError(code, 0, 0, 0) on the control
    RecordOnly,       // ResultCode := code; the class's controls take no SOError
};

class OposJNI;

// A class's answer when the Java control refuses the device name given to OpenService: a result
// to return at once (not recorded), or 0 and the name for one more open.
struct OpenRetry {
    int32_t result = 0;
    std::string name;
};
using OpenFallback = OpenRetry (*)(OposJNI& bridge, const char* deviceName);

// Where a class departs from the common service object; the defaults are the PIN pad's.
struct SoTraits {
    const char* openBeginLine = "Begin OpenService";  // nullptr: no line
    const char* openEndLine = nullptr;  // written after a successful event registration
    bool recordsStatistics = false;     // the statistics and firmware methods record their result
    bool recordsClaimDevice = true;     // ClaimDevice and ReleaseDevice record their result
    UnknownNumberGet unknownNumberGet = UnknownNumberGet::Zero;
    UnknownNumberSet unknownNumberSet = UnknownNumberSet::RecordIllegal;
    PropertyErrors propertyErrors = PropertyErrors::RecordAndReport;
    OpenFallback openFallback = nullptr;  // nullptr: a refused name records 111
};

struct SoIdentity {
    const char* className;    // "CPinSO"
    const char* progId;       // "ORVPin.so"
    CLSID clsid;
    const char* description;  // the registration's description
    const char* logFileName;  // "Pinpadso.log"
    const char* javaClass;    // JNI form, "jpos/PINPad"
    std::span<const char* const> callbacks;  // SO* names looked up at OpenService, in order
    PropertyTables properties;
    SoTraits traits = {};
};

}  // namespace orv::so
