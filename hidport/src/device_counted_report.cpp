#include "device_classes.h"

namespace orv::hidport {
namespace {

constexpr unsigned char kDataReport = 0x30;
constexpr ULONG kDataOffset = 3;

// SYN, a command character, CR in the counted framing.
constexpr unsigned char kSynT[] = {0x00, kDataReport, 0x03, 0x16, 0x54, 0x0D};
constexpr unsigned char kSynU[] = {0x00, kDataReport, 0x03, 0x16, 0x55, 0x0D};
constexpr unsigned char kSynBel[] = {0x00, kDataReport, 0x03, 0x16, 0x07, 0x0D};

}  // namespace

bool CDeviceCountedReport::WriteChunk(const unsigned char* data, ULONG length) {
    const unsigned char preamble[3] = {0x00, kDataReport, static_cast<unsigned char>(length)};
    return DoSendWithPreAmble(data, length, preamble, sizeof preamble);
}

void CDeviceCountedReport::ParseInputReport(const unsigned char* report, ULONG length,
                                            std::vector<unsigned char>& out) {
    if (report == nullptr || length < 3) return;
    AppendBounded(report, length, kDataOffset, ULONG(report[2]) + 2, out);
}

bool CDeviceCountedReport::SendSynT() {
    SendReport(kSynT, sizeof kSynT);
    return true;
}
bool CDeviceCountedReport::SendSynU() {
    SendReport(kSynU, sizeof kSynU);
    return true;
}
bool CDeviceCountedReport::SendSynBel() {
    SendReport(kSynBel, sizeof kSynBel);
    return true;
}

bool CDeviceCountedReport::SendSynBel3() {
    for (int i = 0; i < 3; ++i) SendSynBel();
    return true;
}

}  // namespace orv::hidport
