// Any byte string as a report descriptor: the parser must never read past it, and what it
// accepts must be self-consistent.
#include <cstdint>
#include <cstdlib>

#include "report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto info = orv::hid::ParseReportDescriptor(data, size);
    if (info && info->caps.NumberLinkCollectionNodes == 0)
        std::abort();  // accepted without a collection
    return 0;
}
