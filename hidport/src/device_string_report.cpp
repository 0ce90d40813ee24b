#include <algorithm>

#include "device_classes.h"

namespace orv::hidport {
namespace {

constexpr ULONG kTextOffset = 5;
constexpr unsigned char kNoDataMask = 0x06;

// SendControl1, SendControl2, SendControl3(true), SendControl3(false): report ID 0, a command
// byte, ten zero bytes.
enum : unsigned char {
    kControl1 = 0x12,
    kControl2 = 0x11,
    kControl3On = 0x14,
    kControl3Off = 0x18
};

}  // namespace

bool CDeviceStringReport::WriteChunk(const unsigned char*, ULONG) {
    return false;  // these devices take no data
}

// The text runs from byte 5 to its zero terminator; it never reaches into the two symbology
// bytes at p − 2 and p − 1, nor past the report. A trailing control character (the CR or LF a
// scanner ends its text with) is dropped.
void CDeviceStringReport::ParseInputReport(const unsigned char* report, ULONG length,
                                           std::vector<unsigned char>& out) {
    if (report == nullptr || length < 3) return;
    const ULONG p = report[1];
    if (p <= 4 || (report[2] & kNoDataMask) != 0) return;
    const ULONG end = std::min<ULONG>(length, p - 2);
    ULONG last = kTextOffset;
    while (last < end && report[last] != 0) ++last;
    if (last == kTextOffset || last > end) return;
    if (report[last - 1] < 0x20) --last;
    out.insert(out.end(), report + kTextOffset, report + last);
}

bool CDeviceStringReport::SendControl1() {
    const unsigned char report[12] = {0x00, kControl1};
    SendReport(report, sizeof report);
    return true;
}

bool CDeviceStringReport::SendControl2() {
    const unsigned char report[12] = {0x00, kControl2};
    SendReport(report, sizeof report);
    return true;
}

bool CDeviceStringReport::SendControl3(bool on) {
    const unsigned char report[12] = {0x00, on ? kControl3On : kControl3Off};
    SendReport(report, sizeof report);
    return true;
}

}  // namespace orv::hidport
