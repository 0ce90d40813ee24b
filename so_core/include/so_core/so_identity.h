// What a device class fixes about its service object: names, identity, trace file, Java class,
// callback list and property tables.
#pragma once

#include <span>

#include "platform/wintypes.h"
#include "so_core/property_table.h"

namespace orv::so {

struct SoIdentity {
    const char* className;    // "CPinSO"
    const char* progId;       // "ORVPin.so"
    CLSID clsid;
    const char* description;  // the registration's description
    const char* logFileName;  // "Pinpadso.log"
    const char* javaClass;    // JNI form, "jpos/PINPad"
    std::span<const char* const> callbacks;  // SO* names looked up at OpenService, in order
    PropertyTables properties;
};

}  // namespace orv::so
