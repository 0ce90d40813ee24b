// orv-sig-capture: one signature through the OPOS control "OPOS.SigCap", written as SVG.
//
//   orv-sig-capture [device] [--demo] [--svg FILE] [--wait SECONDS]
//
// Opens, claims and enables the device, calls BeginCapture("Form1") and waits for the
// signature's DataEvent. The customer signs on the simulated terminal: write "sign S1 x,y x,y -
// x,y" and "sign S1 done" into the simulator's control FIFO (ORV_SIM_CONTROL, see java/README.md),
// or pass --demo and the program signs a scripted signature itself. The points are read as
// PointArray (BinaryConversion 1), their count printed and, with --svg, the strokes written.
// The control, its service object and the registry must be set up (scripts/register.sh).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "host/apartment.h"
#include "host/control.h"
#include "host/diagnostics.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "point_array.h"
#include "sim_command.h"
#include "svg_writer.h"

namespace {

namespace opos = orv::host::opos;

// Two strokes on the 320 x 240 pad: a loop and an underline.
constexpr const char* kDemoSignature =
    "40,120 60,80 90,70 110,100 95,140 70,150 60,130 90,110 130,100 160,120 190,90 220,110 "
    "250,95 280,120 - 50,180 150,175 270,170";

struct Options {
    std::string device = "S1";
    bool demo = false;
    std::string svg;
    int waitSeconds = 120;
};

bool Step(orv::host::Control& c, const char* method, const char* shown, int32_t* rc) {
    const HRESULT hr = c.Call(method, rc);
    std::printf("%-32s -> %d\n", shown, SUCCEEDED(hr) ? *rc : -1);
    return SUCCEEDED(hr) && *rc == 0;
}

template <class A>
bool Step(orv::host::Control& c, const char* method, const char* shown, int32_t* rc, A&& arg) {
    const HRESULT hr = c.Call(method, rc, std::forward<A>(arg));
    std::printf("%-32s -> %d\n", shown, SUCCEEDED(hr) ? *rc : -1);
    return SUCCEEDED(hr) && *rc == 0;
}

bool Set(orv::host::Control& c, const char* property, const orv::DispArg& value, const char* shown) {
    const bool ok = SUCCEEDED(c.Put(property, value));
    int32_t resultCode = -1;
    c.Get("ResultCode", &resultCode);
    std::printf("%-32s (ResultCode %d)\n", shown, resultCode);
    return ok && resultCode == 0;
}

int Run(const Options& o) {
    orv::host::ComApartment com;
    if (!com) return 1;
    orv::host::Control sig;
    if (const HRESULT hr = sig.Create("OPOS.SigCap"); FAILED(hr)) {
        std::printf("creating OPOS.SigCap failed: HRESULT 0x%08X %s\n",
                    static_cast<unsigned>(hr), sig.LastError().c_str());
        return 1;
    }
    bool arrived = false;
    sig.OnEvent(opos::DataEvent, [&](const orv::EventArgs& a) {
        std::printf("[event] DataEvent Status=%d\n", a.Long(0));
        arrived = true;
    });
    sig.OnEvent(opos::ErrorEvent, [](const orv::EventArgs& a) {
        std::printf("[event] ErrorEvent ResultCode=%d ResultCodeExtended=%d ErrorLocus=%d\n",
                    a.Long(0), a.Long(1), a.Long(2));
    });

    int32_t rc = 0;
    const std::string openShown = "Open(\"" + o.device + "\")";
    if (!Step(sig, "Open", openShown.c_str(), &rc, o.device)) {
        int32_t openResult = 0;
        sig.Get("OpenResult", &openResult);
        std::string why = orv::host::OpenProblem(openResult);
        if (why.empty())
            why = openResult == 403 ? "no OPOS device key for this name (scripts/register.sh)"
                  : openResult == 304 ? "the service object could not be created"
                                      : "see the service object's trace (sigso.log)";
        std::printf("Open failed (OpenResult %d): %s\n", openResult, why.c_str());
        return 1;
    }
    int32_t maxX = 0, maxY = 0;
    sig.Get("MaximumX", &maxX);
    sig.Get("MaximumY", &maxY);
    bool ok = Step(sig, "Claim", "Claim(1000)", &rc, 1000);
    ok = ok && Set(sig, "DeviceEnabled", orv::DispArg::Bool(true), "DeviceEnabled = TRUE");
    ok = ok && Set(sig, "DataEventEnabled", orv::DispArg::Bool(true), "DataEventEnabled = TRUE");
    ok = ok && Step(sig, "BeginCapture", "BeginCapture(\"Form1\")", &rc, "Form1");
    if (ok && o.demo) {
        for (const std::string& command : {"sign " + o.device + " " + kDemoSignature,
                                          "sign " + o.device + " done"}) {
            const std::string answer = orv::example::SimCommand(command);
            const std::string shown = command.size() > 40 ? command.substr(0, 40) + "..." : command;
            std::printf("terminal: %s -> %s\n", shown.c_str(), answer.c_str());
            ok = ok && answer.rfind("OK", 0) == 0;
        }
    } else if (ok) {
        std::printf("waiting up to %d s for the signature (write \"sign %s x,y ...\" and \"sign %s "
                    "done\" into $ORV_SIM_CONTROL)\n",
                    o.waitSeconds, o.device.c_str(), o.device.c_str());
    }
    if (ok) {
        ok = orv::host::PumpUntil([&] { return arrived; }, std::chrono::seconds(o.waitSeconds));
        if (!ok) std::printf("no signature arrived\n");
    }
    if (ok) {
        ok = Set(sig, "BinaryConversion", 1, "BinaryConversion = 1 (nibble)");
        int32_t total = 0;
        sig.Get("TotalPoints", &total);
        BSTR text = nullptr;
        sig.Get("PointArray", &text);
        const auto points = orv::sigcap::DecodePointArray(text, 1);
        SysFreeString(text);
        if (!points) {
            std::printf("PointArray is not in the nibble form\n");
            ok = false;
        } else {
            std::printf("TotalPoints %d, %zu points in PointArray, %zu strokes\n", total,
                        points->size(), orv::example::Strokes(*points).size());
            if (!o.svg.empty()) {
                std::ofstream out(o.svg, std::ios::binary | std::ios::trunc);
                out << orv::example::SignatureSvg(*points, maxX, maxY);
                out.close();
                if (!out) {
                    std::printf("cannot write %s: %s\n", o.svg.c_str(), std::strerror(errno));
                    ok = false;
                } else {
                    std::printf("wrote %s\n", o.svg.c_str());
                }
            }
        }
    }
    Set(sig, "DeviceEnabled", orv::DispArg::Bool(false), "DeviceEnabled = FALSE");
    Step(sig, "Release", "Release()", &rc);
    Step(sig, "Close", "Close()", &rc);
    std::printf("%s\n", ok ? "signature captured" : "signature capture FAILED");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0) {
            o.demo = true;
        } else if (std::strcmp(argv[i], "--svg") == 0 && i + 1 < argc) {
            o.svg = argv[++i];
        } else if (std::strcmp(argv[i], "--wait") == 0 && i + 1 < argc) {
            o.waitSeconds = std::max(1, std::atoi(argv[++i]));
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: orv-sig-capture [device] [--demo] [--svg FILE] "
                                 "[--wait SECONDS]\n");
            return 2;
        } else {
            o.device = argv[i];
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return Run(o);
}
