// Why the set-up of an application fails, in words a person can act on, to print beside the
// call that failed: without them an application sees only 0x800401F3 or OpenResult 304.
//
//   if (FAILED(pinpad.Create("OPOS.PINPad")))
//       std::printf("creating OPOS.PINPad failed: %s\n", pinpad.LastError().c_str());
//   if (rc != 0) std::printf("Open failed: %d %s\n", rc, orv::host::OpenProblem(openResult).c_str());
#pragma once

#include <cstdint>
#include <string>

#include "platform/wintypes.h"

namespace orv::host {

// The registry file's problem: "<file>:<line>: <reason>" for a malformed file, "<file>: <reason>"
// for one that cannot be read, "<file>: the registry file does not exist"; "" when it is usable.
ORV_API std::string RegistryProblem();

// The loader's message of the last library this process could not load (an in-process server,
// or the JVM library a service object needs); "" when none failed.
ORV_API std::string LastLoadFailure();

// Why an OPOS Open with that OpenResult failed, as far as the process knows: the registry
// file's problem, else for OpenResult 304 (the service object cannot be created) the last load
// failure; "" when there is nothing more to say than the result.
ORV_API std::string OpenProblem(int32_t openResult);

}  // namespace orv::host
