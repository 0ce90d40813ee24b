// orv-msr-read: reads one card swipe through the OPOS MSR control "OPOS.MSR" and prints its
// parsed fields (account number masked) and track lengths.
//
//   orv-msr-read [device] [--demo] [--timeout <seconds>]
//
// The control, its service object and the registry must be set up (scripts/register.sh). The
// swipe comes from the simulator's control FIFO: start the program with ORV_SIM_CONTROL=<fifo>
// and write a "swipe <device> 1=... 2=..." line to it. With --demo the program swipes a test card
// itself. Exit codes:
//   0 card read                    4 claim or enable refused     7 ErrorEvent instead of data
//   1 bad arguments                5 no swipe source             8 the swipe could not be made
//   2 control cannot be created    6 no swipe in time
//   3 Open failed
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
#include "so_core/trace_mask.h"

namespace {

namespace opos = orv::host::opos;

enum Exit {
    kRead = 0, kUsage, kNoControl, kOpenFailed, kNotReady, kNoSource, kTimedOut, kCardError,
    kSwipeFailed,
};

// A test card of the simulator (ISO 7813 tracks 1 and 2).
constexpr const char* kDemoTracks =
    "\"1=%B4111111111111111^PUBLIC/JOHN Q.MR^2812101123400000?\" "
    "2=;4111111111111111=28121011234?";

std::string Text(orv::host::Control& c, const char* property) {
    std::string value;
    c.Get(property, &value);
    return value;
}

int32_t Long(orv::host::Control& c, const char* property) {
    int32_t value = 0;
    c.Get(property, &value);
    return value;
}

// A method returning an OPOS result: the result, or 111 when the call itself fails.
template <class... A>
int32_t Result(orv::host::Control& c, const char* method, A&&... args) {
    int32_t rc = 111;
    if (FAILED(c.Call(method, &rc, std::forward<A>(args)...))) return 111;
    return rc;
}

bool Enable(orv::host::Control& c, const char* property) {
    if (FAILED(c.Put(property, orv::DispArg::Bool(true)))) return false;
    return Long(c, "ResultCode") == 0;
}

void PrintCard(orv::host::Control& msr, int32_t status) {
    std::printf("DataEvent Status=0x%08X\n", static_cast<unsigned>(status));
    std::printf("  AccountNumber   %s\n",
                orv::so::MaskAccountNumber(Text(msr, "AccountNumber")).c_str());
    std::printf("  Title           %s\n", Text(msr, "Title").c_str());
    std::printf("  FirstName       %s\n", Text(msr, "FirstName").c_str());
    std::printf("  MiddleInitial   %s\n", Text(msr, "MiddleInitial").c_str());
    std::printf("  Surname         %s\n", Text(msr, "Surname").c_str());
    std::printf("  Suffix          %s\n", Text(msr, "Suffix").c_str());
    std::printf("  ExpirationDate  %s\n", Text(msr, "ExpirationDate").c_str());
    std::printf("  ServiceCode     %s\n", Text(msr, "ServiceCode").c_str());
    // Status holds the track lengths, track 1 in the low byte; the properties give them in full.
    const char* tracks[] = {"Track1Data", "Track2Data", "Track3Data", "Track4Data"};
    for (const char* track : tracks)
        std::printf("  %-15s %zu characters\n", track, Text(msr, track).size());
}

int Run(const std::string& device, bool demo, int timeoutSeconds) {
    orv::host::ComApartment com;
    if (!com) {
        std::fprintf(stderr, "COM cannot be initialised\n");
        return kNoControl;
    }
    orv::host::Control msr;
    if (const HRESULT hr = msr.Create("OPOS.MSR"); FAILED(hr)) {
        std::fprintf(stderr, "creating OPOS.MSR failed: HRESULT 0x%08X %s\n",
                     static_cast<unsigned>(hr), msr.LastError().c_str());
        return kNoControl;
    }
    bool dataArrived = false;
    int32_t status = 0;
    bool errorArrived = false;
    int32_t errorCode = 0, errorExtended = 0;
    msr.OnEvent(opos::DataEvent, [&](const orv::EventArgs& a) {
        status = a.Long(0);
        PrintCard(msr, status);  // the data is read inside the handler, as OPOS intends
        dataArrived = true;
    });
    msr.OnEvent(opos::ErrorEvent, [&](const orv::EventArgs& a) {
        errorCode = a.Long(0);
        errorExtended = a.Long(1);
        std::printf("ErrorEvent ResultCode=%d ResultCodeExtended=0x%08X ErrorLocus=%d\n",
                    errorCode, static_cast<unsigned>(errorExtended), a.Long(2));
        if (int32_t* response = a.LongRef(3)) *response = opos::OPOS_ER_CLEAR;
        errorArrived = true;
    });

    const int32_t opened = Result(msr, "Open", device);
    if (opened != 0) {
        const int32_t openResult = Long(msr, "OpenResult");
        std::fprintf(stderr, "Open(\"%s\") failed: %d, OpenResult %d %s\n", device.c_str(), opened,
                     openResult, orv::host::OpenProblem(openResult).c_str());
        return kOpenFailed;
    }
    std::printf("opened %s: %s (service object %s, version %d)\n", device.c_str(),
                Text(msr, "ControlObjectDescription").c_str(),
                Text(msr, "ServiceObjectDescription").c_str(), Long(msr, "ServiceObjectVersion"));

    int exitCode = kRead;
    const int32_t claimed = Result(msr, "Claim", 1000);
    if (claimed != 0) {
        std::fprintf(stderr, "Claim(1000) failed: %d\n", claimed);
        exitCode = kNotReady;
    } else if (!Enable(msr, "DecodeData") || !Enable(msr, "ParseDecodeData") ||
               !Enable(msr, "DeviceEnabled") || !Enable(msr, "DataEventEnabled")) {
        std::fprintf(stderr, "enabling %s failed: ResultCode %d\n", device.c_str(),
                     Long(msr, "ResultCode"));
        exitCode = kNotReady;
    }

    if (exitCode == kRead) {
        const char* fifo = std::getenv("ORV_SIM_CONTROL");
        if (demo) {
            const std::string answer =
                orv::example::SimCommand("swipe " + device + " " + kDemoTracks);
            std::printf("swiped a test card: %s\n", answer.substr(0, 2) == "OK" ? "OK" : answer.c_str());
            if (answer.substr(0, 2) != "OK") exitCode = kSwipeFailed;
        } else if (!fifo || !*fifo) {
            std::fprintf(stderr,
                         "no swipe source: start with ORV_SIM_CONTROL=<fifo> and write a swipe "
                         "line to it, or use --demo\n");
            exitCode = kNoSource;
        } else {
            std::printf("waiting %d s for a swipe: echo 'swipe %s 1=... 2=...' > %s\n",
                        timeoutSeconds, device.c_str(), fifo);
        }
    }
    if (exitCode == kRead) {
        orv::host::PumpUntil([&] { return dataArrived || errorArrived; },
                             std::chrono::seconds(timeoutSeconds));
        if (errorArrived && !dataArrived)
            exitCode = kCardError;
        else if (!dataArrived) {
            std::fprintf(stderr, "no swipe within %d s\n", timeoutSeconds);
            exitCode = kTimedOut;
        }
    }
    Result(msr, "Close");
    std::printf("closed %s\n", device.c_str());
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    std::string device = "M1";
    bool demo = false;
    int timeout = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0) {
            demo = true;
        } else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 1 || value > 3600) {
                std::fprintf(stderr, "--timeout takes 1 to 3600 seconds\n");
                return kUsage;
            }
            timeout = static_cast<int>(value);
        } else if (argv[i][0] == '-' || argv[i][0] == '\0') {
            std::fprintf(stderr, "usage: orv-msr-read [device] [--demo] [--timeout <seconds>]\n");
            return kUsage;
        } else {
            device = argv[i];
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return Run(device, demo, timeout);
}
