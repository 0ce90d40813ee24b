// orv-keys: prints each key of a POS keyboard as it goes down and up, through the OPOS control
// "OPOS.POSKeyboard" and the simulated terminal.
//
//   orv-keys [device] [--demo] [--seconds N]
//
// Without --demo it prints keys until interrupted (Ctrl-C) or N seconds (1 to 86400) have passed;
// keys are pressed by writing `key K1 ENTER` and the like to the FIFO named by ORV_SIM_CONTROL.
// With --demo the program presses a few keys itself and ends when their events have arrived.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/apartment.h"
#include "host/control.h"
#include "host/diagnostics.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "sim_command.h"

namespace {

namespace opos = orv::host::opos;
using namespace std::chrono_literals;

constexpr int32_t KBD_ET_DOWN = 1;
constexpr int32_t KBD_ET_DOWN_UP = 2;
constexpr int32_t KBD_KET_KEYUP = 2;

volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

struct KeyName {
    int32_t code;
    const char* name;
};
constexpr KeyName kKeyNames[] = {{0x08, "CLEAR"}, {0x0D, "ENTER"}, {0x1B, "CANCEL"}, {0x70, "F1"},
                                 {0x71, "F2"},    {0x72, "F3"},    {0x73, "F4"}};

// "ENTER", "'7'" for printable codes, "" for the rest.
std::string NameOf(int32_t code) {
    for (const KeyName& k : kKeyNames)
        if (k.code == code) return k.name;
    if (code > 0x20 && code < 0x7F) return std::string("'") + static_cast<char>(code) + "'";
    return "";
}

// A whole number of seconds, 1 to a day; false for anything else.
bool ParseSeconds(const char* text, int* seconds) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 86400) return false;
    *seconds = static_cast<int>(value);
    return true;
}

int32_t Long(orv::host::Control& c, const char* property) {
    int32_t value = 0;
    c.Get(property, &value);
    return value;
}

bool Check(orv::host::Control& c, const char* shown, int32_t rc) {
    std::printf("%-32s -> %d\n", shown, rc);
    if (rc != 0) std::printf("  ResultCodeExtended %d\n", Long(c, "ResultCodeExtended"));
    return rc == 0;
}

bool Put(orv::host::Control& c, const char* property, const orv::DispArg& value,
         const char* shown) {
    if (FAILED(c.Put(property, value))) return Check(c, shown, -1);
    return Check(c, shown, Long(c, "ResultCode"));
}

int Run(const std::string& device, bool demo, int seconds) {
    orv::host::ComApartment com;
    if (!com) return 1;
    orv::host::Control keyboard;
    if (const HRESULT hr = keyboard.Create("OPOS.POSKeyboard"); FAILED(hr)) {
        std::printf("creating OPOS.POSKeyboard failed: HRESULT 0x%08X %s\n",
                    static_cast<unsigned>(hr), keyboard.LastError().c_str());
        return 1;
    }

    int keys = 0;
    keyboard.OnEvent(opos::DataEvent, [&](const orv::EventArgs& a) {
        const int32_t code = Long(keyboard, "POSKeyData");
        const bool up = Long(keyboard, "POSKeyEventType") == KBD_KET_KEYUP;
        std::printf("key 0x%02X %-8s %s (Status %d)\n", static_cast<unsigned>(code),
                    NameOf(code).c_str(), up ? "up" : "down", a.Long(0));
        ++keys;
        keyboard.Put("DataEventEnabled", orv::DispArg::Bool(true));  // the next key
    });
    keyboard.OnEvent(opos::ErrorEvent, [](const orv::EventArgs& a) {
        std::printf("[event] ErrorEvent ResultCode=%d ResultCodeExtended=%d ErrorLocus=%d\n",
                    a.Long(0), a.Long(1), a.Long(2));
        if (int32_t* response = a.LongRef(3)) *response = opos::OPOS_ER_CLEAR;
    });
    keyboard.OnEvent(opos::StatusUpdateEvent, [](const orv::EventArgs& a) {
        std::printf("[event] StatusUpdateEvent Data=%d\n", a.Long(0));
    });

    int32_t rc = -1;
    if (FAILED(keyboard.Call("Open", &rc, device))) rc = -1;
    if (!Check(keyboard, ("Open(\"" + device + "\")").c_str(), rc)) {
        const int32_t openResult = Long(keyboard, "OpenResult");
        std::printf("  OpenResult %d %s\n", openResult, orv::host::OpenProblem(openResult).c_str());
        return 1;
    }
    bool capKeyUp = false;
    keyboard.Get("CapKeyUp", &capKeyUp);
    bool ok = SUCCEEDED(keyboard.Call("ClaimDevice", &rc, 1000)) &&
              Check(keyboard, "ClaimDevice(1000)", rc);
    ok = ok && Put(keyboard, "DeviceEnabled", orv::DispArg::Bool(true), "DeviceEnabled = TRUE");
    ok = ok && Put(keyboard, "EventTypes", capKeyUp ? KBD_ET_DOWN_UP : KBD_ET_DOWN,
                   capKeyUp ? "EventTypes = KBD_ET_DOWN_UP" : "EventTypes = KBD_ET_DOWN");
    ok = ok &&
         Put(keyboard, "DataEventEnabled", orv::DispArg::Bool(true), "DataEventEnabled = TRUE");

    if (ok && demo) {
        const char* kPresses[] = {"1", "2", "ENTER", "F1", "CANCEL"};
        int expected = 0;
        for (const char* key : kPresses) {
            const std::string command = "key " + device + " " + key;
            std::printf("%-32s -> %s\n", ("terminal: " + command).c_str(),
                        orv::example::SimCommand(command).c_str());
            expected += capKeyUp ? 2 : 1;
            if (!orv::host::PumpUntil([&] { return keys >= expected; }, 5s)) {
                std::printf("no DataEvent arrived for %s\n", key);
                ok = false;
                break;
            }
        }
    } else if (ok) {
        std::printf("press keys (e.g. echo 'key %s ENTER' > \"$ORV_SIM_CONTROL\"); Ctrl-C ends\n",
                    device.c_str());
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        const auto limit = seconds > 0 ? std::chrono::milliseconds(seconds * 1000LL)
                                       : std::chrono::milliseconds(std::chrono::hours(24 * 365));
        orv::host::PumpUntil([] { return interrupted != 0; }, limit);
        std::printf("%d key events\n", keys);
    }
    keyboard.Call("ReleaseDevice", &rc);
    keyboard.Call("Close", &rc);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string device = "K1";
    bool demo = false;
    int seconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0) {
            demo = true;
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc &&
                   ParseSeconds(argv[i + 1], &seconds)) {
            ++i;
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: orv-keys [device] [--demo] [--seconds N]\n");
            return 2;
        } else {
            device = argv[i];
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return Run(device, demo, seconds);
}
