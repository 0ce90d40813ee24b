// The simulated HID bus: virtual devices in plug order, each with the handles open on it.
// hid_sim.h is its control surface; sim::Open gives the host side of a device.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "interface.h"
#include "platform/hid_sim.h"

namespace orv::hid::sim {

class SimInterface;

struct Device {
    DWORD id = 0;
    std::string product;
    std::string serial;
    ORV_HID_SIM_DEVICE info{};  // string pointers cleared; the copies above hold the texts
    bool plugged = true;
    DWORD featureRequests = 0;
    DWORD writeMode = ORV_HID_SIM_WRITE_NORMAL;
    std::deque<std::vector<BYTE>> outputs;      // device form
    std::deque<std::vector<BYTE>> features;     // ID first
    std::map<BYTE, std::vector<BYTE>> answers;  // ID first
    std::map<BYTE, std::vector<BYTE>> lastSet;  // ID first
    std::vector<SimInterface*> handles;
};

// One lock and one condition for the whole bus: device traffic in tests is light, and stalled
// writes and output takers all wait for "something changed on the bus".
struct Bus {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::shared_ptr<Device>> devices;  // plug order; unplugged ones stay findable
    DWORD nextId = 1;

    static Bus& Instance();
    std::shared_ptr<Device> Find(DWORD id);  // caller holds the lock
};

class SimInterface final : public Interface {
public:
    explicit SimInterface(std::shared_ptr<Device> device);
    ~SimInterface() override { Close(); }
    DWORD Attributes(HIDD_ATTRIBUTES& attributes) override;
    DWORD ProductString(std::u16string& text) override;
    DWORD SerialNumberString(std::u16string& text) override;
    DWORD Caps(HIDP_CAPS& caps) override;
    DWORD GetFeature(BYTE* buffer, ULONG length) override;
    DWORD SetFeature(const BYTE* buffer, ULONG length) override;
    DWORD Write(const BYTE* buffer, DWORD length, DWORD timeoutMs) override;
    InputQueue* Input() override { return &queue_; }
    void Close() override;

private:
    const std::shared_ptr<Device> device_;  // read-only after plug except under the bus lock
    InputQueue queue_;
    bool closed_ = false;  // under the bus lock
};

}  // namespace orv::hid::sim
