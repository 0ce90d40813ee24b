// Any bytes as an input report of any device class (and, for the feature class, any feature
// answer): nothing may be read or written out of bounds, and no class may deliver more than its
// report (or feature buffer) can carry.
//
// Input: byte 0 picks the class; for the feature class byte 1 is the answer length and the
// answer follows; the rest is the report, handed over in a buffer of exactly its size.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "device_classes.h"
#include "platform/hid_sim.h"

using namespace orv::hidport;

namespace {

void Ignore(unsigned char*, ULONG, void*) {}
void IgnoreError(int, std::string, void*) {}

struct OpenDevices {
    std::shared_ptr<CDeviceBase> devices[4];
    DWORD featureDevice = 0;

    OpenDevices() {
        setenv("ORV_HID_BACKEND", "sim", 1);
        const ORV_HID_SIM_DEVICE infos[4] = {
            {"fuzz hidpos", "", 1, 1, 0, 0x008C, 0x0002, 64, 64, 2, TRUE},
            {"fuzz string", "", 1, 2, 0, 0xFF45, 0x4B00, 64, 13, 0, FALSE},
            {"fuzz feature", "", 1, 3, 0, 0xFF45, 0x6400, 8, 64, 250, FALSE},
            {"fuzz counted", "", 1, 4, 0, 0xFFA0, 0x0001, 64, 64, 0, FALSE},
        };
        devices[0] = std::make_shared<CDeviceHidPos>();
        devices[1] = std::make_shared<CDeviceStringReport>();
        devices[2] = std::make_shared<CDeviceFeatureReport>();
        devices[3] = std::make_shared<CDeviceCountedReport>();
        for (int i = 0; i < 4; ++i) {
            const DWORD id = OrvHidSimAddDevice(&infos[i]);
            if (i == 2) featureDevice = id;
            void* handle = nullptr;
            if (!devices[i]->Open(infos[i].Product, "", Ignore, IgnoreError, nullptr, handle))
                std::abort();
        }
    }
};

// The most a class can deliver from a report of `length` bytes.
size_t Bound(int kind, size_t length) {
    switch (kind) {
        case 0:
        case 1:
            return length > 5 ? length - 5 : 0;
        case 2:
            return CDeviceFeatureReport::kFeatureBufferSize - 3;
        default:
            return length > 3 ? length - 3 : 0;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static OpenDevices* open = new OpenDevices;  // kept for the whole run
    if (size == 0) return 0;
    const int kind = data[0] % 4;
    size_t offset = 1;
    if (kind == 2 && size >= 2) {
        const size_t answerLength = std::min<size_t>(data[1], size - 2);
        OrvHidSimSetFeatureAnswer(open->featureDevice, 0, data + 2, DWORD(answerLength));
        offset = 2 + answerLength;
    }
    const std::vector<unsigned char> copy(data + offset, data + size);
    const std::unique_ptr<unsigned char[]> report(new unsigned char[copy.size() + 1]);
    std::copy(copy.begin(), copy.end(), report.get());
    std::vector<unsigned char> out;
    open->devices[kind]->ParseInputReport(copy.empty() ? nullptr : report.get(), ULONG(copy.size()),
                                          out);
    if (out.size() > Bound(kind, copy.size())) std::abort();
    return 0;
}
