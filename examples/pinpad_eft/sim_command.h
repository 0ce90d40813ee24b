// Drives the simulated terminal that the PIN pad service object started in this process.
#pragma once

#include <string>

namespace orv::example {

// Runs com.orv.sim.SimControl.command(line) in the process's JVM and returns its answer
// ("OK ..." / "ERR ..."), or a text starting with "JNI:" when the JVM cannot be reached (no
// service object started one in this process).
std::string SimCommand(const std::string& line);

}  // namespace orv::example
