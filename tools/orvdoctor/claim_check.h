// orvdoctor's claim step: is the device claimed by another process? The simulated terminal holds
// each claim with a POSIX record lock (Java's FileChannel.lock is fcntl F_SETLK) on one lock file
// per device name, so F_GETLK names the holder's process.
#pragma once

#include <string>
#include <string_view>

namespace orv::doctor {

struct StepResult {
    bool ok = false;
    std::string what;
    std::string fix;  // empty when ok
};

// The lock folder the simulated terminal of a process started with this environment uses:
// $ORV_SIM_LOCK_DIR, else java.io.tmpdir (/tmp unless JAVA_TOOL_OPTIONS sets it) +
// "/orv-sim-locks"; -Dorv.sim.lockdir= in JAVA_TOOL_OPTIONS comes first, as the property does.
std::string ClaimLockFolder();

// The lock file name of a device name given in ANSI (the host's text), as the terminal makes
// it: ASCII letters, digits, '-' and '_' kept, every other UTF-16 unit as %xxxx, then ".lock".
std::string ClaimLockFileName(std::string_view device);

// The process holding a lock on the file: its pid, 0 when none (or no file), -1 when a lock is
// held by an owner whose pid the system does not tell (an open file description lock).
long ClaimHolder(const std::string& path);

// The step for DEVICE of OPOS class CLASS: also checks the Java name in the device key's
// "Devicename" value when there is one (the MSR service object opens that name instead).
StepResult CheckClaim(const std::string& oposClass, const std::string& device);

}  // namespace orv::doctor
