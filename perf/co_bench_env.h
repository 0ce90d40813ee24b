// Shared by the control benchmarks: a private installation (registry file with the PIN pad
// control, the PIN pad service object and the fake service object registered, device keys
// "P1" -> "ORVPin.so" and "FAKE" -> the fake, trace folder, claim locks, class path), and
// percentiles.
#pragma once

#include <string>
#include <vector>

namespace orv::perf {

// False (with the reason printed) when the installation cannot be made.
bool SetUpControlInstallation();
void RemoveControlInstallation();

// The p-th percentile (0..100) of the samples; 0 for none.
double Percentile(std::vector<double> samples, double p);

}  // namespace orv::perf
