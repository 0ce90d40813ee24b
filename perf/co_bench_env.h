// Shared by the control benchmarks: a private installation (registry file with the PIN pad
// control, the PIN pad service object and the fake service object registered, device keys
// "P1" -> "ORVPin.so" and "FAKE" -> the fake, trace folder, claim locks, class path; where the
// program is built with the MSR, the MSR control and service object and "M1" -> "ORVMsr.so").
#pragma once

#include <string>

namespace orv::perf {

// False (with the reason printed) when the installation cannot be made.
bool SetUpControlInstallation();
void RemoveControlInstallation();
// The installation's folder (its registry file, traces and locks live there).
std::string InstallationFolder();

}  // namespace orv::perf
