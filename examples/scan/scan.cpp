// orv-scan: prints every label the scanner reads, with its symbology name and the AIM
// identifier the scanner put in front of it, through the OPOS control "OPOS.Scanner".
//
//   orv-scan [device] [--demo]
//
// The control, its service object and the registry must be set up (scripts/register.sh).
// Without --demo the program waits for labels until interrupted (scan them with the simulator's
// control FIFO, ORV_SIM_CONTROL); with --demo it scans a few labels itself, one of them with a
// wrong check digit, which the scanner refuses, and ends.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/apartment.h"
#include "host/control.h"
#include "host/diagnostics.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "platform/win32.h"
#include "sim_command.h"

namespace {

namespace opos = orv::host::opos;
using namespace std::chrono_literals;

volatile std::sig_atomic_t g_stop = 0;

// Symbology names by ScanDataType.
const char* TypeName(int32_t type) {
    struct Name {
        int32_t type;
        const char* name;
    };
    static constexpr Name kNames[] = {
        {0, "Unknown"},
        {101, "UPCA"},
        {102, "UPCE"},
        {103, "JAN8"},
        {104, "JAN13"},
        {105, "2 of 5"},
        {106, "I 2 of 5"},
        {107, "Codabar"},
        {108, "Code 39"},
        {109, "Code 93"},
        {110, "Code 128"},
        {111, "UPC-A w/supplemental"},
        {112, "UPC-E w/supplemental"},
        {113, "UPC-D1"},
        {114, "UPC-D2"},
        {115, "UPC-D3"},
        {116, "UPC-D4"},
        {117, "UPC-D5"},
        {118, "EAN8 w/supplemental"},
        {119, "EAN13 w/supplemental"},
        {120, "EAN 128"},
        {121, "OCR-A"},
        {122, "OCR-B"},
        {131, "RSS-14"},
        {132, "RSS Expanded"},
        {201, "PDF417"},
        {202, "Maxicode"},
        {501, "Other"},
    };
    for (const Name& n : kNames)
        if (n.type == type) return n.name;
    return "";
}

// The AIM symbology identifier: "]", a code character and a modifier at the start of ScanData.
std::string AimIdentifier(const std::string& scanData) {
    return scanData.size() >= 3 && scanData[0] == ']' ? scanData.substr(0, 3) : "(none)";
}

template <class... A>
bool Step(orv::host::Control& c, const char* method, const std::string& shown, A&&... args) {
    int32_t rc = -1;
    const HRESULT hr = c.Call(method, &rc, std::forward<A>(args)...);
    if (FAILED(hr)) {
        std::printf("%-32s failed: HRESULT 0x%08X %s\n", shown.c_str(), static_cast<unsigned>(hr),
                    c.LastError().c_str());
        return false;
    }
    std::printf("%-32s -> %d\n", shown.c_str(), rc);
    return rc == 0;
}

bool Set(orv::host::Control& c, const char* property, bool value) {
    const HRESULT hr = c.Put(property, orv::DispArg::Bool(value));
    int32_t resultCode = 0;
    c.Get("ResultCode", &resultCode);
    std::printf("%-32s (ResultCode %d)%s\n",
                (std::string(property) + (value ? " = TRUE" : " = FALSE")).c_str(), resultCode,
                FAILED(hr) ? " FAILED" : "");
    return SUCCEEDED(hr) && resultCode == 0;
}

int Run(const std::string& device, bool demo) {
    orv::host::ComApartment com;
    if (!com) return 1;
    orv::host::Control scanner;
    if (const HRESULT hr = scanner.Create("OPOS.Scanner"); FAILED(hr)) {
        std::printf("creating OPOS.Scanner failed: HRESULT 0x%08X %s\n",
                    static_cast<unsigned>(hr), scanner.LastError().c_str());
        return 1;
    }

    int labels = 0;
    scanner.OnEvent(opos::DataEvent, [&](const orv::EventArgs&) {
        std::string data, label;
        int32_t type = 0;
        scanner.Get("ScanData", &data);
        scanner.Get("ScanDataLabel", &label);
        scanner.Get("ScanDataType", &type);
        std::printf("label %-20s type %3d %-22s AIM %s\n", label.c_str(), type, TypeName(type),
                    AimIdentifier(data).c_str());
        ++labels;
        scanner.Put("DataEventEnabled", orv::DispArg::Bool(true));  // ready for the next one
    });
    scanner.OnEvent(opos::ErrorEvent, [](const orv::EventArgs& a) {
        std::printf("[event] ErrorEvent ResultCode=%d ResultCodeExtended=%d ErrorLocus=%d\n",
                    a.Long(0), a.Long(1), a.Long(2));
        if (int32_t* response = a.LongRef(3)) *response = opos::OPOS_ER_CLEAR;
    });
    scanner.OnEvent(opos::StatusUpdateEvent, [](const orv::EventArgs& a) {
        std::printf("[event] StatusUpdateEvent Data=%d\n", a.Long(0));
    });

    bool ok = Step(scanner, "Open", "Open(\"" + device + "\")", device);
    if (!ok) {
        int32_t openResult = 0;
        scanner.Get("OpenResult", &openResult);
        std::printf("OpenResult %d %s\n", openResult, orv::host::OpenProblem(openResult).c_str());
        return 1;
    }
    std::string description;
    scanner.Get("DeviceDescription", &description);
    std::printf("  DeviceDescription: %s\n", description.c_str());
    ok = Step(scanner, "ClaimDevice", "ClaimDevice(1000)", 1000) &&
         Set(scanner, "DeviceEnabled", true) && Set(scanner, "DecodeData", true) &&
         Set(scanner, "DataEventEnabled", true);

    if (ok && demo) {
        struct DemoScan {
            const char* type;
            const char* label;
            bool valid;
        };
        const DemoScan kScans[] = {
            {"UPCA", "012345678905", true},
            {"EAN13", "4006381333931", true},
            {"Code128", "ORV-0042/7", true},
            {"UPCA", "012345678901", false},  // wrong check digit
            {"Code39", "ZR88", true},
        };
        int expected = 0;
        for (const DemoScan& s : kScans) {
            const std::string command = "scan " + device + " " + s.type + " " + s.label;
            std::printf("%-32s -> %s\n", ("terminal: " + command).c_str(),
                        orv::example::SimCommand(command).c_str());
            if (!s.valid) continue;
            ++expected;
            if (!orv::host::PumpUntil([&] { return labels >= expected; }, 10s)) {
                std::printf("no DataEvent arrived\n");
                ok = false;
                break;
            }
        }
    } else if (ok) {
        std::signal(SIGINT, [](int) { g_stop = 1; });
        std::signal(SIGTERM, [](int) { g_stop = 1; });
        std::printf("waiting for labels on %s (Ctrl-C ends)\n", device.c_str());
        while (!g_stop) orv::host::PumpUntil([] { return g_stop != 0; }, 200ms);
    }

    Set(scanner, "DeviceEnabled", false);
    Step(scanner, "ReleaseDevice", "ReleaseDevice()");
    Step(scanner, "Close", "Close()");
    std::printf("%d label(s) read\n", labels);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string device = "SCAN1";
    bool demo = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0)
            demo = true;
        else
            device = argv[i];
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return Run(device, demo);
}
