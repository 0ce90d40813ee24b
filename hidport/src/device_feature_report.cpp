#include "device_classes.h"
#include "platform/hid.h"

namespace orv::hidport {
namespace {

constexpr unsigned char kDataAnnounced = 0x30;  // bit 4 or bit 5 of byte 1
constexpr ULONG kDataOffset = 3;

}  // namespace

bool CDeviceFeatureReport::WriteChunk(const unsigned char* data, ULONG length) {
    const unsigned char preamble[5] = {0x00, static_cast<unsigned char>(length + 4), 0x00, 0x08,
                                       0x00};
    return DoSendWithPreAmble(data, length, preamble, sizeof preamble);
}

// An input report only announces data; the data itself is fetched as feature report 0, whose
// byte 1 counts it plus two.
void CDeviceFeatureReport::ParseInputReport(const unsigned char* report, ULONG length,
                                            std::vector<unsigned char>& out) {
    if (report == nullptr || length < 2 || (report[1] & kDataAnnounced) == 0) return;
    unsigned char feature[kFeatureBufferSize] = {};
    if (!OrvHidGetFeature(DeviceHandle(), feature, sizeof feature)) return;
    const int count = int(feature[1]) - 2;
    if (count > 0) AppendBounded(feature, sizeof feature, kDataOffset, ULONG(count), out);
}

}  // namespace orv::hidport
