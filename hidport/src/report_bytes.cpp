#include "device_classes.h"

namespace orv::hidport {

// Counts in reports come from the device: never trust them past the report's end.
void AppendBounded(const unsigned char* report, ULONG length, ULONG first, ULONG count,
                   std::vector<unsigned char>& out) {
    if (report == nullptr || first >= length) return;
    const ULONG end = length - first < count ? length : first + count;
    out.insert(out.end(), report + first, report + end);
}

}  // namespace orv::hidport
