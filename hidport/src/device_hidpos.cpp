#include <cstdio>

#include "device_classes.h"
#include "platform/hid.h"

namespace orv::hidport {
namespace {

constexpr unsigned char kScanReportId = 0x02;
constexpr unsigned char kOutputReportId = 0xFD;
constexpr unsigned char kRedirectReportId = 0xFE;
constexpr ULONG kDataOffset = 5;  // ID, count, three symbology identifier bytes

struct ControlReport {
    unsigned char bytes[2];
};
// SendControl1 … SendControl6, in order.
constexpr ControlReport kControls[] = {
    {{0x04, 0x04}}, {{0x04, 0x00}}, {{0x04, 0x02}}, {{0x04, 0x00}}, {{0x04, 0x40}}, {{0x04, 0x20}},
};

}  // namespace

bool CDeviceHidPos::WriteChunk(const unsigned char* data, ULONG length) {
    const unsigned char preamble[2] = {kOutputReportId, static_cast<unsigned char>(length)};
    return DoSendWithPreAmble(data, length, preamble, sizeof preamble);
}

void CDeviceHidPos::ParseInputReport(const unsigned char* report, ULONG length,
                                     std::vector<unsigned char>& out) {
    if (report == nullptr || length == 0) return;
    if (report[0] != kScanReportId) {
        char message[64];
        std::snprintf(message, sizeof message, "Got Wrong Report ID: %i\r", int(report[0]));
        ReportError(0, message);
        return;
    }
    if (length < 2) return;
    AppendBounded(report, length, kDataOffset, report[1], out);
}

bool CDeviceHidPos::DoRedirectOutput(unsigned char mode) {
    if (!IsOpen()) return true;
    unsigned char buffer[64] = {kRedirectReportId, mode};
    bool good = OrvHidSetFeature(DeviceHandle(), buffer, 2) != FALSE;
    if (good) {
        buffer[1] = 0xFF;
        good = OrvHidGetFeature(DeviceHandle(), buffer, 2) != FALSE && buffer[1] == mode;
    }
    if (!good) ReportError(0, "CDeviceHidPos::DoRedirectOutput - Bad Write");
    return true;
}

// The command operations report a failed write through the error callback and answer true.
bool CDeviceHidPos::SendControl1() {
    SendReport(kControls[0].bytes, 2);
    return true;
}
bool CDeviceHidPos::SendControl2() {
    SendReport(kControls[1].bytes, 2);
    return true;
}
bool CDeviceHidPos::SendControl3() {
    SendReport(kControls[2].bytes, 2);
    return true;
}
bool CDeviceHidPos::SendControl4() {
    SendReport(kControls[3].bytes, 2);
    return true;
}
bool CDeviceHidPos::SendControl5() {
    SendReport(kControls[4].bytes, 2);
    return true;
}
bool CDeviceHidPos::SendControl6() {
    SendReport(kControls[5].bytes, 2);
    return true;
}

}  // namespace orv::hidport
