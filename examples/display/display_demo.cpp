// orv-display: text and a marquee on the line display through the OPOS control
// "DisplayControl.DisplayControlCtrl.1", against the simulated terminal, printing the display
// after each step.
//
//   orv-display [device] "text" ["second line"]
//
// The control, its service object and the registry must be set up (scripts/register.sh). The
// display is read back from the simulator of this process ("show <device>").
#include <cstdio>
#include <sstream>
#include <string>

#include "host/apartment.h"
#include "host/control.h"
#include "host/diagnostics.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "sim_command.h"

namespace {

using namespace std::chrono_literals;

constexpr int32_t DISP_MT_LEFT = 3;
constexpr int32_t DISP_MT_INIT = 5;

// Calls a method that returns an OPOS result and prints it; false when it is not 0.
template <class... A>
bool Step(orv::host::Control& c, const std::string& shown, const char* method, A&&... args) {
    int32_t rc = -1;
    const HRESULT hr = c.Call(method, &rc, std::forward<A>(args)...);
    if (FAILED(hr)) {
        std::printf("%-44s failed: HRESULT 0x%08X %s\n", shown.c_str(), static_cast<unsigned>(hr),
                    c.LastError().c_str());
        return false;
    }
    std::printf("%-44s -> %d\n", shown.c_str(), rc);
    return rc == 0;
}

bool Set(orv::host::Control& c, const char* property, const orv::DispArg& value,
         const std::string& shown) {
    const HRESULT hr = c.Put(property, value);
    int32_t resultCode = 0;
    c.Get("ResultCode", &resultCode);
    std::printf("%-44s (ResultCode %d)%s\n", shown.c_str(), resultCode,
                FAILED(hr) ? " FAILED" : "");
    return SUCCEEDED(hr) && resultCode == 0;
}

// The display as the simulator draws it: the frame and the lines under it.
void PrintScreen(const std::string& device) {
    std::istringstream answer(orv::example::SimCommand("show " + device));
    std::string line;
    bool drawing = false;
    while (std::getline(answer, line)) {
        if (!drawing && line.rfind("+-", 0) == 0) drawing = true;
        if (drawing) std::printf("    %s\n", line.c_str());
    }
    if (!drawing) std::printf("    (the simulator shows no display for %s)\n", device.c_str());
}

int Run(const std::string& device, const std::string& first, const std::string& second) {
    orv::host::ComApartment com;
    if (!com) return 1;
    orv::host::Control display;
    if (const HRESULT hr = display.Create("DisplayControl.DisplayControlCtrl.1"); FAILED(hr)) {
        std::printf("creating DisplayControl.DisplayControlCtrl.1 failed: HRESULT 0x%08X %s\n",
                    static_cast<unsigned>(hr), display.LastError().c_str());
        return 1;
    }
    display.OnEvent(orv::host::opos::linedisplay::StatusUpdateEvent, [](const orv::EventArgs& a) {
        std::printf("[event] StatusUpdateEvent Data=%d\n", a.Long(0));
    });

    if (!Step(display, "Open(\"" + device + "\")", "Open", device)) {
        int32_t openResult = 0;
        display.Get("OpenResult", &openResult);
        std::printf("OpenResult %d %s\n", openResult, orv::host::OpenProblem(openResult).c_str());
        return 1;
    }
    std::string description;
    display.Get("ServiceObjectDescription", &description);
    std::printf("  ServiceObjectDescription: %s\n", description.c_str());
    bool ok = Step(display, "ClaimDevice(1000)", "ClaimDevice", 1000) &&
              Set(display, "DeviceEnabled", orv::DispArg::Bool(true), "DeviceEnabled = TRUE");
    if (ok) {
        int32_t rows = 0, columns = 0;
        display.Get("DeviceRows", &rows);
        display.Get("DeviceColumns", &columns);
        std::printf("  the display: %d x %d\n", rows, columns);
        ok = Step(display, "ClearText()", "ClearText") &&
             Step(display, "DisplayTextAt(0, 0, \"" + first + "\", 0)", "DisplayTextAt", 0, 0,
                  first, 0);
        PrintScreen(device);
        if (ok && !second.empty()) {
            ok = Step(display, "DisplayTextAt(1, 0, \"" + second + "\", 0)", "DisplayTextAt", 1, 0,
                      second, 0);
            PrintScreen(device);
        }
        // A marquee on the last row: a window wider than its viewport walks to the left.
        const std::string line =
            first + (second.empty() ? "" : " " + second) + " - a marquee wider than the display";
        const int32_t width = std::max<int32_t>(columns, static_cast<int32_t>(line.size()));
        ok = ok &&
             Step(display,
                  "CreateWindow(" + std::to_string(rows - 1) + ", 0, 1, " +
                      std::to_string(columns) + ", 1, " + std::to_string(width) + ")",
                  "CreateWindow", rows - 1, 0, 1, columns, 1, width) &&
             Set(display, "MarqueeType", DISP_MT_INIT, "MarqueeType = DISP_MT_INIT") &&
             Step(display, "DisplayText(\"" + line + "\", 0)", "DisplayText", line, 0) &&
             Set(display, "MarqueeUnitWait", 150, "MarqueeUnitWait = 150") &&
             Set(display, "MarqueeRepeatWait", 1000, "MarqueeRepeatWait = 1000") &&
             Set(display, "MarqueeType", DISP_MT_LEFT, "MarqueeType = DISP_MT_LEFT");
        for (int i = 0; ok && i < 3; ++i) {
            orv::host::PumpUntil([] { return false; }, 600ms);
            std::printf("  after %d ms of marquee:\n", (i + 1) * 600);
            PrintScreen(device);
        }
        if (ok) Step(display, "DestroyWindow()", "DestroyWindow");
    }
    Set(display, "DeviceEnabled", orv::DispArg::Bool(false), "DeviceEnabled = FALSE");
    Step(display, "ReleaseDevice()", "ReleaseDevice");
    Step(display, "Close()", "Close");
    std::printf("%s\n", ok ? "line display demo complete" : "line display demo FAILED");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <device> \"text\" [\"second line\"]\n", argv[0]);
        return 2;
    }
    return Run(argv[1], argv[2], argc > 3 ? argv[3] : "");
}
